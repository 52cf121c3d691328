// What a user sees whatever the system's code page. These run with the
// others under code page 932, and again under 1252 and 65001 (the CTest
// entries app_tests_en_US.UTF-8 and app_tests_hi_IN.UTF-8): every text is
// read back as UTF-16 and compared with the Shift_JIS original.
#include "cab/TestSeams.h"
#include "cab/UxCAB.h"
#include "config/UxQcf.h"
#include "foundation/TestSeams.h"
#include "fs/TestSeams.h"
#include "app/MainDialog.h"
#include "tests/app/MainDialogHarness.h"
#include "tests/app/StartedKelpex.h"
#include "tests/cab/CabinetWriter.h"
#include "tests/support/RunProgram.h"
#include "tests/support/ControlHelpers.h"
#include "tests/support/WindowAnswerer.h"
#include <thread>
#include "foundation/FCHandle.h"
#include "foundation/WideText.h"
#include "fs/PathCompare.h"
#include <gtest/gtest.h>
#include <commctrl.h>
#include <shlobj.h>
#include <cstdlib>
#include <string>
#include <vector>

namespace {
std::wstring Unicode(const std::string& shiftJis) {
    wchar_t wide[4096] = L"";
    int n = MultiByteToWideChar(932, 0, shiftJis.c_str(), -1, wide, 4096);
    return n > 0 ? std::wstring(wide) : std::wstring();
}

// A rich edit's text as it holds it, whatever kind of window it is.
std::wstring RichUnicode(HWND rich) {
    wchar_t text[4096] = L"";
    GETTEXTEX get = {sizeof text, GT_DEFAULT, 1200, nullptr, nullptr};
    SendMessageW(rich, EM_GETTEXTEX, reinterpret_cast<WPARAM>(&get), reinterpret_cast<LPARAM>(text));
    return text;
}

// The text of a tree view's selected item (the folder browser's).
std::wstring SelectedTreeText(HWND tree) {
    HTREEITEM item = reinterpret_cast<HTREEITEM>(SendMessageW(tree, TVM_GETNEXTITEM, TVGN_CARET, 0));
    wchar_t text[MAX_PATH] = L"";
    TVITEMW get = {};
    get.mask = TVIF_TEXT;
    get.hItem = item;
    get.pszText = text;
    get.cchTextMax = MAX_PATH;
    if (item == nullptr || !SendMessageW(tree, TVM_GETITEMW, 0, reinterpret_cast<LPARAM>(&get))) return std::wstring();
    return text;
}

const char* const kQcf =
    "caption=表示ソフト 十能\nmes0=ようこそ。表とソ\\n能力\nfname=data01.cab\n"
    "makerName=メーカー表\nappName=ソフト\n";
}  // namespace

// The locale a run names gives its code page: a locale missing on the
// machine would leave these tests running under another.
TEST(AnyCodePage, RunsUnderTheCodePageOfItsLocale) {
    const char* lang = std::getenv("LANG");
    std::string locale = lang != nullptr ? lang : "";
    UINT expected = locale.compare(0, 5, "en_US") == 0 ? 1252 : locale.compare(0, 5, "hi_IN") == 0 ? 65001 : 932;
    EXPECT_EQ(expected, GetACP()) << locale;
}

TEST(AnyCodePage, TheCaptionTheOpeningTextAndTheDestinationLineAreTheJapaneseOriginals) {
    MainDialogHarness h(kQcf, {"data01.cab"});
    h.open();
    EXPECT_EQ(Unicode("表示ソフト 十能"), WindowUnicode(h.window()));
    EXPECT_EQ(Unicode("ようこそ。表とソ\r能力\r解凍に使用するデータ\rdata01.cab"),
              RichUnicode(h.control(IDC_MAIN_MESSAGE)));
    EXPECT_EQ(Unicode("実行(&R)"), WindowUnicode(h.control(IDC_MAIN_RUN)));
    std::string out = h.folder() / "out\\";
    CreateDirectoryA(out.c_str(), nullptr);
    h.type(out);
    SendMessageW(h.control(IDC_MAIN_MAKER_BOX), BM_CLICK, 0, 0);
    std::wstring line = RichUnicode(h.control(IDC_MAIN_DESTINATION_LINE));
    EXPECT_EQ(Unicode(out + "メーカー表\\"), line);
    // The maker's folder in green.
    CHARFORMATA format = h.formatAt(IDC_MAIN_DESTINATION_LINE, static_cast<int>(line.find(Unicode("メ"))));
    EXPECT_TRUE(ShownAs(h.control(IDC_MAIN_DESTINATION_LINE), format, 0x00C000));
}

