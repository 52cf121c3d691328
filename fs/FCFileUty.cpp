#include "fs/FCFileUty.h"
#include "foundation/WideText.h"
#include "foundation/Diagnostic.h"
#include "fs/FCFile.h"
#include "fs/PathCompare.h"
#include <string>
#include <cstring>
#include <cwchar>

namespace {
const char* const kRemoveTitle = "FCFileUty - remove";

// The path as Windows gave it, then the explanation (Shift_JIS).
int Ask(const std::wstring& path, const char* explanation, UINT buttons) {
    std::wstring text = path + FromShiftJis(explanation);
    return MessageBoxW(nullptr, text.c_str(), FromShiftJis(kRemoveTitle).c_str(),
                       buttons | MB_TASKMODAL | MB_SETFOREGROUND);
}
}  // namespace

FCFileEnumeration::FCFileEnumeration() : findData() {}

FCFileEnumeration::~FCFileEnumeration() { closeSearch(); }

void FCFileEnumeration::setPattern(const std::wstring& text) {
    closeSearch();
    pattern.create(text);
}

void FCFileEnumeration::closeSearch() { findHandle.reset(); }

bool FCFileEnumeration::nextEntry() {
    for (;;) {
        if (!findHandle.valid()) {
            findHandle.reset(FindFirstFileW(LongPathForm(pattern.text()).c_str(), &findData));
            if (!findHandle.valid()) return false;
        } else if (!FindNextFileW(findHandle.get(), &findData)) {
            return false;
        }
        // Only the folder itself and its parent are passed over: a name
        // that merely begins with a dot (".config") is an entry like any.
        const wchar_t* name = findData.cFileName;
        bool self = name[0] == L'.' && (name[1] == L'\0' || (name[1] == L'.' && name[2] == L'\0'));
        if (!self) break;
    }
    entryName = findData.cFileName;
    if ((findData.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0) entryName += L'\\';
    return true;
}

const std::wstring& FCFileEnumeration::entryPath() {
    entryPathText.clear();
    pattern.getFolder(entryPathText, true);
    entryPathText += entryName;
    return entryPathText;
}

bool FCFileUty::remove(const std::wstring& path, bool force, Progress progress, ErrorHandler errorHandler,
                       LPARAM userValue) {
    if (progress != nullptr) progress(1, reinterpret_cast<LPARAM>(path.c_str()), 0);
    bool forced = force;
    bool ok = removeTree(path, forced, progress, errorHandler, userValue) == 0;
    if (progress != nullptr) progress(2, ok ? 1 : 0, 0);
    return ok;
}

int FCFileUty::removeTree(const std::wstring& path, bool& force, Progress progress, ErrorHandler errorHandler,
                          LPARAM userValue) {
    if (path.empty()) return -1;
    if (errorHandler == nullptr) errorHandler = askRemoveError;
    FCPathName name(path);
    if (name.needsSeparator()) return removeItem(name, false, force, errorHandler, userValue);

    FCFileEnumeration entries;
    entries.setPattern(name.path + L"*.*");
    while (entries.nextEntry()) {
        std::wstring child(entries.entryPath());
        if (removeTree(child, force, progress, errorHandler, userValue) == ANSWER_ABORT) return ANSWER_ABORT;
    }
    entries.closeSearch();
    return removeItem(name, true, force, errorHandler, userValue);
}

int FCFileUty::removeItem(const FCPathName& name, bool isFolder, bool& force, ErrorHandler errorHandler,
                          LPARAM userValue) {
    for (;;) {
        if (force) clearAttributes(name.text(), FILE_ATTRIBUTE_READONLY);
        std::wstring path = LongPathForm(name.text());
        BOOL removed = isFolder ? RemoveDirectoryW(path.c_str()) : DeleteFileW(path.c_str());
        if (removed) return 0;
        DWORD code = GetLastError();
        unsigned flags = FLAG_ALWAYS | (isFolder ? FLAG_FOLDER : FLAG_FILE) | (force ? FLAG_FORCE : 0u);
        int answer = errorHandler(flags, &code, name.text().c_str(), 0, userValue);
        if (answer == ANSWER_FORCE) {
            force = true;
        } else if (answer != ANSWER_RETRY) {
            return answer;
        }
    }
}

int FCFileUty::askRemoveError(unsigned flags, DWORD* errorCode, const wchar_t* path, int, LPARAM) {
    DWORD code = errorCode != nullptr ? *errorCode : 0;
    FCString number;
    number.appendNumber(code);
    std::wstring name(path != nullptr ? path : L"");
    switch (code) {
    case ERROR_FILE_NOT_FOUND:
    case ERROR_PATH_NOT_FOUND:
    case ERROR_BAD_NETPATH:
    case ERROR_BAD_NET_NAME:
        Ask(name, (std::string(" が\n見つかりません。削除を中断します。error code: ") + number.text()).c_str(), MB_OK);
        return ANSWER_ABORT;
    case ERROR_ACCESS_DENIED:
        if ((flags & FLAG_FORCE) != 0 || !hasAllAttributes(name, FILE_ATTRIBUTE_READONLY)) {
            Ask(name, " への\nアクセスが拒否されました。削除を中止します。", MB_OK);
            return ANSWER_ABORT;
        }
        if (Ask(name, " は\n読み込み専用です。強制削除を試みますか？", MB_YESNO) == IDYES) return ANSWER_FORCE;
        return Ask(std::wstring(), "削除処理を中断しますか？", MB_YESNO) == IDYES ? ANSWER_ABORT : ANSWER_SKIP;
    case ERROR_SHARING_VIOLATION:
        return Ask(name, " は\n他のアプリケーションで利用されているため削除できません。", MB_RETRYCANCEL) == IDRETRY
                   ? ANSWER_RETRY
                   : ANSWER_SKIP;
    case ERROR_DIR_NOT_EMPTY:
        return Ask(name, " は\n空ではありません。処理を中断しますか？", MB_YESNO) == IDYES ? ANSWER_ABORT : ANSWER_SKIP;
    default:
        Ask(name, (std::string(" の\n削除に失敗しました。削除を中断します。\nerror code: ") + number.text()).c_str(),
            MB_OK);
        return ANSWER_ABORT;
    }
}
