// Paths compared as the file system compares them: ordinal, without case
// for every letter (full-width ones too).
#pragma once
#include "foundation/FCString.h"
#include <windows.h>
#include <string>
#include <unordered_map>
#include <unordered_set>

// The absolute form of path as the platform resolves it ("..", "/", drive
// relative), at any length; false when the platform cannot resolve it.
bool FullPathName(const std::wstring& path, std::wstring& full);
// A full path as the platform takes it at any length: from the length where
// the ordinary form stops working (a folder's 248 units), the long form
// ("\\?\C:\...", "\\?\UNC\server\..."), which the platform takes as it
// stands, so it must be full and normalised. Anything else as it is.
std::wstring LongPathForm(const std::wstring& path);
// The same path without a long form's prefix (a drive's or a share's; a
// volume's name keeps it).
std::wstring WithoutLongPrefix(const std::wstring& path);
const size_t kOrdinaryPathLimit = MAX_PATH - 12;
// The longest path the long form reaches, in UTF-16 units.
const size_t kLongestPath = 32767;

// Which file a handle or a path names, however the path is spelt (letter
// case, short names, "..", another link to the folder): its volume and its
// index on it.
struct FILE_IDENTITY_ {
    DWORD volume = 0, high = 0, low = 0;
    bool operator==(const FILE_IDENTITY_& o) const { return volume == o.volume && high == o.high && low == o.low; }
};
bool IdentityOf(HANDLE file, FILE_IDENTITY_& identity);
// Opened for no access, so that a file another program holds is named too.
bool IdentityOf(const std::wstring& path, FILE_IDENTITY_& identity);

// True when path begins with folder.
bool PathStartsWith(const std::wstring& path, const std::wstring& folder);

// True when path is folder or lies below it, both full paths ending in a
// separator, compared as Windows compares names: ordinal, without case for
// every letter (full-width ones too).
bool FolderHolds(const std::wstring& folder, const std::wstring& path);

// A set of paths, asked for every file of an extraction: each path is
// folded once and hashed, so a lookup never compares the long beginning
// that the paths of one destination share.
class PathSet {
public:
    bool contains(const std::wstring& path) const;
    // False when the path was in the set already.
    bool insert(const std::wstring& path);
    void clear() { keys_.clear(); }
    size_t size() const { return keys_.size(); }

private:
    // The folded UTF-16 as bytes, as NameClashFinder keeps its names.
    static std::string key(const std::wstring& path);
    std::unordered_set<std::string> keys_;
};

// Names that Windows takes for one file though they are spelt differently
// ("README.txt" and "readme.txt", full-width "Ａ.txt" and "ａ.txt"):
// compared as its file systems compare them, ordinal and without case for
// every letter, with '/' read as '\\'. A name repeated with the same
// spelling is no clash.
class NameClashFinder {
public:
    // Adds the next name (zero-terminated UTF-16). False when an earlier
    // name clashes with it; earlier then holds that name's place in the
    // order of adding.
    bool add(const wchar_t* name, size_t& earlier);

private:
    // UTF-16 kept as the bytes of a std::string, whose hashing the program
    // has anyway: a wide string type of its own makes the program larger.
    struct SEEN_ {
        std::string spelling;
        size_t index;
    };
    std::unordered_map<std::string, SEEN_> seen_;  // by upper-case key
    size_t added_ = 0;
};
