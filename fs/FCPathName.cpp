#include "fs/FCPathName.h"
#include "foundation/WideText.h"
#include "foundation/Diagnostic.h"
#include "foundation/Mbcs.h"
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

UINT WINAPI TempPathQuery(LPWSTR buffer, UINT size) { return GetTempPathW(size, buffer); }

int CALLBACK BrowseCallback(HWND window, UINT message, LPARAM, LPARAM data) {
    if (message == BFFM_INITIALIZED) SendMessageW(window, BFFM_SETSELECTIONW, TRUE, data);
    return 0;
}
}  // namespace

FCPathName::FCPathName() {
    path.create(512, nullptr);
    create();
}
FCPathName::FCPathName(int code) {
    path.create(512, nullptr);
    create(code, true);
}
FCPathName::FCPathName(int code, bool trailingSeparator) {
    path.create(512, nullptr);
    create(code, trailingSeparator);
}
FCPathName::FCPathName(const char* text) {
    path.create(512, nullptr);
    create(text);
}
FCPathName::FCPathName(const FCString& text) {
    path.create(512, nullptr);
    create(text.text());
}
FCPathName::~FCPathName() {}

void FCPathName::create(const FCPathName& relative) {
    FCString tail(relative.path);  // relative may be this object
    create();
    path.append(tail);
    path.cursor = const_cast<char*>(path.text());
}

void FCPathName::create(const FCString& text) {
    FCString copy(text);
    create(copy.text());
}

void FCPathName::create(const char* text) {
    if (text == nullptr) {
        create();
        return;
    }
    if (text[0] == '%' && text[1] == ':') {
        FCString joined(cdromDrive());
        joined.append(text + 2);
        path.create(FCString::DEFAULT_BLOCK, joined.text());
        return;
    }
    if ((text[0] == '\\' && text[1] == '\\') || (text[0] != '\0' && text[1] == ':')) {
        path.create(FCString::DEFAULT_BLOCK, text);
        return;
    }
    FCString tail(text);  // text may point into the path itself
    create();
    path.append(tail);
    path.cursor = const_cast<char*>(path.text());
}

void FCPathName::create() {
    wchar_t buffer[CURRENT_BUFFER];
    DWORD n = GetCurrentDirectoryW(CURRENT_BUFFER, buffer);
    if (n == 0 || n >= CURRENT_BUFFER) {
        if (n != 0) SetLastError(ERROR_FILENAME_EXCED_RANGE);
        reportLastError("FCPathName - create()");
        return;
    }
    path.create(FCString::DEFAULT_BLOCK, ShiftJisKeepingWide(buffer).c_str());
    addSeparator();
}

void FCPathName::create(int code) { create(code, true); }

void FCPathName::create(int code, bool trailingSeparator) {
    path.create(FCString::DEFAULT_BLOCK, nullptr);
    switch (code) {
    case PATH_MODULE_FILE:
    case PATH_MODULE_FOLDER: {
        wchar_t buffer[MODULE_BUFFER];
        DWORD n = GetModuleFileNameW(nullptr, buffer, MODULE_BUFFER);
        if (n == 0 || n >= MODULE_BUFFER) return;  // failed or cut short
        create(ShiftJisKeepingWide(buffer).c_str());
        if (code == PATH_MODULE_FOLDER) {
            FCString folder;
            getFolder(folder, trailingSeparator);
            path.create(FCString::DEFAULT_BLOCK, folder.text());
        }
        return;
    }
    case PATH_CURRENT: create(); return;
    case PATH_WINDOWS: createFromDirectory(GetWindowsDirectoryW, trailingSeparator); return;
    case PATH_SYSTEM: createFromDirectory(GetSystemDirectoryW, trailingSeparator); return;
    case PATH_TEMP: createFromDirectory(TempPathQuery, trailingSeparator); return;
    case 30589:
    case 30590:
    case 30591:
    case 30592: create(); return;
    default:
        if (IsKnownShellFolder(code)) createShellFolder(code, trailingSeparator);
        return;
    }
}

void FCPathName::createFromDirectory(UINT(WINAPI* query)(LPWSTR, UINT), bool trailingSeparator) {
    wchar_t buffer[MODULE_BUFFER];
    UINT n = query(buffer, MODULE_BUFFER);
    if (n == 0 || n >= MODULE_BUFFER) return;
    create(ShiftJisKeepingWide(buffer).c_str());
    if (trailingSeparator) addSeparator();
}

void FCPathName::createShellFolder(int csidl, bool trailingSeparator) {
    LPITEMIDLIST item = nullptr;
    if (FAILED(SHGetSpecialFolderLocation(nullptr, csidl, &item)) || item == nullptr) return;
    wchar_t buffer[MAX_PATH + 2] = L"";
    if (SHGetPathFromIDListW(item, buffer)) {
        create(ShiftJisKeepingWide(buffer).c_str());
        if (trailingSeparator) addSeparator();
    }
    FreeShellItem(item);
}

bool FCPathName::needsSeparator() {
    bool needs = path.seek(-1, FCString::SEEK_FROM_END) != '\\';
    path.cursor = const_cast<char*>(path.text());
    return needs;
}

