// Makes the n-th allocation of the foundation (counting from 1) fail, for as
// long as the object lives.
#pragma once
#include "foundation/TestSeams.h"
#include "foundation/FCHeap.h"

class FailNthAllocation {
public:
    explicit FailNthAllocation(int n) {
        target() = n;
        count() = 0;
        SetHeapFailureHookForTests(&hook);
    }
    ~FailNthAllocation() { SetHeapFailureHookForTests(nullptr); }

private:
    static int& target() {
        static int value;
        return value;
    }
    static int& count() {
        static int value;
        return value;
    }
    static bool hook(size_t) { return ++count() == target(); }
};
