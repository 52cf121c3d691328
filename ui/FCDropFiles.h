// FCDropFiles: the files dropped on a window, read one at a time.
#pragma once
#include "foundation/FCHandle.h"
#include <windows.h>
#include <shellapi.h>

// A drop's handle, given back to the shell with DragFinish.
struct DropHandleTraits {
    typedef HDROP Type;
    static HDROP none() { return nullptr; }
    static bool valid(HDROP h) { return h != nullptr; }
    static void close(HDROP h) { DragFinish(h); }
};
typedef FCOwner<DropHandleTraits> FCDropHandle;

class FCDropFiles {
public:
    enum { PATH_BUFFER = 300 };

    FCDropFiles() : fileCount(0), nextIndex(0), pathBuffer(), widePath(), dropPoint() {}
    virtual ~FCDropFiles() { release(); }
    FCDropFiles(const FCDropFiles&) = delete;
    FCDropFiles& operator=(const FCDropFiles&) = delete;

    void attachDrop(HDROP handle);
    // The next file's path in Shift_JIS ('?' for what it cannot hold), or
    // null; widePath holds it as the shell gave it.
    const char* nextFile();
    void release();

    FCDropHandle dropHandle;
    int fileCount;
    int nextIndex;
    char pathBuffer[PATH_BUFFER];
    wchar_t widePath[PATH_BUFFER];
    POINT dropPoint;
};
