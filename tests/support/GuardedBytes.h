// Bytes placed so that the first byte after them is a page nobody may read:
// a reader that goes past their end faults instead of reading on silently.
#pragma once
#include <windows.h>
#include <cstring>
#include <string>

class GuardedBytes {
public:
    explicit GuardedBytes(size_t pages) {
        SYSTEM_INFO info;
        GetSystemInfo(&info);
        capacity_ = info.dwPageSize * pages;
        area_ = static_cast<unsigned char*>(
            VirtualAlloc(nullptr, capacity_ + info.dwPageSize, MEM_RESERVE | MEM_COMMIT, PAGE_READWRITE));
        DWORD old;
        VirtualProtect(area_ + capacity_, info.dwPageSize, PAGE_NOACCESS, &old);
    }
    virtual ~GuardedBytes() { VirtualFree(area_, 0, MEM_RELEASE); }
    GuardedBytes(const GuardedBytes&) = delete;
    GuardedBytes& operator=(const GuardedBytes&) = delete;

    // The bytes, ending where the guard page begins; at most capacity() of
    // them, the last ones cut off.
    const unsigned char* place(const std::string& bytes) {
        size_t n = bytes.size() < capacity_ ? bytes.size() : capacity_;
        std::memcpy(area_ + capacity_ - n, bytes.data(), n);
        return area_ + capacity_ - n;
    }
    size_t capacity() const { return capacity_; }

private:
    unsigned char* area_;
    size_t capacity_;
};
