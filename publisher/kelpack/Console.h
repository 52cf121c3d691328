// How kelpack speaks: English, one line each, on stderr, names and paths
// exactly as Windows gives them. It never opens a window: a console tool
// that asked would hang a publisher's script.
#pragma once
#include <windows.h>
#include <string>

// Prints "kelpack: " and the text, formatted as printf formats UTF-16
// ("%ls" for a text), and a line end.
void Say(const wchar_t* format, ...);

// Removes a folder and everything in it without ever asking; what cannot be
// removed is named on stderr. False when something stays.
bool RemoveFolderQuietly(const std::wstring& folder);

// The full path of a folder, ending in a separator.
std::wstring FolderPath(const std::wstring& path);
