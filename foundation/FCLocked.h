// Holds a critical section for the life of a scope, so that no way out of
// the scope (an exception included) leaves it held.
#pragma once
#include <windows.h>

class FCLocked {
public:
    explicit FCLocked(CRITICAL_SECTION& lock) : lock_(lock) { EnterCriticalSection(&lock_); }
    ~FCLocked() { LeaveCriticalSection(&lock_); }
    FCLocked(const FCLocked&) = delete;
    FCLocked& operator=(const FCLocked&) = delete;

private:
    CRITICAL_SECTION& lock_;
};
