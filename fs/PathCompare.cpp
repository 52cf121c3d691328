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

bool PathNoCaseLess::operator()(const std::string& a, const std::string& b) const {
    const char* p = a.c_str();
    const char* q = b.c_str();
    for (;;) {
        unsigned x = FoldedCodeAt(p), y = FoldedCodeAt(q);
        if (x != y || x == 0) return x < y;
        p = Mbcs::Next(p);
        q = Mbcs::Next(q);
    }
}
