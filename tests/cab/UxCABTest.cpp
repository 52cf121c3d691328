#include "cab/UxCAB.h"
#include "foundation/FCHandle.h"
#include "tests/cab/CabinetWriter.h"
#include "tests/cab/FciSeries.h"
#include "tests/support/TempFolder.h"
#include "foundation/WideText.h"
#include "fs/PathCompare.h"
#include <gtest/gtest.h>
#include <cstring>
#include <stdexcept>
#include <string>
#include <vector>

namespace {
std::string Data(const std::string& name) { return WindowsPath(KELPEX_CAB_DATA "/" + name); }

// Records the folders it is told about.
class RecordingCab : public UxCAB {
public:
    void onFolderCreated(const std::wstring& folder) override { created.push_back(ToShiftJis(folder)); }
    UINT onFileExtracted(const std::wstring& target) override {
        extracted.push_back(ToShiftJis(target));
        return NO_ERROR;
    }
    std::vector<std::string> created, extracted;
};

struct Thrown : std::runtime_error {
    Thrown() : std::runtime_error("handler") {}
};

class ThrowingCab : public UxCAB {
public:
    UINT onFileInCabinet(FILE_IN_CABINET_INFO_A*) override { throw Thrown(); }
};

std::string SystemSuccessText() {
    char* text = nullptr;
    FormatMessageA(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr,
                   0, MAKELANGID(LANG_NEUTRAL, SUBLANG_DEFAULT), reinterpret_cast<char*>(&text), 0, nullptr);
    std::string s = text != nullptr ? text : "";
    if (text != nullptr) LocalFree(text);
    return s;
}

std::wstring FolderOfTarget(const std::wstring& path) { return path.substr(0, path.rfind(L'\\') + 1); }

size_t CountEntries(const std::string& folder) {
    size_t n = 0;
    for (const std::wstring& name : TempFolder::entries(FromShiftJis((folder + "*").c_str()).c_str()))
        n += name[0] != L'.';
    return n;
}
}  // namespace

TEST(UxCABExtract, SeriesWithJapaneseFoldersComesOutByteForByte) {
    TempFolder dir;
    std::string out = dir / "out\\";
    CreateDirectoryA(out.c_str(), nullptr);
    RecordingCab cab;
    for (int n = 1; n <= 3; ++n) {
        cab.setArchive(W(Data("data0" + std::to_string(n) + ".cab")));
        ASSERT_TRUE(cab.extractTo(W(out))) << ToShiftJis(cab.errorText);
        std::string part = Data("src/part" + std::to_string(n) + "/");
        for (const std::string& file :
             {"docs\\表示\\ソース\\list" + std::to_string(n) + ".txt", "bin\\random" + std::to_string(n) + ".bin",
              "readme" + std::to_string(n) + ".txt"}) {
            std::string expected = TempFolder::readFile(part + file);
            ASSERT_NE("<missing>", expected) << part + file;
            EXPECT_EQ(expected, TempFolder::readFile(out + file)) << file;
        }
    }
    ASSERT_GE(cab.created.size(), 3u);
    EXPECT_EQ(out + "docs\\", cab.created[0]);
    EXPECT_EQ(out + "docs\\表示\\", cab.created[1]);
    EXPECT_EQ(out + "docs\\表示\\ソース\\", cab.created[2]);
}

TEST(UxCABExtract, StoredCabinetAndADestinationWithoutSeparator) {
    TempFolder dir;
    std::string out = dir / "plain";
    CreateDirectoryA(out.c_str(), nullptr);
    UxCAB cab;
    cab.setArchive(W(Data("stored.cab")));
    ASSERT_TRUE(cab.extractTo(W(out))) << ToShiftJis(cab.errorText);
    EXPECT_EQ(out + "\\", ToShiftJis(cab.destinationFolder));
    EXPECT_EQ(TempFolder::readFile(Data("src/stored/a/b/stored.bin")),
              TempFolder::readFile(out + "\\a\\b\\stored.bin"));
}

TEST(UxCABExtract, LongerExistingFilesAreReplacedWhole) {
    TempFolder dir;
    std::string out = dir.path();
    CreateDirectoryA((out + "a").c_str(), nullptr);
    TempFolder::writeFile(out + "a\\short.txt", std::string(5000, 'o'));
    SetFileAttributesA((out + "a\\short.txt").c_str(), FILE_ATTRIBUTE_READONLY);
    UxCAB cab;
    cab.setArchive(W(Data("stored.cab")));
    ASSERT_TRUE(cab.extractTo(W(out))) << ToShiftJis(cab.errorText);
    EXPECT_EQ("short", TempFolder::readFile(out + "a\\short.txt"));
    ASSERT_TRUE(cab.extractTo(W(out)));  // and again over itself
    EXPECT_EQ("short", TempFolder::readFile(out + "a\\short.txt"));
    // A cabinet naming one file twice in a folder it makes: the later entry
    // replaces the earlier one whole, and neither fails the other's size.
    std::string twice = dir / "twice.cab";
    ASSERT_TRUE(WriteCabinet(twice, {{"new\\d.txt", "the first and longer"}, {"new\\d.txt", "second"}}));
    cab.setArchive(W(twice));
    ASSERT_TRUE(cab.extractTo(W(out))) << ToShiftJis(cab.errorText);
    EXPECT_EQ("second", TempFolder::readFile(out + "new\\d.txt"));
    EXPECT_EQ(1u, CountEntries(out + "new\\"));
}

TEST(UxCABFailures, MissingArchiveNamesItAndCallsNothing) {
    TempFolder dir;
    UxCAB cab;
    std::string missing = dir / "gone.cab";
    cab.setArchive(W(missing));
    std::string before = ToShiftJis(cab.destinationFolder);
    EXPECT_FALSE(cab.extractTo(W(dir.path())));
    EXPECT_EQ("対象が存在しません [" + missing + "]\n", ToShiftJis(cab.errorText));
    EXPECT_EQ(before, ToShiftJis(cab.destinationFolder));
    UxCAB empty;
    EXPECT_FALSE(empty.extractTo(W(dir.path())));
    EXPECT_EQ("対象が存在しません []\n", ToShiftJis(empty.errorText));
}

