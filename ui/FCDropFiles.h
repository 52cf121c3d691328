// FCDropFiles: the files dropped on a window, read one at a time.
#pragma once
#include "foundation/FCHandle.h"
#include <windows.h>
#include <shellapi.h>
#include <string>

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
    FCDropFiles() : fileCount(0), nextIndex(0), dropPoint() {}
    virtual ~FCDropFiles() { release(); }
    FCDropFiles(const FCDropFiles&) = delete;
    FCDropFiles& operator=(const FCDropFiles&) = delete;

    void attachDrop(HDROP handle);
    // The next item's path as the shell gave it, whole whatever its length
    // and characters; false when there is none.
    bool nextFile(std::wstring& path);
    void release();

    FCDropHandle dropHandle;
    int fileCount;
    int nextIndex;
    POINT dropPoint;
};
