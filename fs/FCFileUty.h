// Directory enumeration and the removal of files and folder trees with an
// interactive, replaceable error handler.
#pragma once
#include "foundation/FCHandle.h"
#include "fs/FCPathName.h"
#include <windows.h>
#include <string>

class FCFileEnumeration {
public:
    FCFileEnumeration();
    virtual ~FCFileEnumeration();
    FCFileEnumeration(const FCFileEnumeration&) = delete;
    FCFileEnumeration& operator=(const FCFileEnumeration&) = delete;

    void setPattern(const std::wstring& text);
    bool nextEntry();
    const std::wstring& entryPath();
    void closeSearch();

    FCPathName pattern;
    std::wstring entryPathText;
    FCFindHandle findHandle;
    WIN32_FIND_DATAW findData;
    // The entry's name as Windows gives it; a folder's ends in a separator.
    std::wstring entryName;
};

class FCFileUty {
public:
    // Answers of an error handler.
    enum { ANSWER_SKIP = IDCANCEL, ANSWER_ABORT = 3, ANSWER_RETRY = IDRETRY, ANSWER_FORCE = 0x1004 };
    // Flags passed to an error handler.
    static constexpr unsigned FLAG_ALWAYS = 0x1;
    static constexpr unsigned FLAG_FILE = 0x100;
    static constexpr unsigned FLAG_FOLDER = 0x200;
    static constexpr unsigned FLAG_FORCE = 0x10000;

    typedef int (*ErrorHandler)(unsigned flags, DWORD* errorCode, const wchar_t* path, int reserved, LPARAM userValue);
    typedef void (*Progress)(int event, LPARAM value, int reserved);

    static bool remove(const std::wstring& path, bool force, Progress progress = nullptr,
                       ErrorHandler errorHandler = nullptr, LPARAM userValue = 0);
    static int removeTree(const std::wstring& path, bool& force, Progress progress, ErrorHandler errorHandler,
                          LPARAM userValue);
    static int askRemoveError(unsigned flags, DWORD* errorCode, const wchar_t* path, int reserved, LPARAM userValue);

private:
    static int removeItem(const FCPathName& name, bool isFolder, bool& force, ErrorHandler errorHandler,
                          LPARAM userValue);
};