TEST(UxCABFailures, DamagedTruncatedAndForeignFilesNeverReportSuccess) {
    std::string success = SystemSuccessText();
    ASSERT_FALSE(success.empty());
    struct Case {
        const char* cabinet;
        const char* error;  // the start of errorText; the destination follows where it is empty
    } cases[] = {
        {"damaged.cab", "ファイルが正しく展開されませんでした ["},
        {"truncated.cab", "ファイルが正しく展開されませんでした ["},
        {"notacab.cab", "ERR) SetupIterateCabinet: キャビネットファイルが壊れているか、形式が正しくありません ["}};
    for (const Case& c : cases) {
        TempFolder dir;
        UxCAB cab;
        cab.setArchive(W(Data(c.cabinet)));
        EXPECT_FALSE(cab.extractTo(W(dir.path()))) << c.cabinet;
        std::string error = ToShiftJis(cab.errorText);
        EXPECT_EQ(0u, error.find(c.error)) << c.cabinet << ": " << error;
        EXPECT_EQ(std::string::npos, error.find(success)) << c.cabinet << ": " << error;
        // The file the platform cut short is not left behind.
        EXPECT_FALSE(TempFolder::exists(dir / "bin\\random2.bin")) << c.cabinet;
    }
}

TEST(UxCABFailures, EntriesOutsideTheDestinationAreNeverWritten) {
    TempFolder dir;
    std::string out = dir / "deep\\out\\";
    CreateDirectoryA((dir / "deep").c_str(), nullptr);
    CreateDirectoryA(out.c_str(), nullptr);
    const char* hostile[] = {"..\\evil1.txt",
                             "sub\\..\\..\\evil2.txt",
                             "C:\\abs.txt",
                             "\\root.txt",
                             "\\\\srv\\share\\x.txt",
                             "sub/../../evil3.txt",
                             "D:rel.txt",
                             "..",
                             "ok\\..\\..\\evil4.txt",
                             "/slash.txt",
                             "a\\\\..\\..\\b.txt",
                             "sub\\... \\..\\x.txt",
                             "x.txt:stream"};
    for (const char* name : hostile) {
        std::string cabinet = dir / "hostile.cab";
        ASSERT_TRUE(WriteCabinet(cabinet, {{"fine.txt", "fine"}, {name, "evil"}, {"after.txt", "after"}}));
        UxCAB cab;
        cab.setArchive(W(cabinet));
        EXPECT_FALSE(cab.extractTo(W(out))) << name;
        std::string error = ToShiftJis(cab.errorText);
        EXPECT_NE(std::string::npos, error.find(name)) << error;
        EXPECT_FALSE(TempFolder::exists(out + "after.txt")) << name;
    }
    EXPECT_EQ(1u, CountEntries(dir / "deep\\"));  // only out itself
    EXPECT_EQ(2u, CountEntries(dir.path()));  // deep and hostile.cab
    EXPECT_FALSE(TempFolder::exists("C:\\abs.txt"));
}

TEST(UxCABFailures, ForwardSlashesMakeFoldersInside) {
    TempFolder dir;
    std::string cabinet = dir / "fwd.cab";
    ASSERT_TRUE(WriteCabinet(cabinet, {{"fwd/slash.txt", "inside"}}));
    UxCAB cab;
    cab.setArchive(W(cabinet));
    std::string out = dir / "o\\";
    CreateDirectoryA(out.c_str(), nullptr);
    ASSERT_TRUE(cab.extractTo(W(out))) << ToShiftJis(cab.errorText);
    EXPECT_EQ("inside", TempFolder::readFile(out + "fwd\\slash.txt"));
}

// Lengths as Windows counts them, in UTF-16 units: targets just under and
// just over 260 units, with short and long Shift_JIS forms, and entries
// under a destination of 250 units, are all written (beyond 260 through the
// long form), with nothing of ours left beside them.
TEST(UxCABExtract, TargetsOfEveryLengthWindowsTakesAreWritten) {
    TempFolder dir;
    const std::wstring base = dir.widePath();
    auto repeat = [](const char* unit, size_t n) {
        std::string out;
        for (size_t i = 0; i < n; ++i) out += unit;
        return out;
    };
    struct Case {
        std::string destination, entry;  // Shift_JIS, below dir
    } cases[] = {
        {"a\\", repeat("n", 100) + "\\" + repeat("m", 254 - base.size() - 107) + ".txt"},
        {"b\\", repeat("n", 100) + "\\" + repeat("m", 266 - base.size() - 107) + ".txt"},
        {repeat("出", 120) + "\\", repeat("表", 60) + "\\" + repeat("ソ", 60) + ".txt"},
        {repeat("d", 250 - base.size() - 1) + "\\", "sub\\x.txt"},
    };
    for (const Case& c : cases) {
        std::wstring out = base + FromShiftJis(c.destination.c_str()).c_str();
        std::wstring target = out + FromShiftJis(c.entry.c_str()).c_str();
        TempFolder work;
        std::string cabinet = work / "long.cab";
        ASSERT_TRUE(WriteCabinet(cabinet, {{c.entry, "long"}, {"top.txt", "top"}}));
        UxCAB cab;
        cab.setArchive(W(cabinet));
        EXPECT_TRUE(cab.extractTo(out)) << c.entry << "\n" << ToShiftJis(cab.errorText);
        EXPECT_EQ("long", TempFolder::readFile(LongPathForm(target))) << target.size();
        EXPECT_EQ("top", TempFolder::readFile(LongPathForm(out + L"top.txt"))) << target.size();
        EXPECT_EQ(1u, TempFolder::entries(LongPathForm(FolderOfTarget(target)) + L"*").size()) << target.size();
        EXPECT_EQ(2u, TempFolder::entries(LongPathForm(out) + L"*").size()) << target.size();  // no folder of ours
        // Replaced whole, at any length too.
        ASSERT_TRUE(WriteCabinet(cabinet, {{c.entry, "again"}}));
        UxCAB again;
        again.setArchive(W(cabinet));
        EXPECT_TRUE(again.extractTo(out)) << c.entry << "\n" << ToShiftJis(again.errorText);
        EXPECT_EQ("again", TempFolder::readFile(LongPathForm(target))) << target.size();
        EXPECT_EQ(1u, TempFolder::entries(LongPathForm(FolderOfTarget(target)) + L"*").size()) << target.size();
    }
    EXPECT_LT(FromShiftJis((dir.path() + cases[0].destination + cases[0].entry).c_str()).size(), 260u);
    EXPECT_GT(FromShiftJis((dir.path() + cases[1].destination + cases[1].entry).c_str()).size(), 260u);
    EXPECT_GT(FromShiftJis((dir.path() + cases[2].destination + cases[2].entry).c_str()).size(), 260u);
    EXPECT_EQ(250u, FromShiftJis((dir.path() + cases[3].destination).c_str()).size());
}

