#include "fs/PathCompare.h"
#include "foundation/WideText.h"
#include "foundation/Mbcs.h"
#include <windows.h>
#include <cstring>
#include <cwchar>
#include <vector>

namespace {
unsigned FoldedCodeAt(const char* p) {
    unsigned code = Mbcs::CodeAt(p);
    return (code >= 'a' && code <= 'z') ? code - ('a' - 'A') : code;
}
}  // namespace

bool FullPathName(const char* path, FCString& full) {
    wchar_t buffer[MAX_PATH];
    DWORD n = GetFullPathNameW(Wide932(path).data(), MAX_PATH, buffer, nullptr);
    if (n == 0 || n >= MAX_PATH) return false;
    full.assignFrom(Narrow932(buffer).c_str());
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
std::string AsBytes(const wchar_t* text, size_t length) {
    return std::string(reinterpret_cast<const char*>(text), length * sizeof(wchar_t));
}

const wchar_t* AsWide(const std::string& bytes) { return reinterpret_cast<const wchar_t*>(bytes.data()); }
int WideLength(const std::string& bytes) { return static_cast<int>(bytes.size() / sizeof(wchar_t)); }

// The invariant upper case, the table Windows' own name comparison uses.
std::string UpperKey(const std::string& name) {
    int n = LCMapStringEx(LOCALE_NAME_INVARIANT, LCMAP_UPPERCASE, AsWide(name), WideLength(name), nullptr, 0, nullptr,
                          nullptr, 0);
    if (n <= 0) return name;
    std::vector<wchar_t> upper(static_cast<size_t>(n));
    LCMapStringEx(LOCALE_NAME_INVARIANT, LCMAP_UPPERCASE, AsWide(name), WideLength(name), upper.data(), n, nullptr,
                  nullptr, 0);
    return AsBytes(upper.data(), upper.size());
}
}  // namespace

bool NameClashFinder::add(const wchar_t* name, size_t& earlier) {
    std::vector<wchar_t> separated(name, name + wcslen(name));
    for (wchar_t& c : separated)
        if (c == L'/') c = L'\\';
    std::string spelling = AsBytes(separated.data(), separated.size());
    size_t index = added_++;
    if (spelling.empty()) return true;
    std::string key = UpperKey(spelling);
    auto found = seen_.find(key);
    if (found == seen_.end()) {
        seen_.emplace(key, SEEN_{spelling, index});
        return true;
    }
    const SEEN_& seen = found->second;
    if (seen.spelling == spelling) return true;
    if (CompareStringOrdinal(AsWide(seen.spelling), WideLength(seen.spelling), AsWide(spelling), WideLength(spelling),
                             TRUE) != CSTR_EQUAL)
        return true;
    earlier = seen.index;
    return false;
}

bool FolderHolds(const std::wstring& folder, const std::wstring& path) {
    if (path.size() < folder.size()) return false;
    int n = static_cast<int>(folder.size());
    return CompareStringOrdinal(folder.c_str(), n, path.c_str(), n, TRUE) == CSTR_EQUAL;
}
