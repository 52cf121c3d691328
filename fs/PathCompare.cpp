#include "fs/PathCompare.h"
#include "foundation/Mbcs.h"
#include <windows.h>

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
    std::string folded(path);
    for (size_t i = 0; i < folded.size(); ++i) {
        unsigned char b = static_cast<unsigned char>(folded[i]);
        if (b >= 'a' && b <= 'z') folded[i] = static_cast<char>(b - ('a' - 'A'));
        else if (Mbcs::IsLead(b)) ++i;  // its trail byte stays as it is
    }
    return folded;
}

bool PathSet::contains(const char* path) const { return keys_.count(key(path)) != 0; }

bool PathSet::insert(const char* path) { return keys_.insert(key(path)).second; }
