// FCPathName: one absolute path text made from a relative or absolute text,
// the current directory, the executable, system folders or shell folders.
#pragma once
#include "foundation/FCString.h"
#include <string>
#include <windows.h>

class FCPathName {
public:
    enum {
        PATH_MODULE_FILE = 30583,
        PATH_MODULE_FOLDER = 30584,
        PATH_CURRENT = 30585,
        PATH_WINDOWS = 30586,
        PATH_SYSTEM = 30587,
        PATH_TEMP = 30588,
    };
    // Buffer sizes of the system calls behind the special codes.
    enum { MODULE_BUFFER = 262, CURRENT_BUFFER = 260, BROWSE_BUFFER = 522, BROWSE_INITIAL_MAX = 520 };

    FCPathName();
    explicit FCPathName(int code);
    FCPathName(int code, bool trailingSeparator);
    explicit FCPathName(const char* text);
    explicit FCPathName(const FCString& text);
    virtual ~FCPathName();

    virtual void create(const FCPathName& relative);
    virtual void create(const FCString& text);
    virtual void create(const char* text);
    virtual void create(int code, bool trailingSeparator);
    virtual void create(int code);
    virtual void create();

    bool needsSeparator();
    void addSeparator();
    void getFolder(FCString& out, bool keepSeparator);
    const char* fileName();
    bool hasExtension(const char* extension);
    void getRoot(FCString& out);
    static const char* cdromDrive();

    // Copies the initial folder into the browser's buffer of BROWSE_BUFFER
    // units when it fits (at most BROWSE_INITIAL_MAX units); the buffer is
    // zeroed first. True when it was copied.
    static bool prepareBrowseBuffer(wchar_t* buffer, const std::wstring& initial);

    const char* text() const { return path.text(); }
    bool isEmpty() const { return path.isEmpty(); }

    FCString path;

private:
    void createShellFolder(int csidl, bool trailingSeparator);
    void createFromDirectory(UINT(WINAPI* query)(LPWSTR, UINT), bool trailingSeparator);
    const char* lastSeparatorAfterFirstByte();
};

// Paths as Windows gives them, in UTF-16 from the call that returned them
// to the call that takes them.

typedef DWORD (*PathQuery)(void* object, wchar_t* buffer, DWORD size);
std::wstring ReadSystemPath(PathQuery query, void* object);
template <class Query>
DWORD CallPathQuery(void* object, wchar_t* buffer, DWORD size) {
    return (*static_cast<Query*>(object))(buffer, size);
}
// A path the system writes into a buffer of the caller's: query(buffer,
// size) answers the units written (without the terminator), or the size it
// needs when the buffer is too small, or 0 on failure. Asked again with the
// size it needs until it fits: never taken cut short. Empty on failure.
template <class Query>
std::wstring ReadSystemPath(Query query) {
    return ReadSystemPath(&CallPathQuery<Query>, &query);
}

// The executable's own path as Windows gives it, at any length.
std::wstring ModulePath();
// The temporary folder, ending in a separator, at any length (the system's
// own query gives up beyond 260 units under Wine: TMP and TEMP are then
// read as it would read them); empty when there is none.
std::wstring TemporaryFolder();
// The current directory, ending in a separator; empty when it cannot be read.
std::wstring CurrentFolder();
// text made absolute as a typed folder is: a drive or share path as it
// stands, "%:" on the first CD-ROM drive, anything else below the current
// directory.
std::wstring AbsolutePath(const std::wstring& text);
// The Windows folder (PATH_WINDOWS) or a shell folder (a CSIDL), without a
// trailing separator; empty when there is none.
std::wstring SystemFolder(int code);
// The folder browser, opened on initial: true with the chosen folder,
// ending in a separator.
bool BrowseForFolder(HWND owner, int rootFolder, const char* title, UINT flags, const std::wstring& initial,
                     std::wstring& chosen);
