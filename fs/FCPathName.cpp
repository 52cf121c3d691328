#include "fs/FCPathName.h"
#include "foundation/WideText.h"
#include "foundation/Diagnostic.h"
#include <shlobj.h>
#include <algorithm>
#include <cstring>
#include <vector>

namespace {
// Shell folders the tool may ask for; every other CSIDL leaves the path empty.
bool IsKnownShellFolder(int code) {
    if (code < 0 || code > 61) return false;
    static const char known[] =
        "1111111111"
        "0111101001"  // 0-19
        "1111111111"
        "1111111111"  // 20-39
        "1001011111"
        "0001111001"  // 40-59
        "01";  // 60-61
    return known[code] == '1';
}

void FreeShellItem(LPITEMIDLIST item) {
    if (item == nullptr) return;
    IMalloc* allocator = nullptr;
    if (SUCCEEDED(SHGetMalloc(&allocator)) && allocator != nullptr) {
        allocator->Free(item);
        allocator->Release();
    }
}

int CALLBACK BrowseCallback(HWND window, UINT message, LPARAM, LPARAM data) {
    if (message == BFFM_INITIALIZED) SendMessageW(window, BFFM_SETSELECTIONW, TRUE, data);
    return 0;
}
}  // namespace

FCPathName::FCPathName() { create(); }
FCPathName::FCPathName(int code) { create(code, true); }
FCPathName::FCPathName(int code, bool trailingSeparator) { create(code, trailingSeparator); }
FCPathName::FCPathName(const std::wstring& text) { create(text); }
FCPathName::FCPathName(const wchar_t* text) {
    if (text == nullptr) create();
    else create(std::wstring(text));
}
FCPathName::~FCPathName() {}

void FCPathName::create(const FCPathName& relative) {
    std::wstring tail(relative.path);  // relative may be this object
    create();
    path += tail;
}

void FCPathName::create(const std::wstring& text) {
    if (text.size() >= 2 && text[0] == L'%' && text[1] == L':') {
        path = cdromDrive() + text.substr(2);
        return;
    }
    std::wstring given(text);  // text may be this path
    auto separator = [&](size_t i) { return given.size() > i && (given[i] == L'\\' || given[i] == L'/'); };
    if (separator(0) && separator(1)) {
        path = given;  // a share, or a long or device path, which is never relative
    } else if (given.size() >= 2 && given[1] == L':' && !separator(2)) {
        // "C:x": below that drive's current folder, not this one's.
        path = ReadSystemPath(
            [&](wchar_t* b, DWORD n) { return GetFullPathNameW(given.substr(0, 2).c_str(), n, b, nullptr); });
        if (path.empty()) path = given.substr(0, 2);
        addSeparator();
        path += given.substr(2);
    } else if (given.size() >= 2 && given[1] == L':') {
        path = given;
    } else if (separator(0)) {
        // "\x": below the root of the current folder's drive or share.
        path = ReadSystemPath([](wchar_t* b, DWORD n) { return GetFullPathNameW(L"\\", n, b, nullptr); });
        addSeparator();
        path += given.substr(1);
    } else {
        create();
        path += given;
    }
}

void FCPathName::create() {
    std::wstring folder = ReadSystemPath([](wchar_t* b, DWORD n) { return GetCurrentDirectoryW(n, b); });
    if (folder.empty()) {
        reportLastError("FCPathName - create()");
        return;
    }
    path = folder;
    addSeparator();
}

void FCPathName::create(int code) { create(code, true); }

void FCPathName::create(int code, bool trailingSeparator) {
    path.clear();
    switch (code) {
    case PATH_MODULE_FILE:
    case PATH_MODULE_FOLDER: {
        path = ModulePath();
        if (code == PATH_MODULE_FILE || path.empty()) return;
        std::wstring folder;
        getFolder(folder, trailingSeparator);
        path = folder;
        return;
    }
    case PATH_CURRENT:
    case 30589:
    case 30590:
    case 30591:
    case 30592: create(); return;
    case PATH_WINDOWS: path = ReadSystemPath([](wchar_t* b, DWORD n) { return GetWindowsDirectoryW(b, n); }); break;
    case PATH_SYSTEM: path = ReadSystemPath([](wchar_t* b, DWORD n) { return GetSystemDirectoryW(b, n); }); break;
    case PATH_TEMP: path = TemporaryFolder(); break;
    default:
        if (IsKnownShellFolder(code)) createShellFolder(code, trailingSeparator);
        return;
    }
    if (!path.empty() && trailingSeparator) addSeparator();
}

void FCPathName::createShellFolder(int csidl, bool trailingSeparator) {
    LPITEMIDLIST item = nullptr;
    if (FAILED(SHGetSpecialFolderLocation(nullptr, csidl, &item)) || item == nullptr) return;
    // The call writes at most MAX_PATH units: it fixes the buffer.
    wchar_t buffer[MAX_PATH + 2] = L"";
    if (SHGetPathFromIDListW(item, buffer)) {
        path = buffer;
        if (trailingSeparator) addSeparator();
    }
    FreeShellItem(item);
}

