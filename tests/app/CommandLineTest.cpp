// kelpex started by a script or an administrator: its switches, its exit
// codes and its log, through the real executable as its own process.
#include "app/CommandLine.h"
#include "foundation/FCHandle.h"
#include "foundation/WideText.h"
#include "fs/FCFile.h"
#include "fs/PathCompare.h"
#include "res/MainDialogIds.h"
#include "tests/app/MainDialogHarness.h"
#include "tests/app/StartedKelpex.h"
#include "tests/cab/CabinetWriter.h"
#include "tests/cab/FciSeries.h"
#include "tests/support/HeldFile.h"
#include "tests/support/TempFolder.h"
#include "tests/support/WindowAnswerer.h"
#include <gtest/gtest.h>
#include <memory>
#include <string>
#include <vector>

namespace {
// A path in quotes as a script writes it: without its last separator, which
// would escape the closing quote.
std::wstring Quoted(std::wstring path) {
    if (!path.empty() && path.back() == L'\\') path.pop_back();
    return L"\"" + path + L"\"";
}

// A series of two MSZIP parts, 8 MB that hardly compress (checksummed: one
// byte changed is seen), and its configuration.
void WriteSeries(const TempFolder& folder) {
    MainDialogHarness::writeConfiguration(folder / "kelpex.qcf", "fname=data*.cab,2,1,2,1\nmakerName=Maker\n");
    std::vector<std::string> parts = WriteFciSeries(
        folder.path(), {{"part1.bin", Incompressible(4 << 20, 1)}, {"part2.bin", Incompressible(4 << 20, 2)}}, 5 << 20,
        true, false, "data0");
    ASSERT_EQ(2u, parts.size());
}

std::wstring ReadUtf8(const std::wstring& path) {
    std::string bytes = TempFolder::readFile(path);
    std::wstring wide(bytes.size(), L'\0');
    wide.resize(static_cast<size_t>(MultiByteToWideChar(CP_UTF8, 0, bytes.data(), static_cast<int>(bytes.size()),
                                                        &wide[0], static_cast<int>(wide.size()))));
    return wide;
}
}  // namespace

TEST(CommandLine, SwitchesAreReadAsInstallersReadThem) {
    struct {
        const wchar_t* line;
        bool sound;
        const char* said;  // the start of the fault, or what was read
        const wchar_t* destination;  // as read, when sound; null: none
        bool noBoxes;
    } cases[] = {
        {L"k.exe", true, "", nullptr, false},
        {L"k.exe /DEST=\"C:\\a b\" -maker /App /passive /LOG=x.log", true, "dest maker app passive log", L"C:\\a b",
         true},
        {L"k.exe /quiet /dest=D:\\\u00E9", true, "dest quiet", L"D:\\\u00E9", true},
        // A quote toggles and a backslash is the path's own: the classic
        // trailing backslash ends the value, and /quiet is a switch.
        {L"k.exe /dest=\"C:\\Games\\\" /quiet", true, "dest quiet", L"C:\\Games\\", true},
        {L"\"C:\\k k\\k.exe\" \"/dest=C:\\a b\"", true, "dest", L"C:\\a b", false},
        {L"k.exe /dest=\"C:\\a\\\\\" /app", true, "dest app", L"C:\\a\\\\", false},
        {L"k.exe /dest=C:\\\"a b\"\\c", true, "dest", L"C:\\a b\\c", false},
        {L"k.exe /?", true, "help", nullptr, false},
        {L"k.exe /dest", false, "スイッチの値がありません", nullptr, false},
        {L"k.exe /dest=", false, "スイッチの値がありません", nullptr, false},
        {L"k.exe /maker=yes", false, "このスイッチは値をとりません", nullptr, false},
        {L"k.exe /frob", false, "不明なスイッチです", nullptr, false},
        {L"k.exe dest", false, "スイッチではない引数があります", nullptr, false},
        {L"k.exe /app /APP", false, "同じスイッチが二度指定されています", nullptr, false},
        {L"k.exe /dest=\"C:\\a", false, "引用符(\")が閉じていません", nullptr, false},
        // Whatever is wrong, where /quiet or /passive is written nobody is asked.
        {L"k.exe /dest=\"C:\\a /quiet", false, "引用符(\")が閉じていません", nullptr, true},
        {L"k.exe /frob \"-PASSIVE\"", false, "不明なスイッチです", nullptr, true},
        {L"k.exe /dest=C:\\my-quiet", true, "dest", L"C:\\my-quiet", false},
        {L"k.exe /passive", false, "/passiveと/quietには/destで展開先を指定してください", nullptr, true},
        {L"k.exe /passive /quiet /dest=C:\\", false, "/passiveと/quietは同時に指定できません", nullptr, true},
        {L"k.exe /handover=x", false, "不明なスイッチです", nullptr, false},
        {L"k.exe /handover=4x2", false, "不明なスイッチです", nullptr, false},
    };
    for (const auto& c : cases) {
        COMMAND_LINE_ line = ParseCommandLine(c.line);
        std::string what = ToShiftJis(c.line);
        EXPECT_EQ(c.sound, line.fault.empty()) << what << " " << ToShiftJis(line.fault.plain());
        EXPECT_EQ(c.noBoxes, line.noBoxes) << what;
        if (!c.sound) {
            EXPECT_EQ(0u, ToShiftJis(line.fault.plain()).find(c.said)) << what << " " << ToShiftJis(line.fault.plain());
            continue;
        }
        std::string read;
        for (const auto& flag : {std::make_pair(line.hasDestination, "dest"), std::make_pair(line.maker, "maker"),
                                 std::make_pair(line.app, "app"), std::make_pair(line.passive, "passive"),
                                 std::make_pair(line.quiet, "quiet"), std::make_pair(line.hasLog, "log"),
                                 std::make_pair(line.help, "help")})
            if (flag.first) read += std::string(read.empty() ? "" : " ") + flag.second;
        EXPECT_EQ(c.said, read) << what;
        EXPECT_EQ(c.destination != nullptr ? c.destination : L"", line.destination) << what;
    }
}

