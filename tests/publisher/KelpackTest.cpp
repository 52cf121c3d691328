#include "foundation/FCHandle.h"
#include "foundation/WideText.h"
#include "publisher/kelpack/TestSeams.h"
#include "publisher/kelpack/Verify.h"
#include "tests/cab/CabinetWriter.h"
#include "tests/publisher/KelpackProgram.h"
#include "tests/support/TempFolder.h"
#include "tests/support/WindowAnswerer.h"
#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace {
// A file made through the long-path form, which takes names and lengths
// the ordinary functions refuse.
bool WriteRaw(const std::wstring& path, const std::string& bytes) {
    FCHandle h(CreateFileW((L"\\\\?\\" + path).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL,
                           nullptr));
    if (!h.valid()) return false;
    DWORD done = 0;
    WriteFile(h.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &done, nullptr);
    return done == bytes.size();
}

std::wstring Wide(const std::string& ansi) {
    wchar_t buffer[1024];
    int n = MultiByteToWideChar(CP_ACP, 0, ansi.c_str(), -1, buffer, 1024);
    return std::wstring(buffer, n > 0 ? static_cast<size_t>(n - 1) : 0);
}

// Adds delta to the header's byte at offset.
void SpoilHeader(const std::string& path, size_t offset, int delta) {
    std::string bytes = TempFolder::readFile(path);
    bytes[offset] = static_cast<char>(bytes[offset] + delta);
    TempFolder::writeFile(path, bytes);
}

// A small good series in dir/out from dir/src.
void BuildGoodSeries(const TempFolder& dir) {
    CreateDirectoryA((dir / "src").c_str(), nullptr);
    CreateDirectoryA((dir / "src\\表").c_str(), nullptr);
    TempFolder::writeFile(dir / "src\\表\\ソ.txt", "so");
    TempFolder::writeFile(dir / "src\\data.bin", Incompressible(200000));
    TempFolder::writeFile(dir / "src\\z.txt", std::string(5000, 'z'));
    ProgramResult built = Kelpack("build " + Quoted(dir / "src") + " " + Quoted(dir / "out") + " --max-size 100K");
    ASSERT_EQ(0, built.exitCode) << built.output;
}
}  // namespace

TEST(Kelpack, BuildRefusesEveryNameKelpexCouldNotWriteAndWritesNothing) {
    TempFolder dir;
    std::wstring src = Wide(dir / "src\\");
    CreateDirectoryW(src.c_str(), nullptr);
    CreateDirectoryW((src + L"sub").c_str(), nullptr);
    std::wstring longName = std::wstring(120, L'a') + L"\\" + std::wstring(130, L'b') + L".txt";
    CreateDirectoryW((L"\\\\?\\" + src + std::wstring(120, L'a')).c_str(), nullptr);
    struct Case {
        std::wstring name;
        const wchar_t* shown;  // as the message names it: exactly, not in Shift_JIS
        const wchar_t* reason;
    } cases[] = {{L"CON.txt", L"CON.txt", L"kelpex would refuse the name"},
                 {L"\u00e9t\u00e9.", L"\u00e9t\u00e9.", L"kelpex would refuse the name"},
                 {L"sub\\trail.txt ", L"sub\\trail.txt ", L"kelpex would refuse the name"},
                 {longName, L"aaaa", L"the path is too long"}};
    for (const Case& c : cases) ASSERT_TRUE(WriteRaw(src + c.name, "x")) << c.name.size();
    TempFolder::writeFile(dir / "src\\fine.txt", "fine");
    ProgramResult r = Kelpack("build " + Quoted(dir / "src") + " " + Quoted(dir / "out"));
    EXPECT_EQ(1, r.exitCode) << r.output;
    for (const Case& c : cases) {
        size_t at = r.wideOutput.find(std::wstring(L"kelpack: cannot store ") + c.shown);
        ASSERT_NE(std::wstring::npos, at) << r.output;
        EXPECT_NE(std::wstring::npos, r.wideOutput.find(c.reason, at)) << r.output;
    }
    EXPECT_FALSE(TempFolder::exists(dir / "out"));
}

