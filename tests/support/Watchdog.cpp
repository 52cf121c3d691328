#include "tests/support/Watchdog.h"
#include <cstdio>

Watchdog::Watchdog(const std::string& what, DWORD timeoutMs) : done_(CreateEventA(nullptr, TRUE, FALSE, nullptr)) {
    HANDLE done = done_.get();
    thread_ = std::thread([done, what, timeoutMs] {
        if (WaitForSingleObject(done, timeoutMs) == WAIT_OBJECT_0) return;
        std::printf("watchdog: %s did not end within %lu ms\n", what.c_str(), static_cast<unsigned long>(timeoutMs));
        std::fflush(stdout);
        TerminateProcess(GetCurrentProcess(), 3);
    });
}

Watchdog::~Watchdog() {
    SetEvent(done_.get());
    thread_.join();
}
