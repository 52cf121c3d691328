// GoogleTest entry for every suite. The last line it prints is what the
// launcher requires: a run that never reached it (a program Wine could not
// start exits 0 silently) cannot pass.
#include <gtest/gtest.h>
#include <cstdio>

int main(int argc, char** argv) {
    testing::InitGoogleTest(&argc, argv);
    int rc = RUN_ALL_TESTS();
    const testing::UnitTest* unit = testing::UnitTest::GetInstance();
    std::printf("KELPEX-GTEST-END ran=%d failed=%d skipped=%d\n", unit->test_to_run_count(), unit->failed_test_count(),
                unit->skipped_test_count());
    std::fflush(stdout);
    return rc;
}