TEST(Kelpack, UsageErrorsAreTwoAndSayWhy) {
    TempFolder dir;
    CreateDirectoryA((dir / "empty").c_str(), nullptr);
    struct Case {
        std::string arguments, message;
    } cases[] = {
        {"build " + Quoted(dir / "none") + " " + Quoted(dir / "out"), "the source folder does not exist"},
        {"build " + Quoted(dir / "empty") + " " + Quoted(dir / "out"), "the source folder holds no file"},
        {"build " + Quoted(dir / "empty") + " " + Quoted(dir / "out") + " --max-size 12Q", "the maximum size"},
        {"build " + Quoted(dir / "empty") + " " + Quoted(dir / "out") + " --pattern data.cab", "exactly one '*'"},
        {"build " + Quoted(dir / "empty") + " " + Quoted(dir / "out") + " --key 0", "the key"},
        {"frobnicate", "usage: kelpack"},
        {"verify", "verify needs exactly one FOLDER"}};
    for (const Case& c : cases) {
        ProgramResult r = Kelpack(c.arguments);
        EXPECT_EQ(2, r.exitCode) << c.arguments << "\n" << r.output;
        EXPECT_NE(std::string::npos, r.output.find(c.message)) << c.arguments << "\n" << r.output;
    }
}

TEST(Kelpack, TheSameInputGivesTheSameBytes) {
    TempFolder dir;
    BuildGoodSeries(dir);
    ProgramResult again = Kelpack("build " + Quoted(dir / "src") + " " + Quoted(dir / "again") + " --max-size 100K");
    ASSERT_EQ(0, again.exitCode) << again.output;
    for (const char* name : {"data01.cab", "data02.cab", "kelpex.qcf"}) {
        std::string first = TempFolder::readFile(dir / "out\\" + name);
        ASSERT_NE("<missing>", first) << name;
        EXPECT_EQ(first, TempFolder::readFile(dir / "again\\" + name)) << name;
    }
    EXPECT_FALSE(TempFolder::exists(dir / "out\\data03.cab"));  // data.bin alone, then the rest
    // Another input, another set: the cabinets of two builds never pass for one series.
    TempFolder::writeFile(dir / "src\\z.txt", std::string(5000, 'y'));
    ASSERT_EQ(0, Kelpack("build " + Quoted(dir / "src") + " " + Quoted(dir / "other") + " --max-size 100K").exitCode);
    EXPECT_NE(TempFolder::readFile(dir / "out\\data02.cab").substr(32, 2),
              TempFolder::readFile(dir / "other\\data02.cab").substr(32, 2));
}

TEST(Kelpack, VerifyNamesEveryFaultOfASeries) {
    struct Case {
        const char* fault;
        void (*spoil)(const std::string& out);
        const char* message;
    } cases[] = {
        {"sound", [](const std::string&) {}, "the series is sound"},
        {"cut short",
         [](const std::string& out) {
             std::string bytes = TempFolder::readFile(out + "data02.cab");
             TempFolder::writeFile(out + "data02.cab", bytes.substr(0, bytes.size() - 1));
         },
         "data02.cab: cut short"},
        {"missing", [](const std::string& out) { DeleteFileA((out + "data02.cab").c_str()); }, "data02.cab: missing"},
        {"no cabinet", [](const std::string& out) { TempFolder::writeFile(out + "data02.cab", "plain text"); },
         "data02.cab: not a cabinet"},
        {"damaged block",
         [](const std::string& out) {
             std::string bytes = TempFolder::readFile(out + "data02.cab");
             bytes[bytes.size() - 4] = static_cast<char>(~bytes[bytes.size() - 4]);  // in the last block's data
             TempFolder::writeFile(out + "data02.cab", bytes);
         },
         "data02.cab: does not extract"},
        {"entry in no folder",
         [](const std::string& out) {
             std::string bytes = TempFolder::readFile(out + "data02.cab");
             size_t files = static_cast<unsigned char>(bytes[16]) | static_cast<unsigned char>(bytes[17]) << 8;
             bytes[files + 9] = '\x80';  // the first entry's folder index: 0x80xx
             TempFolder::writeFile(out + "data02.cab", bytes);
         },
         "data02.cab: damaged: an entry names a folder the cabinet does not have"},
        {"refused entry",
         [](const std::string& out) {
             WriteCabinet(out + "data02.cab", {{"CON\\x.txt", "x"}});
         },
         "data02.cab: does not extract: Windowsでは使えない名前のため展開しません [CON\\x.txt]"},
        {"uncounted entry", [](const std::string& out) { SpoilHeader(out + "data02.cab", 28, -1); },
         "data02.cab: damaged: the file table holds entries the header does not count"},
        {"parts of two builds", [](const std::string& out) { SpoilHeader(out + "data02.cab", 32, 0x5A); },
         "the cabinets are not one build's"},
        {"sound, made one at a time",
         [](const std::string& out) {
             SpoilHeader(out + "data02.cab", 32, 0x5A);
             SpoilHeader(out + "data02.cab", 34, -1);  // index 1 becomes 0
         },
         "note: the cabinets carry different set IDs"},
        {"understated size",
         [](const std::string& out) {
             std::string qcf = TempFolder::readFile(out + "kelpex.qcf");
             qcf.replace(qcf.find("size=1"), 6, "size=0");
             TempFolder::writeFile(out + "kelpex.qcf", qcf);
         },
         "size=0 MB is below the series' uncompressed total of 1 MB"},
    };
    for (const Case& c : cases) {
        TempFolder dir;
        BuildGoodSeries(dir);
        c.spoil(dir / "out\\");
        ProgramResult r = Kelpack("verify " + Quoted(dir / "out"));
        EXPECT_EQ(std::string(c.fault).compare(0, 5, "sound") == 0 ? 0 : 1, r.exitCode) << c.fault << "\n" << r.output;
        EXPECT_NE(std::string::npos, r.output.find(c.message)) << c.fault << "\n" << r.output;
    }
}