// What the hand-over writes, kelpex reads back exactly, whatever the value
// holds; a value it could not read back (a quote, which no path holds) is
// never written.
TEST(CommandLine, WrittenSwitchesAreReadBackExactly) {
    const wchar_t* values[] = {L"C:\\Games\\",
                               L"C:\\a b\\",
                               L"\\\\server\\share\\x y\\",
                               L"C:\\\u00FC \uAC8C\uC784 \U0001F363\\",
                               L"C:\\100% ^&()\\",
                               L"C:\\a\\\\\\",
                               L"C:\\\t\\",
                               L"C:\\-quiet\\"};
    for (const wchar_t* value : values) {
        std::wstring line = L"\"C:\\k\\kelpex.exe\"";
        ASSERT_TRUE(AppendSwitch(line, SWITCH_DEST, value));
        ASSERT_TRUE(AppendSwitch(line, SWITCH_HANDOVER, L"42"));
        COMMAND_LINE_ read = ParseCommandLine(line.c_str());
        EXPECT_TRUE(read.fault.empty()) << ToShiftJis(line.c_str()) << ToShiftJis(read.fault.plain());
        EXPECT_EQ(value, read.destination) << ToShiftJis(line.c_str());
        EXPECT_EQ(42u, read.handOverFrom);
        EXPECT_FALSE(read.noBoxes) << ToShiftJis(line.c_str());
    }
    std::wstring line;
    EXPECT_FALSE(AppendSwitch(line, SWITCH_DEST, L"C:\\a\"b"));
    EXPECT_EQ(L"", line);
}

