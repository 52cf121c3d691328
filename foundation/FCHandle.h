// FCHandle: the one owner of a kernel handle (files, events, processes,
// threads). Uncopyable; closes what it holds on destruction; get, release
// and reset as usual. Both "no handle" values of the platform, null and
// INVALID_HANDLE_VALUE, count as empty.
#pragma once
#include <windows.h>

class FCHandle {
public:
    explicit FCHandle(HANDLE handle = nullptr) : handle_(handle) {}
    ~FCHandle() { reset(); }
    FCHandle(const FCHandle&) = delete;
    FCHandle& operator=(const FCHandle&) = delete;

    HANDLE get() const { return handle_; }
    bool valid() const { return handle_ != nullptr && handle_ != INVALID_HANDLE_VALUE; }
    // Gives the handle up without closing it.
    HANDLE release() {
        HANDLE h = handle_;
        handle_ = nullptr;
        return h;
    }
    // Closes what it holds and takes the new one.
    void reset(HANDLE handle = nullptr) {
        if (valid()) CloseHandle(handle_);
        handle_ = handle;
    }

private:
    HANDLE handle_;
};
