#include "fs/PlatformPath.h"
#include "fs/FCPathName.h"
#include "fs/PathCompare.h"

namespace {
bool g_noShortPaths = false;  // tests: volumes without short names
}  // namespace

// Declared for tests in foundation/TestSeams.h.
void SetNoShortPathsForTests(bool none);
void SetNoShortPathsForTests(bool none) { g_noShortPaths = none; }

bool SystemCodePagePath(const std::wstring& wide, std::string& out) {
    out.clear();
    UINT codePage = GetACP();
    BOOL lost = FALSE;
    // UTF-8 holds everything and takes no default character.
    BOOL* check = codePage == CP_UTF8 ? nullptr : &lost;
    DWORD flags = codePage == CP_UTF8 ? 0 : WC_NO_BEST_FIT_CHARS;
    int length = static_cast<int>(wide.size());
    int n = length == 0 ? 0 : WideCharToMultiByte(codePage, flags, wide.data(), length, nullptr, 0, nullptr, check);
    if (n <= 0 || lost) return false;
    out.resize(static_cast<size_t>(n));
    WideCharToMultiByte(codePage, flags, wide.data(), length, &out[0], n, nullptr, check);
    return !lost;
}

bool ShortSystemPath(const std::wstring& path, std::string& out) {
    out.clear();
    if (g_noShortPaths) return false;
    std::wstring longForm = LongPathForm(path);
    std::wstring shortPath =
        ReadSystemPath([&](wchar_t* b, DWORD n) { return GetShortPathNameW(longForm.c_str(), b, n); });
    return !shortPath.empty() && SystemCodePagePath(WithoutLongPrefix(shortPath), out);
}

bool PlatformPath(const std::wstring& path, std::string& out) {
    return (SystemCodePagePath(path, out) && out.size() < MAX_PATH) ||
           (ShortSystemPath(path, out) && out.size() < MAX_PATH);
}
