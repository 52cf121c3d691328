// What only tests use to make the foundation's allocations fail. The programs never include this.
#pragma once
#include <cstddef>

// Why: running out of memory cannot be caused on purpose otherwise.
// When set, the hook is asked before every allocation of the foundation
// and a true answer makes that allocation fail; null switches it off.
typedef bool (*HeapFailureHook)(size_t size);
void SetHeapFailureHookForTests(HeapFailureHook hook);
