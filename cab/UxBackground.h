// Work on a thread of its own while the user-interface thread answers its
// windows: the Run's extraction. The thread touches no window; what it
// throws comes out on the user-interface thread once it has ended, as if
// thrown there.
#pragma once
#include "cab/UxExtractionStatus.h"
#include "foundation/FCHandle.h"
#include <windows.h>
#include <exception>
#include <functional>

class UxBackground {
public:
    enum Woken { WORK_ENDED, SIGNALLED, MESSAGE_OR_TIME };

    // Starts work. When no thread can be had, work runs here and now, and
    // the windows go unanswered meanwhile.
    UxBackground(std::function<void()> work, UxExtractionStatus& status);
    // Asks the work to stop and waits for it, answering the thread's windows
    // meanwhile, so that nothing it uses goes away under it.
    virtual ~UxBackground();
    UxBackground(const UxBackground&) = delete;
    UxBackground& operator=(const UxBackground&) = delete;

    // Until the work has ended (WORK_ENDED, and for good), one of signals
    // is set (SIGNALLED, which: its index), or a message for this thread
    // arrives or ms pass (MESSAGE_OR_TIME).
    Woken wait(const HANDLE* signals, DWORD count, DWORD ms, DWORD& which);
    // Throws here what the work threw, once it has ended.
    void rethrow();
    // The work's thread; 0 when it ran here.
    DWORD threadId() const { return threadId_; }

private:
    static unsigned __stdcall run(void* self);

    std::function<void()> work_;
    UxExtractionStatus& status_;
    std::exception_ptr thrown_;  // written by the work's thread, read after it ended
    FCHandle thread_;
    DWORD threadId_ = 0;
};
