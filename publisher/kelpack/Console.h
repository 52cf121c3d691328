// How kelpack speaks: English, one line each, on stderr. It never opens a
// window: a console tool that asked would hang a publisher's script.
#pragma once
#include <windows.h>
#include <string>

// Prints "kelpack: " and the formatted text and a line end.
void Say(const char* format, ...);

// Removes a folder and everything in it without ever asking; what cannot be
// removed is named on stderr. False when something stays.
bool RemoveFolderQuietly(const std::string& folder);

// The full path of a folder, ending in a separator (by whole characters:
// 表 ends in the byte of a backslash).
std::string FolderPath(const std::string& path);
