// The one form of a path that is not UTF-16: what the platform's narrow
// functions take (the cabinet reader takes its paths so), made at the call
// that needs it and nowhere else.
#pragma once
#include <windows.h>
#include <string>

// A path in the system's code page, which the platform's "A" functions
// read: false when that code page cannot hold it.
bool SystemCodePagePath(const std::wstring& path, std::string& out);
// The short (8.3) form of an existing path in the system's code page:
// false when it has none that code page can hold.
bool ShortSystemPath(const std::wstring& path, std::string& out);
// An existing path as the platform's "A" functions read it, shorter than
// their MAX_PATH: in the system's code page, or through its short name
// where that code page cannot name it or the path is too long.
bool PlatformPath(const std::wstring& path, std::string& out);
