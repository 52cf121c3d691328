#include "ui/FCDropFiles.h"

void FCDropFiles::attachDrop(HDROP handle) {
    release();
    dropHandle.reset(handle);
    nextIndex = 0;
    pathBuffer[0] = '\0';
    fileCount = static_cast<int>(DragQueryFileA(handle, 0xFFFFFFFF, pathBuffer, PATH_BUFFER));
    DragQueryPoint(handle, &dropPoint);
}

const char* FCDropFiles::nextFile() {
    if (!dropHandle.valid() || nextIndex >= fileCount) return nullptr;
    // A name longer than the buffer would come back cut short: better none.
    UINT needed = DragQueryFileA(dropHandle.get(), static_cast<UINT>(nextIndex), nullptr, 0);
    if (needed >= PATH_BUFFER) {
        ++nextIndex;
        return nullptr;
    }
    DragQueryFileA(dropHandle.get(), static_cast<UINT>(nextIndex), pathBuffer, PATH_BUFFER);
    ++nextIndex;
    return pathBuffer;
}

void FCDropFiles::release() { dropHandle.reset(); }
