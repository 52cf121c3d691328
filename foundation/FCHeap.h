// Allocation from the process heap that can throw instead of returning none.
#pragma once
#include <windows.h>
#include <cstddef>

class FCHeap {
public:
    // Flag that asks for NotEnoughMemoryException instead of a null result.
    enum { THROW_ON_FAILURE = 0x4 };

    static void* malloc(size_t size, unsigned flags);
    static int free(void* block, unsigned flags);

    // True when this allocation is to fail: only a test makes it so
    // (foundation/TestSeams.h).
    static bool shouldFail(size_t size);
};

// A heap block released when the owner leaves scope.
class FCHeapBlock {
public:
    explicit FCHeapBlock(void* block) : block_(block) {}
    virtual ~FCHeapBlock() { FCHeap::free(block_, 0); }
    FCHeapBlock(const FCHeapBlock&) = delete;
    FCHeapBlock& operator=(const FCHeapBlock&) = delete;
    char* bytes() const { return static_cast<char*>(block_); }

private:
    void* block_;
};
