// FCPathName: one absolute path made from a relative or absolute text, the
// current directory, the executable, system folders or shell folders, and
// the questions the system asks of a path. A path is UTF-16 as Windows
// gives it, from the call that returns it to the call that takes it: never
// narrowed, escaped or cut on the way, its length counted in UTF-16 units.
// The free functions below are the one way a path is read from Windows.
#pragma once
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

    FCPathName();
    explicit FCPathName(int code);
    FCPathName(int code, bool trailingSeparator);
    explicit FCPathName(const std::wstring& text);
    explicit FCPathName(const wchar_t* text);
    virtual ~FCPathName();

    virtual void create(const FCPathName& relative);
    virtual void create(const std::wstring& text);
    virtual void create(int code, bool trailingSeparator);
    virtual void create(int code);
    virtual void create();

    bool needsSeparator() const;
    void addSeparator();
    // Up to its last separator after the first unit, with or without it;
    // out unchanged when there is none.
    void getFolder(std::wstring& out, bool keepSeparator) const;
    // The last component: the text after the last separator (all of it
    // when there is none).
    const wchar_t* fileName() const;
    // extension without the dot, compared without case for ASCII letters.
    bool hasExtension(const wchar_t* extension) const;
    // "C:\" for "C:\dir\file"; "\\server\share\" for a share; the long
    // forms' own ("\\?\C:\", "\\?\UNC\server\share\").
    void getRoot(std::wstring& out) const;
    // The first CD-ROM drive as "X:", empty when there is none.
    static std::wstring cdromDrive();

    const std::wstring& text() const { return path; }
    bool isEmpty() const { return path.empty(); }

    std::wstring path;

private:
    void createShellFolder(int csidl, bool trailingSeparator);
};

typedef DWORD (*PathQuery)(void* object, wchar_t* buffer, DWORD size);
std::wstring ReadSystemPath(PathQuery query, void* object);
template <class Query>
DWORD CallPathQuery(void* object, wchar_t* buffer, DWORD size) {
    return (*static_cast<Query*>(object))(buffer, size);
}
// A path the system writes into a buffer of the caller's: query(buffer,
// size) answers the units written (without the terminator), or the size it
// needs when the buffer is too small (or, the module's name, the whole
// buffer, cut), or 0 on failure. Asked again with the size it needs until
// it fits: never taken cut short. Empty on failure.
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
// text made absolute as Windows resolves it, the one way every path a user
// or a script gives is read: a drive or share path as it stands, "\x" below
// the current drive's root, "C:x" below that drive's current folder, a
// device's path as the drive it names ("\\?\C:\", "\\.\C:\", a volume's
// name mounted as a drive), "%:" on the first CD-ROM drive, anything else
// below the current directory. A device's path that names no drive stays
// as it is (it begins with two separators, as a share does).
std::wstring AbsolutePath(const std::wstring& text);
// "\\?\C:\x", "\\.\C:\x" and a volume's name mounted as a drive as the
// plain drive path; "\\?\UNC\server\x" as "\\server\x"; anything else
// as it is.
std::wstring DevicePathAsDrive(const std::wstring& text);
// The Windows folder (PATH_WINDOWS) or a shell folder (a CSIDL), without a
// trailing separator; empty when there is none.
std::wstring SystemFolder(int code);
// The folder browser, opened on initial: true with the chosen folder,
// ending in a separator.
bool BrowseForFolder(HWND owner, int rootFolder, const char* title, UINT flags, const std::wstring& initial,
                     std::wstring& chosen);

// The folder part of a path, ending in its separator; the name after it.
std::wstring FolderOf(const std::wstring& path);
std::wstring NameOf(const std::wstring& path);
