#include "config/UxQcf.h"
#include "tests/support/RunProgram.h"
#include "tests/support/TempFolder.h"
#include <gtest/gtest.h>
#include <string>

namespace {
int RunTool(const std::string& arguments) { return RunProgram(QCFSCRAMBLE_EXE, arguments).exitCode; }
}  // namespace

// In a folder Shift_JIS cannot hold too: the paths reach the platform whole
// and the messages name them exactly, UTF-8 in the file they are written to.
TEST(QcfScrambleTool, RoundTripsThroughTheToolAndTheStore) {
    TempFolder dir;
    for (const wchar_t* name : {L"plain", L"Jos\u00E9 \uAC8C\uC784"}) {
        std::wstring folder = dir.widePath() + name + L"\\";
        ASSERT_TRUE(CreateDirectoryW(folder.c_str(), nullptr));
        std::wstring plain = folder + L"plain.txt", scrambled = folder + L"kelpex.qcf", back = folder + L"back.txt";
        std::string body = "caption=表ソ能のテスト\r\nfname=data*.cab,2,1,3,1\nsize=12\n";
        TempFolder::writeFile(plain, body);
        ProgramResult written = RunProgram(QCFSCRAMBLE_EXE, L"31337 \"" + plain + L"\" \"" + scrambled + L"\"");
        ASSERT_EQ(0, written.exitCode) << written.output;
        EXPECT_EQ(L"qcfscramble: wrote " + scrambled + L" with key 31337\n", written.wideOutput) << written.output;
        std::string raw = TempFolder::readFile(scrambled);
        EXPECT_EQ("qcftype=1,31337\n", raw.substr(0, 16));
        EXPECT_EQ(std::string::npos, raw.find("caption"));
        UxQcf store;
        store.flags = 0;
        ASSERT_TRUE(store.load(scrambled));
        store.flags = 0;
        FCString out;
        ASSERT_TRUE(store.getString(out, "caption"));
        EXPECT_STREQ("表ソ能のテスト", out.text());
        ASSERT_TRUE(store.getString(out, "fname"));
        EXPECT_STREQ("data*.cab,2,1,3,1", out.text());
        ASSERT_EQ(0, RunProgram(QCFSCRAMBLE_EXE, L"--decode \"" + scrambled + L"\" \"" + back + L"\"").exitCode);
        EXPECT_EQ(body, TempFolder::readFile(back));
    }
}

TEST(QcfScrambleTool, RefusesBadInputWithANonzeroCode) {
    TempFolder dir;
    std::string plain = dir / "plain.txt";
    TempFolder::writeFile(plain, "a=1\n");
    // The tool's own refusals: 1 for a bad input, 2 for bad usage. A tool
    // that could not start (-1) or did not end (99) refused nothing.
    struct Case {
        std::string arguments;
        int code;
    } cases[] = {{"0 \"" + plain + "\" \"" + dir / "o.qcf" + "\"", 1},
                 {"key \"" + plain + "\" \"" + dir / "o.qcf" + "\"", 1},
                 {"5 \"" + dir / "missing.txt" + "\" \"" + dir / "o.qcf" + "\"", 1},
                 {"--decode \"" + plain + "\" \"" + dir / "o.txt" + "\"", 1},
                 {"--decode \"" + dir / "missing.qcf" + "\" \"" + dir / "o.txt" + "\"", 1},
                 {"only-one-argument", 2}};
    for (const Case& c : cases) EXPECT_EQ(c.code, RunTool(c.arguments)) << c.arguments;
    EXPECT_FALSE(TempFolder::exists(dir / "o.qcf"));
}