TEST(Kelpack, VerifyAcceptsAContinuedSeriesOnlyWithEveryPart) {
    TempFolder dir;
    std::string out = dir / "series\\";
    CreateDirectoryA(out.c_str(), nullptr);
    ASSERT_TRUE(WriteSpanningSeries(out, {"data01.cab", "data02.cab"},
                                    {{{"a.txt", "a"}, {"big.bin", std::string(40000, 'b')}}, {{"c.txt", "c"}}}));
    TempFolder::writeFile(out + "kelpex.qcf", "fname=data*.cab,2,1,2,1\nsize=1\n");
    ProgramResult whole = Kelpack("verify " + Quoted(dir / "series"));
    EXPECT_EQ(0, whole.exitCode) << whole.output;
    TempFolder::writeFile(out + "kelpex.qcf", "fname=data*.cab,2,1,1,1\nsize=1\n");
    DeleteFileA((out + "data02.cab").c_str());
    ProgramResult cut = Kelpack("verify " + Quoted(dir / "series"));
    EXPECT_EQ(1, cut.exitCode) << cut.output;
    EXPECT_NE(std::string::npos, cut.output.find("data01.cab: continues into data02.cab, which is missing"))
        << cut.output;
}

// Names with a component that begins with a dot are ordinary names: packed,
// verified and cleaned up after like any other, and verify ends.
TEST(Kelpack, DotNamesPackAndVerify) {
    TempFolder dir;
    for (const char* folder : {"src", "src\\d", "src\\.config"}) CreateDirectoryA((dir / folder).c_str(), nullptr);
    for (const char* file : {"src\\.a", "src\\d\\.a", "src\\.config\\x", "src\\plain.txt"})
        TempFolder::writeFile(dir / file, file);
    ProgramResult built = Kelpack("build " + Quoted(dir / "src") + " " + Quoted(dir / "out"));
    ASSERT_EQ(0, built.exitCode) << built.output;
    ProgramResult verified = Kelpack("verify " + Quoted(dir / "out"));
    EXPECT_EQ(0, verified.exitCode) << verified.output;
    EXPECT_NE(std::string::npos, verified.output.find("ok, 4 files")) << verified.output;
}

namespace {
// The scratch folders of verifies in the temporary folder.
std::vector<std::wstring> ScratchFolders() {
    wchar_t temp[MAX_PATH + 1];
    GetTempPathW(MAX_PATH + 1, temp);
    return TempFolder::entries(std::wstring(temp) + L"kelpack-verify-*");
}
}  // namespace

// A folder whose data is not what it declares brings the platform's reader
// down with the process: verify still says which cabinet it was reading,
// ends, and its scratch folder (holding the file the reader was writing)
// is removed once it has ended. (The 64-bit reader fails on it cleanly.)
TEST(Kelpack, VerifyNamesTheCabinetThePlatformsReaderFailsOnAndLeavesNoScratchFolder) {
    TempFolder dir;
    std::string out = dir / "series\\";
    CreateDirectoryA(out.c_str(), nullptr);
    ASSERT_TRUE(WriteMisdeclaredFolderCabinet(out + "data.cab"));
    TempFolder::writeFile(out + "kelpex.qcf", "fname=data.cab\nsize=1\n");
    std::vector<std::wstring> before = ScratchFolders();
    ProgramResult r = Kelpack("verify " + Quoted(dir / "series"));
    EXPECT_NE(0, r.exitCode) << r.output;
    EXPECT_NE(259, r.exitCode) << r.output;
    const std::string said = sizeof(void*) == 4 ? out + "data.cab: the platform's cabinet reader failed on it"
                                                : "data.cab: does not extract";
    EXPECT_NE(std::string::npos, r.output.find(said)) << r.output;
    EXPECT_TRUE(WindowAnswerer::waitUntil([&] { return ScratchFolders() == before; }, 30000));
}

