#include "fs/FCFile.h"
#include "foundation/WideText.h"
#include "foundation/Diagnostic.h"
#include "fs/FCPathName.h"
#include "fs/PathCompare.h"
#include <vector>

namespace {
// The path as Windows gave it, then the explanation: made in UTF-16, for a
// path Shift_JIS cannot hold.
int AskRetryCancel(const std::wstring& path, const FCString& explanation, const char* caption) {
    std::wstring text = path + FromShiftJis(explanation.text());
    return MessageBoxW(nullptr, text.c_str(), FromShiftJis(caption).c_str(),
                       MB_RETRYCANCEL | MB_TASKMODAL | MB_SETFOREGROUND);
}

const char* CommonSuffix(DWORD code) {
    switch (code) {
    case ERROR_NOT_READY: return "\nドライブの準備ができていません";
    case ERROR_GEN_FAILURE: return "\nメディアはフォーマットされていないか、準備ができていません";
    default: return nullptr;
    }
}

const char* ReadWriteSuffix(DWORD code) {
    switch (code) {
    case ERROR_SHARING_VIOLATION: return "は\n他のアプリケーションから利用されています";
    case ERROR_LOCK_VIOLATION: return "は\n他のプロセスがファイルをロックしています";
    default: return CommonSuffix(code);
    }
}

// The attributes of path made absolute as FCPathName makes a path.
bool ReadAttributes(const std::wstring& path, DWORD* attributes) {
    DWORD value = GetFileAttributesW(LongPathForm(FCPathName(path).path).c_str());
    if (value == INVALID_FILE_ATTRIBUTES) return false;
    *attributes = value;
    return true;
}
}  // namespace

FCFile::FCFile() {}

FCFile::~FCFile() { close(); }

void FCFile::close() {
    if (!isOpen()) return;
    handle.reset();
    openedName.clear();
}

void FCFile::appendOpenSuffix(FCString& text, DWORD code) {
    switch (code) {
    case ERROR_FILE_NOT_FOUND: text.append("が\n見付かりません"); return;
    case ERROR_PATH_NOT_FOUND: text.append("で\n指定されたパスが見付かりません"); return;
    case ERROR_ACCESS_DENIED: text.append("\nアクセスが拒否されました"); return;
    case ERROR_SHARING_VIOLATION: text.append("は\n他のアプリケーションによって開かれています"); return;
    case ERROR_BAD_NETPATH:
    case ERROR_BAD_NET_NAME: text.append("ネットワークドライブにアクセスできません"); return;
    case 2118: text.append("\nネットワークドライブにアクセス権がありません"); return;
    default: break;
    }
    if (const char* common = CommonSuffix(code)) {
        text.append(common);
        return;
    }
    text.append("\n未知のエラーです code:");
    text.appendNumber(code);
}

void FCFile::appendReadSuffix(FCString& text, DWORD code, HANDLE fileHandle) {
    if (code == ERROR_ACCESS_DENIED) {
        text.append("への\nアクセスは拒否されました。");
    } else if (const char* suffix = ReadWriteSuffix(code)) {
        text.append(suffix);
    } else {
        text.append("読み込みできません\nError code : ");
        text.appendNumber(code);
        text.append("\nFile handle : ");
        // The handle's value in unsigned decimal; handles fit 32 bits on both builds.
        text.appendNumber(static_cast<unsigned>(reinterpret_cast<uintptr_t>(fileHandle)));
    }
}

void FCFile::appendWriteSuffix(FCString& text, DWORD code) {
    if (code == ERROR_ACCESS_DENIED) {
        text.append("は\n読み込み専用で開かれています");
    } else if (const char* suffix = ReadWriteSuffix(code)) {
        text.append(suffix);
    } else {
        text.append("書き込みできません\nError code : ");
        text.appendNumber(code);
    }
}

DWORD FCFile::open(const std::wstring& path, DWORD creationDisposition, DWORD desiredAccess, DWORD shareMode,
                   DWORD flagsAndAttributes, bool quiet) {
    close();
    FCPathName name(path);
    openedName = path;
    if (name.hasExtension(L"lnk")) {
        FCShortcut shortcut;
        std::wstring target;
        if (shortcut.load(name.text()) && shortcut.getTarget(target, nullptr, 0)) openedName = target;
    }
    for (;;) {
        handle.reset(CreateFileW(LongPathForm(FCPathName(openedName).path).c_str(), desiredAccess, shareMode, nullptr,
                                 creationDisposition, flagsAndAttributes, nullptr));
        if (handle.valid()) return 0;
        DWORD code = GetLastError();
        if (quiet) return code;
        FCString explanation;
        appendOpenSuffix(explanation, code);
        if (AskRetryCancel(openedName, explanation, "FCFile - open") != IDRETRY)
            throw CannotOpenException("cannot open", openedName);
    }
}