// Each exit code from a real cause, with /quiet: no window of the process
// at any time, and the log says what the window would have said.
TEST(CommandLine, EveryOutcomeEndsWithItsExitCodeAndItsLog) {
    enum Damage {
        NONE,
        LONG_DESTINATION,
        MISSING_PART,
        LOCKED_CONFIGURATION,
        DAMAGED_PART,
        FILE_AS_DESTINATION,
        NO_DRIVE,
        BAD_LINE,
        LOG_ON_NO_DRIVE,
        LONG_FORM,  // the destination pasted in its long form
        LOG_IS_A_TARGET,  // the log is a file the Run writes, spelt otherwise
        LOG_IS_A_CABINET,
        NEXT_IS_A_DEVICE,  // the first part names CON as the part it continues into
        NEXT_IS_CON  // ... CON itself
    };
    struct {
        Damage damage;
        DWORD exitCode;
        const char* logSays;  // in the log's text, or null: no log
    } cases[] = {
        {NONE, 0, "解凍は正常に終了しました。"},
        {LONG_DESTINATION, 0, "解凍は正常に終了しました。"},
        {MISSING_PART, 2, "data02.cab"},
        {LOCKED_CONFIGURATION, 2, "終了コード"},  // read as empty: no box asks to retry
        {DAMAGED_PART, 4, "解凍中にエラーが発生しました。"},
        {FILE_AS_DESTINATION, 3, "指定されたパスにはフォルダではなくファイルがあります"},
        {NO_DRIVE, 3, "指定されたドライブは存在していません"},
        {BAD_LINE, 1, "コマンドラインに誤りがあります。"},  // /quiet: no box, the fault in the log
        {LOG_ON_NO_DRIVE, 1, nullptr},
        {LONG_FORM, 0, "解凍は正常に終了しました。"},
        {LOG_IS_A_TARGET, 1, nullptr},
        {LOG_IS_A_CABINET, 1, nullptr},
        {NEXT_IS_A_DEVICE, 2, "CON.aa.cab"},
        {NEXT_IS_CON, 2, "CON"},
    };
    for (const auto& c : cases) {
        TempFolder app;
        WriteSeries(app);
        std::wstring out = app.widePath() + L"out \u00E9\\";
        if (c.damage == LONG_DESTINATION) {
            // Over 200 units, in folders of 70 Hangul syllables (210 bytes in
            // UTF-8, which a Linux file system under Wine takes as one name).
            std::wstring syllables;
            for (int i = 0; i < 35; ++i) syllables += L"\uAC8C\uC784";
            out = app.widePath() + syllables + L"\\" + syllables + L"\\";
        }
        if (c.damage == MISSING_PART) DeleteFileW((app.widePath() + L"data02.cab").c_str());
        // Held open by another program with no sharing, for as long as kelpex runs.
        FCHandle locked(c.damage != LOCKED_CONFIGURATION
                            ? nullptr
                            : CreateFileW((app.widePath() + L"kelpex.qcf").c_str(), GENERIC_READ, 0, nullptr,
                                          OPEN_EXISTING, 0, nullptr));
        if (c.damage == DAMAGED_PART) {
            std::string bytes = TempFolder::readFile(app / "data02.cab");
            bytes[bytes.size() / 2] ^= 0x55;  // in its data: start-up reads headers only
            TempFolder::writeFile(app / "data02.cab", bytes);
        }
        if (c.damage == NEXT_IS_A_DEVICE) {
            std::string bytes = TempFolder::readFile(app / "data01.cab");
            bytes.replace(bytes.find("data02.cab"), 10, "CON.aa.cab");
            TempFolder::writeFile(app / "data01.cab", bytes);
        }
        if (c.damage == NEXT_IS_CON) {
            // Only the first part is written: the second's name is a device.
            WriteSpanningSeries(app.path(), {"data01.cab", "CON"}, {{{"a.txt", "alpha"}}, {{"b.txt", "beta"}}});
            MainDialogHarness::writeConfiguration(app / "kelpex.qcf", "fname=data01.cab\n");
        }
        if (c.damage == FILE_AS_DESTINATION) {
            TempFolder::writeFile(app / "plain", "x");
            out = app.widePath() + L"plain\\";
        }
        if (c.damage == NO_DRIVE) out = L"Q:\\kelpex\\";
        std::wstring log = app.widePath() + L"log \uAC8C.txt";
        if (c.damage == LOG_ON_NO_DRIVE) log = L"Q:\\kelpex.log";
        if (c.damage == LOG_IS_A_TARGET) log = out + L"PART1.BIN";
        if (c.damage == LOG_IS_A_TARGET) CreateDirectoryW(out.c_str(), nullptr);
        if (c.damage == LOG_IS_A_CABINET) log = app.widePath() + L"DATA01.CAB";
        const std::string cabinet = TempFolder::readFile(app / "data01.cab");
        std::wstring given = c.damage == LONG_FORM ? L"\\\\?\\" + out : out;
        std::wstring arguments = L"/quiet /dest=" + Quoted(given) + L" /log=" + Quoted(log);
        if (c.damage == BAD_LINE) arguments += L" /frob";
        StartedKelpex kelpex(app, arguments);
        bool windowSeen = false;
        EXPECT_EQ(c.exitCode, kelpex.waitExit(60000, &windowSeen)) << c.damage;
        EXPECT_FALSE(windowSeen) << c.damage;
        if (c.exitCode != 0 && c.exitCode != 4) {
            EXPECT_FALSE(pathExists(out + L"part1.bin")) << c.damage;  // nothing written
        }
        if (c.exitCode == 0) {
            EXPECT_EQ(4u << 20, TempFolder::readFile(LongPathForm(out + L"part2.bin")).size()) << c.damage;
        }
        EXPECT_EQ(cabinet, TempFolder::readFile(app / "data01.cab")) << c.damage;
        if (c.logSays == nullptr) {
            // The log names a file it must not touch: left as it was.
            EXPECT_FALSE(c.damage == LOG_IS_A_TARGET && pathExists(log)) << c.damage;
            continue;
        }
        std::wstring said = ReadUtf8(log);
        std::wstring code = L"\u7D42\u4E86\u30B3\u30FC\u30C9: " + std::to_wstring(c.exitCode) + L"\n";  // 終了コード
        EXPECT_EQ(0u, said.find(code)) << ToShiftJis(said.c_str());
        EXPECT_NE(std::wstring::npos, said.find(FromShiftJis(c.logSays).c_str())) << ToShiftJis(said.c_str());
        if (c.exitCode == 0) {
            std::wstring outcome = FromShiftJis("解凍は正常に終了しました。\n出力されたフォルダは\n").c_str() + out +
                                   FromShiftJis("\nです。\n").c_str();
            EXPECT_NE(std::wstring::npos, said.find(outcome)) << ToShiftJis(said.c_str());
            EXPECT_NE(std::wstring::npos, said.find(L"data01.cab: ")) << ToShiftJis(said.c_str());
            // Every file it wrote, as on disk.
            std::wstring files = said.substr(said.find(L"\uFF09:\n") + 3);
            for (const std::wstring& name : TempFolder::entries(LongPathForm(out + L"*"))) {
                EXPECT_NE(std::wstring::npos, files.find(L"  " + name + L"\n")) << ToShiftJis(said.c_str());
                files.erase(files.find(L"  " + name + L"\n"), name.size() + 3);
            }
            EXPECT_EQ(L"", files) << c.damage;
        }
    }
}

