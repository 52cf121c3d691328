#include "cab/UxBackground.h"
#include <process.h>
#include <atomic>

namespace {
std::atomic<unsigned> g_lastThread{0};  // tests: the thread of the latest work
}  // namespace

// Declared for tests in cab/TestSeams.h.
DWORD LastBackgroundThreadForTests();
DWORD LastBackgroundThreadForTests() { return g_lastThread.load(); }

UxBackground::UxBackground(Work work, void* context, UxExtractionStatus& status)
    : work_(work), context_(context), status_(status) {
    unsigned id = 0;
    thread_.reset(reinterpret_cast<HANDLE>(_beginthreadex(nullptr, 0, run, this, 0, &id)));
    g_lastThread.store(id);
    if (!thread_.valid()) run(this);
}

UxBackground::~UxBackground() {
    if (!thread_.valid()) return;
    status_.requestCancel();
    // Reached with the work still going only on a way out that threw: the
    // windows keep answering while the work finishes the file it writes. A
    // destructor lets nothing out, and this way out already carries an
    // exception: what a window throws here is dropped.
    HANDLE handle = thread_.get();
    bool quit = false;
    int quitCode = 0;
    for (;;) {
        DWORD wait = MsgWaitForMultipleObjects(1, &handle, FALSE, INFINITE, QS_ALLINPUT);
        if (wait == WAIT_OBJECT_0) break;
        if (wait == WAIT_FAILED) {
            WaitForEnd(handle, true);
            break;
        }
        MSG message;
        while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
            if (message.message == WM_QUIT) {
                quit = true;  // for the loop that waits for it
                quitCode = static_cast<int>(message.wParam);
                continue;
            }
            try {
                TranslateMessage(&message);
                DispatchMessageW(&message);
            } catch (...) {
            }
        }
    }
    if (quit) PostQuitMessage(quitCode);
}

unsigned __stdcall UxBackground::run(void* self) {
    UxBackground& background = *static_cast<UxBackground*>(self);
    try {
        background.work_(background.context_);
    } catch (...) {
        background.thrown_ = std::current_exception();
    }
    return 0;
}

bool UxBackground::waitOrMessage(DWORD intervalMs) {
    if (!thread_.valid()) return true;
    HANDLE handle = thread_.get();
    DWORD wait = MsgWaitForMultipleObjects(1, &handle, FALSE, intervalMs, QS_ALLINPUT);
    if (wait == WAIT_FAILED) {
        // Never taken for the end: the thread's exit code says whether it is.
        DWORD code = 0;
        if (GetExitCodeThread(handle, &code) && code == STILL_ACTIVE) {
            Sleep(intervalMs < 20 ? intervalMs : 20);
            return false;
        }
    } else if (wait != WAIT_OBJECT_0) {
        return false;
    }
    thread_.reset();
    return true;
}

void UxBackground::rethrow() {
    if (thread_.valid() || !thrown_) return;
    std::exception_ptr thrown = thrown_;
    thrown_ = nullptr;
    std::rethrow_exception(thrown);
}
