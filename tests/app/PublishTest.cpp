// The publisher's path end to end: a folder, kelpack build, kelpack verify,
// and kelpex's real Run bringing back the same tree.
#include "tests/app/MainDialogHarness.h"
#include "foundation/FCHandle.h"
#include "tests/support/RunProgram.h"
#include "tests/support/Watchdog.h"
#include <gtest/gtest.h>
#include <map>
#include <random>
#include <string>

namespace {
typedef std::map<std::string, std::string> Tree;  // relative name -> bytes

Tree MakeTree(const std::string& root) {
    Tree tree;
    tree["docs\\表\\ソース\\表ソ能.txt"] = "Shift_JIS names with 0x5C trail bytes";
    tree["empty.txt"] = "";
    std::mt19937 random(11);
    std::string big;
    for (int i = 0; i < 150000; ++i) big.push_back(static_cast<char>(random() >> 24));
    tree["big.bin"] = big;  // larger than a cabinet may be
    for (int i = 0; i < 300; ++i) tree["many\\f" + std::to_string(i) + ".txt"] = "small file " + std::to_string(i * i);
    for (const auto& f : tree) {
        for (size_t at = f.first.find('\\'); at != std::string::npos; at = f.first.find('\\', at + 1))
            CreateDirectoryA((root + f.first.substr(0, at)).c_str(), nullptr);
        TempFolder::writeFile(root + f.first, f.second);
    }
    return tree;
}

// Without its last backslash: the runtime reads \" as a quote.
std::string Quoted(const std::string& folder) { return "\"" + folder.substr(0, folder.size() - 1) + "\""; }

void Publish(unsigned key) {
    TempFolder dir;
    std::string src = dir / "src\\", out = dir / "out\\";
    CreateDirectoryA(src.c_str(), nullptr);
    Tree tree = MakeTree(src);
    std::string options = " --max-size 4K --caption 往復 --mes1 \"done %dest%\"";
    if (key != 0) options += " --key " + std::to_string(key);
    ProgramResult built = RunProgram(KELPACK_EXE, "build " + Quoted(src) + " " + Quoted(out) + options);
    ASSERT_EQ(0, built.exitCode) << built.output;
    ProgramResult verified = RunProgram(KELPACK_EXE, "verify " + Quoted(out));
    ASSERT_EQ(0, verified.exitCode) << verified.output;
    std::string qcf = TempFolder::readFile(out + "kelpex.qcf");
    if (key != 0) EXPECT_EQ("qcftype=1," + std::to_string(key) + "\n", qcf.substr(0, qcf.find('\n') + 1));
    else EXPECT_NE(std::string::npos, qcf.find("size=1\n")) << qcf;  // about 0.16 MB, rounded up

    MainDialogHarness h(qcf.c_str(), {});
    WIN32_FIND_DATAA data;
    FCFindHandle find(FindFirstFileA((out + "data*.cab").c_str(), &data));
    ASSERT_TRUE(find.valid());
    int cabinets = 0, oversized = 0;
    do {
        CopyFileA((out + data.cFileName).c_str(), (h.folder() / data.cFileName).c_str(), FALSE);
        ++cabinets;
        if (data.nFileSizeLow > 4096) ++oversized;
    } while (FindNextFileA(find.get(), &data));
    EXPECT_GE(cabinets, 4);  // the rest in pieces of at most 4 KB
    EXPECT_EQ(1, oversized);  // big.bin, alone in a cabinet of its own
    h.open();
    EXPECT_EQ("往復", h.caption());
    std::string target = dir / "installed\\";
    CreateDirectoryA(target.c_str(), nullptr);
    h.type(target);
    {
        Watchdog watchdog("the Run of a kelpack series", 60000);
        h.click(IDC_MAIN_RUN);
    }
    EXPECT_EQ("done " + target, h.text(IDC_MAIN_MESSAGE));
    for (const auto& f : tree) EXPECT_EQ(f.second, TempFolder::readFile(target + f.first)) << f.first;
}
}  // namespace

TEST(Publish, AFolderBuiltVerifiedAndRunComesBackByteForByte) { Publish(0); }

TEST(Publish, AScrambledConfigurationServesTheSame) { Publish(4242); }
