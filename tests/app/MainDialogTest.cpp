#include "foundation/WideText.h"
#include "fs/FCPathName.h"
#include "ui/Markup.h"
#include "tests/app/MainDialogHarness.h"
#include "tests/cab/CabinetWriter.h"
#include "tests/support/Watchdog.h"
#include <gtest/gtest.h>
#include <shellapi.h>
#include <shlobj.h>
#include <random>

namespace {
std::vector<std::string> Numbered(const char* format, int first, int last) {
    std::vector<std::string> names;
    for (int n = first; n <= last; ++n) {
        char name[64];
        snprintf(name, sizeof name, format, n);
        names.push_back(name);
    }
    return names;
}

std::string Opening(const std::vector<std::string>& names) {
    std::string text = "指定されたcabを一括解凍します。\r解凍に使用するデータ";
    for (const auto& n : names) text += "\r" + n;
    return text;
}

// The markup's dark red and green as shown: that hue, readable on what the
// control paints.
bool IsDarkRed(const MainDialogHarness& h, int id, int at) {
    return ShownAs(h.control(id), h.formatAt(id, at), 0xC00000);
}
bool IsDarkGreen(const MainDialogHarness& h, int id, int at) {
    return ShownAs(h.control(id), h.formatAt(id, at), 0x00C000);
}
bool IsAuto(const CHARFORMATA& f) { return (f.dwEffects & CFE_AUTOCOLOR) != 0; }

}  // namespace

TEST(MainDialogStart, MissingConfigurationDisablesRunAndBrowse) {
    MainDialogHarness h(nullptr, {});
    h.open();
    EXPECT_EQ("実行ファイルと同じ場所に、kelpex.qcfが見つかりません。", h.text(IDC_MAIN_MESSAGE));
    EXPECT_FALSE(h.enabled(IDC_MAIN_RUN));
    EXPECT_FALSE(h.enabled(IDC_MAIN_BROWSE));
    EXPECT_TRUE(h.enabled(IDC_MAIN_DESTINATION_EDIT));
    EXPECT_EQ("複数cab展開ツール", h.caption());
    EXPECT_EQ("", h.text(IDC_MAIN_DESTINATION_LINE));
    h.type("C:\\x");
    EXPECT_EQ("C:\\x\\", h.text(IDC_MAIN_DESTINATION_LINE));
}

TEST(MainDialogStart, SeriesInSetOrderWithCaptionAndOpeningText) {
    auto names = Numbered("data%02d.cab", 1, 12);
    MainDialogHarness h("caption=表示テスト\nfname=data*.cab,2,1,12,1\n", names);
    h.open();
    EXPECT_EQ("表示テスト", h.caption());
    EXPECT_EQ(Opening(names), h.text(IDC_MAIN_MESSAGE));
    EXPECT_TRUE(h.enabled(IDC_MAIN_RUN));
    EXPECT_EQ(12u, h.main().configuration()->archives.size());
}

TEST(MainDialogStart, WidthZeroSortsByTheLocaleNotByNumber) {
    MainDialogHarness h("fname=data*.cab,0,1,12,1\n", Numbered("data%d.cab", 1, 12));
    h.open();
    EXPECT_EQ(Opening({"data1.cab", "data10.cab", "data11.cab", "data12.cab", "data2.cab", "data3.cab", "data4.cab",
                       "data5.cab", "data6.cab", "data7.cab", "data8.cab", "data9.cab"}),
              h.text(IDC_MAIN_MESSAGE));
}

TEST(MainDialogStart, WidthKeepsTheLastDigitsAndExtraFieldsAreIgnored) {
    MainDialogHarness h("fname= d*.cab, 2, 99, 101, 1, 7, extra\n", {"d99.cab", "d00.cab", "d01.cab"});
    h.open();
    EXPECT_EQ(Opening({"d00.cab", "d01.cab", "d99.cab"}), h.text(IDC_MAIN_MESSAGE));
}