DWORD FCFile::read(void* buffer, DWORD count) {
    for (;;) {
        DWORD done = 0;
        if (ReadFile(handle.get(), buffer, count, &done, nullptr)) return done;
        DWORD code = GetLastError();
        FCString explanation;
        appendReadSuffix(explanation, code, handle.get());
        if (AskRetryCancel(openedName, explanation, "FCFile - read") != IDRETRY)
            throw CannotReadException("cannot read", openedName);
    }
}

DWORD FCFile::write(const void* buffer, DWORD count) {
    for (;;) {
        DWORD done = 0;
        if (WriteFile(handle.get(), buffer, count, &done, nullptr)) return done;
        DWORD code = GetLastError();
        FCString explanation;
        appendWriteSuffix(explanation, code);
        if (AskRetryCancel(openedName, explanation, "FCFile - write") != IDRETRY)
            throw CannotWriteException("cannot write", openedName);
    }
}

FCShortcut::FCShortcut() : shellLink(nullptr), persistFile(nullptr), comInitialised_(false) {
    HRESULT hr = CoInitialize(nullptr);
    if (hr == E_OUTOFMEMORY || hr == E_INVALIDARG || hr == E_UNEXPECTED) return;
    comInitialised_ = SUCCEEDED(hr);
    if (SUCCEEDED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkW,
                                   reinterpret_cast<void**>(&shellLink))))
        shellLink->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(&persistFile));
}

FCShortcut::~FCShortcut() {
    if (persistFile != nullptr) persistFile->Release();
    if (shellLink != nullptr) shellLink->Release();
    if (comInitialised_) CoUninitialize();
}

bool FCShortcut::load(const std::wstring& path) {
    if (shellLink == nullptr || persistFile == nullptr) return false;
    if (persistFile->Load(path.c_str(), STGM_READ) != S_OK) return false;
    return shellLink->Resolve(nullptr, SLR_UPDATE | SLR_NO_UI) == S_OK;
}

bool FCShortcut::getTarget(std::wstring& out, WIN32_FIND_DATAW* findData, DWORD flags) {
    if (shellLink == nullptr) return false;
    // The link says nothing of its target's length: room for the longest
    // path Windows has.
    std::vector<wchar_t> buffer(32768, L'\0');
    WIN32_FIND_DATAW local;
    if (shellLink->GetPath(buffer.data(), static_cast<int>(buffer.size()) - 1, findData != nullptr ? findData : &local,
                           flags) != S_OK)
        return false;
    out = buffer.data();
    return true;
}

bool pathExists(const std::wstring& path, DWORD* attributes) {
    DWORD value = GetFileAttributesW(LongPathForm(path).c_str());
    if (value == INVALID_FILE_ATTRIBUTES) return false;
    if (attributes != nullptr) *attributes = value;
    return true;
}

bool IsFolder(const std::wstring& path) {
    DWORD attributes = 0;
    return pathExists(path, &attributes) && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

bool hasAnyAttribute(const std::wstring& path, DWORD mask) {
    DWORD value = 0;
    return ReadAttributes(path, &value) && (value & mask) != 0;
}

bool hasAllAttributes(const std::wstring& path, DWORD mask) {
    DWORD value = 0;
    return ReadAttributes(path, &value) && (value & mask) == mask;
}

BOOL clearAttributes(const std::wstring& path, DWORD mask) {
    DWORD value = 0;
    if (!ReadAttributes(path, &value) || (value & mask) == 0) return FALSE;
    return SetFileAttributesW(LongPathForm(FCPathName(path).path).c_str(), value & ~mask);
}

LONGLONG FCFile::seek(LONGLONG distance, DWORD method) {
    LARGE_INTEGER move, result;
    move.QuadPart = distance;
    if (!isOpen() || !SetFilePointerEx(handle.get(), move, &result, method)) return -1;
    return result.QuadPart;
}

LONGLONG FCFile::remainingBytes() {
    LONGLONG here = seek(0, FILE_CURRENT);
    LONGLONG end = seek(0, FILE_END);
    if (here < 0 || end < 0 || seek(here, FILE_BEGIN) != here) return -1;
    return end > here ? end - here : 0;
}

bool FCFile::truncate() { return isOpen() && SetEndOfFile(handle.get()) != FALSE; }