// /passive shows the progress dialog and nothing else; its Cancel ends the
// process with 5, at once though the Run waits for a file another program
// holds, and the log says how far each cabinet got. A second kelpex started
// meanwhile with switches ends at once with 6, and says so in its own log.
TEST(CommandLine, PassiveRunsCanBeCancelledAndASecondStartIsTurnedAway) {
    TempFolder app, other;
    WriteSeries(app);
    WriteSeries(other);
    std::wstring base = app.widePath() + L"\uAC8C\uC784\\", out = base + L"Maker\\";
    CreateDirectoryW(base.c_str(), nullptr);
    CreateDirectoryW(out.c_str(), nullptr);
    TempFolder::writeFile(out + L"part2.bin", "old");
    HeldFile held(out + L"part2.bin", HeldFile::SHARE_NONE);
    ASSERT_TRUE(held.held()) << held.whyNotHeld();
    std::wstring log = app.widePath() + L"first.log", secondLog = other.widePath() + L"second.log";
    StartedKelpex kelpex(app, L"/passive /dest=" + Quoted(base) + L" /maker /log=" + Quoted(log));
    HWND progress = WindowAnswerer::waitForProcessWindow(kelpex.pid(), "解凍中...", 30000);
    ASSERT_NE(nullptr, progress);
    // It waits for part2.bin once part1.bin is written.
    ASSERT_TRUE(WindowAnswerer::waitUntil([&] { return TempFolder::readFile(out + L"part1.bin").size() == (4u << 20); },
                                          30000));
    {
        StartedKelpex second(other,
                             L"/quiet /dest=" + Quoted(other.widePath() + L"second") + L" /log=" + Quoted(secondLog));
        EXPECT_EQ(6u, second.waitExit(30000));
    }
    EXPECT_EQ(0u, ReadUtf8(secondLog).find(L"\u7D42\u4E86\u30B3\u30FC\u30C9: 6\n"))
        << ToShiftJis(ReadUtf8(secondLog).c_str());
    EXPECT_EQ(nullptr, WindowAnswerer::waitForProcessWindow(kelpex.pid(), "一括解凍", 0));
    EXPECT_TRUE(PostMessageW(progress, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED),
                             reinterpret_cast<LPARAM>(GetDlgItem(progress, IDCANCEL))));
    // Well before the wait for the file would end (twelve seconds).
    EXPECT_EQ(5u, kelpex.waitExit(8000));
    EXPECT_FALSE(pathExists(other.widePath() + L"second"));
    held.release();
    EXPECT_EQ("old", TempFolder::readFile(out + L"part2.bin"));
    std::wstring said = ReadUtf8(log);
    for (const char* line : {"終了コード: 5\n", "data01.cab: 一部展開（1 / 2ファイル）\n", "data02.cab: 未展開\n",
                             "展開したファイル（1）:\n  part1.bin\n"})
        EXPECT_NE(std::wstring::npos, said.find(FromShiftJis(line).c_str())) << line << "\n"
                                                                             << ToShiftJis(said.c_str());
}

// With nobody to ask (/quiet, /passive), a file another program holds is
// waited for longer, then skipped: the rest of the series is written, the
// exit code is 4, and the log names the file; /passive shows only its
// progress dialog.
TEST(CommandLine, UnattendedRunsSkipAFileAnotherProgramHolds) {
    for (const char* mode : {"/quiet", "/passive"}) {
        TempFolder app;
        WriteSeries(app);
        std::wstring out = app.widePath() + L"out\\";
        CreateDirectoryW(out.c_str(), nullptr);
        TempFolder::writeFile(out + L"part1.bin", "old");
        HeldFile held(out + L"part1.bin", HeldFile::SHARE_READ);
        ASSERT_TRUE(held.held()) << held.whyNotHeld();
        std::wstring log = app.widePath() + L"kelpex.log";
        StartedKelpex kelpex(app, FromShiftJis(mode) + L" /dest=" + Quoted(out) + L" /log=" + Quoted(log));
        bool progressSeen = false, otherSeen = false;
        DWORD start = GetTickCount();
        while (!kelpex.exited() && GetTickCount() - start < 60000) {
            progressSeen = progressSeen || WindowAnswerer::waitForProcessWindow(kelpex.pid(), "解凍中...", 0);
            otherSeen = otherSeen || WindowAnswerer::waitForProcessWindow(kelpex.pid(), "一括解凍", 0) ||
                        WindowAnswerer::waitForProcessWindow(kelpex.pid(), "使用中のファイル", 0);
            Sleep(20);
        }
        EXPECT_EQ(4u, kelpex.waitExit(0)) << mode;
        EXPECT_EQ(std::string(mode) == "/passive", progressSeen) << mode;
        EXPECT_FALSE(otherSeen) << mode;
        held.release();
        EXPECT_EQ("old", TempFolder::readFile(out + L"part1.bin")) << mode;
        EXPECT_EQ(4u << 20, TempFolder::readFile(out + L"part2.bin").size()) << mode;
        std::wstring said = ReadUtf8(log);
        for (const char* line : {"終了コード: 4\n", "使用中のためスキップしたファイル（1）:\n  part1.bin\n",
                                 "展開したファイル（1）:\n  part2.bin\n"})
            EXPECT_NE(std::wstring::npos, said.find(FromShiftJis(line).c_str())) << line << "\n"
                                                                                 << ToShiftJis(said.c_str());
    }
}

