// Paths compared as the file system compares them: ASCII letters without
// case, every other character (a trail byte above all) as it is, by whole
// characters. Cheaper than lstrcmpiA, which sets of paths would call many
// times for every file.
#pragma once
#include "foundation/FCString.h"
#include <string>

// The absolute form of path as the platform resolves it ("..", "/", drive
// relative); false when it does not fit MAX_PATH.
bool FullPathName(const char* path, FCString& full);

// True when path begins with folder.
bool PathStartsWith(const FCString& path, const FCString& folder);

// An order for sets of paths.
struct PathNoCaseLess {
    bool operator()(const std::string& a, const std::string& b) const;
};
