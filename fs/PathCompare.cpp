#include "fs/PathCompare.h"
#include "foundation/Mbcs.h"
#include <windows.h>
#include <cstring>

namespace {
unsigned FoldedCodeAt(const char* p) {
    unsigned code = Mbcs::CodeAt(p);
    return (code >= 'a' && code <= 'z') ? code - ('a' - 'A') : code;
}
}  // namespace

bool FullPathName(const char* path, FCString& full) {
    char buffer[MAX_PATH];
    DWORD n = GetFullPathNameA(path, sizeof buffer, buffer, nullptr);
    if (n == 0 || n >= sizeof buffer) return false;
    full.assignFrom(buffer);
    return true;
}

bool PathStartsWith(const FCString& path, const FCString& folder) {
    const char* p = path.text();
    for (const char* q = folder.text(); *q != '\0'; q = Mbcs::Next(q), p = Mbcs::Next(p))
        if (FoldedCodeAt(p) != FoldedCodeAt(q)) return false;
    return true;
}

std::string PathSet::key(const char* path) {
    std::string folded;
    folded.reserve(std::strlen(path));
    for (const char* p = path; *p != '\0'; p = Mbcs::Next(p)) {
        unsigned code = FoldedCodeAt(p);
        if (code == 0) code = static_cast<unsigned char>(*p);  // a lead byte cut off at the end stays as it is
        if (code > 0xFF) folded += static_cast<char>(code >> 8);
        folded += static_cast<char>(code & 0xFF);
    }
    return folded;
}

bool PathSet::contains(const char* path) const { return keys_.count(key(path)) != 0; }

bool PathSet::insert(const char* path) { return keys_.insert(key(path)).second; }