// /dest alone opens the window as usual, the field and the boxes filled in;
// closed without a Run, the process ends with 5.
TEST(CommandLine, ADestinationAloneFillsTheWindow) {
    TempFolder app;
    WriteSeries(app);
    std::wstring out = app.widePath() + L"caf\u00E9 \uAC8C\uC784";
    StartedKelpex kelpex(app, L"/dest=" + Quoted(out) + L" /app");
    HWND window = WindowAnswerer::waitForProcessWindow(kelpex.pid(), "一括解凍", 30000);
    ASSERT_NE(nullptr, window);
    wchar_t field[512] = L"";
    // Sent: GetWindowText reads another process's window's caption only.
    SendDlgItemMessageW(window, IDC_MAIN_DESTINATION_EDIT, WM_GETTEXT, 512, reinterpret_cast<LPARAM>(field));
    EXPECT_EQ(out, std::wstring(field));
    EXPECT_EQ(BST_CHECKED, SendDlgItemMessageW(window, IDC_MAIN_APP_BOX, BM_GETCHECK, 0, 0));
    EXPECT_EQ(BST_UNCHECKED, SendDlgItemMessageW(window, IDC_MAIN_MAKER_BOX, BM_GETCHECK, 0, 0));
    PostMessageW(window, WM_COMMAND, MAKEWPARAM(IDC_MAIN_EXIT, BN_CLICKED), 0);
    EXPECT_EQ(5u, kelpex.waitExit(30000));
}

