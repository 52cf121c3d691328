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

namespace {
std::wstring WithBackslashes(std::wstring name) {
    for (wchar_t& c : name)
        if (c == L'/') c = L'\\';
    return name;
}

// The invariant upper case, the table Windows' own name comparison uses.
std::wstring UpperKey(const std::wstring& name) {
    if (name.empty()) return name;
    int n = LCMapStringEx(LOCALE_NAME_INVARIANT, LCMAP_UPPERCASE, name.c_str(), static_cast<int>(name.size()), nullptr,
                          0, nullptr, nullptr, 0);
    if (n <= 0) return name;
    std::wstring upper(static_cast<size_t>(n), L'\0');
    LCMapStringEx(LOCALE_NAME_INVARIANT, LCMAP_UPPERCASE, name.c_str(), static_cast<int>(name.size()), &upper[0], n,
                  nullptr, nullptr, 0);
    return upper;
}
}  // namespace

bool NameClashFinder::add(const std::wstring& name, size_t& earlier) {
    std::wstring spelling = WithBackslashes(name);
    size_t index = added_++;
    auto found = seen_.find(UpperKey(spelling));
    if (found == seen_.end()) {
        seen_.emplace(UpperKey(spelling), SEEN_{spelling, index});
        return true;
    }
    const SEEN_& seen = found->second;
    if (seen.spelling == spelling) return true;
    if (CompareStringOrdinal(seen.spelling.c_str(), static_cast<int>(seen.spelling.size()), spelling.c_str(),
                             static_cast<int>(spelling.size()), TRUE) != CSTR_EQUAL)
        return true;
    earlier = seen.index;
    return false;
}