// Windows counts UTF-16 units: a Japanese target under 260 units is written
// whatever its Shift_JIS length (here over 300 bytes, in a Japanese
// destination), its name stored in Shift_JIS or UTF-8 (a name takes at most
// 255 bytes in a cabinet).
TEST(UxCABExtract, LongJapaneseTargetsUnder260UnitsAreWritten) {
    std::string destination, folder, file, utf8Folder, utf8File;
    for (int i = 0; i < 60; ++i) destination += "出";
    for (int i = 0; i < 40; ++i) {
        folder += "表";
        file += "ソ";
        utf8Folder += "\xE8\xA1\xA8";  // 表
        utf8File += "\xE3\x82\xBD";  // ソ
    }
    for (bool utf8 : {false, true}) {
        TempFolder dir;
        std::string cabinet = dir / "long.cab";
        std::string stored = utf8 ? utf8Folder + "\\" + utf8File + ".txt" : folder + "\\" + file + ".txt";
        ASSERT_TRUE(WriteCabinet(cabinet, {{stored, "long", static_cast<unsigned short>(utf8 ? 0xA0 : 0x20)}}));
        std::string out = dir / (destination + "\\");
        ASSERT_GT((out + folder + "\\" + file + ".txt").size(), 300u);
        UxCAB cab;
        cab.setArchive(W(cabinet));
        EXPECT_TRUE(cab.extractTo(W(out))) << ToShiftJis(cab.errorText);
        EXPECT_EQ("long", TempFolder::readFile(out + folder + "\\" + file + ".txt")) << utf8;
        EXPECT_EQ(1u, CountEntries(out + folder + "\\")) << utf8;  // no temporary file left
        EXPECT_EQ(1u, CountEntries(out)) << utf8;  // no scratch folder left
    }
}

// A name marked as UTF-8 is read as UTF-8: one Shift_JIS cannot hold is
// written and shown under its own name; bytes that are not UTF-8 are
// refused, and shown as the Shift_JIS they would be.
TEST(UxCABFailures, NamesMarkedAsUtf8AreReadSoAndInvalidOnesAreRefused) {
    struct Case {
        std::string name;  // in UTF-8
        const wchar_t* written;  // nullptr: refused
        std::wstring error;
    } cases[] = {
        {"\xE6\x97\xA5\xE6\x9C\xAC.txt", L"\u65E5\u672C.txt", L""},  // 日本
        {"\xE6\x97\xA5\xF0\x9F\x8D\xA3.txt", L"\u65E5\U0001F363.txt", L""},  // 日 and U+1F363
        {"\xF0\x9F\x8D\xA3?.txt", nullptr, L"Windowsでは使えない名前のため展開しません [\U0001F363?.txt]\n"},
        {"\xE6\x97.txt", nullptr,
         L"ファイル名を変換できません [" + FromShiftJis("\xE6\x97") + L".txt]\n"},  // cut short
    };
    for (const Case& c : cases) {
        TempFolder dir;
        std::string cabinet = dir / "utf.cab";
        ASSERT_TRUE(WriteCabinet(cabinet, {{c.name, "x", 0xA0}}));
        UxCAB cab;
        cab.setArchive(W(cabinet));
        EXPECT_EQ(c.written != nullptr, cab.extractTo(W(dir.path()))) << c.name;
        EXPECT_EQ(c.error, cab.errorText) << c.name;
        std::vector<std::wstring> expected;
        if (c.written != nullptr) expected.push_back(c.written);
        std::wstring folder = FromShiftJis(dir.path().c_str()).c_str();
        EXPECT_TRUE(expected == TempFolder::entries(folder + L"*.txt")) << c.name;
    }
}