TEST(MainDialogStart, PatternWithoutStarAndAnEmptyRange) {
    {
        MainDialogHarness h("fname=single.cab,0,1,2000000000,1\n", {"single.cab"});
        h.open();
        EXPECT_EQ(Opening({"single.cab"}), h.text(IDC_MAIN_MESSAGE));
    }
    MainDialogHarness h("fname=data*.cab,2,5,1,1\n", {});
    h.open();
    EXPECT_EQ(Opening({}), h.text(IDC_MAIN_MESSAGE));
    EXPECT_TRUE(h.enabled(IDC_MAIN_RUN));
}

TEST(MainDialogStart, MissingArchiveIsNamedInDarkRed) {
    // Only the first missing archive is named, and the flags force nothing.
    MainDialogHarness h("fname=data*.cab,2,1,4,1\nflags=3\n", {"data01.cab", "data04.cab"});
    h.open();
    std::string text = h.text(IDC_MAIN_MESSAGE);
    EXPECT_EQ("実行ファイルと同じ場所にdata02.cabが見つかりません。", text);
    int at = 12;  // characters before the name
    for (int i = 0; i < 10; ++i) EXPECT_TRUE(IsDarkRed(h, IDC_MAIN_MESSAGE, at + i)) << i;
    EXPECT_TRUE(IsAuto(h.formatAt(IDC_MAIN_MESSAGE, at - 1)));
    EXPECT_TRUE(IsAuto(h.formatAt(IDC_MAIN_MESSAGE, at + 10)));  // back to the control's colour after the name
    EXPECT_FALSE(h.enabled(IDC_MAIN_RUN));
    EXPECT_FALSE(h.enabled(IDC_MAIN_BROWSE));
    for (int box : {IDC_MAIN_MAKER_BOX, IDC_MAIN_APP_BOX}) {
        EXPECT_FALSE(h.checked(box));
        EXPECT_TRUE(h.enabled(box));
    }
}

TEST(MainDialogStart, EveryFnameOpensAtOnceWithAMessageOfItsOwn) {
    struct Case {
        const char* qcf;
        const char* message;  // the start of the message area's text
        bool runEnabled;
    } cases[] = {
        {"fname=data*.cab,2,1,3,0\n", "kelpex.qcfのfnameの指定が正しくありません。\r番号の増分（5番目の値）", false},
        {"fname=data*.cab,2,1,3,-2\n", "kelpex.qcfのfnameの指定が正しくありません。\r番号の増分（5番目の値）", false},
        {"size=1\n", "kelpex.qcfにfname（解凍するファイル名）の指定がありません。", false},
        {"fname=\n", "kelpex.qcfにfname（解凍するファイル名）の指定がありません。", false},
        {"fname=data*.cab,30000,1,2,1\n", "kelpex.qcfのfnameの指定が正しくありません。\r番号の桁数（2番目の値）",
         false},
        {"fname=data*.cab,16000000,1,2,1\n", "kelpex.qcfのfnameの指定が正しくありません。\r番号の桁数（2番目の値）",
         false},
        {"fname=data*.cab,201,1,1,1\n", "kelpex.qcfのfnameの指定が正しくありません。\r番号の桁数（2番目の値）", false},
        {"fname=data*.cab,200,1,1,1\n", "実行ファイルと同じ場所に", false},
        {"fname=data*.cab,2,-2147483648,2147483647,1\n",
         "kelpex.qcfのfnameの指定が正しくありません。\r番号の範囲が大きすぎます。", false},
        {"fname=data*.cab,2,1,1000001,1\n", "kelpex.qcfのfnameの指定が正しくありません。\r番号の範囲が大きすぎます。",
         false},
        {"fname=data*.cab,2,2147483600,2147483647,1\n", "実行ファイルと同じ場所にdata00.cabが見つかりません。", false},
        {"fname=setup.cab\n", "実行ファイルと同じ場所にsetup.cabが見つかりません。", false},
        {"fname=data01.cab\n", "指定されたcabを一括解凍します。\r解凍に使用するデータ\rdata01.cab", true},
        // Numbers that do not fit 32 bits are refused, never wrapped.
        {"fname=data*.cab,4294967298,1,1,1\n", "kelpex.qcfのfnameの指定が正しくありません。\r2番目の値が大きすぎます。",
         false},
        {"fname=data*.cab,2,2147483648,2147483648,1\n",
         "kelpex.qcfのfnameの指定が正しくありません。\r3番目の値が大きすぎます。", false},
        {"fname=data*.cab,2,1,1,0x100000001\n",
         "kelpex.qcfのfnameの指定が正しくありません。\r5番目の値が大きすぎます。", false},
        {"fname=data*.cab,2,-2147483648,1,0xFFFFFFFF\n", "kelpex.qcfのfnameの指定が正しくありません。\r番号の増分",
         false},
        {"fname=data01.cab\nsize=4294967296\n", "kelpex.qcfのsizeの値 4294967296 は0から4294967295までにしてください。",
         false},
        {"fname=data01.cab\nflags=-1\n", "kelpex.qcfのflagsの値 -1 は0から4294967295までにしてください。", false},
        {"fname=data01.cab\nflags=0x100000003\n", "kelpex.qcfのflagsの値 0x100000003 は", false},
        {"fname=data01.cab\nsize=4294967295\nflags=0xFFFFFFFC\n", "指定されたcabを一括解凍します。", true},
    };
    for (const Case& c : cases) {
        MainDialogHarness h(c.qcf, {"data01.cab"});
        {
            Watchdog watchdog(std::string("opening with ") + c.qcf, 5000);
            h.open();
        }
        EXPECT_EQ(0u, h.text(IDC_MAIN_MESSAGE).find(c.message)) << c.qcf << h.text(IDC_MAIN_MESSAGE);
        EXPECT_EQ(c.runEnabled, h.enabled(IDC_MAIN_RUN)) << c.qcf;
    }
}

