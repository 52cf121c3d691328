#include "fs/FCFileUty.h"
#include "foundation/WideText.h"
#include "foundation/Diagnostic.h"
#include "fs/FCFile.h"
#include <cstring>
#include <cwchar>

namespace {
const char* const kRemoveTitle = "FCFileUty - remove";

int Ask(const FCString& text, UINT buttons) { return ShowFoundationBox(text.text(), kRemoveTitle, buttons); }
}  // namespace

FCFileEnumeration::FCFileEnumeration() : findData() {}

FCFileEnumeration::~FCFileEnumeration() { closeSearch(); }

void FCFileEnumeration::setPattern(const char* text) {
    closeSearch();
    pattern.create(text);
}

void FCFileEnumeration::closeSearch() { findHandle.reset(); }

bool FCFileEnumeration::nextEntry() {
    for (;;) {
        if (!findHandle.valid()) {
            findHandle.reset(FindFirstFileW(Wide932(pattern.text()).data(), &findData));
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
    entryName = ShiftJisKeepingWide(findData.cFileName, std::wcslen(findData.cFileName));
    if ((findData.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0) entryName += '\\';
    return true;
}

const FCString& FCFileEnumeration::entryPath() {
    entryPathText.clear();
    pattern.getFolder(entryPathText, true);
    entryPathText.append(entryName.c_str());
    return entryPathText;
}

bool FCFileUty::remove(const char* path, bool force, Progress progress, ErrorHandler errorHandler, LPARAM userValue) {
    if (progress != nullptr) progress(1, reinterpret_cast<LPARAM>(path), 0);
    bool forced = force;
    bool ok = removeTree(path, forced, progress, errorHandler, userValue) == 0;
    if (progress != nullptr) progress(2, ok ? 1 : 0, 0);
    return ok;
}

int FCFileUty::removeTree(const char* path, bool& force, Progress progress, ErrorHandler errorHandler,
                          LPARAM userValue) {
    if (path == nullptr) return -1;
    if (errorHandler == nullptr) errorHandler = askRemoveError;
    FCPathName name(path);
    if (name.needsSeparator()) return removeItem(name, false, force, errorHandler, userValue);

    FCFileEnumeration entries;
    FCString pattern(name.path);
    pattern.append("*.*");
    entries.setPattern(pattern.text());
    while (entries.nextEntry()) {
        FCString child(entries.entryPath());
        if (removeTree(child.text(), force, progress, errorHandler, userValue) == ANSWER_ABORT) return ANSWER_ABORT;
    }
    entries.closeSearch();
    return removeItem(name, true, force, errorHandler, userValue);
}

int FCFileUty::removeItem(const FCPathName& name, bool isFolder, bool& force, ErrorHandler errorHandler,
                          LPARAM userValue) {
    for (;;) {
        if (force) clearAttributes(name.text(), FILE_ATTRIBUTE_READONLY);
        BOOL removed =
            isFolder ? RemoveDirectoryW(Wide932(name.text()).data()) : DeleteFileW(Wide932(name.text()).data());
        if (removed) return 0;
        DWORD code = GetLastError();
        unsigned flags = FLAG_ALWAYS | (isFolder ? FLAG_FOLDER : FLAG_FILE) | (force ? FLAG_FORCE : 0u);
        int answer = errorHandler(flags, &code, name.text(), 0, userValue);
        if (answer == ANSWER_FORCE) {
            force = true;
        } else if (answer != ANSWER_RETRY) {
            return answer;
        }
    }
}

int FCFileUty::askRemoveError(unsigned flags, DWORD* errorCode, const char* path, int, LPARAM) {
    DWORD code = errorCode != nullptr ? *errorCode : 0;
    FCString text(path);
    switch (code) {
    case ERROR_FILE_NOT_FOUND:
    case ERROR_PATH_NOT_FOUND:
    case ERROR_BAD_NETPATH:
    case ERROR_BAD_NET_NAME:
        text.append(" が\n見つかりません。削除を中断します。error code: ");
        text.appendNumber(code);
        Ask(text, MB_OK);
        return ANSWER_ABORT;
    case ERROR_ACCESS_DENIED:
        if ((flags & FLAG_FORCE) != 0 || !hasAllAttributes(path, FILE_ATTRIBUTE_READONLY)) {
            text.append(" への\nアクセスが拒否されました。削除を中止します。");
            Ask(text, MB_OK);
            return ANSWER_ABORT;
        }
        text.append(" は\n読み込み専用です。強制削除を試みますか？");
        if (Ask(text, MB_YESNO) == IDYES) return ANSWER_FORCE;
        return Ask(FCString("削除処理を中断しますか？"), MB_YESNO) == IDYES ? ANSWER_ABORT : ANSWER_SKIP;
    case ERROR_SHARING_VIOLATION:
        text.append(" は\n他のアプリケーションで利用されているため削除できません。");
        return Ask(text, MB_RETRYCANCEL) == IDRETRY ? ANSWER_RETRY : ANSWER_SKIP;
    case ERROR_DIR_NOT_EMPTY:
        text.append(" は\n空ではありません。処理を中断しますか？");
        return Ask(text, MB_YESNO) == IDYES ? ANSWER_ABORT : ANSWER_SKIP;
    default:
        text.append(" の\n削除に失敗しました。削除を中断します。\nerror code: ");
        text.appendNumber(code);
        Ask(text, MB_OK);
        return ANSWER_ABORT;
    }
}