void FCPathName::addSeparator() {
    if (needsSeparator()) path.append("\\");
    path.cursor = const_cast<char*>(path.text());
}

const char* FCPathName::lastSeparatorAfterFirstByte() {
    if (path.isEmpty()) return nullptr;
    path.cursor = const_cast<char*>(Mbcs::Next(path.text()));
    const char* last = path.findLastAnyOf("\\");
    path.cursor = const_cast<char*>(path.text());
    return last;
}

void FCPathName::getFolder(FCString& out, bool keepSeparator) {
    const char* last = lastSeparatorAfterFirstByte();
    if (last == nullptr) return;
    FCString source(path);  // out may be this path
    if (keepSeparator) source.mid(out, source.text(), last);
    else source.mid(out, source.text(), last - 1);
}

const char* FCPathName::fileName() {
    path.cursor = const_cast<char*>(path.text());
    const char* last = path.findLastAnyOf("\\");
    path.cursor = const_cast<char*>(path.text());
    return last != nullptr ? last + 1 : path.text();
}

bool FCPathName::hasExtension(const char* extension) {
    if (extension == nullptr || path.isEmpty() || !needsSeparator()) return false;
    path.cursor = const_cast<char*>(path.text());
    const char* last = path.findLastAnyOf("\\");
    if (last == nullptr) return false;
    path.cursor = const_cast<char*>(last);
    const char* dot = path.findLastAnyOf(".");
    if (dot == nullptr) return false;
    FCString found(dot + 1);
    FCString wanted(extension);
    found.toLower();
    wanted.toLower();
    return found.equals(wanted);
}

void FCPathName::getRoot(FCString& out) {
    char* saved = path.cursor;
    FCString source(path);
    source.mid(out, source.text(), source.text());
    if (std::strcmp(out.text(), "\\") != 0) out.append(":\\");
    if (source.text()[0] == '\\') {
        source.cursor = const_cast<char*>(source.text());
        for (int i = 0; i < 3; ++i) {
            if (source.findChar('\\') == nullptr) break;
            source.nextChar();
        }
        const char* shareEnd = source.findChar('\\');
        if (shareEnd != nullptr) source.mid(out, source.text(), shareEnd);
        else out.assignFrom(source.text());
    }
    path.cursor = saved;
}

bool FCPathName::prepareBrowseBuffer(wchar_t* buffer, const std::wstring& initial) {
    std::memset(buffer, 0, BROWSE_BUFFER * sizeof(wchar_t));
    if (initial.size() > BROWSE_INITIAL_MAX) return false;
    std::memcpy(buffer, initial.data(), initial.size() * sizeof(wchar_t));
    return true;
}

bool BrowseForFolder(HWND owner, int rootFolder, const char* title, UINT flags, const std::wstring& initial,
                     std::wstring& chosen) {
    LPITEMIDLIST root = nullptr;
    if (FAILED(SHGetSpecialFolderLocation(owner, rootFolder, &root)) || root == nullptr) return false;
    wchar_t selection[FCPathName::BROWSE_BUFFER];
    FCPathName::prepareBrowseBuffer(selection, initial);
    std::vector<wchar_t> shownTitle = Wide932(title);
    wchar_t display[MAX_PATH] = L"", picture[MAX_PATH + 2] = L"";
    BROWSEINFOW info = {};
    info.hwndOwner = owner;
    info.pidlRoot = root;
    info.pszDisplayName = display;
    info.lpszTitle = shownTitle.data();
    info.ulFlags = flags;
    info.lpfn = BrowseCallback;
    info.lParam = reinterpret_cast<LPARAM>(selection);
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

std::wstring AbsolutePath(const std::wstring& text) {
    if (text.size() >= 2 && text[0] == L'%' && text[1] == L':')
        return std::wstring(Wide932(FCPathName::cdromDrive()).data()) + text.substr(2);
    if ((text.size() >= 2 && text[0] == L'\\' && text[1] == L'\\') || (text.size() >= 2 && text[1] == L':'))
        return text;
    return CurrentFolder() + text;
}

std::wstring SystemFolder(int code) {
    wchar_t buffer[MAX_PATH + 2] = L"";
    if (code == FCPathName::PATH_WINDOWS) {
        UINT n = GetWindowsDirectoryW(buffer, MAX_PATH + 2);
        if (n == 0 || n >= MAX_PATH + 2) return std::wstring();
    } else if (FAILED(SHGetFolderPathW(nullptr, code, nullptr, SHGFP_TYPE_CURRENT, buffer))) {
        return std::wstring();
    }
    std::wstring folder(buffer);
    while (folder.size() > 3 && folder.back() == L'\\') folder.pop_back();
    return folder;
}

const char* FCPathName::cdromDrive() {
    static char drive[3] = "";
    if (drive[0] != '\0') return drive;
    DWORD mask = GetLogicalDrives();
    for (int i = 0; i < 26; ++i) {
        if ((mask & (1u << i)) == 0) continue;
        char root[4] = {static_cast<char>('A' + i), ':', '\\', '\0'};
        if (GetDriveTypeW(Wide932(root).data()) == DRIVE_CDROM) {
            drive[0] = root[0];
            drive[1] = ':';
            drive[2] = '\0';
            break;
        }
    }
    return drive;
}
