// kelpack build never ships a wrong series: what it plans, what it refuses
// up front, and that a failed build leaves OUTPUT as it was.
#include "foundation/FCHandle.h"
#include "fs/FCPathName.h"
#include "publisher/kelpack/Build.h"
#include "publisher/kelpack/Collect.h"
#include "publisher/kelpack/Plan.h"
#include "publisher/kelpack/TestSeams.h"
#include "tests/publisher/KelpackProgram.h"
#include "tests/support/TempFolder.h"
#include <gtest/gtest.h>
#include <map>
#include <string>
#include <vector>

namespace {
// Every file below folder with its bytes; folders as names ending in '\'.
std::map<std::string, std::string> Snapshot(const std::string& folder) {
    std::map<std::string, std::string> files;
    WIN32_FIND_DATAA data;
    FCFindHandle find(FindFirstFileA((folder + "*").c_str(), &data));
    if (!find.valid()) return files;
    do {
        std::string name = data.cFileName;
        if (name == "." || name == "..") continue;
        if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
            files[name + "\\"] = "";
            for (const auto& inner : Snapshot(folder + name + "\\")) files[name + "\\" + inner.first] = inner.second;
        } else {
            files[name] = TempFolder::readFile(folder + name);
        }
    } while (FindNextFileA(find.get(), &data));
    return files;
}

// A source of three files, one of them 200 KB that does not compress.
void WriteSource(const std::string& src) {
    CreateDirectoryA(src.c_str(), nullptr);
    TempFolder::writeFile(src + "\\data.bin", Incompressible(200000));
    TempFolder::writeFile(src + "\\grow.log", "first line\r\n");
    TempFolder::writeFile(src + "\\z.txt", std::string(5000, 'z'));
}

// kelpack build run inside the test's process, so that a seam can reach it.
int BuildHere(const std::vector<std::string>& arguments, std::string& said) {
    Arguments_ all = {L"build"};
    for (const std::string& a : arguments) all.push_back(W(a));
    std::wstring before = CurrentFolder(), wide;
    CaptureSayingForTests(&wide);
    int code = Build(all);
    CaptureSayingForTests(nullptr);
    SetCurrentDirectoryW(before.c_str());
    said = ToShiftJis(wide);
    return code;
}

std::string g_grow;  // the file the seam appends to while it is packed

void GrowWhilePacking(const std::wstring& name) {
    if (name != L"grow.log") return;
    HANDLE h = CreateFileA(g_grow.c_str(), FILE_APPEND_DATA, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    DWORD written = 0;
    WriteFile(h, "second line\r\n", 13, &written, nullptr);
    CloseHandle(h);
}

SourceFile_ File(const std::string& name, unsigned long long size) {
    SourceFile_ f;
    f.name = W(name);
    StoredName(f);
    f.size = size;
    f.written = FILETIME();
    f.attributes = FILE_ATTRIBUTE_ARCHIVE;
    return f;
}
}  // namespace

// A cabinet counts its files in 16 bits: the planner cuts at 65,535 files as
// it cuts at the size, and a share counts the headers.
TEST(KelpackPlan, CutsByFileCountAndByBytesWithTheHeaders) {
    struct Case {
        size_t files;
        unsigned long long size, maxSize;
        std::vector<size_t> cabinets;
    } cases[] = {{65535, 0, kCabinetRoom, {65535}},
                 {65536, 0, kCabinetRoom, {65535, 1}},
                 {70000, 0, kCabinetRoom, {65535, 4465}},
                 {3, 32768, 3 * 32768, {2, 1}},  // three blocks of data, but their headers do not fit
                 {2, 32768, 2 * 32768 + 200, {2}}};
    for (const Case& c : cases) {
        std::vector<SourceFile_> files;
        for (size_t i = 0; i < c.files; ++i) files.push_back(File("f" + std::to_string(100000 + i), c.size));
        BuildOptions_ o;
        o.maxSize = c.maxSize;
        o.store = true;
        std::vector<PlannedCabinet_> plan = PlanCabinets(files, o);
        std::vector<size_t> counts;
        for (const PlannedCabinet_& p : plan) counts.push_back(p.files.size());
        EXPECT_EQ(c.cabinets, counts) << c.files << " files";
        EXPECT_EQ(L"data01.cab", plan[0].name);
    }
    // A file that fills a cabinet of its own, with and without compression.
    for (bool store : {true, false}) {
        EXPECT_TRUE(FitsOneCabinet(File("a", kCabinetRoom - (1u << 21)), store));
        EXPECT_FALSE(FitsOneCabinet(File("a", kCabinetRoom - 64), store));
    }
}

