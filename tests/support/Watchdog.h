// Bounds a call that could hang: when the scope is not left in time, the
// test program says what hung and ends with a failure, instead of waiting
// for the runner's timeout.
#pragma once
#include "foundation/FCHandle.h"
#include <windows.h>
#include <string>
#include <thread>

class Watchdog {
public:
    Watchdog(const std::string& what, DWORD timeoutMs);
    ~Watchdog();
    Watchdog(const Watchdog&) = delete;
    Watchdog& operator=(const Watchdog&) = delete;

private:
    FCHandle done_;
    std::thread thread_;
};