TEST(AnyCodePage, TheOutcomeOfARunIsTheJapaneseTextWithTheDestinationInColour) {
    MainDialogHarness h(kQcf, {"data01.cab"});
    h.open();
    std::string out = h.folder() / "out\\";
    CreateDirectoryA(out.c_str(), nullptr);
    h.type(out);
    h.click(IDC_MAIN_RUN);
    EXPECT_EQ("x", TempFolder::readFile(out + "x.txt"));
    std::wstring outcome = RichUnicode(h.control(IDC_MAIN_MESSAGE));
    EXPECT_EQ(Unicode("解凍は正常に終了しました。\r出力されたフォルダは\r" + out + "\rです。"), outcome);
    CHARFORMATA format = h.formatAt(IDC_MAIN_MESSAGE, static_cast<int>(outcome.find(Unicode(out))));
    EXPECT_TRUE(ShownAs(h.control(IDC_MAIN_MESSAGE), format, 0xC00000));  // dark red
}

// A destination Shift_JIS cannot hold, typed, dropped or browsed, with the
// sub-folders of a configuration saved as UTF-8 whose names it cannot hold
// either: the field, the destination line and the outcome show it as it is,
// and the files land in it, nowhere else.
TEST(AnyCodePage, DestinationsShiftJisCannotHoldAreUsedAndShownExactly) {
    const char* utf8Qcf =
        "\xEF\xBB\xBF"
        "fname=data01.cab\nmakerName=M\xC3\xBCller Soft\nappName=\xEA\xB2\x8C\xEC\x9E\x84\n";
    const std::wstring subFolders = L"M\u00FCller Soft\\\uAC8C\uC784\\";
    enum How { TYPED, DROPPED, BROWSED };
    struct {
        const wchar_t* name;
        How how;
        bool withSubFolders;
    } cases[] = {
        {L"caf\u00E9", TYPED, false},      {L"Caf\u00E9", DROPPED, false},
        {L"\uAC8C\uC784", DROPPED, true},  {L"\U0001F600 x", TYPED, true},
        {L"\u8FD9\u4EEC", BROWSED, false}, {nullptr, TYPED, true},  // kLong, a path of over 300 units
    };
    // Folders of 80 Hangul syllables each (240 bytes in UTF-8, which a
    // Linux file system under Wine still takes as one name).
    std::wstring syllables;
    for (int i = 0; i < 40; ++i) syllables += L"\uAC8C\uC784";
    const std::wstring kLong = syllables + L"\\" + syllables + L"\\" + syllables;
    for (const auto& c : cases) {
        MainDialogHarness h(utf8Qcf, {"data01.cab"});
        h.open();
        HWND edit = h.control(IDC_MAIN_DESTINATION_EDIT);
        std::wstring folder = Unicode(h.folder().path()) + (c.name != nullptr ? c.name : kLong.c_str()) + L"\\";
        ASSERT_TRUE(CreateFolderPath(folder));
        if (c.how == DROPPED) {
            POINT overEdit = ControlCentre(h.window(), edit);
            std::wstring dropped = folder.substr(0, folder.size() - 1);
            SendMessageW(h.window(), WM_DROPFILES, reinterpret_cast<WPARAM>(MakeDropWide({dropped}, overEdit)), 0);
        } else {
            SetWindowTextW(edit, c.how == BROWSED ? folder.substr(0, folder.size() - 1).c_str() : folder.c_str());
        }
        if (c.how == BROWSED) {
            // The browser opens on the field's folder; OK takes it back.
            // Its title is the locale's: found as the main window's own. OK
            // is pressed once the tree shows the folder selected. Wine's
            // browser now and then opens on the desktop instead of the
            // folder it is given: the folder is then picked, as a user
            // would pick it.
            HWND owner = h.window();
            std::wstring name = c.name != nullptr ? c.name : L"", picked = folder;
            std::thread press([owner, name, picked] {
                HWND browser = nullptr;
                WindowAnswerer::waitUntil(
                    [&] {
                        browser = FindWindowExW(nullptr, nullptr, L"#32770", nullptr);
                        while (browser != nullptr && GetWindow(browser, GW_OWNER) != owner)
                            browser = FindWindowExW(nullptr, browser, L"#32770", nullptr);
                        return browser != nullptr && IsWindowVisible(browser);
                    },
                    20000);
                if (browser == nullptr) return;
                HWND tree = FindWindowExW(browser, nullptr, WC_TREEVIEWW, nullptr);
                DWORD asked = GetTickCount();
                WindowAnswerer::waitUntil(
                    [&] {
                        if (SelectedTreeText(tree) == name) return true;
                        if (GetTickCount() - asked > 1000) {
                            SendMessageW(browser, BFFM_SETSELECTIONW, TRUE, reinterpret_cast<LPARAM>(picked.c_str()));
                            asked = GetTickCount();
                        }
                        return false;
                    },
                    20000);
                PostMessageW(browser, WM_COMMAND, IDOK, 0);
            });
            h.click(IDC_MAIN_BROWSE);
            press.join();
        }
        EXPECT_EQ(folder, WindowUnicode(edit)) << c.how;
        if (c.withSubFolders) {
            h.click(IDC_MAIN_MAKER_BOX);
            h.click(IDC_MAIN_APP_BOX);
        }
        std::wstring destination = folder + (c.withSubFolders ? subFolders : L"");
        EXPECT_EQ(destination, RichUnicode(h.control(IDC_MAIN_DESTINATION_LINE))) << c.how;
        if (c.withSubFolders) {
            WindowAnswerer create("フォルダ作成の確認", {IDYES});
            h.click(IDC_MAIN_RUN);
            EXPECT_EQ(1, create.answered()) << c.how;
        } else {
            h.click(IDC_MAIN_RUN);
        }
        EXPECT_EQ("x", TempFolder::readFile(LongPathForm(destination + L"x.txt"))) << c.how;
        EXPECT_EQ(Unicode("解凍は正常に終了しました。\r出力されたフォルダは\r") + destination + Unicode("\rです。"),
                  RichUnicode(h.control(IDC_MAIN_MESSAGE)))
            << c.how;
        // Nothing beside the destination, and nothing of ours in it.
        EXPECT_EQ(3u, TempFolder::entries(Unicode(h.folder().path()) + L"*").size()) << c.how;
        EXPECT_EQ(1u, TempFolder::entries(LongPathForm(destination) + L"*").size()) << c.how;
    }
}

