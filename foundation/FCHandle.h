// FCOwner: the one owner of a system handle. Uncopyable; closes what it
// holds on destruction; get, release and reset as usual. A traits class
// says how a kind of handle is closed and which values mean "none":
//   FCHandle      kernel handles (files, events, processes, threads): CloseHandle
//   FCFindHandle  directory searches: FindClose
//   FCLibrary     loaded libraries: FreeLibrary
//   FCGdiObject   fonts, brushes and the like: DeleteObject
#pragma once
#include <windows.h>

template <class Traits>
class FCOwner {
public:
    typedef typename Traits::Type Type;

    explicit FCOwner(Type handle = Traits::none()) : handle_(handle) {}
    virtual ~FCOwner() { reset(); }
    FCOwner(const FCOwner&) = delete;
    FCOwner& operator=(const FCOwner&) = delete;

    Type get() const { return handle_; }
    bool valid() const { return Traits::valid(handle_); }
    // Gives the handle up without closing it.
    Type release() {
        Type h = handle_;
        handle_ = Traits::none();
        return h;
    }
    // Closes what it holds and takes the new one.
    void reset(Type handle = Traits::none()) {
        if (valid()) Traits::close(handle_);
        handle_ = handle;
    }

private:
    Type handle_;
};

// Both "no handle" values of the platform, null and INVALID_HANDLE_VALUE,
// count as none.
struct KernelHandleTraits {
    typedef HANDLE Type;
    static HANDLE none() { return nullptr; }
    static bool valid(HANDLE h) { return h != nullptr && h != INVALID_HANDLE_VALUE; }
    static void close(HANDLE h) { CloseHandle(h); }
};

struct FindHandleTraits {
    typedef HANDLE Type;
    static HANDLE none() { return INVALID_HANDLE_VALUE; }
    static bool valid(HANDLE h) { return h != nullptr && h != INVALID_HANDLE_VALUE; }
    static void close(HANDLE h) { FindClose(h); }
};

struct LibraryTraits {
    typedef HMODULE Type;
    static HMODULE none() { return nullptr; }
    static bool valid(HMODULE h) { return h != nullptr; }
    static void close(HMODULE h) { FreeLibrary(h); }
};

struct GdiObjectTraits {
    typedef HGDIOBJ Type;
    static HGDIOBJ none() { return nullptr; }
    static bool valid(HGDIOBJ h) { return h != nullptr; }
    static void close(HGDIOBJ h) { DeleteObject(h); }
};

typedef FCOwner<KernelHandleTraits> FCHandle;

// Waits until a thread or a process has ended. A wait the system refuses
// (WAIT_FAILED) is never taken for the end: the exit code is then asked
// until it says so.
inline void WaitForEnd(HANDLE threadOrProcess, bool isThread) {
    if (WaitForSingleObject(threadOrProcess, INFINITE) == WAIT_OBJECT_0) return;
    for (;;) {
        DWORD code = 0;
        BOOL known = isThread ? GetExitCodeThread(threadOrProcess, &code) : GetExitCodeProcess(threadOrProcess, &code);
        if (!known || code != STILL_ACTIVE) return;
        Sleep(20);
    }
}
typedef FCOwner<FindHandleTraits> FCFindHandle;
typedef FCOwner<LibraryTraits> FCLibrary;
typedef FCOwner<GdiObjectTraits> FCGdiObject;
