#include "ui/FCDropFiles.h"
#include "foundation/WideText.h"

void FCDropFiles::attachDrop(HDROP handle) {
    release();
    dropHandle.reset(handle);
    nextIndex = 0;
    pathBuffer[0] = '\0';
    widePath[0] = L'\0';
    fileCount = static_cast<int>(DragQueryFileW(handle, 0xFFFFFFFF, nullptr, 0));
    DragQueryPoint(handle, &dropPoint);
}

const char* FCDropFiles::nextFile() {
    if (!dropHandle.valid() || nextIndex >= fileCount) return nullptr;
    // A name longer than the buffer would come back cut short: better none.
    UINT needed = DragQueryFileW(dropHandle.get(), static_cast<UINT>(nextIndex), nullptr, 0);
    if (needed >= PATH_BUFFER) {
        ++nextIndex;
        return nullptr;
    }
    DragQueryFileW(dropHandle.get(), static_cast<UINT>(nextIndex), widePath, PATH_BUFFER);
    ++nextIndex;
    std::string path = ShiftJisKeepingWide(widePath);
    if (path.size() >= PATH_BUFFER) return nullptr;  // two bytes a character may not fit
    lstrcpynA(pathBuffer, path.c_str(), PATH_BUFFER);
    return pathBuffer;
}

void FCDropFiles::release() { dropHandle.reset(); }