// Names with a 0x5C second byte in nested Japanese folders, and names
// stored as UTF-8 that Shift_JIS cannot hold (two of them told apart only
// by such a character, in a folder named by one), come out under their real
// names whatever the system's code page (where it cannot name them, through
// a temporary name in a folder of ours, reached by the destination's short
// name or, on a volume without short names, made above it; or, where no such
// folder can be made, through the folder's short name); nothing stays under a
// temporary name, and a damaged replacement keeps the old file.
TEST(AnyCodePage, JapaneseNamesAreExtractedUnderTheirRealNames) {
    const std::string sushi = "\xF0\x9F\x8D\xA3", shrimp = "\xF0\x9F\x8D\xA4";  // U+1F363, U+1F364 in UTF-8
    const std::wstring sushiFolder = L"\U0001F363\\";
    const struct { bool shortNames, scratchFolders; } routes[] = {{true, true}, {false, true}, {true, false}};
    for (const auto& route : routes) {
        int shortNames = route.shortNames * 2 + route.scratchFolders;  // names the case in messages
        SetNoShortPathsForTests(!route.shortNames);
        SetNoScratchFoldersForTests(!route.scratchFolders);
        TempFolder dir;
        std::string cabinet = dir / "data.cab";
        ASSERT_TRUE(WriteCabinet(cabinet, {{"データ\\画像\\表.txt", "hyo"},
                                           {"ソフト.bin", "soft"},
                                           {"能力\\十.txt", "ju"},
                                           {sushi + "\\" + sushi + ".txt", "sushi", 0xA0},
                                           {sushi + "/" + shrimp + ".txt", "ebi", 0xA0}}));
        std::string out = dir / "展開先\\";
        CreateDirectoryW(Unicode(out).c_str(), nullptr);
        UxCAB cab;
        cab.setArchive(W(cabinet));
        EXPECT_TRUE(cab.extractTo(W(out))) << ToShiftJis(cab.errorText);
        EXPECT_EQ("hyo", TempFolder::readFile(out + "データ\\画像\\表.txt")) << shortNames;
        EXPECT_EQ("soft", TempFolder::readFile(out + "ソフト.bin")) << shortNames;
        EXPECT_EQ("ju", TempFolder::readFile(out + "能力\\十.txt")) << shortNames;
        EXPECT_EQ("sushi", TempFolder::readFile(Unicode(out) + sushiFolder + L"\U0001F363.txt")) << shortNames;
        EXPECT_EQ("ebi", TempFolder::readFile(Unicode(out) + sushiFolder + L"\U0001F364.txt")) << shortNames;
        EXPECT_EQ(4u, TempFolder::entries(Unicode(out) + L"*").size())
            << shortNames;  // データ, ソフト.bin, 能力, U+1F363
        EXPECT_EQ(2u, TempFolder::entries(Unicode(out) + sushiFolder + L"*").size()) << shortNames;
        EXPECT_EQ(2u, TempFolder::entries(Unicode(dir.path()) + L"*").size())
            << shortNames;  // data.cab, 展開先: no folder of ours
        std::string bytes = TempFolder::readFile(cabinet);
        bytes[bytes.find("能力\\十.txt") - 15] = 0x10;  // its size: 4,098 bytes the folder does not hold
        TempFolder::writeFile(cabinet, bytes);
        UxCAB again;
        again.setArchive(W(cabinet));
        EXPECT_FALSE(again.extractTo(W(out)));
        EXPECT_EQ("ju", TempFolder::readFile(out + "能力\\十.txt")) << shortNames;
        EXPECT_EQ(1u, TempFolder::entries(Unicode(out + "能力\\*")).size()) << shortNames;
    }
    SetNoShortPathsForTests(false);
    SetNoScratchFoldersForTests(false);
}