bool FCPathName::needsSeparator() const {
    // A one-unit path, a lone backslash included, counts as not ending in one.
    return path.size() <= 1 || path.back() != L'\\';
}

void FCPathName::addSeparator() {
    if (needsSeparator()) path += L'\\';
}

void FCPathName::getFolder(std::wstring& out, bool keepSeparator) const {
    size_t last = path.size() > 1 ? path.rfind(L'\\') : std::wstring::npos;
    if (last == std::wstring::npos || last == 0) return;
    out = path.substr(0, keepSeparator ? last + 1 : last);
}

const wchar_t* FCPathName::fileName() const {
    size_t last = path.rfind(L'\\');
    return path.c_str() + (last == std::wstring::npos ? 0 : last + 1);
}

bool FCPathName::hasExtension(const wchar_t* extension) const {
    if (extension == nullptr || path.empty() || !needsSeparator()) return false;
    size_t last = path.rfind(L'\\');
    size_t dot = path.rfind(L'.');
    if (last == std::wstring::npos || dot == std::wstring::npos || dot < last) return false;
    auto lower = [](wchar_t c) { return c >= L'A' && c <= L'Z' ? static_cast<wchar_t>(c + (L'a' - L'A')) : c; };
    std::wstring found = path.substr(dot + 1), wanted = extension;
    for (wchar_t& c : found) c = lower(c);
    for (wchar_t& c : wanted) c = lower(c);
    return found == wanted;
}

void FCPathName::getRoot(std::wstring& out) const {
    static const std::wstring kLong = L"\\\\?\\", kLongShare = L"\\\\?\\UNC\\";
    bool longShare = path.compare(0, kLongShare.size(), kLongShare) == 0;
    if (!longShare && path.compare(0, kLong.size(), kLong) == 0) {
        out = kLong + path.substr(kLong.size(), 1) + L":\\";
        return;
    }
    if (!longShare && (path.empty() || path[0] != L'\\')) {
        out = path.substr(0, 1) + L":\\";
        return;
    }
    // A share: past the server, then the share's name.
    size_t share = path.find(L'\\', longShare ? kLongShare.size() : 2);
    size_t end = share == std::wstring::npos ? share : path.find(L'\\', share + 1);
    out = end == std::wstring::npos ? path : path.substr(0, end + 1);
}

std::wstring FCPathName::cdromDrive() {
    static wchar_t drive[3] = L"";  // found once, kept for the process
    if (drive[0] != L'\0') return drive;
    DWORD mask = GetLogicalDrives();
    for (int i = 0; i < 26; ++i) {
        if ((mask & (1u << i)) == 0) continue;
        wchar_t root[4] = {static_cast<wchar_t>(L'A' + i), L':', L'\\', L'\0'};
        if (GetDriveTypeW(root) == DRIVE_CDROM) {
            drive[0] = root[0];
            drive[1] = L':';
            break;
        }
    }
    return drive;
}

bool BrowseForFolder(HWND owner, int rootFolder, const char* title, UINT flags, const std::wstring& initial,
                     std::wstring& chosen) {
    LPITEMIDLIST root = nullptr;
    if (FAILED(SHGetSpecialFolderLocation(owner, rootFolder, &root)) || root == nullptr) return false;
    std::wstring shownTitle = FromShiftJis(title);
    // The browser writes a display name of at most MAX_PATH units, and the
    // path of what was picked likewise: the calls fix those buffers.
    wchar_t display[MAX_PATH] = L"", picture[MAX_PATH + 2] = L"";
    BROWSEINFOW info = {};
    info.hwndOwner = owner;
    info.pidlRoot = root;
    info.pszDisplayName = display;
    info.lpszTitle = shownTitle.c_str();
    info.ulFlags = flags;
    info.lpfn = BrowseCallback;
    info.lParam = reinterpret_cast<LPARAM>(initial.c_str());
    LPITEMIDLIST picked = SHBrowseForFolderW(&info);
    bool taken = picked != nullptr && SHGetPathFromIDListW(picked, picture);
    if (taken) {
        chosen = picture;
        if (chosen.empty() || chosen.back() != L'\\') chosen += L'\\';
    }
    FreeShellItem(root);
    FreeShellItem(picked);
    return taken;
}

std::wstring ReadSystemPath(PathQuery query, void* object) {
    std::vector<wchar_t> buffer(MAX_PATH + 1);
    // 32,767 units is the longest path Windows has: a few tries reach it,
    // even when the path changes between two asks.
    for (int tries = 0; tries < 8; ++tries) {
        DWORD n = query(object, buffer.data(), static_cast<DWORD>(buffer.size()));
        if (n == 0) return std::wstring();
        if (n < buffer.size()) return std::wstring(buffer.data(), n);
        // The size it needs, or (the module's name) the whole buffer, cut.
        if (buffer.size() > 65536) return std::wstring();
        buffer.assign(std::max<size_t>(n + 1, buffer.size() * 2), L'\0');
    }
    return std::wstring();
}