// verify names the configuration's encoding and warns of what Shift_JIS
// cannot hold, without failing the series for it.
TEST(Kelpack, VerifyNamesTheConfigurationsEncodingAndWarnsOfLostCharacters) {
    TempFolder dir;
    BuildGoodSeries(dir);
    std::string qcf = dir / "out\\kelpex.qcf";
    TempFolder::writeFile(qcf, "\xEF\xBB\xBF" + TempFolder::readFile(qcf) + u8"caption=表\U0001F600\n");
    ProgramResult r = Kelpack("verify " + Quoted(dir / "out"));
    EXPECT_EQ(0, r.exitCode) << r.output;
    EXPECT_NE(std::string::npos, r.output.find("kelpex.qcf is UTF-8 with a byte-order mark")) << r.output;
    EXPECT_NE(std::string::npos, r.output.find("warning: 1 character(s) of kelpex.qcf have no Shift_JIS form"))
        << r.output;
}

// A temporary folder beyond 260 units holds the scratch folder as well as
// any other; nothing else in it is touched, and the scratch folder goes.
// (A temporary folder Shift_JIS cannot name is used as it is: see the
// code-page tests.)
TEST(Kelpack, VerifyKeepsItsScratchFolderInATemporaryFolderOfAnyLength) {
    TempFolder dir;
    BuildGoodSeries(dir);
    std::wstring base = FromShiftJis(dir.path().c_str()).c_str();
    std::wstring temp = base + std::wstring(200, L'l') + L"\\" + std::wstring(100, L'm') + L"\\";
    ASSERT_TRUE(CreateDirectoryW((L"\\\\?\\" + temp.substr(0, base.size() + 200)).c_str(), nullptr));
    ASSERT_TRUE(CreateDirectoryW((L"\\\\?\\" + temp).c_str(), nullptr));
    ASSERT_TRUE(WriteRaw(temp + L"keep.txt", "keep"));
    ProgramResult r = RunProgram(KELPACK_EXE, "verify " + Quoted(dir / "out"), 120000, temp);
    EXPECT_EQ(0, r.exitCode) << r.output;
    EXPECT_NE(std::string::npos, r.output.find("the series is sound")) << r.output;
    EXPECT_EQ(std::vector<std::wstring>{L"keep.txt"}, TempFolder::entries(L"\\\\?\\" + temp + L"*"));
}

// A reader that gives no sign of progress is stopped once the bound has
// passed (the bound through a seam: a part's own is a minute and more; the
// reader a stand-in that stops half way through a file, as Wine's reader
// does on one valid spanning shape): verify names the cabinet it was
// reading, fails the series, and leaves no scratch folder.
TEST(Kelpack, VerifyStopsAReaderThatGivesNoSignOfProgress) {
    TempFolder dir;
    BuildGoodSeries(dir);
    std::vector<std::wstring> before = ScratchFolders();
    std::wstring wide;
    CaptureSayingForTests(&wide);
    SetReaderBoundForTests(1500);
    wchar_t self[MAX_PATH];
    GetModuleFileNameW(nullptr, self, MAX_PATH);
    SetReaderProgramForTests(self);
    DWORD start = GetTickCount();
    int code = Verify({L"verify", W(dir / "out")});
    DWORD took = GetTickCount() - start;
    CaptureSayingForTests(nullptr);
    std::string said = ToShiftJis(wide);
    SetReaderBoundForTests(0);
    SetReaderProgramForTests(nullptr);
    EXPECT_EQ(1, code) << said;
    EXPECT_LT(took, 20000u) << said;  // two parts, each stopped after the bound
    for (const char* part : {"data01.cab", "data02.cab"})
        EXPECT_NE(std::string::npos, said.find(std::string(part) +
                                               ": the platform's cabinet reader gave no sign of "
                                               "progress for 1 s while reading " +
                                               part))
            << said;
    EXPECT_EQ(before, ScratchFolders());
}
