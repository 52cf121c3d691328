#include "ui/FCDropFiles.h"
#include "fs/FCPathName.h"

void FCDropFiles::attachDrop(HDROP handle) {
    release();
    dropHandle.reset(handle);
    nextIndex = 0;
    fileCount = static_cast<int>(DragQueryFileW(handle, 0xFFFFFFFF, nullptr, 0));
    DragQueryPoint(handle, &dropPoint);
}

bool FCDropFiles::nextFile(std::wstring& path) {
    if (!dropHandle.valid() || nextIndex >= fileCount) return false;
    UINT index = static_cast<UINT>(nextIndex++);
    HDROP drop = dropHandle.get();
    // The shell says how long the name is, and cuts it to a buffer too
    // small: asked for its length first.
    path = ReadSystemPath([&](wchar_t* buffer, DWORD size) -> DWORD {
        UINT needed = DragQueryFileW(drop, index, nullptr, 0);
        return needed >= size ? needed + 1 : DragQueryFileW(drop, index, buffer, size);
    });
    return !path.empty();
}

void FCDropFiles::release() { dropHandle.reset(); }