TEST(KelpackPlan, PatternFilesAreDigitsInPlaceOfTheStar) {
    struct Case {
        const char* name;
        bool matches;
    } cases[] = {{"data01.cab", true},  {"DATA7.CAB", true},       {"data123456.cab", true}, {"data.cab", false},
                 {"data0x.cab", false}, {"data01.cab.bak", false}, {"mydata01.cab", false}};
    for (const Case& c : cases) EXPECT_EQ(c.matches, MatchesPattern(L"data*.cab", W(c.name))) << c.name;
}

// What fails while packing leaves OUTPUT byte for byte as it was, and a new
// OUTPUT not there at all.
TEST(KelpackBuild, AFailedBuildLeavesOutputAsItWas) {
    struct Case {
        const char* what;
        bool lock, grow;
        const char* message;
    } cases[] = {{"a file another program holds", true, false, "cannot store grow.log: cannot be read (error 32:"},
                 {"a file written to while it is packed", false, true, "grow.log changed while it was packed"}};
    for (const Case& c : cases) {
        TempFolder dir;
        std::string src = dir / "src", out = dir / "out\\", fresh = dir / "new\\";
        WriteSource(src);
        std::string said;
        ASSERT_EQ(0, BuildHere({src, out, "--max-size", "100K"}, said)) << said;
        std::map<std::string, std::string> before = Snapshot(out);
        TempFolder::writeFile(src + "\\z.txt", std::string(6000, 'y'));
        g_grow = src + "\\grow.log";
        FCHandle lock(c.lock ? CreateFileA(g_grow.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr)
                             : INVALID_HANDLE_VALUE);
        SetBeforePackingForTests(c.grow ? GrowWhilePacking : nullptr);
        for (const std::string& output : {out, fresh}) {
            said.clear();
            EXPECT_EQ(1, BuildHere({src, output}, said)) << c.what << "\n" << said;
            EXPECT_NE(std::string::npos, said.find(c.message)) << c.what << "\n" << said;
        }
        SetBeforePackingForTests(nullptr);
        EXPECT_EQ(before, Snapshot(out)) << c.what;
        EXPECT_FALSE(TempFolder::exists(fresh)) << c.what;
    }
}

// OUTPUT and SOURCE apart, OUTPUT a folder, a size a cabinet can hold:
// refused before anything is written, naming what is wrong.
TEST(KelpackBuild, RefusesOutputsAndSizesItCannotServe) {
    TempFolder dir;
    WriteSource(dir / "src");
    TempFolder::writeFile(dir / "file", "x");
    std::string src = Quoted(dir / "src");
    struct Case {
        std::string arguments, message, absent;
    } cases[] = {
        {src + " " + src, "OUTPUT " + dir / "src\\ is SOURCE " + dir / "src\\", ""},
        {src + " " + Quoted(dir / "src\\out"), "lies inside SOURCE", dir / "src\\out"},
        {Quoted(dir / "src") + " " + Quoted(dir / "."), "holds SOURCE", ""},
        {Quoted(dir / "SRC\\.") + " " + Quoted(dir / "src\\sub\\..\\out"), "lies inside SOURCE", dir / "src\\out"},
        {src + " " + Quoted(dir / "file\\out"), dir / "file is a file, not a folder", dir / "file\\out"},
        {src + " " + Quoted(dir / "out") + " --max-size 5G", "at most 2147450880 bytes", dir / "out"},
        {src + " " + Quoted(dir / "out") + " --max-size 3200M", "at most 2147450880 bytes", dir / "out"},
    };
    for (const Case& c : cases) {
        ProgramResult r = Kelpack("build " + c.arguments);
        EXPECT_EQ(2, r.exitCode) << c.arguments << "\n" << r.output;
        EXPECT_NE(std::string::npos, r.output.find(c.message)) << c.arguments << "\n" << r.output;
        if (!c.absent.empty()) {
            EXPECT_FALSE(TempFolder::exists(c.absent)) << c.arguments;
        }
    }
    EXPECT_FALSE(TempFolder::exists(dir / "src\\data01.cab"));
}

