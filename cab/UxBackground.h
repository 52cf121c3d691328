// Work on a thread of its own while the user-interface thread answers its
// windows: the Run's extraction. The thread touches no window; what it
// throws comes out on the user-interface thread once it has ended, as if
// thrown there.
#pragma once
#include "cab/UxExtractionStatus.h"
#include "foundation/FCHandle.h"
#include <windows.h>
#include <exception>

class UxBackground {
public:
    typedef void (*Work)(void* context);

    // Starts work(context). When no thread can be had, work runs here and
    // now, and the windows go unanswered meanwhile.
    UxBackground(Work work, void* context, UxExtractionStatus& status);
    // Asks the work to stop and waits for it, answering the thread's windows
    // meanwhile, so that nothing it uses goes away under it. Nothing thrown
    // while it waits leaves it.
    virtual ~UxBackground();
    UxBackground(const UxBackground&) = delete;
    UxBackground& operator=(const UxBackground&) = delete;

    // True once the work has ended; otherwise after the interval or at the
    // first message for this thread, whichever comes first.
    bool waitOrMessage(DWORD intervalMs);
    // Throws here what the work threw, once it has ended.
    void rethrow();

private:
    static unsigned __stdcall run(void* self);

    Work work_;
    void* context_;
    UxExtractionStatus& status_;
    std::exception_ptr thrown_;  // written by the work's thread, read after it ended
    FCHandle thread_;
};