// A wide text or character is formatted as Shift_JIS, never through the
// system's code page.
TEST(AnyCodePage, FormattedWideTextsAreShiftJis) {
    FCString s;
    s.create("%ls|%.2S|%C|%-4lc|%hs", L"\u8868\u30bd", L"\u8868\u30bd", L'\u80fd', L'\u5341', "能");
    EXPECT_STREQ("表ソ|表|能|十  |能", s.text());
}

// Texts compare as on a Japanese system whatever the system's code page:
// under 65001 every Shift_JIS lead byte read as UTF-8 is U+FFFD, and under
// 1252 some bytes are characters a comparison ignores, so comparing
// through that code page takes different texts for one.
TEST(AnyCodePage, TextsCompareAsOnAJapaneseSystem) {
    struct Case {
        const char* a;
        const char* b;
    } pairs[] = {{"表", "ソ"}, {"データ01.cab", "ゲーム01.cab"}, {"、", "A"}, {"能", "\x94"}};
    for (const Case& c : pairs) {
        EXPECT_FALSE(FCString(c.a).equals(FCString(c.b))) << c.a << " / " << c.b;
        EXPECT_NE(UxQcfKeyOrder()(c.a, c.b), UxQcfKeyOrder()(c.b, c.a)) << c.a << " / " << c.b;
        FCString line(c.a);
        line.append(",");
        line.append(c.b);
        line.cursor = const_cast<char*>(line.text());
        EXPECT_STREQ(c.b, line.find(c.b, ",")) << c.a << " / " << c.b;
    }
}

// kelpack takes its arguments as UTF-16: a Japanese source tree packs into
// a folder named 出力表 (its last byte that of a backslash) and verifies,
// whatever the system's code page.
namespace {
// Writes bytes to a path given in UTF-16.
bool WriteWide(const std::wstring& path, const std::string& bytes) {
    HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE) return false;
    DWORD done = 0;
    BOOL ok = WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &done, nullptr);
    CloseHandle(file);
    return ok && done == bytes.size();
}
}  // namespace