TEST(UxCABFailures, AFullDiskFailsTheCabinetNamingTheFileAndLeavesNoFileShort) {
    if (!TempFolder::driveExists('S')) GTEST_SKIP() << "no small test drive S:";
    TempFolder source;
    std::string many = source / "many.cab";
    std::vector<CabinetEntry> entries;
    for (int i = 0; i < 300; ++i) entries.push_back({"f" + std::to_string(i) + ".bin", std::string(1000, 'x')});
    ASSERT_TRUE(WriteCabinet(many, entries));
    struct Case {
        std::string cabinet;
        DWORD size;  // of every entry
        bool someFit;  // whole files stay beside the one cut short
    } cases[] = {{Data("big.cab"), 100000, false}, {many, 1000, true}};
    for (const Case& c : cases) {
        TempFolder dir("S:\\");
        UxCAB cab;
        cab.setArchive(W(c.cabinet));
        EXPECT_FALSE(cab.extractTo(W(dir.path()))) << c.cabinet;
        std::string error = ToShiftJis(cab.errorText);
        EXPECT_EQ(0u, error.find("ファイルが正しく展開されませんでした [" + dir.path())) << error;
        EXPECT_NE(std::string::npos, error.find("ディスクの空き容量が足りません")) << error;
        // What the disk could hold stays whole; nothing cut short stays.
        size_t kept = 0;
        WIN32_FIND_DATAA data;
        FCFindHandle find(FindFirstFileA((dir / "*").c_str(), &data));
        for (bool more = find.valid(); more; more = FindNextFileA(find.get(), &data) != FALSE) {
            if ((data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0) continue;
            EXPECT_EQ(c.size, data.nFileSizeLow) << data.cFileName;
            ++kept;
        }
        EXPECT_EQ(c.someFit, kept > 0) << c.cabinet;
    }
}

TEST(UxCABFailures, AnExceptionInAHandlerComesOutOfExtractTo) {
    TempFolder dir;
    ThrowingCab cab;
    cab.setArchive(W(Data("stored.cab")));
    EXPECT_THROW(cab.extractTo(W(dir.path())), Thrown);
    EXPECT_FALSE(TempFolder::exists(dir / "a\\short.txt"));
    UxCAB after;  // the platform is still usable afterwards
    after.setArchive(W(Data("stored.cab")));
    EXPECT_TRUE(after.extractTo(W(dir.path())));
}

TEST(UxCABFailures, SystemErrorTextCarriesTheCodeAndTheSystemsWords) {
    UxCAB cab;
    cab.setSystemError(5, "ERR) SetupIterateCabinet: *\n");
    std::string text = ToShiftJis(cab.errorText);
    EXPECT_EQ(0u, text.find("5:ERR) SetupIterateCabinet: ")) << text;
    EXPECT_NE(std::string::npos, text.find("アクセス")) << text;  // the system's own text for code 5
    EXPECT_EQ("\n", text.substr(text.size() - 1));
    cab.setSystemError(0x2000FFFF, "head *\n");  // a code the system has no text for
    EXPECT_EQ("536936447:head エラーコードの説明がありません\n\n", std::string(ToShiftJis(cab.errorText)));
}

namespace {
// Three parts: big1 continues from part 1 into part 2, big2 from 2 into 3.
std::vector<std::vector<CabinetEntry>> SeriesFiles() {
    std::string big1, big2;
    for (int i = 0; i < 50000; ++i) big1 += static_cast<char>('a' + i % 23);
    for (int i = 0; i < 70000; ++i) big2 += static_cast<char>('A' + i % 19);
    return {
        {{"a.txt", "first"}, {"sub\\big1.bin", big1}}, {{"b.txt", "second"}, {"big2.bin", big2}}, {{"c.txt", "third"}}};
}

// A cabinet whose last data block (16384 bytes, the size of each block the
// writer makes) has a checksum that cannot match: the platform closes the
// file in that block short.
bool WriteDamagedCabinet(const std::string& path, const std::vector<CabinetEntry>& entries) {
    if (!WriteCabinet(path, entries)) return false;
    std::string bytes = TempFolder::readFile(path);
    bytes[bytes.size() - 16384 - 8] = '\x01';  // the last block's checksum
    TempFolder::writeFile(path, bytes);
    return true;
}

void ExpectFile(const std::string& path, const std::string& expected) {
    EXPECT_EQ(expected, TempFolder::readFile(path)) << path;
}

// Extracts the parts in order as one series, as a Run does: empty, or the
// part that failed and why.
std::string ExtractSeries(UxCAB& cab, const std::string& folder, const std::vector<std::string>& names,
                          const std::string& out) {
    cab.startSeries();
    for (const std::string& name : names) {
        cab.setArchive(W((folder + name)));
        if (!cab.extractTo(W(out))) return name + ": " + ToShiftJis(cab.errorText);
    }
    return std::string();
}
}  // namespace

TEST(UxCABSpanning, ACompleteSeriesComesOutWholeWithEveryFileOnce) {
    TempFolder dir;
    auto files = SeriesFiles();
    ASSERT_TRUE(WriteSpanningSeries(dir.path(), {"span1.cab", "span2.cab", "span3.cab"}, files));
    std::string out = dir / "out\\";
    RecordingCab cab;
    for (const char* name : {"span1.cab", "span2.cab", "span3.cab"}) {
        cab.setArchive(W((dir / name)));
        ASSERT_TRUE(cab.extractTo(W(out))) << name << ": " << ToShiftJis(cab.errorText);
    }
    for (const auto& part : files)
        for (const auto& f : part) ExpectFile(out + f.name, f.data);
    EXPECT_EQ(5u, CountEntries(out));  // a, b, c, big2 and sub: no stray temporary files
    // Each part reports the files that begin in it, a continued one once.
    EXPECT_EQ((std::vector<std::string>{out + "a.txt", out + "sub\\big1.bin", out + "b.txt", out + "big2.bin",
                                        out + "c.txt"}),
              cab.extracted);
}

// Files that run through three, four and five parts, as other tools cut
// them: a part may hold nothing but the middle of one file, and the
// platform then asks for parts beyond the one after the cabinet it reads.
TEST(UxCABSpanning, AFileRunsThroughAnyNumberOfParts) {
    auto bytes = [](size_t n, int seed) {
        std::string s;
        for (size_t i = 0; i < n; ++i) s += static_cast<char>((i * 131 + seed) % 251);
        return s;
    };
    const std::vector<std::vector<std::vector<CabinetEntry>>> series = {
        {{{"a.txt", "first"}, {"x.bin", bytes(90000, 1)}}, {}, {{"c.txt", "third"}}},
        {{{"a.txt", "first"}, {"one.bin", bytes(40000, 2)}},
         {{"b.txt", "second"}, {"two\\two.bin", bytes(200000, 3)}},
         {},
         {},
         {{"z.txt", "last"}}},
        {{{"x.bin", bytes(300000, 4)}}, {}, {}, {}, {{"z.txt", "last"}}},
    };
    for (const auto& parts : series) {
        TempFolder dir;
        std::vector<std::string> names;
        for (size_t i = 0; i < parts.size(); ++i) names.push_back("split-" + std::to_string(i + 1) + ".cab");
        ASSERT_TRUE(WriteSpanningSeries(dir.path(), names, parts));
        std::string out = dir / "out\\";
        RecordingCab cab;
        ASSERT_EQ("", ExtractSeries(cab, dir.path(), names, out));
        size_t files = 0;
        for (const auto& part : parts)
            for (const auto& f : part) ExpectFile(out + f.name, f.data), ++files;
        EXPECT_EQ(files, cab.extracted.size());
    }
}

// A series cut by the platform's own compression interface, as other tools
// cut theirs: the large file runs through most of the parts; stored and
// MSZIP, with and without reserved areas in the header, folders and blocks.
TEST(UxCABSpanning, ASeriesOtherToolsCutComesOutWhole) {
    std::string noise = Incompressible(400000, 12345);
    const std::vector<FciEntry> entries = {
        {"a.txt", "first"}, {"medium1.bin", noise.substr(0, 30000)}, {"sub\\medium2.bin", noise}, {"z.txt", "last"}};
    for (int shape = 0; shape < 4; ++shape) {
        bool compress = (shape & 1) != 0, reserve = (shape & 2) != 0;
        TempFolder dir;
        std::vector<std::string> names = WriteFciSeries(dir.path(), entries, 90000, compress, reserve);
        ASSERT_GE(names.size(), 5u);
        std::string out = dir / "out\\";
        RecordingCab cab;
        ASSERT_EQ("", ExtractSeries(cab, dir.path(), names, out));
        for (const FciEntry& e : entries) ExpectFile(out + e.name, e.data);
        EXPECT_EQ(entries.size(), cab.extracted.size());
    }
}

TEST(UxCABSpanning, AMissingOrMisnamedContinuationEndsTheCabinetNamingIt) {
    struct Case {
        const char* rename;  // what becomes of span2.cab; null removes it
    } cases[] = {{nullptr}, {"span2-copy.cab"}};
    for (const Case& c : cases) {
        TempFolder dir;
        ASSERT_TRUE(WriteSpanningSeries(dir.path(), {"span1.cab", "span2.cab", "span3.cab"}, SeriesFiles()));
        if (c.rename == nullptr) DeleteFileA((dir / "span2.cab").c_str());
        else MoveFileA((dir / "span2.cab").c_str(), (dir / c.rename).c_str());
        UxCAB cab;
        cab.setArchive(W((dir / "span1.cab")));
        EXPECT_FALSE(cab.extractTo(W((dir / "out\\"))));
        std::string error = ToShiftJis(cab.errorText);
        EXPECT_NE(std::string::npos, error.find("続きのキャビネットファイルが見つかりません [span2.cab]")) << error;
        EXPECT_NE(std::string::npos, error.find("span1.cab")) << error;
        EXPECT_EQ("first", TempFolder::readFile(dir / "out\\a.txt"));
        EXPECT_FALSE(TempFolder::exists(dir / "out\\sub\\big1.bin"));  // never a half file
    }
}

// An entry marked as continued from the cabinet before is extracted with
// that cabinet and skipped in its own: one the cabinet before does not
// continue would be missing from a Run that reports success, and the
// platform's reader looks for ever for a continued entry the next part
// does not hold. The part is refused as soon as the platform would read it.
TEST(UxCABSpanning, AContinuationThatDoesNotContinueTheCabinetBeforeIsRefused) {
    struct Case {
        const char* entry;  // in span2.cab, marked as continued from span1.cab
        const char* rename;  // its new name, when given
    } cases[] = {{"b.txt", nullptr}, {"sub\\big1.bin", "sub\\big9.bin"}};
    for (const Case& c : cases) {
        TempFolder dir;
        ASSERT_TRUE(WriteSpanningSeries(dir.path(), {"span1.cab", "span2.cab", "span3.cab"}, SeriesFiles()));
        std::string bytes = TempFolder::readFile(dir / "span2.cab");
        size_t at = bytes.find(std::string(c.entry) + '\0');
        ASSERT_NE(std::string::npos, at);
        bytes[at - 8] = static_cast<char>(0xFD);
        bytes[at - 7] = static_cast<char>(0xFF);
        if (c.rename != nullptr) bytes.replace(at, std::strlen(c.rename), c.rename);
        TempFolder::writeFile(dir / "span2.cab", bytes);
        const std::string expected = "キャビネットファイルが壊れています [" + dir / "span2.cab" +
                                     "]\n前のキャビネットファイルから続いていないファイルがあります [" +
                                     (c.rename != nullptr ? c.rename : c.entry) + "]\n";
        UxCAB cab;
        cab.startSeries();
        cab.setArchive(W((dir / "span1.cab")));
        EXPECT_FALSE(cab.extractTo(W((dir / "out\\"))));
        EXPECT_EQ(expected, std::string(ToShiftJis(cab.errorText)));
        EXPECT_FALSE(TempFolder::exists(dir / "out\\sub\\big1.bin"));
        // Given alone after a sound part, the same part is refused before
        // the platform reads it.
        cab.errorText.clear();
        cab.setArchive(W((dir / "span2.cab")));
        EXPECT_FALSE(cab.extractTo(W((dir / "out\\"))));
        EXPECT_EQ(expected, std::string(ToShiftJis(cab.errorText)));
    }
}

TEST(UxCABSpanning, ACabinetOfAnotherSetUnderTheRightNameIsRefusedOnce) {
    TempFolder dir;
    ASSERT_TRUE(WriteSpanningSeries(dir.path(), {"span1.cab", "span2.cab", "span3.cab"}, SeriesFiles()));
    ASSERT_TRUE(WriteCabinet(dir / "span2.cab", {{"other.txt", "other"}}));
    UxCAB cab;
    cab.setArchive(W((dir / "span1.cab")));
    EXPECT_FALSE(cab.extractTo(W((dir / "out\\"))));
    EXPECT_NE(std::string::npos,
              std::string(ToShiftJis(cab.errorText)).find("続きのキャビネットファイルが正しくありません [span2.cab]"))
        << ToShiftJis(cab.errorText);
    EXPECT_FALSE(TempFolder::exists(dir / "out\\sub\\big1.bin"));
}

TEST(UxCABReplace, AnOldFileSurvivesEveryFailureAndIsReplacedWholeOnSuccess) {
    TempFolder dir;
    std::string out = dir / "out\\";
    CreateDirectoryA(out.c_str(), nullptr);
    std::string old(5000, 'o');
    // A good entry filling the first data block, then one whose block fails
    // its checksum: the platform closes that file short.
    std::string cabinet = dir / "cut.cab";
    std::string keep = "new keep" + std::string(16384 - 8, 'k');
    ASSERT_TRUE(WriteDamagedCabinet(cabinet, {{"keep.txt", keep}, {"lost.txt", std::string(16384, 'n')}}));
    for (const char* name : {"keep.txt", "lost.txt"}) TempFolder::writeFile(out + name, old);
    SetFileAttributesA((out + "lost.txt").c_str(), FILE_ATTRIBUTE_READONLY);
    UxCAB cab;
    cab.setArchive(W(cabinet));
    EXPECT_FALSE(cab.extractTo(W(out)));
    std::string error = ToShiftJis(cab.errorText);
    EXPECT_EQ("ファイルが正しく展開されませんでした [" + out + "lost.txt]\n", error);
    ExpectFile(out + "lost.txt", old);
    ExpectFile(out + "keep.txt", keep);
    EXPECT_EQ(2u, CountEntries(out));  // no temporary file left behind
    // The same name, complete: the read-only old file is replaced.
    ASSERT_TRUE(WriteCabinet(cabinet, {{"lost.txt", "short"}}));
    ASSERT_TRUE(cab.extractTo(W(out))) << ToShiftJis(cab.errorText);
    ExpectFile(out + "lost.txt", "short");
    EXPECT_EQ(2u, CountEntries(out));
}

TEST(UxCABFailures, NamesWindowsCannotHoldAreRefusedBeforeAnythingIsWritten) {
    TempFolder dir;
    std::string out = dir / "out\\";
    CreateDirectoryA(out.c_str(), nullptr);
    for (const char* name : {"CON\\x.txt", "sub \\x.txt", "aux.log", "nul.txt", "Com1", "lpt9.txt", "dot.", "a<b.txt",
                             "a|b", "q?.txt", "star*", "quote\".txt", "tab\tname", "con .txt"}) {
        std::string cabinet = dir / "bad.cab";
        ASSERT_TRUE(WriteCabinet(cabinet, {{name, "x"}, {"after.txt", "after"}}));
        UxCAB cab;
        cab.setArchive(W(cabinet));
        EXPECT_FALSE(cab.extractTo(W(out))) << name;
        std::string error = ToShiftJis(cab.errorText);
        EXPECT_EQ(0u, error.find("Windowsでは使えない名前のため展開しません [" + std::string(name) + "]")) << error;
        EXPECT_EQ(0u, CountEntries(out)) << name;
    }
    // Names that only look like devices or forbidden characters are fine.
    std::string cabinet = dir / "fine.cab";
    ASSERT_TRUE(WriteCabinet(cabinet, {{"console.txt", "1"}, {"com10.txt", "2"}, {"lpt.txt", "3"}, {"ポソ.txt", "4"}}));
    UxCAB cab;
    cab.setArchive(W(cabinet));
    EXPECT_TRUE(cab.extractTo(W(out))) << ToShiftJis(cab.errorText);
    EXPECT_EQ(4u, CountEntries(out));
}

// Cabinets of one series share what the extractor learnt about the folders:
// a folder it made holds nothing but what it wrote, yet a file it wrote in
// an earlier cabinet is still replaced through a temporary file, so a
// later cabinet that fails on it leaves the earlier file whole.
TEST(UxCABReplace, ASeriesRemembersItsFoldersAndStillReplacesWhatItWrote) {
    for (bool series : {true, false}) {
        TempFolder dir;
        std::string out = dir / "out\\";
        CreateDirectoryA(out.c_str(), nullptr);
        std::string first = dir / "first.cab", second = dir / "second.cab";
        ASSERT_TRUE(WriteCabinet(first, {{"new\\deep\\x.txt", "first"}, {"new\\y.txt", "y"}}));
        ASSERT_TRUE(WriteDamagedCabinet(
            second, {{"new\\z.txt", std::string(16384, 'z')}, {"new\\deep\\x.txt", std::string(16384, 'n')}}));
        RecordingCab cab;
        if (series) cab.startSeries();
        cab.setArchive(W(first));
        ASSERT_TRUE(cab.extractTo(W(out))) << ToShiftJis(cab.errorText);
        cab.setArchive(W(second));
        EXPECT_FALSE(cab.extractTo(W(out))) << series;
        ExpectFile(out + "new\\deep\\x.txt", "first");
        ExpectFile(out + "new\\z.txt", std::string(16384, 'z'));
        EXPECT_EQ(1u, CountEntries(out + "new\\deep\\")) << series;  // no temporary file left behind
        EXPECT_EQ((std::vector<std::string>{out + "new\\", out + "new\\deep\\"}), cab.created) << series;
    }
}

TEST(UxCABFailures, AFileWhereAFolderBelongsFailsTheCabinet) {
    TempFolder dir;
    std::string out = dir / "out\\";
    CreateDirectoryA(out.c_str(), nullptr);
    TempFolder::writeFile(out + "in the way", "file");
    std::string cabinet = dir / "way.cab";
    ASSERT_TRUE(WriteCabinet(cabinet, {{"a.txt", "a"}, {"in the way\\b.txt", "b"}}));
    UxCAB cab;
    cab.startSeries();
    cab.setArchive(W(cabinet));
    EXPECT_FALSE(cab.extractTo(W(out)));
    EXPECT_NE(std::string::npos, std::string(ToShiftJis(cab.errorText)).find("in the way\\b.txt"))
        << ToShiftJis(cab.errorText);
    EXPECT_EQ("file", TempFolder::readFile(out + "in the way"));
}

namespace {
// Cuts one file short as soon as the platform has written it, as a full
// disk or damaged data would.
class CuttingCab : public UxCAB {
public:
    // readOnly: the short file also gets the attribute, as the platform
    // on Windows gives an entry that carries it.
    explicit CuttingCab(std::string victim, bool readOnly = false) : victim_(std::move(victim)), readOnly_(readOnly) {}
    UINT onFileExtracted(const std::wstring& target) override {
        std::string path = ToShiftJis(target);
        if (path.size() < victim_.size() || path.compare(path.size() - victim_.size(), victim_.size(), victim_) != 0)
            return NO_ERROR;
        TempFolder::writeFile(path, "cut");
        if (readOnly_) SetFileAttributesW(target.c_str(), FILE_ATTRIBUTE_READONLY);
        return NO_ERROR;
    }

private:
    std::string victim_;
    bool readOnly_;
};
}  // namespace

// New files are settled beside the extraction: a short one is found while
// later ones are written. It ends the cabinet, and the whole files written
// before and after it stay as they are, every one of them settled.
TEST(UxCABFailures, AShortFileFoundBesideTheWritingFailsTheRunAndSparesTheWholeOnes) {
    TempFolder dir;
    std::string cabinet = dir / "batch.cab";
    std::vector<CabinetEntry> entries;
    for (int i = 1; i <= 300; ++i)
        entries.push_back({"f" + std::to_string(i) + ".bin", std::string(100, 'a' + i % 26)});
    ASSERT_TRUE(WriteCabinet(cabinet, entries));
    for (bool readOnly : {false, true}) {
        std::string out = dir / (readOnly ? "read-only\\" : "out\\");
        CuttingCab cab("\\f10.bin", readOnly);
        cab.setArchive(W(cabinet));
        EXPECT_FALSE(cab.extractTo(W(out)));
        EXPECT_EQ("ファイルが正しく展開されませんでした [" + out + "f10.bin]\n",
                  std::string(ToShiftJis(cab.errorText)));
        EXPECT_FALSE(TempFolder::exists(out + "f10.bin")) << readOnly;
        // How many follow f10 depends on when the settler reaches it; each
        // one there is whole, and nothing else is (no temporary).
        size_t found = 0;
        for (size_t i = 0; i < entries.size(); ++i) {
            if (i == 9 || (i > 9 && !TempFolder::exists(out + entries[i].name))) continue;
            ExpectFile(out + entries[i].name, entries[i].data);
            ++found;
        }
        EXPECT_EQ(found, CountEntries(out));
    }
}

// A cabinet changed since start-up is checked again before the platform
// reads it: an entry in a folder the cabinet lacks (the platform would
// write another folder's bytes under its name) or continued from a cabinet
// that is not there (skipped without a word) fails it, writing nothing.
TEST(UxCABFailures, ACabinetThePlatformWouldMisreadIsNeverGivenToIt) {
    struct Case {
        unsigned folder;  // of the second entry
        const char* fault;
    } cases[] = {{0x8000, "存在しないフォルダのファイルがあります [b.txt]"},
                 {0xFFFD, "存在しないキャビネットから、またはキャビネットへ続くファイルがあります [b.txt]"}};
    for (const Case& c : cases) {
        TempFolder dir;
        std::string cabinet = dir / "bad.cab";
        ASSERT_TRUE(WriteCabinet(cabinet, {{"a.txt", "aaaa"}, {"b.txt", "bb"}}));
        std::string bytes = TempFolder::readFile(cabinet);
        bytes[44 + 16 + 6 + 8] = static_cast<char>(c.folder & 0xFF);
        bytes[44 + 16 + 6 + 9] = static_cast<char>(c.folder >> 8);
        TempFolder::writeFile(cabinet, bytes);
        std::string out = dir / "out\\";
        UxCAB cab;
        cab.setArchive(W(cabinet));
        EXPECT_FALSE(cab.extractTo(W(out)));
        EXPECT_EQ("キャビネットファイルが壊れています [" + cabinet + "]\n" + c.fault + "\n",
                  std::string(ToShiftJis(cab.errorText)));
        EXPECT_FALSE(TempFolder::exists(out + "a.txt"));
    }
}

namespace {
// The file's last-write time as the user sees it: local time.
SYSTEMTIME LocalWriteTime(const std::string& path) {
    SYSTEMTIME local = {};
    WIN32_FILE_ATTRIBUTE_DATA data;
    SYSTEMTIME universal;
    if (GetFileAttributesExW(FromShiftJis(path.c_str()).c_str(), GetFileExInfoStandard, &data) &&
        FileTimeToSystemTime(&data.ftLastWriteTime, &universal))
        SystemTimeToTzSpecificLocalTime(nullptr, &universal, &local);
    return local;
}
}  // namespace

// Each file takes the date and time its entry stores, a replaced one too;
// a field out of range is held within it, never carried into the next
// month or refused.
TEST(UxCABDates, EveryFileTakesTheTimeItsEntryStores) {
    struct Case {
        const char* name;
        unsigned short date, time;
        WORD year, month, day, hour, minute, second;
    } cases[] = {
        {"a.txt", 0x3A21, 0x6000, 2009, 1, 1, 12, 0, 0},
        {"leap.txt", (40 << 9) | (2 << 5) | 29, (23 << 11) | (59 << 5) | 29, 2020, 2, 29, 23, 59, 58},
        {"month13.txt", (21 << 9) | (13 << 5) | 5, 0, 2001, 12, 5, 0, 0, 0},
        {"day0.txt", (19 << 9) | (6 << 5) | 0, 0, 1999, 6, 1, 0, 0, 0},
        {"feb31.txt", (21 << 9) | (2 << 5) | 31, 0, 2001, 2, 28, 0, 0, 0},
        {"sub\\late.txt", (45 << 9) | (7 << 5) | 4, 0xFFFF, 2025, 7, 4, 23, 59, 59},
    };
    std::vector<FciEntry> entries;
    for (const Case& c : cases) entries.push_back({c.name, std::string("data of ") + c.name, c.date, c.time});
    TempFolder dir;
    std::vector<std::string> names = WriteFciSeries(dir.path(), entries, 0x7FFFFFFF, true);
    ASSERT_EQ(1u, names.size());
    std::string out = dir / "out\\";
    CreateDirectoryA(out.c_str(), nullptr);
    TempFolder::writeFile(out + "a.txt", "an older a.txt, replaced");
    UxCAB cab;
    cab.setArchive(W((dir / names[0])));
    ASSERT_TRUE(cab.extractTo(W(out))) << ToShiftJis(cab.errorText);
    for (const Case& c : cases) {
        SYSTEMTIME t = LocalWriteTime(out + c.name);
        EXPECT_EQ((std::vector<WORD>{c.year, c.month, c.day, c.hour, c.minute, c.second}),
                  (std::vector<WORD>{t.wYear, t.wMonth, t.wDay, t.wHour, t.wMinute, t.wSecond}))
            << c.name;
        ExpectFile(out + c.name, std::string("data of ") + c.name);
    }
}

namespace {
// Puts a folder where the file in flight belongs once its target is
// chosen: the move that gives the written file its name then fails.
class BlockingCab : public UxCAB {
public:
    UINT onFileInCabinet(FILE_IN_CABINET_INFO_A* info) override {
        UINT answer = UxCAB::onFileInCabinet(info);
        std::wstring target = destinationFolder + L"\U0001F363.txt";
        if (answer == FILEOP_DOIT) CreateDirectoryW(target.c_str(), nullptr);
        return answer;
    }
};
}  // namespace

// A file written under a temporary name whose final move fails says so,
// not that an existing file could not be replaced.
TEST(UxCABFailures, AFailedMoveOfANewFileSaysWhatFailed) {
    TempFolder dir;
    std::string cabinet = dir / "emoji.cab";
    ASSERT_TRUE(WriteCabinet(cabinet, {{"\xF0\x9F\x8D\xA3.txt", "sushi", 0xA0}}));
    BlockingCab cab;
    cab.setArchive(W(cabinet));
    std::string out = dir / "out\\";
    EXPECT_FALSE(cab.extractTo(W(out)));
    // The name as it is, though Shift_JIS cannot hold it.
    std::wstring expected =
        FromShiftJis(("一時ファイルを本来の名前に変更できないため展開できません [" + out).c_str()).c_str();
    EXPECT_EQ(0u, cab.errorText.find(expected + L"\U0001F363.txt]\n")) << ToShiftJis(cab.errorText);
    EXPECT_EQ(1u, CountEntries(out));  // the folder in the way, no temporary file
}

// A series as other tools make it (a file through several parts, dated
// entries), extracted into KELPEX_CAB_DATA/cabextract/kelpex/: the test
// after this suite extracts the same series with cabextract and compares
// every file's bytes and time.
TEST(UxCABOtherTools, ExtractsADatedSeriesForTheComparisonWithCabextract) {
    std::string noise = Incompressible(250000, 777);
    const std::vector<FciEntry> entries = {
        {"a.txt", "first", (29 << 9) | (3 << 5) | 14, (9 << 11) | (26 << 5) | 26},
        {"sub\\medium1.bin", noise.substr(0, 40000), (35 << 9) | (12 << 5) | 31, (23 << 11) | (59 << 5) | 29},
        {"sub\\deep\\medium2.bin", noise, (44 << 9) | (7 << 5) | 1, (6 << 11) | (30 << 5)},
        {"z.txt", "last", (20 << 9) | (1 << 5) | 1, 0},
    };
    std::string root = WindowsPath(KELPEX_CAB_DATA "/cabextract/");
    CreateDirectoryA(root.c_str(), nullptr);
    std::vector<std::string> names = WriteFciSeries(root, entries, 70000, true);
    ASSERT_GE(names.size(), 4u);
    std::string out = root + "kelpex\\";
    UxCAB cab;
    ASSERT_EQ("", ExtractSeries(cab, root, names, out));
    for (const FciEntry& e : entries) ExpectFile(out + e.name, e.data);
}

// Messages name a path Shift_JIS cannot hold with its own characters: the
// window is given them as they are.
TEST(UxCABFailures, MessagesNameEveryPathAsItIs) {
    TempFolder dir;
    const std::wstring folder = dir.widePath() + L"caf\u00E9 \uAC8C\uC784\\";
    ASSERT_TRUE(CreateDirectoryW(folder.c_str(), nullptr));
    ASSERT_TRUE(CreateDirectoryW((folder + L"\U0001F363.txt").c_str(), nullptr));  // a folder where the file belongs
    std::string cabinet = dir / "names.cab";
    ASSERT_TRUE(WriteCabinet(cabinet, {{"\xF0\x9F\x8D\xA3.txt", "x", 0xA0}}));
    UxCAB cab;
    cab.setArchive(W(cabinet));
    EXPECT_FALSE(cab.extractTo(folder));
    std::wstring said = cab.errorText;
    EXPECT_NE(std::wstring::npos, said.find(L"[" + folder + L"\U0001F363.txt]")) << ToShiftJis(cab.errorText);
    UxCAB missing;
    missing.setArchive(folder + L"data01.cab");
    EXPECT_FALSE(missing.extractTo(folder));
    said = missing.errorText;
    EXPECT_NE(std::wstring::npos, said.find(L"[" + folder + L"data01.cab]")) << ToShiftJis(missing.errorText);
}

// On a FAT32 volume (F: of the test prefix, through fusefat, whose files
// hold at most 2 GiB), a file through two cabinets as large as the volume
// takes comes out whole; one larger, which the platform's reader reports
// extracted though the file system stopped it, is named as too large for
// the file system, and nothing short stays.
TEST(UxCABFat32, AFileAsLargeAsTheVolumeTakesAndOneLarger) {
    if (!TempFolder::driveExists('F')) GTEST_SKIP() << "no FAT32 test drive F: (mkfs.vfat and fusefat, as root)";
    const unsigned long long kLargest = 1ull << 31;
    // A folder of its own each, made before any large file comes and goes
    // and never removed: fusefat makes folders it cannot write in after a
    // folder is removed or a large file freed.
    const struct {
        unsigned long long size;
        const char* out;
    } cases[] = {{kLargest, "F:\\whole\\"}, {kLargest + 32768, "F:\\larger\\"}};
    for (const auto& c : cases) CreateDirectoryA(c.out, nullptr);
    for (const auto& c : cases) {
        TempFolder dir;
        ASSERT_TRUE(WriteZeroSpanningPair(dir.path(), "big.bin", c.size));
        std::string out = c.out;
        UxCAB cab;
        cab.startSeries();
        cab.setArchive(W((dir / "data01.cab")));
        bool extracted = cab.extractTo(W(out));
        WIN32_FILE_ATTRIBUTE_DATA data;
        bool there = GetFileAttributesExA((out + "big.bin").c_str(), GetFileExInfoStandard, &data) != FALSE;
        if (c.size == kLargest) {
            EXPECT_TRUE(extracted) << ToShiftJis(cab.errorText);
            EXPECT_TRUE(there && data.nFileSizeHigh == 0 && data.nFileSizeLow == kLargest);
        } else {
            EXPECT_FALSE(extracted);
            EXPECT_EQ("ファイルが正しく展開されませんでした [" + out +
                          "big.bin]\n展開先のファイルシステムにはこの大きさのファイルを保存できないため、2147483648 "
                          "バイトまでしか書き込めませんでした。\n",
                      std::string(ToShiftJis(cab.errorText)));
            EXPECT_FALSE(there);
        }
        DeleteFileA((out + "big.bin").c_str());
    }
}

// Every part of the extractor ends the cabinet through one record: whatever
// order the ends come in, the gravest decides how the cabinet ends and the
// first failure is the one reported.
TEST(UxCabinetEnd, TheGravestEndDecidesAndTheFirstFailureIsReported) {
    struct CASE_ {
        const char* steps;  // c: Cancel, s: stop, f and g: failures, t: an exception
        UxCabinetEnd::State state;
        const wchar_t* failure;
    } cases[] = {
        {"", UxCabinetEnd::RUNNING, L""},    {"cs", UxCabinetEnd::CANCELLED, L""}, {"cf", UxCabinetEnd::FAILED, L"f"},
        {"fgc", UxCabinetEnd::FAILED, L"f"}, {"tf", UxCabinetEnd::THROWN, L""},    {"fts", UxCabinetEnd::THROWN, L"f"},
    };
    for (const CASE_& c : cases) {
        UxCabinetEnd end;
        end.fail(L"before");
        end.begin();  // a new cabinet starts clean
        for (const char* step = c.steps; *step != '\0'; ++step) {
            UINT answer = FILEOP_SKIP;
            switch (*step) {
            case 'c': answer = end.cancel(); break;
            case 's': answer = end.stop(); break;
            case 't': end.keep(std::make_exception_ptr(Thrown())); break;
            default: answer = end.fail(std::wstring(1, static_cast<wchar_t>(*step)));
            }
            EXPECT_EQ(*step == 'c' ? static_cast<UINT>(ERROR_CANCELLED) : static_cast<UINT>(FILEOP_SKIP), answer);
        }
        EXPECT_EQ(c.state, end.state()) << c.steps;
        EXPECT_EQ(c.state != UxCabinetEnd::RUNNING, end.stopped()) << c.steps;
        EXPECT_EQ(std::wstring(c.failure), end.failure()) << c.steps;
        if (c.state == UxCabinetEnd::THROWN) {
            EXPECT_THROW(end.rethrow(), Thrown) << c.steps;
        }
    }
}