// A rebuild with fewer cabinets leaves no part of the earlier series, into
// a folder whose name ends in the byte of a backslash; a file of the
// pattern put beside a series afterwards is named by verify.
TEST(KelpackBuild, ARebuildReplacesTheWholeSeries) {
    TempFolder dir;
    WriteSource(dir / "src");
    std::string out = dir / "出力表\\";
    ProgramResult first = Kelpack("build " + Quoted(dir / "src") + " " + Quoted(dir / "出力表") + " --max-size 100K");
    ASSERT_EQ(0, first.exitCode) << first.output;
    ASSERT_TRUE(TempFolder::exists(out + "data02.cab")) << first.output;
    TempFolder::writeFile(out + "readme.txt", "the publisher's own");
    ProgramResult second = Kelpack("build " + Quoted(dir / "src") + " " + Quoted(dir / "出力表"));
    ASSERT_EQ(0, second.exitCode) << second.output;
    EXPECT_NE(std::string::npos, second.output.find(out + "data02.cab, a part of an earlier series")) << second.output;
    std::map<std::string, std::string> files = Snapshot(out);
    std::vector<std::string> names;
    for (const auto& f : files) names.push_back(f.first);
    EXPECT_EQ((std::vector<std::string>{"data01.cab", "kelpex.qcf", "readme.txt"}), names);
    EXPECT_FALSE(TempFolder::exists(dir / "出力表data01.cab"));
    EXPECT_EQ(0, Kelpack("verify " + Quoted(dir / "出力表")).exitCode);
    TempFolder::writeFile(out + "data07.cab", files["data01.cab"]);
    ProgramResult stray = Kelpack("verify " + Quoted(dir / "出力表"));
    EXPECT_EQ(1, stray.exitCode) << stray.output;
    EXPECT_NE(std::string::npos, stray.output.find("data07.cab: matches the series' pattern but kelpex.qcf does not"))
        << stray.output;
}

// A pattern is read as the characters it holds: 表 ends in the byte of a
// backslash in Shift_JIS, and is no separator.
TEST(KelpackBuild, PatternsOutsideAsciiBuildAndVerify) {
    for (const char* pattern : {"表*.cab", "ソフト*.cab"}) {
        TempFolder dir;
        WriteSource(dir / "src");
        ProgramResult built = Kelpack("build " + Quoted(dir / "src") + " " + Quoted(dir / "out") +
                                      " --max-size 100K --pattern " + pattern);
        ASSERT_EQ(0, built.exitCode) << built.output;
        std::string first = std::string(pattern).replace(std::string(pattern).find('*'), 1, "01");
        EXPECT_TRUE(TempFolder::exists(dir / ("out\\" + first))) << built.output;
        ProgramResult verified = Kelpack("verify " + Quoted(dir / "out"));
        EXPECT_EQ(0, verified.exitCode) << verified.output;
    }
}

// 65,536 files, one more than a cabinet's count holds: two cabinets whose
// headers count every file, and verify extracts them all.
TEST(KelpackBuild, OneFileMoreThanACabinetCountsGoesIntoASecondCabinet) {
    TempFolder dir;
    std::string src = dir / "src\\";
    CreateDirectoryA(src.c_str(), nullptr);
    const int kFiles = 65536, kPerFolder = 1000;  // folders keep Wine's name lookups short
    for (int i = 0; i < kFiles; ++i) {
        std::string folder = src + "d" + std::to_string(100 + i / kPerFolder) + "\\";
        if (i % kPerFolder == 0) CreateDirectoryA(folder.c_str(), nullptr);
        FCHandle file(CreateFileA((folder + std::to_string(10000 + i % kPerFolder)).c_str(), GENERIC_WRITE, 0, nullptr,
                                  CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr));
        ASSERT_TRUE(file.valid()) << i;
    }
    ProgramResult built = Kelpack("build " + Quoted(dir / "src") + " " + Quoted(dir / "out"), 600000);
    ASSERT_EQ(0, built.exitCode) << built.output;
    EXPECT_NE(std::string::npos, built.output.find("wrote 2 cabinet(s)")) << built.output;
    std::string header = TempFolder::readFile(dir / "out\\data01.cab").substr(28, 2);
    EXPECT_EQ(std::string("\xFF\xFF"), header);  // the file count
    ProgramResult verified = Kelpack("verify " + Quoted(dir / "out"), 600000);
    EXPECT_EQ(0, verified.exitCode) << verified.output;
    EXPECT_NE(std::string::npos, verified.output.find("data01.cab: ok, 65535 files")) << verified.output;
    EXPECT_NE(std::string::npos, verified.output.find("data02.cab: ok, 1 files")) << verified.output;
}