// A project under a folder Shift_JIS cannot hold, built into another such
// folder, with names Shift_JIS cannot hold (stored as UTF-8) beside
// Japanese ones, and verified with the temporary folder under such a name
// too: every name comes out of the series as it went in.
TEST(AnyCodePage, KelpackPacksAndVerifiesNamesAndFoldersOfAnyCharacter) {
    TempFolder dir;
    const std::wstring root = Unicode(dir.path()), source = root + L"Jos\u00E9\\\u5143\u8868\\",
                       output = root + L"\uAC8C\uC784 \u51FA\u529B", temp = root + L"T\u00E9mp\\";
    const struct {
        const wchar_t* name;
        const char* bytes;
    } files[] = {{L"\u753B\u50CF\\\u8868.txt", "hyo"},
                 {L"\u30BD.bin", "so"},
                 {L"\u00E9t\u00E9\\\U0001F363.txt", "sushi"},
                 {L"\u00E9t\u00E9\\M\u00FCller.txt", "muller"}};
    for (const wchar_t* folder :
         {L"Jos\u00E9\\", L"Jos\u00E9\\\u5143\u8868\\", L"Jos\u00E9\\\u5143\u8868\\\u753B\u50CF\\",
          L"Jos\u00E9\\\u5143\u8868\\\u00E9t\u00E9\\", L"T\u00E9mp\\"})
        ASSERT_TRUE(CreateDirectoryW((root + folder).c_str(), nullptr));
    for (const auto& f : files) ASSERT_TRUE(WriteWide(source + f.name, f.bytes));
    // The program is given the paths as they are.
    auto quoted = [](const std::wstring& path) {
        return L"\"" + path.substr(0, path.size() - (path.back() == L'\\' ? 1 : 0)) + L"\"";
    };
    ProgramResult built = RunProgram(KELPACK_EXE, L"build " + quoted(source) + L" " + quoted(output));
    ASSERT_EQ(0, built.exitCode) << built.output;
    ProgramResult verified = RunProgram(KELPACK_EXE, L"verify " + quoted(output), 120000, temp);
    EXPECT_EQ(0, verified.exitCode) << verified.output;
    EXPECT_NE(std::string::npos, verified.output.find("ok, 4 files")) << verified.output;
    EXPECT_TRUE(TempFolder::entries(temp + L"*").empty()) << verified.output;  // its scratch folder is gone
    TempFolder out;
    UxCAB cab;
    cab.setArchive(output + L"\\data01.cab");
    ASSERT_TRUE(cab.extractTo(out.widePath())) << ToShiftJis(cab.errorText);
    for (const auto& f : files) EXPECT_EQ(f.bytes, TempFolder::readFile(out.widePath() + f.name)) << f.bytes;
}