TEST(MainDialogStart, AnArchiveThatIsNoCabinetOrIsCutShortIsNamed) {
    struct Case {
        std::string bytes;
        const char* message;
    } cases[] = {
        {"not a cabinet at all", "実行ファイルと同じ場所のdata02.cabはキャビネットファイルではありません。"},
        {"", "実行ファイルと同じ場所のdata02.cabはキャビネットファイルではありません。"},
        {"MSCF", "実行ファイルと同じ場所のdata02.cabは途中で切れています。"},
        {"FOLDER", "実行ファイルと同じ場所のdata02.cabは壊れています。\r存在しないフォルダのファイルがあります：x.txt"},
        {"FOLDER UTF-8",  // a name stored as UTF-8 is named in Shift_JIS
         "実行ファイルと同じ場所のdata02.cabは壊れています。\r存在しないフォルダのファイルがあります：日.txt"}};
    for (const Case& c : cases) {
        MainDialogHarness h("fname=data*.cab,2,1,3,1\n", {"data01.cab", "data02.cab", "data03.cab"});
        std::string whole = TempFolder::readFile(h.folder() / "data02.cab");
        std::string bytes = c.bytes == "MSCF" ? whole.substr(0, whole.size() - 1) : c.bytes;
        if (c.bytes == "FOLDER UTF-8") {
            ASSERT_TRUE(WriteCabinet(h.folder() / "data02.cab", {{"\xE6\x97\xA5.txt", "x", 0xA0}}));  // 日
            whole = TempFolder::readFile(h.folder() / "data02.cab");
        }
        if (c.bytes.compare(0, 6, "FOLDER") == 0) (bytes = whole)[53] = '\x80';  // the entry's folder index: 0x8000
        TempFolder::writeFile(h.folder() / "data02.cab", bytes);
        h.open();
        EXPECT_EQ(c.message, h.text(IDC_MAIN_MESSAGE));
        EXPECT_TRUE(IsDarkRed(h, IDC_MAIN_MESSAGE, 12));
        EXPECT_FALSE(h.enabled(IDC_MAIN_RUN));
    }
}