std::wstring ModulePath() {
    return ReadSystemPath([](wchar_t* b, DWORD n) { return GetModuleFileNameW(nullptr, b, n); });
}

std::wstring TemporaryFolder() {
    std::wstring folder = ReadSystemPath([](wchar_t* b, DWORD n) { return GetTempPathW(n, b); });
    for (const wchar_t* name : {L"TMP", L"TEMP"}) {
        if (!folder.empty()) break;
        std::wstring value = ReadSystemPath([&](wchar_t* b, DWORD n) { return GetEnvironmentVariableW(name, b, n); });
        if (!value.empty())
            folder =
                ReadSystemPath([&](wchar_t* b, DWORD n) { return GetFullPathNameW(value.c_str(), n, b, nullptr); });
    }
    if (!folder.empty() && folder.back() != L'\\') folder += L'\\';
    return folder;
}

std::wstring CurrentFolder() {
    std::wstring folder = ReadSystemPath([](wchar_t* b, DWORD n) { return GetCurrentDirectoryW(n, b); });
    if (!folder.empty() && folder.back() != L'\\') folder += L'\\';
    return folder;
}

std::wstring AbsolutePath(const std::wstring& text) { return FCPathName(DevicePathAsDrive(text)).path; }

namespace {
// The drive a volume's name ("\\?\Volume{GUID}\") is mounted as, "X:\";
// empty when it has none.
std::wstring DriveOfVolume(const std::wstring& volume) {
    std::vector<wchar_t> names(MAX_PATH);
    DWORD needed = 0;
    for (int tries = 0; tries < 4; ++tries) {
        if (GetVolumePathNamesForVolumeNameW(volume.c_str(), names.data(), static_cast<DWORD>(names.size()), &needed))
            break;
        if (GetLastError() != ERROR_MORE_DATA || needed <= names.size()) return std::wstring();
        names.assign(needed, L'\0');
    }
    // A list of zero-terminated names, the first a drive where it has one.
    for (const wchar_t* name = names.data(); *name != L'\0'; name += lstrlenW(name) + 1) {
        if (lstrlenW(name) == 3 && name[1] == L':' && name[2] == L'\\') return name;
    }
    return std::wstring();
}

bool StartsWithNoCase(const std::wstring& text, size_t at, const wchar_t* prefix) {
    int n = lstrlenW(prefix);
    return text.size() >= at + n && CompareStringOrdinal(text.c_str() + at, n, prefix, n, TRUE) == CSTR_EQUAL;
}
}  // namespace

std::wstring DevicePathAsDrive(const std::wstring& text) {
    bool longForm = text.compare(0, 4, L"\\\\?\\") == 0, device = text.compare(0, 4, L"\\\\.\\") == 0;
    if (!longForm && !device) return text;
    std::wstring body = text.substr(4);
    if (longForm && StartsWithNoCase(body, 0, L"UNC\\")) return L"\\\\" + body.substr(4);
    bool letter = body.size() >= 2 && body[1] == L':' && ((body[0] | 0x20) >= L'a' && (body[0] | 0x20) <= L'z');
    if (letter && (body.size() == 2 || body[2] == L'\\')) return body.size() == 2 ? body + L"\\" : body;
    if (!StartsWithNoCase(body, 0, L"Volume{")) return text;
    size_t end = text.find(L'\\', 4);
    std::wstring drive = DriveOfVolume(end == std::wstring::npos ? text + L"\\" : text.substr(0, end + 1));
    if (drive.empty()) return text;
    return end == std::wstring::npos ? drive : drive + text.substr(end + 1);
}

std::wstring SystemFolder(int code) {
    std::wstring folder;
    if (code == FCPathName::PATH_WINDOWS) {
        folder = ReadSystemPath([](wchar_t* b, DWORD n) { return GetWindowsDirectoryW(b, n); });
    } else {
        // The call writes at most MAX_PATH units: it fixes the buffer.
        wchar_t buffer[MAX_PATH + 2] = L"";
        if (FAILED(SHGetFolderPathW(nullptr, code, nullptr, SHGFP_TYPE_CURRENT, buffer))) return std::wstring();
        folder = buffer;
    }
    while (folder.size() > 3 && folder.back() == L'\\') folder.pop_back();
    return folder;
}

std::wstring FolderOf(const std::wstring& path) { return path.substr(0, path.rfind(L'\\') + 1); }
std::wstring NameOf(const std::wstring& path) { return path.substr(path.rfind(L'\\') + 1); }
