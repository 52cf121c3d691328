// The extraction's own thread, and the waits of the thread that started it.
#include "cab/UxBackground.h"
#include "ui/MessagePump.h"
#include <process.h>

UxBackground::UxBackground(std::function<void()> work, UxExtractionStatus& status)
    : work_(std::move(work)), status_(status) {
    unsigned id = 0;
    thread_.reset(reinterpret_cast<HANDLE>(_beginthreadex(nullptr, 0, run, this, 0, &id)));
    threadId_ = id;
    if (!thread_.valid()) run(this);
}

UxBackground::~UxBackground() {
    if (!thread_.valid()) return;
    status_.requestCancel();
    // Reached with the work still going only on a way out that threw: the
    // windows keep answering while the work finishes the file it writes.
    // The dialogs' guards keep what their procedures throw, for their
    // owners; the pump itself throws nothing.
    HANDLE handle = thread_.get();
    for (;;) {
        DWORD wait = MsgWaitForMultipleObjects(1, &handle, FALSE, INFINITE, QS_ALLINPUT);
        if (wait == WAIT_OBJECT_0) break;
        if (wait == WAIT_FAILED) {
            WaitForEnd(handle, true);
            break;
        }
        PumpMessages();
    }
}

unsigned __stdcall UxBackground::run(void* self) {
    UxBackground& background = *static_cast<UxBackground*>(self);
    try {
        background.work_();
    } catch (...) {
        background.thrown_ = std::current_exception();
    }
    return 0;
}

UxBackground::Woken UxBackground::wait(const HANDLE* signals, DWORD count, DWORD ms, DWORD& which) {
    if (!thread_.valid()) return WORK_ENDED;
    HANDLE handles[MAXIMUM_WAIT_OBJECTS - 1];
    if (count > MAXIMUM_WAIT_OBJECTS - 2) count = MAXIMUM_WAIT_OBJECTS - 2;
    handles[0] = thread_.get();
    for (DWORD i = 0; i < count; ++i) handles[i + 1] = signals[i];
    DWORD wait = MsgWaitForMultipleObjects(count + 1, handles, FALSE, ms, QS_ALLINPUT);
    if (wait == WAIT_FAILED) {
        // Never taken for the end: the thread's exit code says whether it is.
        DWORD code = 0;
        if (GetExitCodeThread(handles[0], &code) && code == STILL_ACTIVE) {
            Sleep(ms < 20 ? ms : 20);
            return MESSAGE_OR_TIME;
        }
    } else if (wait > WAIT_OBJECT_0 && wait <= WAIT_OBJECT_0 + count) {
        which = wait - WAIT_OBJECT_0 - 1;
        return SIGNALLED;
    } else if (wait != WAIT_OBJECT_0) {
        return MESSAGE_OR_TIME;
    }
    thread_.reset();
    return WORK_ENDED;
}

void UxBackground::rethrow() {
    if (thread_.valid() || !thrown_) return;
    std::exception_ptr thrown = thrown_;
    thrown_ = nullptr;
    std::rethrow_exception(thrown);
}