// Two entries that Windows takes for one file though they are spelt
// differently would be extracted over each other: a series problem naming
// both. The same spelling twice, or names equal only byte for byte after an
// ASCII fold (ア 83 41 and ャ 83 61), are no such pair.
TEST(MainDialogStart, EntriesThatWouldBeOneFileOnWindowsAreNamed) {
    const std::string kHead = "キャビネットファイルに、Windowsでは同じファイルになる2つの名前があります。";
    struct Case {
        std::vector<std::string> first, second;  // entries of data01.cab and data02.cab
        const char* clash;  // the rest of the message; null when none
    } cases[] = {
        {{"README.txt", "readme.txt"}, {"b"}, "\rdata01.cab: README.txt\rdata01.cab: readme.txt"},
        {{"Ａ.txt"}, {"x", "ａ.txt"}, "\rdata01.cab: Ａ.txt\rdata02.cab: ａ.txt"},
        {{"sub\\Doc.txt"}, {"SUB/doc.TXT"}, "\rdata01.cab: sub\\Doc.txt\rdata02.cab: SUB/doc.TXT"},
        {{"same.txt", "x"}, {"same.txt"}, nullptr},
        {{"ア.txt", "ャ.txt"}, {"b"}, nullptr},
    };
    for (const Case& c : cases) {
        MainDialogHarness h("fname=data*.cab,2,1,2,1\n", {});
        std::vector<CabinetEntry> first, second;
        for (const std::string& name : c.first) first.push_back({name, name});
        for (const std::string& name : c.second) second.push_back({name, name});
        ASSERT_TRUE(WriteCabinet(h.folder() / "data01.cab", first));
        ASSERT_TRUE(WriteCabinet(h.folder() / "data02.cab", second));
        h.open();
        std::string text = h.text(IDC_MAIN_MESSAGE);
        if (c.clash == nullptr) {
            EXPECT_TRUE(h.enabled(IDC_MAIN_RUN)) << c.first[0] << ": " << text;
            continue;
        }
        EXPECT_EQ(kHead + c.clash, text);
        std::string before = text.substr(0, text.rfind(": ") + 2);
        int at = MultiByteToWideChar(932, 0, before.c_str(), static_cast<int>(before.size()), nullptr, 0);
        EXPECT_TRUE(IsAuto(h.formatAt(IDC_MAIN_MESSAGE, at - 1)));
        EXPECT_TRUE(IsDarkRed(h, IDC_MAIN_MESSAGE, at));  // the second name
        EXPECT_FALSE(h.enabled(IDC_MAIN_RUN)) << c.first[0];
    }
}

TEST(MainDialogStart, EachFlagsBitForcesItsOwnBox) {
    struct Case {
        const char* flags;
        bool maker, app;
    } cases[] = {{"flags=1\n", false, true}, {"flags=2\n", true, false}, {"flags=4\n", false, false}};
    for (const Case& c : cases) {
        MainDialogHarness h((std::string(c.flags) + "fname=a*.cab,0,1,0,1\nmakerName=Maker\nappName=App\n").c_str(),
                            {});
        h.open();
        EXPECT_EQ(c.maker, h.checked(IDC_MAIN_MAKER_BOX)) << c.flags;
        EXPECT_EQ(!c.maker, h.enabled(IDC_MAIN_MAKER_BOX)) << c.flags;
        EXPECT_EQ(c.app, h.checked(IDC_MAIN_APP_BOX)) << c.flags;
        EXPECT_EQ(!c.app, h.enabled(IDC_MAIN_APP_BOX)) << c.flags;
    }
}