// /? lists the switches and the exit codes in a box, and ends with 0.
TEST(CommandLine, HelpListsTheSwitchesAndTheExitCodes) {
    TempFolder app;
    StartedKelpex kelpex(app, "/?");
    HWND box = WindowAnswerer::waitForProcessWindow(kelpex.pid(), "複数cab展開ツール", 30000);
    ASSERT_NE(nullptr, box);
    std::string text = WindowAnswerer::messageBoxText(box);
    for (const char* part : {"/dest=フォルダ", "/passive", "/quiet", "/log=ファイル", "7 管理者の権限が必要"})
        EXPECT_NE(std::string::npos, text.find(part)) << part << "\n" << text;
    PostMessageW(box, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
    EXPECT_EQ(0u, kelpex.waitExit(30000));
}

// A fault in the platform's reader under /quiet: no box, the report in the
// log, and 4 (the 64-bit reader fails this cabinet without a fault: the
// Run fails as after any error, with the same code).
TEST(CommandLine, AFaultInThePlatformsReaderUnderQuietGoesToTheLog) {
    TempFolder app;
    ASSERT_TRUE(WriteMisdeclaredFolderCabinet(app / "data.cab"));
    TempFolder::writeFile(app / "kelpex.qcf", "fname=data.cab\nsize=1\n");
    std::wstring log = app.widePath() + L"kelpex.log";
    StartedKelpex kelpex(app, L"/quiet /dest=" + Quoted(app.widePath() + L"out") + L" /log=" + Quoted(log));
    bool windowSeen = false;
    EXPECT_EQ(4u, kelpex.waitExit(60000, &windowSeen));
    EXPECT_FALSE(windowSeen);
    std::wstring said = ReadUtf8(log);
    const char* expected = sizeof(void*) == 4 ? "キャビネットファイルを読み込んでいる途中で問題が起きた"
                                              : "解凍中にエラーが発生しました。";
    EXPECT_EQ(0u, said.find(L"\u7D42\u4E86\u30B3\u30FC\u30C9: 4\n")) << ToShiftJis(said.c_str());
    EXPECT_NE(std::wstring::npos, said.find(FromShiftJis(expected).c_str())) << ToShiftJis(said.c_str());
}

// kelpex in a folder deeper than 260 units extracts its series: the
// platform's reader is never handed the long cabinet path. Wine's
// CreateProcessW refuses a program that deep, so it is started by its Unix
// path from a script, which writes down the exit code.
TEST(CommandLine, AToolFolderDeeperThan260UnitsExtractsItsSeries) {
    typedef char*(CDECL * UnixName)(const wchar_t*);
    auto unixName = reinterpret_cast<UnixName>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"kernel32"), "wine_get_unix_file_name")));
    if (unixName == nullptr) GTEST_SKIP() << "not under Wine: started as any program is";
    TempFolder app;
    std::wstring deep = app.widePath();
    while (deep.size() < 270) deep += std::wstring(60, L'd') + L"\\";
    ASSERT_TRUE(CreateFolderPath(deep));
    ASSERT_TRUE(WriteCabinet(app / "data01.cab", {{"sub\\a.txt", "alpha"}, {"b.txt", "beta"}}));
    MainDialogHarness::writeConfiguration(app / "kelpex.qcf", "fname=data01.cab\n");
    ASSERT_TRUE(CopyFileW(FromShiftJis(WindowsPath(KELPEX_EXE).c_str()).c_str(),
                          (app.widePath() + L"kelpex.exe").c_str(), FALSE));
    for (const wchar_t* name : {L"data01.cab", L"kelpex.qcf", L"kelpex.exe"})
        ASSERT_TRUE(MoveFileW((app.widePath() + name).c_str(), (L"\\\\?\\" + deep + name).c_str()));
    std::wstring out = app.widePath() + L"out", log = app.widePath() + L"kelpex.log";
    auto unixPath = [unixName](const std::wstring& path) {
        char* name = unixName(path.c_str());
        std::string text(name != nullptr ? name : "");
        HeapFree(GetProcessHeap(), 0, name);
        return text;
    };
    std::string script = unixPath(app.widePath() + L"start.sh"), code = script + ".code";
    // Wine's 32-bit loader hands a 64-bit program to start.exe, which takes
    // it by its Windows path: the 64-bit one is started by its own loader.
    std::string loader = sizeof(void*) == 8 ? "for w in wine64 /usr/lib/wine/wine64 /usr/lib64/wine/wine64 wine; do "
                                              "command -v \"$w\" >/dev/null && break; done\n"
                                            : "w=\"${WINELOADER:-wine}\"\n";
    TempFolder::writeFile(app / "start.sh", loader + "\"$w\" '" + unixPath(deep + L"kelpex.exe") +
                                                "' /quiet /dest=" + ToShiftJis(Quoted(out)) +
                                                " /log=" + ToShiftJis(Quoted(log)) + "\necho $? > '" + code + "'\n");
    std::wstring command = L"\"Z:\\bin\\sh\" \"" + FromShiftJis(script.c_str()) + L"\"";
    STARTUPINFOW startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION started = {};
    ASSERT_TRUE(CreateProcessW(nullptr, &command[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &started));
    FCHandle process(started.hProcess), thread(started.hThread);
    std::wstring codeFile = app.widePath() + L"start.sh.code";
    auto written = [&] {
        std::string text =
            GetFileAttributesW(codeFile.c_str()) != INVALID_FILE_ATTRIBUTES ? TempFolder::readFile(codeFile) : "";
        return !text.empty() && text.back() == '\n';
    };
    ASSERT_TRUE(WindowAnswerer::waitUntil(written, 120000));
    EXPECT_EQ("0\n", TempFolder::readFile(codeFile)) << ToShiftJis(ReadUtf8(log).c_str());
    EXPECT_EQ("alpha", TempFolder::readFile(out + L"\\sub\\a.txt"));
    EXPECT_EQ("beta", TempFolder::readFile(out + L"\\b.txt"));
}

