// FCFile: a file handle whose open, read and write report failures in a
// Retry/Cancel box and throw when the user gives up; FCShortcut resolves
// .lnk files; the attribute functions are the system's existence tests.
#pragma once
#include "foundation/FCHandle.h"
#include "foundation/FCString.h"
#include <windows.h>
#include <shlobj.h>
#include <string>

class FCFile {
public:
    FCFile();
    virtual ~FCFile();
    FCFile(const FCFile&) = delete;
    FCFile& operator=(const FCFile&) = delete;

    // 0 on success. Without quiet a failure asks Retry/Cancel and Cancel
    // throws CannotOpenException; with quiet the error code comes back. A
    // path ending in .lnk opens the shortcut's target.
    DWORD open(const std::wstring& path, DWORD creationDisposition, DWORD desiredAccess, DWORD shareMode,
               DWORD flagsAndAttributes, bool quiet);
    void close();
    DWORD read(void* buffer, DWORD count);
    DWORD write(const void* buffer, DWORD count);
    bool isOpen() const { return handle.valid(); }
    // The file pointer moved (FILE_BEGIN, FILE_CURRENT, FILE_END): the new
    // position, or -1.
    LONGLONG seek(LONGLONG distance, DWORD method);
    // The bytes from the file pointer to the end (the pointer stays), or -1.
    LONGLONG remainingBytes();
    // Cuts the file at the file pointer.
    bool truncate();

    // The texts appended to the path in the failure boxes (Shift_JIS).
    static void appendOpenSuffix(FCString& text, DWORD code);
    static void appendReadSuffix(FCString& text, DWORD code, HANDLE handle);
    static void appendWriteSuffix(FCString& text, DWORD code);

    FCHandle handle;
    std::wstring openedName;
};

class FCShortcut {
public:
    FCShortcut();
    virtual ~FCShortcut();
    FCShortcut(const FCShortcut&) = delete;
    FCShortcut& operator=(const FCShortcut&) = delete;

    bool load(const std::wstring& path);
    bool getTarget(std::wstring& out, WIN32_FIND_DATAW* findData, DWORD flags);

    IShellLinkW* shellLink;
    IPersistFile* persistFile;

private:
    bool comInitialised_;
};

bool pathExists(const std::wstring& path, DWORD* attributes = nullptr);
bool hasAnyAttribute(const std::wstring& path, DWORD mask);
bool hasAllAttributes(const std::wstring& path, DWORD mask);
BOOL clearAttributes(const std::wstring& path, DWORD mask);
bool IsFolder(const std::wstring& path);