TEST(MainDialogStart, FlagsForceAndDisableTheBoxes) {
    MainDialogHarness h("flags=3\nfname=a*.cab,0,1,0,1\nmakerName=Maker\nappName=App\n", {});
    h.open();
    EXPECT_TRUE(h.checked(IDC_MAIN_MAKER_BOX));
    EXPECT_TRUE(h.checked(IDC_MAIN_APP_BOX));
    EXPECT_FALSE(h.enabled(IDC_MAIN_MAKER_BOX));
    EXPECT_FALSE(h.enabled(IDC_MAIN_APP_BOX));
    EXPECT_EQ("メーカー名フォルダは必ず加える設定になっています(&M)", h.text(IDC_MAIN_MAKER_BOX));
    EXPECT_EQ("アプリケーション名フォルダは必ず加える設定になっています(&A)", h.text(IDC_MAIN_APP_BOX));
    h.type("D:\\games");
    EXPECT_EQ("D:\\games\\Maker\\App\\", h.text(IDC_MAIN_DESTINATION_LINE));
}

TEST(MainDialogDestination, EmptyEditIsTheCurrentDirectoryAndEveryChangeRecomposes) {
    MainDialogHarness h("fname=a*.cab,0,1,0,1\nmakerName=Maker\nappName=App\n", {});
    h.open();
    FCPathName current;
    EXPECT_EQ(ToShiftJis(current.path), h.text(IDC_MAIN_DESTINATION_LINE));
    h.type("D:\\out");
    EXPECT_EQ("D:\\out\\", h.text(IDC_MAIN_DESTINATION_LINE));
    h.click(IDC_MAIN_MAKER_BOX);
    EXPECT_EQ("D:\\out\\Maker\\", h.text(IDC_MAIN_DESTINATION_LINE));
    EXPECT_TRUE(IsDarkGreen(h, IDC_MAIN_DESTINATION_LINE, 7));
    EXPECT_TRUE(IsAuto(h.formatAt(IDC_MAIN_DESTINATION_LINE, 12)));
    h.click(IDC_MAIN_APP_BOX);
    EXPECT_EQ("D:\\out\\Maker\\App\\", h.text(IDC_MAIN_DESTINATION_LINE));
    h.click(IDC_MAIN_MAKER_BOX);
    EXPECT_EQ("D:\\out\\App\\", h.text(IDC_MAIN_DESTINATION_LINE));
    h.type("D:\\表");  // ends in a 0x5C trail byte: still gets its separator
    EXPECT_EQ("D:\\表\\App\\", h.text(IDC_MAIN_DESTINATION_LINE));
}

TEST(MainDialogDestination, SystemFoldersAreColouredBehindTheDrive) {
    MainDialogHarness h("fname=a*.cab,0,1,0,1\nmakerName=Maker\nappName=App\n", {});
    h.open();
    char programs[MAX_PATH];
    ASSERT_TRUE(SHGetSpecialFolderPathA(nullptr, programs, CSIDL_PROGRAM_FILES, FALSE));
    h.type(programs);
    h.click(IDC_MAIN_MAKER_BOX);
    h.click(IDC_MAIN_APP_BOX);
    std::string p = programs;
    EXPECT_EQ(p + "\\Maker\\App\\", h.text(IDC_MAIN_DESTINATION_LINE));
    EXPECT_TRUE(IsAuto(h.formatAt(IDC_MAIN_DESTINATION_LINE, 2)));  // "\" after the drive
    EXPECT_TRUE(IsDarkRed(h, IDC_MAIN_DESTINATION_LINE, 3));  // the folder behind it
    EXPECT_TRUE(IsDarkRed(h, IDC_MAIN_DESTINATION_LINE, static_cast<int>(p.size()) - 1));
    EXPECT_TRUE(IsDarkGreen(h, IDC_MAIN_DESTINATION_LINE, static_cast<int>(p.size()) + 1));
    std::string lower = p;
    for (char& c : lower) c = static_cast<char>(tolower(static_cast<unsigned char>(c)));
    h.type(lower);
    EXPECT_TRUE(IsAuto(h.formatAt(IDC_MAIN_DESTINATION_LINE, 3)));  // another letter case is not coloured
    char windows[MAX_PATH];
    GetWindowsDirectoryA(windows, sizeof windows);
    h.type(std::string(windows) + "\\temp");
    EXPECT_TRUE(IsDarkRed(h, IDC_MAIN_DESTINATION_LINE, 3));
}

