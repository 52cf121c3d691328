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
    // This runs on the user-interface thread, also when its loop threw: the
    // windows keep answering while the work finishes the file it writes.
    HANDLE handle = thread_.get();
    bool quit = false;
    int quitCode = 0;
    while (MsgWaitForMultipleObjects(1, &handle, FALSE, INFINITE, QS_ALLINPUT) == WAIT_OBJECT_0 + 1) {
        MSG message;
        while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
            if (message.message == WM_QUIT) {
                quit = true;  // for the loop that waits for it
                quitCode = static_cast<int>(message.wParam);
                continue;
            }
            TranslateMessage(&message);
            DispatchMessageW(&message);
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
    if (MsgWaitForMultipleObjects(1, &handle, FALSE, intervalMs, QS_ALLINPUT) != WAIT_OBJECT_0) return false;
    thread_.reset();
    return true;
}

void UxBackground::rethrow() {
    if (thread_.valid() || !thrown_) return;
    std::exception_ptr thrown = thrown_;
    thrown_ = nullptr;
    std::rethrow_exception(thrown);
}
