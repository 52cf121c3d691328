// FCDropFiles: the files dropped on a window, read one at a time.
#pragma once
#include <windows.h>
#include <shellapi.h>

class FCDropFiles {
public:
    enum { PATH_BUFFER = 300 };

    FCDropFiles() : dropHandle(nullptr), fileCount(0), nextIndex(0), pathBuffer(), dropPoint() {}
    virtual ~FCDropFiles() { release(); }
    FCDropFiles(const FCDropFiles&) = delete;
    FCDropFiles& operator=(const FCDropFiles&) = delete;

    void attachDrop(HDROP handle);
    const char* nextFile();
    void release();

    HDROP dropHandle;
    int fileCount;
    int nextIndex;
    char pathBuffer[PATH_BUFFER];
    POINT dropPoint;
};