// Whatever a script writes, the series is never written over and 0 means
// every file is where Windows reads the destination to be: a log on a file
// of the series with a faulty line, a log deeper than 260 units, a log
// another program holds, root- and drive-relative paths, a volume's name,
// and /? with a log.
TEST(CommandLine, NoCommandLineDamagesTheSeriesOrReportsAFalseSuccess) {
    enum Shape {
        LOG_ON_CABINET,
        LOG_ON_CONFIGURATION,
        LOG_ON_TOOL,
        DEEP_LOG,
        HELD_LOG,
        ROOT_RELATIVE,
        DRIVE_RELATIVE,
        VOLUME_NAME,
        HELP
    };
    struct {
        Shape shape;
        const wchar_t* fault;  // added to the line
        DWORD exitCode;
        const wchar_t* log;  // the log's name in the tool's folder, or null: made by the case
        const char* logSays;  // null: the log stays as it was (or absent)
    } cases[] = {
        {LOG_ON_CABINET, L" /dest=C:\\other", 1, L"data01.cab", nullptr},
        {LOG_ON_CABINET, L" /frob", 1, L"DATA02.CAB", nullptr},
        {LOG_ON_CONFIGURATION, L" /dest=\"C:\\unclosed", 1, L"KELPEX.QCF", nullptr},
        {LOG_ON_TOOL, L"", 1, L"kelpex.exe", nullptr},
        {LOG_ON_CABINET, L"", 1, L"data03.cab", nullptr},  // a part yet to come
        {DEEP_LOG, L"", 0, nullptr, "解凍は正常に終了しました。"},
        {DEEP_LOG, L" /maker=x", 1, nullptr, "コマンドラインに誤りがあります。"},
        {HELD_LOG, L"", 1, L"held.log", nullptr},
        {ROOT_RELATIVE, L"", 0, L"k.log", "解凍は正常に終了しました。"},
        {DRIVE_RELATIVE, L"", 0, L"k.log", "解凍は正常に終了しました。"},
        {VOLUME_NAME, L"", 0, L"k.log", "解凍は正常に終了しました。"},
        {HELP, L"", 0, L"k.log", "/dest=フォルダ"},
    };
    for (const auto& c : cases) {
        TempFolder app;
        WriteSeries(app);
        std::wstring out = app.widePath() + L"out \u00E9\\", dest = out;
        if (c.shape == ROOT_RELATIVE) dest = out.substr(2);  // \users\...: the current drive's root
        if (c.shape == DRIVE_RELATIVE) dest = out.substr(0, 2) + L"out \u00E9\\";  // C:out: that drive's current folder
        wchar_t volume[64] = L"";
        if (c.shape == VOLUME_NAME) {
            ASSERT_TRUE(GetVolumeNameForVolumeMountPointW((out.substr(0, 2) + L"\\").c_str(), volume, 64));
            dest = volume + out.substr(3);
        }
        std::wstring log = c.log != nullptr ? app.widePath() + c.log : app.widePath();
        if (c.shape == DEEP_LOG) {
            while (log.size() < 300) {
                log += std::wstring(50, *c.fault == L'\0' ? L'd' : L'\uAC8C') + L"\\";
                ASSERT_TRUE(CreateDirectoryW((L"\\\\?\\" + log).c_str(), nullptr));
            }
            log += L"k.log";
        }
        if (c.shape == HELD_LOG) TempFolder::writeFile(log, "earlier");
        std::unique_ptr<HeldFile> held;
        if (c.shape == HELD_LOG) held.reset(new HeldFile(log, HeldFile::SHARE_NONE));
        if (held) {
            ASSERT_TRUE(held->held()) << held->whyNotHeld();
        }
        // The tool in place before its bytes are kept: the log may name it.
        ASSERT_TRUE(CopyFileW(FromShiftJis(WindowsPath(KELPEX_EXE).c_str()).c_str(),
                              (app.widePath() + L"kelpex.exe").c_str(), FALSE));
        std::vector<std::string> series;
        for (const char* name : {"data01.cab", "data02.cab", "kelpex.qcf", "kelpex.exe"})
            series.push_back(TempFolder::readFile(app / name));
        std::wstring arguments = (c.shape == HELP ? L"/? /quiet /dest=" : L"/quiet /dest=") + Quoted(dest);
        arguments += L" /log=" + Quoted(log) + c.fault;
        StartedKelpex run(app, arguments);
        EXPECT_EQ(c.exitCode, run.waitExit(90000)) << c.shape << " " << ToShiftJis(arguments.c_str());
        size_t i = 0;
        for (const char* name : {"data01.cab", "data02.cab", "kelpex.qcf", "kelpex.exe"})
            EXPECT_TRUE(series[i++] == TempFolder::readFile(app / name)) << c.shape << " " << name << " changed";
        EXPECT_FALSE(pathExists(app.widePath() + L"data03.cab")) << c.shape;
        // 0: every file where the destination is, and nowhere else.
        if (c.exitCode == 0 && c.shape != HELP) {
            EXPECT_EQ(4u << 20, TempFolder::readFile(out + L"part2.bin").size()) << c.shape;
        } else {
            EXPECT_FALSE(pathExists(out + L"part1.bin")) << c.shape;
        }
        EXPECT_FALSE(pathExists(app.widePath() + L"users")) << c.shape;
        EXPECT_FALSE(pathExists(app.widePath() + L"Volume{")) << c.shape;
        if (held) {
            held->release();
            EXPECT_EQ("earlier", TempFolder::readFile(log)) << c.shape;
        }
        if (c.logSays == nullptr) continue;
        std::wstring said = ReadUtf8(LongPathForm(log));
        EXPECT_EQ(0u, said.find(L"\u7D42\u4E86\u30B3\u30FC\u30C9: " + std::to_wstring(c.exitCode) + L"\n"))
            << c.shape << ToShiftJis(said.c_str());
        EXPECT_NE(std::wstring::npos, said.find(FromShiftJis(c.logSays).c_str()))
            << c.shape << ToShiftJis(said.c_str());
        if (c.exitCode == 0 && c.shape != HELP) {
            EXPECT_NE(std::wstring::npos, said.find(L"\n" + out + L"\n")) << c.shape << ToShiftJis(said.c_str());
        }
    }
}