TEST(MainDialogDestination, UncWarningReplacesTheMessage) {
    MainDialogHarness h("fname=a*.cab,0,1,0,1\n", {});
    h.open();
    h.type("\\\\server\\share\\dir");
    EXPECT_EQ("UNC表記(\\\\で始まる表記)のフォルダを指定することはできません。", h.text(IDC_MAIN_MESSAGE));
    EXPECT_EQ("\\\\server\\share\\dir\\", h.text(IDC_MAIN_DESTINATION_LINE));
    h.type("C:\\back");
    EXPECT_EQ("UNC表記(\\\\で始まる表記)のフォルダを指定することはできません。", h.text(IDC_MAIN_MESSAGE));
}

TEST(MainDialogDestination, AnyTextRecomposesWithoutOverflow) {
    MainDialogHarness h("fname=a*.cab,0,1,0,1\nmakerName=表ソ能\nappName=App\n", {});
    h.open();
    h.click(IDC_MAIN_MAKER_BOX);
    for (const std::string& text :
         {std::string(1000, 'x'), std::string("C:\\") + std::string(300, '\\'), std::string("表ソ能表ソ能"),
          std::string("\\"), std::string("%:\\data"), std::string(400, '\x95')}) {
        h.type(text);
        EXPECT_FALSE(h.text(IDC_MAIN_DESTINATION_LINE).empty());
    }
    h.type("C:\\data\\new");
    EXPECT_EQ("C:\\data\\new\\表ソ能\\", h.text(IDC_MAIN_DESTINATION_LINE));
}

namespace {
std::wstring WideWindowText(HWND window) {
    std::wstring text(static_cast<size_t>(GetWindowTextLengthW(window)) + 1, L'\0');
    text.resize(static_cast<size_t>(GetWindowTextW(window, &text[0], static_cast<int>(text.size()))));
    return text;
}
}  // namespace

