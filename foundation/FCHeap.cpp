#include "foundation/FCHeap.h"
#include "foundation/Diagnostic.h"

namespace {
// Null in the programs: only tests set it, through foundation/TestSeams.h,
// which the programs never include.
typedef bool (*HeapFailureHook)(size_t size);
HeapFailureHook g_failureHook = nullptr;
}  // namespace

void SetHeapFailureHookForTests(HeapFailureHook hook);
void SetHeapFailureHookForTests(HeapFailureHook hook) { g_failureHook = hook; }

bool FCHeap::shouldFail(size_t size) { return g_failureHook != nullptr && g_failureHook(size); }

void* FCHeap::malloc(size_t size, unsigned flags) {
    void* block = shouldFail(size) ? nullptr : HeapAlloc(GetProcessHeap(), flags & ~THROW_ON_FAILURE, size);
    if (block == nullptr && (flags & THROW_ON_FAILURE) != 0) ThrowNotEnoughMemory("FCHeap - malloc");
    return block;
}

int FCHeap::free(void* block, unsigned flags) {
    if (block == nullptr) return 0;
    return HeapFree(GetProcessHeap(), flags, block);
}
