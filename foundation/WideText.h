// Where the tool's texts cross to the windows. Inside they are Shift_JIS
// (code page 932) whatever the system's code page; the platform is given
// and gives back UTF-16, converted here with code page 932 named, so a
// Western or a UTF-8 Windows shows the same Japanese as a Japanese one.
// Paths never pass through here: they are UTF-16 from end to end (fs/).
#pragma once
#include <windows.h>
#include <string>

// Shift_JIS text as UTF-16; a byte no character has becomes U+FFFD, never
// the end of the text.
std::wstring FromShiftJis(const char* text);
std::wstring FromShiftJis(const char* text, size_t length);
// UTF-16 text as Shift_JIS, substitute for what Shift_JIS cannot hold:
// what a Shift_JIS text (a setting, a name shown) can carry of it.
std::string ToShiftJis(const std::wstring& text, const char* substitute = "?");

BOOL SetWindowText932(HWND window, const char* text);
BOOL SetDlgItemText932(HWND dialog, int controlId, const char* text);

// The window's text as Windows gives it.
std::wstring WindowTextWide(HWND window);
// The window's text in Shift_JIS, '?' for what Shift_JIS cannot hold.
std::string WindowText932(HWND window);
int MessageBox932(HWND owner, const char* text, const char* caption, UINT type);
// Shift_JIS as UTF-16 into a buffer of the caller's, always terminated and
// cut to fit; no heap is touched (the crash report uses it).
void ShiftJisInto(const char* text, wchar_t* out, int capacity);