TEST(MainDialogDrops, FileFolderAndElsewhere) {
    MainDialogHarness h("fname=a*.cab,0,1,0,1\n", {});
    h.open();
    std::string folder = h.folder() / "drop\\";
    CreateDirectoryA(folder.c_str(), nullptr);
    TempFolder::writeFile(folder + "file.txt", "x");
    POINT overEdit = ControlCentre(h.window(), h.control(IDC_MAIN_DESTINATION_EDIT));
    SendMessageA(h.window(), WM_DROPFILES, reinterpret_cast<WPARAM>(MakeDrop({folder + "file.txt"}, overEdit)), 0);
    EXPECT_EQ(folder, h.text(IDC_MAIN_DESTINATION_EDIT));
    std::string noSeparator = folder.substr(0, folder.size() - 1);
    SendMessageA(h.window(), WM_DROPFILES, reinterpret_cast<WPARAM>(MakeDrop({noSeparator}, overEdit)), 0);
    EXPECT_EQ(folder, h.text(IDC_MAIN_DESTINATION_EDIT));
    h.type(folder + "not-a-folder");
    POINT elsewhere = ControlCentre(h.window(), h.control(IDC_MAIN_MESSAGE));
    SendMessageA(h.window(), WM_DROPFILES, reinterpret_cast<WPARAM>(MakeDrop({"C:\\windows"}, elsewhere)), 0);
    EXPECT_EQ(folder, h.text(IDC_MAIN_DESTINATION_EDIT));
    EXPECT_EQ(folder, h.text(IDC_MAIN_DESTINATION_LINE));
    // Names Shift_JIS cannot hold, 60 Hangul syllables and a folder 400
    // units long among them: the folder dropped, or the dropped file's own
    // folder, exactly, never the one above it nor the field's old text.
    std::wstring wideFolder = FromShiftJis(folder.c_str()).c_str();
    std::wstring hangul, deep;
    for (int i = 0; i < 30; ++i) hangul += L"\uAC8C\uC784";
    while (wideFolder.size() + deep.size() < 400) deep += std::wstring(99, L'd') + L"\\";
    deep.resize(400 - wideFolder.size());
    for (const std::wstring& name : {std::wstring(L"Caf\u00E9"), std::wstring(L"\U0001F363"), hangul, deep}) {
        std::wstring dropped = wideFolder + name;
        ASSERT_TRUE(CreateFolderPath(dropped)) << dropped.size();
        SendMessageA(h.window(), WM_DROPFILES, reinterpret_cast<WPARAM>(MakeDropWide({dropped}, overEdit)), 0);
        EXPECT_EQ(dropped + L"\\", WideWindowText(h.control(IDC_MAIN_DESTINATION_EDIT)));
        std::wstring file = dropped + L"\\inside.txt";
        HANDLE made = CreateFileW((L"\\\\?\\" + file).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
        ASSERT_NE(INVALID_HANDLE_VALUE, made);
        CloseHandle(made);
        SendMessageA(h.window(), WM_DROPFILES, reinterpret_cast<WPARAM>(MakeDropWide({file}, overEdit)), 0);
        EXPECT_EQ(dropped + L"\\", WideWindowText(h.control(IDC_MAIN_DESTINATION_EDIT)));
    }
}

// A destination is inserted exactly, control characters and all, beside
// message text that holds such bytes itself: neither is read as markup or
// as anything but what it is.
TEST(MainDialogMessages, ExpansionKeepsTheDestinationAsItIs) {
    const std::wstring destination = L"C:\\data\\new\\【旧】\\Jos\u00E9\u0002\u0003\\";
    UxMarkedText text = ExpandMessageText(FCString("done\\nin %dest%\\nand\x02\x03 %dest%"), destination.c_str());
    EXPECT_EQ(L"done\nin " + destination + L"\nand\u0002\u0003 " + destination, text.plain());
    EXPECT_EQ(L"a\nb %dest%", ExpandMessageText(FCString("a\\nb %dest%"), nullptr).plain());
}

TEST(MainDialogStart, AnyConfigurationOpensTheDialog) {
    std::mt19937 random(31);
    for (int round = 0; round < 25; ++round) {
        std::string qcf;
        int n = static_cast<int>(random() % 600);
        for (int i = 0; i < n; ++i) qcf.push_back(static_cast<char>(random() % 256));
        // The widest series a pattern names: 100,000 names to sort, seconds
        // of start-up each, so a few rounds, not every third.
        if (round % 8 == 0) qcf = "fname=d*.cab,0,1,100000,1\nsize=4294967295\nflags=0xFFFFFFFF\n" + qcf;
        if (round % 5 == 0) {
            for (int k = 0; k < 3000; ++k) qcf += "key" + std::to_string(k) + "=value\n";
        }
        MainDialogHarness h(qcf.c_str(), {});
        h.open();
        EXPECT_TRUE(IsWindow(h.window()));
        EXPECT_FALSE(h.text(IDC_MAIN_MESSAGE).empty());
    }
}

TEST(MainDialogKeyboard, TabVisitsEveryControlInReadingOrder) {
    MainDialogHarness h("fname=a*.cab,0,1,0,1\n", {});
    h.open();
    const int order[] = {IDC_MAIN_BROWSE, IDC_MAIN_MAKER_BOX, IDC_MAIN_APP_BOX,          IDC_MAIN_RUN,
                         IDC_MAIN_EXIT,   IDC_MAIN_MESSAGE,   IDC_MAIN_DESTINATION_LINE, IDC_MAIN_DESTINATION_EDIT};
    HWND at = h.control(IDC_MAIN_DESTINATION_EDIT);
    for (int id : order) {
        at = GetNextDlgTabItem(h.window(), at, FALSE);
        EXPECT_EQ(id, GetDlgCtrlID(at));
    }
}
