// What the console tools write: text as Windows gives it, whatever the
// system's code page. A console takes it as UTF-16; a file or a pipe (a
// publisher's script, a build log) gets UTF-8. No character becomes '?'.
#pragma once
#include <windows.h>
#include <cstdarg>
#include <string>

// Writes text to the standard handle (STD_OUTPUT_HANDLE or STD_ERROR_HANDLE).
void WriteConsoleText(DWORD standardHandle, const std::wstring& text);

// printf's rules on UTF-16 ("%ls" for a text, "%llu" for a size), at any
// length.
std::wstring FormatWide(const wchar_t* format, va_list arguments);
