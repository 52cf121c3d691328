#include "foundation/CrashReport.h"
#include <gtest/gtest.h>
#include <cstdio>

namespace {
void SayReading(const wchar_t* reading, DWORD) {
    std::fprintf(stderr, "reading [%ls] %u units\n", reading, static_cast<unsigned>(wcslen(reading)));
    std::fflush(stderr);
}

void Fault() { *static_cast<volatile int*>(nullptr) = 1; }

// Holds a cabinet's name on a thread of its own until the test ends.
DWORD WINAPI ReadForEver(void* ready) {
    FileBeingRead reading(L"Z:\\other\\data01.cab");
    SetEvent(static_cast<HANDLE>(ready));
    Sleep(INFINITE);
    return 0;
}

void FaultWhile(bool readingHere, bool readingElsewhere) {
    InstallCrashReport(SayReading);
    if (readingElsewhere) {
        HANDLE ready = CreateEventA(nullptr, TRUE, FALSE, nullptr);
        CreateThread(nullptr, 0, ReadForEver, ready, 0, nullptr);
        WaitForSingleObject(ready, 10000);
    }
    if (!readingHere) Fault();
    FileBeingRead reading(L"Z:\\here\\data02.cab");
    // A continuation 400 units long: named whole.
    FileBeingRead::name(L"Z:\\here\\" + std::wstring(381, L'x') + L"\\data03.cab");
    Fault();
}

bool EndedByFault(int code) { return static_cast<DWORD>(code) == EXCEPTION_ACCESS_VIOLATION; }
}  // namespace

// A cabinet is named only for a fault on the thread that was reading it:
// any other fault is not the cabinet's.
TEST(CrashReport, NamesACabinetOnlyForAFaultOnTheThreadReadingIt) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(FaultWhile(true, false), EndedByFault, "reading \\[Z:.here.x*.data03.cab\\] 400 units");
    EXPECT_EXIT(FaultWhile(true, true), EndedByFault, "reading \\[Z:.here.x*.data03.cab\\] 400 units");
    EXPECT_EXIT(FaultWhile(false, true), EndedByFault, "reading \\[\\] 0 units");
    EXPECT_EXIT(FaultWhile(false, false), EndedByFault, "reading \\[\\] 0 units");
}
