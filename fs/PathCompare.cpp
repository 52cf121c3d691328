#include "fs/PathCompare.h"
#include "foundation/FCHandle.h"
#include "foundation/WideText.h"
#include "fs/FCPathName.h"
#include <windows.h>
#include <cstring>
#include <cwchar>
#include <vector>

namespace {
wchar_t Folded(wchar_t c) { return (c >= L'a' && c <= L'z') ? static_cast<wchar_t>(c - (L'a' - L'A')) : c; }
}  // namespace

bool FullPathName(const std::wstring& path, std::wstring& full) {
    full = ReadSystemPath([&](wchar_t* b, DWORD n) { return GetFullPathNameW(path.c_str(), n, b, nullptr); });
    return !full.empty();
}

std::wstring LongPathForm(const std::wstring& path) {
    if (path.size() < kOrdinaryPathLimit || path.compare(0, 4, L"\\\\?\\") == 0) return path;
    if (path.size() > 2 && path[1] == L':' && path[2] == L'\\') return L"\\\\?\\" + path;
    if (path.compare(0, 2, L"\\\\") == 0) return L"\\\\?\\UNC\\" + path.substr(2);
    return path;
}

std::wstring WithoutLongPrefix(const std::wstring& path) {
    if (path.compare(0, 8, L"\\\\?\\UNC\\") == 0) return L"\\\\" + path.substr(8);
    // Only a drive's: "\\?\Volume{...}\" without its prefix is no path.
    if (path.compare(0, 4, L"\\\\?\\") == 0 && path.size() >= 6 && path[5] == L':') return path.substr(4);
    return path;
}

bool IdentityOf(HANDLE file, FILE_IDENTITY_& identity) {
    BY_HANDLE_FILE_INFORMATION info;
    if (!GetFileInformationByHandle(file, &info)) return false;
    identity.volume = info.dwVolumeSerialNumber;
    identity.high = info.nFileIndexHigh;
    identity.low = info.nFileIndexLow;
    return true;
}

bool IdentityOf(const std::wstring& path, FILE_IDENTITY_& identity) {
    FCHandle file(CreateFileW(LongPathForm(path).c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                              nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
    return file.valid() && IdentityOf(file.get(), identity);
}

bool PathStartsWith(const std::wstring& path, const std::wstring& folder) {
    if (path.size() < folder.size()) return false;
    int n = static_cast<int>(folder.size());
    return n == 0 || CompareStringOrdinal(path.c_str(), n, folder.c_str(), n, TRUE) == CSTR_EQUAL;
}

// Folded as Windows folds names: every letter, full-width ones too. Most
// paths are ASCII, folded here without a call into the system.
std::string PathSet::key(const std::wstring& path) {
    std::wstring folded(path);
    bool ascii = true;
    for (wchar_t& c : folded) {
        c = Folded(c);
        ascii = ascii && c < 0x80;
    }
    if (!ascii && !folded.empty()) {
        int n = static_cast<int>(folded.size());
        LCMapStringEx(LOCALE_NAME_INVARIANT, LCMAP_UPPERCASE, path.c_str(), n, &folded[0], n, nullptr, nullptr, 0);
    }
    return std::string(reinterpret_cast<const char*>(folded.data()), folded.size() * sizeof(wchar_t));
}

bool PathSet::contains(const std::wstring& path) const { return keys_.count(key(path)) != 0; }

bool PathSet::insert(const std::wstring& path) { return keys_.insert(key(path)).second; }

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
