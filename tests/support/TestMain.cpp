// GoogleTest entry for every suite. The last line it prints is what the
// launcher requires: a run that never reached it (a program Wine could not
// start exits 0 silently) cannot pass.
#include "tests/support/HeldFile.h"
#include <gtest/gtest.h>
#include <windows.h>
#include <cstdio>
#include <cstring>
#include <string>

int main(int argc, char** argv) {
    // Started as another program that holds a file (tests/support/HeldFile.h).
    if (RunAsFileHolder(argc, argv)) return 0;
    // Started as kelpack verify's reading process (a test points verify at
    // this program): a reader that stops answering, half way through a file
    // it holds open in the scratch folder.
    if (argc == 5 && std::strcmp(argv[1], "read-part") == 0) {
        std::string file = std::string(argv[4]) + "\\stuck.bin";
        HANDLE held = CreateFileA(file.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
        Sleep(INFINITE);
        CloseHandle(held);
        return 0;
    }
    testing::InitGoogleTest(&argc, argv);
    int rc = RUN_ALL_TESTS();
    const testing::UnitTest* unit = testing::UnitTest::GetInstance();
    std::printf("KELPEX-GTEST-END ran=%d failed=%d skipped=%d\n", unit->test_to_run_count(), unit->failed_test_count(),
                unit->skipped_test_count());
    std::fflush(stdout);
    return rc;
}