// kelpex unpacked into a folder whose name Shift_JIS cannot hold (José,
// 게임, an emoji) finds its configuration and its series there, and a Run
// extracts them.
TEST(AnyCodePage, TheToolStartsFromAFolderShiftJisCannotHold) {
    for (const wchar_t* name : {L"Jos\u00E9", L"\uAC8C\uC784", L"\U0001F363 game"}) {
        TempFolder dir;
        std::wstring folder = Unicode(dir.path()) + name + L"\\";
        ASSERT_TRUE(CreateDirectoryW(folder.c_str(), nullptr));
        std::wstring exe = folder + L"kelpex.exe";
        ASSERT_TRUE(CopyFileW(Unicode(WindowsPath(KELPEX_EXE)).c_str(), exe.c_str(), FALSE));
        ASSERT_TRUE(WriteWide(folder + L"kelpex.qcf", "caption=kelpex test\nfname=data01.cab\nsize=1\n"));
        ASSERT_TRUE(WriteCabinet(dir / "data01.cab", {{"sub\\inside.txt", "extracted"}}));
        ASSERT_TRUE(MoveFileW(Unicode(dir / "data01.cab").c_str(), (folder + L"data01.cab").c_str()));
        std::string out = dir / "out\\";
        CreateDirectoryA(out.c_str(), nullptr);
        std::wstring command = L"\"" + exe + L"\"";
        STARTUPINFOW startup = {};
        startup.cb = sizeof startup;
        PROCESS_INFORMATION process = {};
        ASSERT_TRUE(CreateProcessW(nullptr, &command[0], nullptr, nullptr, FALSE, 0, nullptr, folder.c_str(), &startup,
                                   &process));
        FCHandle thread(process.hThread), running(process.hProcess);
        HWND main = WindowAnswerer::waitForProcessWindow(process.dwProcessId, "kelpex test", 30000);
        ASSERT_NE(nullptr, main);
        std::wstring opening = OtherProcessText(running.get(), GetDlgItem(main, IDC_MAIN_MESSAGE));
        EXPECT_NE(std::wstring::npos, opening.find(L"data01.cab")) << ToShiftJis(opening.c_str());
        EXPECT_EQ(std::wstring::npos, opening.find(Unicode("見つかりません"))) << ToShiftJis(opening.c_str());
        EXPECT_TRUE(IsWindowEnabled(GetDlgItem(main, IDC_MAIN_RUN)));
        SendMessageW(GetDlgItem(main, IDC_MAIN_DESTINATION_EDIT), WM_SETTEXT, 0,
                     reinterpret_cast<LPARAM>(Unicode(out).c_str()));
        PostMessageW(main, WM_COMMAND, MAKEWPARAM(IDC_MAIN_RUN, BN_CLICKED), 0);
        const std::wstring done = Unicode("解凍は正常に終了しました。");
        EXPECT_TRUE(WindowAnswerer::waitUntil(
            [&] { return OtherProcessText(running.get(), GetDlgItem(main, IDC_MAIN_MESSAGE)).find(done) == 0; }, 30000))
            << ToShiftJis(OtherProcessText(running.get(), GetDlgItem(main, IDC_MAIN_MESSAGE)).c_str());
        EXPECT_EQ("extracted", TempFolder::readFile(out + "sub\\inside.txt"));
        PostMessageW(main, WM_COMMAND, MAKEWPARAM(IDC_MAIN_EXIT, BN_CLICKED), 0);
        EXPECT_EQ(WAIT_OBJECT_0, WaitForSingleObject(running.get(), 30000));
    }
}

// A tool folder the platform's reader cannot be given (a character the
// system's code page lacks, on a volume without short names) is told at
// start-up, naming the cabinet, and Run stays disabled; where the code page
// holds every character (65001) the series is usable.
TEST(AnyCodePage, AToolFolderThePlatformsReaderCannotReachIsToldAtStartUp) {
    MainDialogHarness h("fname=data01.cab\n", {"data01.cab"});
    std::wstring folder = Unicode(h.folder().path()) + L"\U0001F363\\";
    ASSERT_TRUE(CreateDirectoryW(folder.c_str(), nullptr));
    for (const wchar_t* name : {L"data01.cab", L"kelpex.qcf"})
        ASSERT_TRUE(MoveFileW((Unicode(h.folder().path()) + name).c_str(), (folder + name).c_str()));
    // The window of the moved tool.
    RunLog log;
    UxMainWindow moved(folder, COMMAND_LINE_(), log);
    SetNoShortPathsForTests(true);
    HWND window = CreateDialogParamW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDD_MAIN), nullptr,
                                     UxMainWindow::procedure, reinterpret_cast<LPARAM>(static_cast<FCDialog*>(&moved)));
    SetNoShortPathsForTests(false);
    ASSERT_NE(nullptr, window);
    struct Close {
        HWND window;
        ~Close() { DestroyWindow(window); }
    } close{window};
    bool reachable = GetACP() == CP_UTF8;
    EXPECT_EQ(reachable, IsWindowEnabled(GetDlgItem(window, IDC_MAIN_RUN)) != FALSE);
    std::wstring shown = RichUnicode(GetDlgItem(window, IDC_MAIN_MESSAGE));
    EXPECT_EQ(reachable, shown.find(folder + L"data01.cab") == std::wstring::npos) << ToShiftJis(shown.c_str());
    EXPECT_EQ(reachable, shown.find(Unicode("短い名前もない")) == std::wstring::npos) << ToShiftJis(shown.c_str());
}