namespace {
// Runs a shell command on the host, for what only the host can do to a
// file (an attribute Windows cannot clear). False when it could not run or
// failed.
bool HostCommand(const TempFolder& folder, const std::string& command) {
    typedef char*(CDECL * UnixName)(const wchar_t*);
    auto unixName = reinterpret_cast<UnixName>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"kernel32"), "wine_get_unix_file_name")));
    if (unixName == nullptr) return false;
    char* name = unixName((folder.widePath() + L"host.sh").c_str());
    std::string script(name != nullptr ? name : "");
    HeapFree(GetProcessHeap(), 0, name);
    std::wstring codeFile = folder.widePath() + L"host.sh.code";
    DeleteFileW(codeFile.c_str());
    TempFolder::writeFile(folder / "host.sh", command + "\necho $? > '" + script + ".code'\n");
    std::wstring line = L"\"Z:\\bin\\sh\" \"" + FromShiftJis(script.c_str()) + L"\"";
    STARTUPINFOW startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION started = {};
    if (!CreateProcessW(nullptr, &line[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &started))
        return false;
    FCHandle process(started.hProcess), thread(started.hThread);
    auto written = [&] {
        std::string text = pathExists(codeFile) ? TempFolder::readFile(codeFile) : "";
        return !text.empty() && text.back() == '\n';
    };
    return WindowAnswerer::waitUntil(written, 30000) && TempFolder::readFile(codeFile) == "0\n";
}
}  // namespace

// Targets that cannot be replaced, whatever the reason, are skipped and
// named with it; the rest of the series is written, and the exit code is 4:
// read-only files whose attribute the file system refuses to clear, and a
// read-only file another program holds.
TEST(CommandLine, TargetsThatCannotBeReplacedAreSkippedAndNamed) {
    TempFolder app;
    std::vector<CabinetEntry> entries = {{"r1.txt", "new"}, {"r2.txt", "new"}, {"held.txt", "new"}, {"n.txt", "n"}};
    ASSERT_TRUE(WriteCabinet(app / "data01.cab", entries));
    ASSERT_TRUE(WriteCabinet(app / "data02.cab", {{"m.txt", "m"}}));
    MainDialogHarness::writeConfiguration(app / "kelpex.qcf", "fname=data*.cab,2,1,2,1\n");
    std::wstring out = app.widePath() + L"out\\";
    ASSERT_TRUE(CreateDirectoryW(out.c_str(), nullptr));
    for (const wchar_t* name : {L"r1.txt", L"r2.txt", L"held.txt"}) {
        TempFolder::writeFile(out + name, "old");
        ASSERT_TRUE(SetFileAttributesW((out + name).c_str(), FILE_ATTRIBUTE_READONLY));
    }
    // The host's immutable flag: Windows can neither clear the attribute
    // nor replace the file.
    bool immutable = HostCommand(app, "cd \"$(dirname \"$0\")/out\" && chattr +i r1.txt r2.txt");
    struct Mutable {
        const TempFolder& app;
        ~Mutable() { HostCommand(app, "cd \"$(dirname \"$0\")/out\" && chattr -i r1.txt r2.txt"); }
    } restore{app};
    if (!immutable) GTEST_SKIP() << "the host cannot make a file immutable here";
    HeldFile held(out + L"held.txt", HeldFile::SHARE_READ);
    ASSERT_TRUE(held.held()) << held.whyNotHeld();
    std::wstring log = app.widePath() + L"kelpex.log";
    StartedKelpex kelpex(app, L"/quiet /dest=" + Quoted(out) + L" /log=" + Quoted(log));
    EXPECT_EQ(4u, kelpex.waitExit(90000));
    held.release();
    for (const wchar_t* name : {L"r1.txt", L"r2.txt", L"held.txt"}) EXPECT_EQ("old", TempFolder::readFile(out + name));
    EXPECT_EQ("n", TempFolder::readFile(out + L"n.txt"));
    EXPECT_EQ("m", TempFolder::readFile(out + L"m.txt"));
    std::string said = ToShiftJis(ReadUtf8(log).c_str());
    for (const char* line :
         {"終了コード: 4\n", "data01.cab: 一部展開（1 / 4ファイル、スキップ 3）\n",
          "data02.cab: 展開済み（1ファイル）\n", "使用中のためスキップしたファイル（1）:\n  held.txt\n",
          "置き換えられなかったためスキップしたファイル（2）:\n  r1.txt (5:", "\n  r2.txt (5:"})
        EXPECT_NE(std::string::npos, said.find(line)) << line << "\n" << said;
}
