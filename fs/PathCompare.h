// Paths compared as the file system compares them: ASCII letters without
// case, every other character (a trail byte above all) as it is, by whole
// characters.
#pragma once
#include "foundation/FCString.h"
#include <string>
#include <unordered_set>

// The absolute form of path as the platform resolves it ("..", "/", drive
// relative); false when it does not fit MAX_PATH.
bool FullPathName(const char* path, FCString& full);

// True when path begins with folder.
bool PathStartsWith(const FCString& path, const FCString& folder);

// A set of paths, asked for every file of an extraction: each path is
// folded once and hashed, where an ordered set would compare whole paths
// (with their long common beginning) a dozen times a lookup.
class PathSet {
public:
    bool contains(const char* path) const;
    // False when the path was in the set already.
    bool insert(const char* path);
    void clear() { keys_.clear(); }
    size_t size() const { return keys_.size(); }

private:
    static std::string key(const char* path);
    std::unordered_set<std::string> keys_;
};
