#include "cab/UxCAB.h"
#include "tests/cab/CabinetWriter.h"
#include "tests/support/TempFolder.h"
#include <gtest/gtest.h>
#include <stdexcept>
#include <string>
#include <vector>

namespace {
std::string Data(const std::string& name) { return WindowsPath(KELPEX_CAB_DATA "/" + name); }

// Records the folders it is told about.
class RecordingCab : public UxCAB {
public:
    void onFolderCreated(const char* folder) override { created.push_back(folder); }
    std::vector<std::string> created;
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

size_t CountEntries(const std::string& folder) {
    size_t n = 0;
    WIN32_FIND_DATAA data;
    HANDLE find = FindFirstFileA((folder + "*").c_str(), &data);
    if (find == INVALID_HANDLE_VALUE) return 0;
    do {
        if (data.cFileName[0] != '.') ++n;
    } while (FindNextFileA(find, &data));
    FindClose(find);
    return n;
}
}  // namespace

TEST(UxCABExtract, SeriesWithJapaneseFoldersComesOutByteForByte) {
    TempFolder dir;
    std::string out = dir / "out\\";
    CreateDirectoryA(out.c_str(), nullptr);
    RecordingCab cab;
    for (int n = 1; n <= 3; ++n) {
        cab.setArchive(Data("data0" + std::to_string(n) + ".cab").c_str());
        ASSERT_TRUE(cab.extractTo(out.c_str())) << cab.errorText.text();
        std::string part = Data("src/part" + std::to_string(n) + "/");
        for (const std::string& file : {"docs\\表示\\ソース\\list" + std::to_string(n) + ".txt",
                                        "bin\\random" + std::to_string(n) + ".bin", "readme" + std::to_string(n) + ".txt"}) {
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
    cab.setArchive(Data("stored.cab").c_str());
    ASSERT_TRUE(cab.extractTo(out.c_str())) << cab.errorText.text();
    EXPECT_EQ(out + "\\", cab.destinationFolder.text());
    EXPECT_EQ(TempFolder::readFile(Data("src/stored/a/b/stored.bin")), TempFolder::readFile(out + "\\a\\b\\stored.bin"));
}

TEST(UxCABExtract, LongerExistingFilesAreReplacedWhole) {
    TempFolder dir;
    std::string out = dir.path();
    CreateDirectoryA((out + "a").c_str(), nullptr);
    TempFolder::writeFile(out + "a\\short.txt", std::string(5000, 'o'));
    SetFileAttributesA((out + "a\\short.txt").c_str(), FILE_ATTRIBUTE_READONLY);
    UxCAB cab;
    cab.setArchive(Data("stored.cab").c_str());
    ASSERT_TRUE(cab.extractTo(out.c_str())) << cab.errorText.text();
    EXPECT_EQ("short", TempFolder::readFile(out + "a\\short.txt"));
    ASSERT_TRUE(cab.extractTo(out.c_str()));  // and again over itself
    EXPECT_EQ("short", TempFolder::readFile(out + "a\\short.txt"));
}

TEST(UxCABFailures, MissingArchiveNamesItAndCallsNothing) {
    TempFolder dir;
    UxCAB cab;
    std::string missing = dir / "gone.cab";
    cab.setArchive(missing.c_str());
    std::string before = cab.destinationFolder.text();
    EXPECT_FALSE(cab.extractTo(dir.path().c_str()));
    EXPECT_EQ("対象が存在しません [" + missing + "]\n", cab.errorText.text());
    EXPECT_EQ(before, cab.destinationFolder.text());
    UxCAB empty;
    EXPECT_FALSE(empty.extractTo(dir.path().c_str()));
    EXPECT_STREQ("対象が存在しません []\n", empty.errorText.text());
}

TEST(UxCABFailures, DamagedTruncatedAndForeignFilesNeverReportSuccess) {
    std::string success = SystemSuccessText();
    for (const char* name : {"damaged.cab", "truncated.cab", "notacab.cab"}) {
        TempFolder dir;
        UxCAB cab;
        cab.setArchive(Data(name).c_str());
        EXPECT_FALSE(cab.extractTo(dir.path().c_str())) << name;
        std::string error = cab.errorText.text();
        EXPECT_FALSE(error.empty()) << name;
        if (!success.empty()) {
            EXPECT_EQ(std::string::npos, error.find(success)) << name << ": " << error;
        }
        // A file the platform left cut short is not left behind.
        if (TempFolder::exists(dir / "bin\\random2.bin")) {
            EXPECT_EQ(TempFolder::readFile(Data("src/part2/bin/random2.bin")), TempFolder::readFile(dir / "bin\\random2.bin"));
        }
    }
}

TEST(UxCABFailures, EntriesOutsideTheDestinationAreNeverWritten) {
    TempFolder dir;
    std::string out = dir / "deep\\out\\";
    CreateDirectoryA((dir / "deep").c_str(), nullptr);
    CreateDirectoryA(out.c_str(), nullptr);
    const char* hostile[] = {"..\\evil1.txt", "sub\\..\\..\\evil2.txt", "C:\\abs.txt", "\\root.txt",
                             "\\\\srv\\share\\x.txt", "sub/../../evil3.txt", "D:rel.txt", "..",
                             "ok\\..\\..\\evil4.txt", "/slash.txt", "a\\\\..\\..\\b.txt", "sub\\... \\..\\x.txt",
                             "x.txt:stream"};
    for (const char* name : hostile) {
        std::string cabinet = dir / "hostile.cab";
        ASSERT_TRUE(WriteCabinet(cabinet, {{"fine.txt", "fine"}, {name, "evil"}, {"after.txt", "after"}}));
        UxCAB cab;
        cab.setArchive(cabinet.c_str());
        EXPECT_FALSE(cab.extractTo(out.c_str())) << name;
        std::string error = cab.errorText.text();
        EXPECT_NE(std::string::npos, error.find(name)) << error;
        EXPECT_FALSE(TempFolder::exists(out + "after.txt")) << name;
    }
    EXPECT_EQ(1u, CountEntries(dir / "deep\\"));  // only out itself
    EXPECT_EQ(2u, CountEntries(dir.path()));       // deep and hostile.cab
    EXPECT_FALSE(TempFolder::exists("C:\\abs.txt"));
}

TEST(UxCABFailures, ForwardSlashesMakeFoldersInside) {
    TempFolder dir;
    std::string cabinet = dir / "fwd.cab";
    ASSERT_TRUE(WriteCabinet(cabinet, {{"fwd/slash.txt", "inside"}}));
    UxCAB cab;
    cab.setArchive(cabinet.c_str());
    std::string out = dir / "o\\";
    CreateDirectoryA(out.c_str(), nullptr);
    ASSERT_TRUE(cab.extractTo(out.c_str())) << cab.errorText.text();
    EXPECT_EQ("inside", TempFolder::readFile(out + "fwd\\slash.txt"));
}

TEST(UxCABFailures, TargetsTooLongForTheBufferAreRefused) {
    TempFolder dir;
    std::string cabinet = dir / "long.cab";
    std::string name = std::string(120, 'n') + "\\" + std::string(150, 'm') + ".txt";
    ASSERT_TRUE(WriteCabinet(cabinet, {{name, "x"}}));
    UxCAB cab;
    cab.setArchive(cabinet.c_str());
    EXPECT_FALSE(cab.extractTo(dir.path().c_str()));
    EXPECT_NE(std::string::npos, std::string(cab.errorText.text()).find("長すぎる"));
    EXPECT_FALSE(TempFolder::exists(dir / std::string(120, 'n')));
}

TEST(UxCABFailures, NamesThatCannotBeShownInTheCodePageFail) {
    TempFolder dir;
    std::string cabinet = dir / "utf.cab";
    CabinetEntry sushi{"\xF0\x9F\x8D\xA3.txt", "x", 0xA0};  // U+1F363, stored as UTF-8
    CabinetEntry kanji{"\xE6\x97\xA5\xE6\x9C\xAC.txt", "nihon", 0xA0};  // 日本
    ASSERT_TRUE(WriteCabinet(cabinet, {kanji}));
    UxCAB cab;
    cab.setArchive(cabinet.c_str());
    ASSERT_TRUE(cab.extractTo(dir.path().c_str())) << cab.errorText.text();
    EXPECT_EQ("nihon", TempFolder::readFile(dir / "日本.txt"));
    ASSERT_TRUE(WriteCabinet(cabinet, {sushi}));
    EXPECT_FALSE(cab.extractTo(dir.path().c_str()));
    EXPECT_NE(std::string::npos, std::string(cab.errorText.text()).find("ファイル名を変換できません"));
}

TEST(UxCABFailures, AFullDiskFailsTheCabinetNamingTheFile) {
    if (!TempFolder::driveExists('S')) GTEST_SKIP() << "no small test drive S:";
    TempFolder dir("S:\\");
    UxCAB cab;
    cab.setArchive(Data("big.cab").c_str());
    EXPECT_FALSE(cab.extractTo(dir.path().c_str()));
    std::string error = cab.errorText.text();
    EXPECT_NE(std::string::npos, error.find(dir / "big.bin")) << error;
    EXPECT_NE(std::string::npos, error.find("ディスクの空き容量が足りません")) << error;
    EXPECT_FALSE(TempFolder::exists(dir / "big.bin"));
}

TEST(UxCABFailures, AnExceptionInAHandlerComesOutOfExtractTo) {
    TempFolder dir;
    ThrowingCab cab;
    cab.setArchive(Data("stored.cab").c_str());
    EXPECT_THROW(cab.extractTo(dir.path().c_str()), Thrown);
    EXPECT_FALSE(TempFolder::exists(dir / "a\\short.txt"));
    UxCAB after;  // the platform is still usable afterwards
    after.setArchive(Data("stored.cab").c_str());
    EXPECT_TRUE(after.extractTo(dir.path().c_str()));
}

TEST(UxCABFailures, SystemErrorTextCarriesTheCode) {
    UxCAB cab;
    cab.setSystemError(5, "ERR) SetupIterateCabinet: *\n");
    std::string text = cab.errorText.text();
    EXPECT_EQ(0u, text.find("5:ERR) SetupIterateCabinet: "));
    EXPECT_GT(text.size(), std::string("5:ERR) SetupIterateCabinet: \n").size());
}
