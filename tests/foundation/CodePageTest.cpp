#include <windows.h>
#include <gtest/gtest.h>
#include <cstring>

// Everything else assumes the test runner's ANSI code page is Shift_JIS.
TEST(CodePage, RunnerIsJapanese) { EXPECT_EQ(932u, GetACP()); }

TEST(CodePage, LiteralsAreCp932Bytes) {
    const char* text = "メモリが足りません！";
    EXPECT_EQ(0x83, static_cast<unsigned char>(text[0]));
    EXPECT_EQ(0x81, static_cast<unsigned char>(text[1]));
    EXPECT_EQ(20u, std::strlen(text));
    const unsigned char trail[] = {0x95, 0x5C, 0x83, 0x5C, 0x94, 0x5C};
    EXPECT_EQ(0, std::memcmp("表ソ能", trail, sizeof trail));
}
