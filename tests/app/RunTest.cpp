#include "ui/UxProgressDialog.h"
#include "foundation/FCHandle.h"
#include "foundation/WideText.h"
#include "ui/UxMessageDialog.h"
#include "fs/FCFile.h"
#include "fs/FCPathName.h"
#include "fs/FolderWalk.h"
#include "tests/app/MainDialogHarness.h"
#include "tests/cab/CabinetWriter.h"
#include "tests/support/Watchdog.h"
#include "tests/support/WindowAnswerer.h"
#include <gtest/gtest.h>
#include <atomic>
#include <commctrl.h>
#include <functional>
#include <thread>

namespace {
const char* const kQuestionTitle = "フォルダ作成の確認";

std::string Data(const std::string& name) { return WindowsPath(KELPEX_CAB_DATA "/" + name); }

std::string Qcf(const std::string& extra) {
    return "fname=data*.cab,2,1,3,1\nsize=1\nmakerName=Maker\nappName=App\n" + extra;
}

// An application folder holding the series data01..03.cab from the fixtures.
struct SeriesHarness : MainDialogHarness {
    explicit SeriesHarness(const std::string& qcf,
                           const std::vector<std::string>& cabinets = {"data01.cab", "data02.cab", "data03.cab"},
                           UxRunPlatform& platform = SystemPlatform())
        : MainDialogHarness(qcf.c_str(), {}, COMMAND_LINE_(), platform) {
        for (size_t i = 0; i < cabinets.size(); ++i) {
            std::string target = folder() / ("data0" + std::to_string(i + 1) + ".cab");
            // A link where the file system allows one: some are hundreds of MB.
            if (!CreateHardLinkA(target.c_str(), Data(cabinets[i]).c_str(), nullptr))
                CopyFileA(Data(cabinets[i]).c_str(), target.c_str(), FALSE);
        }
        open();
    }
    void run() { click(IDC_MAIN_RUN); }
};

bool SameFile(const std::string& a, const std::string& b) {
    std::string x = TempFolder::readFile(a);
    return x != "<missing>" && x == TempFolder::readFile(b);
}

bool AnyProbeIn(const std::string& folder) {
    WIN32_FIND_DATAA data;
    FCFindHandle find(FindFirstFileA((folder + "$$_*.$_$").c_str(), &data));
    return find.valid();
}

// Runs `action` once from inside the Run's own message pumping.
std::function<void()> g_duringRun;
void CALLBACK DuringRun(HWND, UINT, UINT_PTR id, DWORD) {
    KillTimer(nullptr, id);
    if (g_duringRun) g_duringRun();
    g_duringRun = nullptr;
}
void AtFirstPump(std::function<void()> action) {
    g_duringRun = std::move(action);
    SetTimer(nullptr, 0, 1, DuringRun);
}

// Runs `action` from the Run's message pumping once `ready` holds.
std::function<bool()> g_ready;
void CALLBACK WhenReady(HWND, UINT, UINT_PTR id, DWORD) {
    if (!g_ready) {
        KillTimer(nullptr, id);  // called off
        return;
    }
    if (!g_ready()) return;
    KillTimer(nullptr, id);
    g_ready = nullptr;
    if (g_duringRun) g_duringRun();
    g_duringRun = nullptr;
}
void OnceDuringRun(std::function<bool()> ready, std::function<void()> action) {
    g_ready = std::move(ready);
    g_duringRun = std::move(action);
    SetTimer(nullptr, 0, 1, WhenReady);
}
}  // namespace

TEST(Run, ExtractsTheSeriesIntoANewFolderAfterYes) {
    SeriesHarness h(Qcf(""));
    std::string out = h.folder() / "新しい\\表示";
    h.type(out);
    WindowAnswerer answer(kQuestionTitle, {IDYES});
    h.run();
    EXPECT_EQ(1, answer.answered());
    for (int n = 1; n <= 3; ++n) {
        std::string part = Data("src/part" + std::to_string(n) + "/");
        std::string list = "docs\\表示\\ソース\\list" + std::to_string(n) + ".txt";
        EXPECT_TRUE(SameFile(part + list, out + "\\" + list)) << list;
        EXPECT_TRUE(SameFile(part + "bin\\random" + std::to_string(n) + ".bin",
                             out + "\\bin\\random" + std::to_string(n) + ".bin"));
    }
    EXPECT_EQ("解凍は正常に終了しました。\r出力されたフォルダは\r" + out + "\\\rです。", h.text(IDC_MAIN_MESSAGE));
    EXPECT_TRUE(h.enabled(IDC_MAIN_RUN));
    EXPECT_EQ(nullptr, WindowAnswerer::waitForWindow("解凍中...", 0));
    EXPECT_FALSE(AnyProbeIn(h.folder().path()));
}

TEST(Run, BracketsInAFolderNameAreShownAskedAboutAndUsedAsTheyAre) {
    SeriesHarness h(Qcf(""));
    std::string out = h.folder() / "【旧】データ\\【0xC00000】x【-1】\\";
    h.type(out);
    EXPECT_EQ(out, h.text(IDC_MAIN_DESTINATION_LINE));
    std::string question;
    WindowAnswerer answer(kQuestionTitle, {IDYES}, [&](size_t) {
        HWND box = WindowAnswerer::waitForWindow(kQuestionTitle, 1000);
        question = RichEditText(GetDlgItem(box, IDC_MESSAGE_TEXT));
    });
    h.run();
    ASSERT_EQ(1, answer.answered());
    EXPECT_EQ("指定されたフォルダ\r" + out + "\rが存在しません。作成しても構いませんか？", question);
    EXPECT_EQ("解凍は正常に終了しました。\r出力されたフォルダは\r" + out + "\rです。", h.text(IDC_MAIN_MESSAGE));
    EXPECT_TRUE(TempFolder::exists(out + "readme1.txt"));
}

TEST(Run, ExistingDestinationAsksNothingAndKeepsItsNameUnaltered) {
    SeriesHarness h(Qcf("mes1=done %dest% ok\n"));
    std::string out = h.folder() / "data\\new\\";
    CreateDirectoryA((h.folder() / "data").c_str(), nullptr);
    CreateDirectoryA(out.c_str(), nullptr);
    h.type(out);
    h.run();
    EXPECT_EQ("done " + out + " ok", h.text(IDC_MAIN_MESSAGE));
    EXPECT_FALSE(AnyProbeIn(out));
    EXPECT_TRUE(h.enabled(IDC_MAIN_RUN));
}

TEST(Run, NoToCreationCreatesNothing) {
    SeriesHarness h(Qcf(""));
    std::string out = h.folder() / "never\\made";
    h.type(out);
    WindowAnswerer answer(kQuestionTitle, {IDNO});
    h.run();
    EXPECT_EQ(1, answer.answered());
    EXPECT_EQ("指定されたフォルダが作成されなかったため処理を中止しました。", h.text(IDC_MAIN_MESSAGE));
    EXPECT_FALSE(TempFolder::exists(h.folder() / "never"));
}

TEST(Run, MissingDriveNamesTheWholeDestination) {
    SeriesHarness h(Qcf(""));
    h.type("Q:\\dest");
    h.click(IDC_MAIN_MAKER_BOX);
    h.run();
    EXPECT_EQ("指定されたドライブは存在していません\rQ:\\dest\\Maker\\", h.text(IDC_MAIN_MESSAGE));
    EXPECT_TRUE(ShownAs(h.control(IDC_MAIN_MESSAGE), h.formatAt(IDC_MAIN_MESSAGE, 20), 0xC00000));
}

TEST(Run, ReadOnlyDriveIsRefusedAtTheDeepestExistingFolder) {
    if (!TempFolder::exists("R:\\readonly.txt")) GTEST_SKIP() << "no read-only test drive R:";
    for (ProbeKind kind : {PROBE_FILE, PROBE_FOLDER}) EXPECT_FALSE(CanWriteToFolder(L"R:\\", kind)) << kind;
    SeriesHarness h(Qcf(""));
    h.type("R:\\missing\\deeper");
    h.run();
    EXPECT_EQ("このパスは書き込むことが出来ません\rR:\\", h.text(IDC_MAIN_MESSAGE));
}

TEST(Run, FreeSpaceMustExceedTheSize) {
    if (!TempFolder::driveExists('S')) GTEST_SKIP() << "no small test drive S:";
    for (const char* size : {"size=1\n", "size=0\n"}) {
        SeriesHarness h(std::string("fname=data*.cab,2,1,3,1\n") + size);
        h.type("S:\\");
        h.run();  // 64 KB free: 0 whole MB, so even a size of 0 is refused
        std::string text = h.text(IDC_MAIN_MESSAGE);
        // The series holds about 0.6 MB: an understated size asks for that.
        EXPECT_EQ(0u, text.find("指定されたドライブの空き容量がたりません。\r要求サイズ：1MB")) << text;
        EXPECT_NE(std::string::npos, text.find("空きサイズ：0MB")) << text;
    }
    // A folder of C: that is another, smaller file system: its own figure.
    if (GetFileAttributesW(L"C:\\kelpex-mounted") != INVALID_FILE_ATTRIBUTES) {
        SeriesHarness h("fname=data*.cab,2,1,3,1\nsize=3\n");
        h.type("C:\\kelpex-mounted\\new\\");
        h.run();
        EXPECT_EQ(0u, h.text(IDC_MAIN_MESSAGE).find("指定されたドライブの空き容量がたりません。\r要求サイズ：3MB"))
            << h.text(IDC_MAIN_MESSAGE);
    }
    SeriesHarness fits(std::string("fname=data*.cab,2,1,3,1\nsize=0\n"));
    std::string out = fits.folder() / "fits\\";
    CreateDirectoryA(out.c_str(), nullptr);
    fits.type(out);
    fits.run();
    EXPECT_EQ(0u, fits.text(IDC_MAIN_MESSAGE).find("解凍は正常に終了しました。"));
}

TEST(Run, ADamagedArchiveStopsTheSeries) {
    SeriesHarness h(Qcf(""), {"data01.cab", "damaged.cab", "data03.cab"});
    std::string out = h.folder() / "out\\";
    CreateDirectoryA(out.c_str(), nullptr);
    h.type(out);
    h.run();
    std::string text = h.text(IDC_MAIN_MESSAGE);
    EXPECT_EQ(0u, text.find("解凍中にエラーが発生しました。\r")) << text;
    EXPECT_TRUE(TempFolder::exists(out + "readme1.txt"));
    EXPECT_FALSE(TempFolder::exists(out + "readme3.txt"));
}

TEST(Run, AnArchiveRemovedAfterStartUpIsAnErrorNamingIt) {
    SeriesHarness h(Qcf(""));
    std::string out = h.folder() / "out\\";
    CreateDirectoryA(out.c_str(), nullptr);
    h.type(out);
    std::string gone = h.folder() / "data02.cab";
    DeleteFileA(gone.c_str());
    h.run();
    EXPECT_EQ("解凍中にエラーが発生しました。\r対象が存在しません [" + gone + "]\r", h.text(IDC_MAIN_MESSAGE));
    EXPECT_TRUE(TempFolder::exists(out + "readme1.txt"));
    EXPECT_FALSE(TempFolder::exists(out + "readme3.txt"));
}

TEST(Run, AnFnameWithoutARangeExtractsThatOneArchive) {
    SeriesHarness h("fname=data01.cab\nsize=1\nmes1=one ok\n", {"data01.cab"});
    std::string out = h.folder() / "out\\";
    CreateDirectoryA(out.c_str(), nullptr);
    h.type(out);
    h.run();
    EXPECT_EQ("one ok", h.text(IDC_MAIN_MESSAGE));
    EXPECT_TRUE(SameFile(Data("src/part1/readme1.txt"), out + "readme1.txt"));
}

TEST(Run, AnEmptySetSucceedsAtOnce) {
    MainDialogHarness h("fname=data*.cab,2,5,1,1\nmes1=empty ok\n", {});
    h.open();
    h.type(h.folder().path());
    h.click(IDC_MAIN_RUN);
    EXPECT_EQ("empty ok", h.text(IDC_MAIN_MESSAGE));
}

TEST(Run, ShareDestinationsAreRefused) {
    SeriesHarness h(Qcf(""));
    h.type("\\\\server\\share\\dir");
    h.run();
    EXPECT_EQ("UNC表記(\\\\で始まる表記)のフォルダを指定することはできません。", h.text(IDC_MAIN_MESSAGE));
}

TEST(Run, CancelThroughTheProgressDialogEndsTheRun) {
    SeriesHarness h("fname=data*.cab,2,1,2,1\nsize=1\n", {"long.cab", "data02.cab"});
    std::string out = h.folder() / "out\\";
    CreateDirectoryA(out.c_str(), nullptr);
    h.type(out);
    bool runDisabled = false, editDisabled = false;
    // Cancel in the middle of the first cabinet, once it has written a file.
    OnceDuringRun([&] { return TempFolder::exists(out + "f1.bin"); },
                  [&] {
                      HWND progress = WindowAnswerer::waitForWindow("解凍中...", 100);
                      runDisabled = !h.enabled(IDC_MAIN_RUN);
                      editDisabled = !h.enabled(IDC_MAIN_DESTINATION_EDIT);
                      SendMessageA(h.window(), WM_COMMAND, MAKEWPARAM(IDC_MAIN_RUN, BN_CLICKED), 0);  // ignored mid-run
                      if (progress != nullptr) SendMessageA(GetDlgItem(progress, IDCANCEL), BM_CLICK, 0, 0);
                  });
    ASSERT_TRUE(h.enabled(IDC_MAIN_RUN));
    h.run();
    EXPECT_TRUE(runDisabled);
    EXPECT_TRUE(editDisabled);
    std::string text = h.text(IDC_MAIN_MESSAGE);
    EXPECT_EQ(0u, text.find("解凍がユーザーによって中断されました。")) << text;
    EXPECT_NE(std::string::npos, text.find(out));
    EXPECT_FALSE(TempFolder::exists(out + "readme2.txt"));
    EXPECT_TRUE(TempFolder::exists(out + "f1.bin"));
    EXPECT_FALSE(TempFolder::exists(out + "f99.bin"));  // the cabinet's last file was never reached
    EXPECT_EQ(nullptr, WindowAnswerer::waitForWindow("解凍中...", 0));
    EXPECT_TRUE(h.enabled(IDC_MAIN_RUN));
    EXPECT_TRUE(h.enabled(IDC_MAIN_DESTINATION_EDIT));
}

TEST(RunHelpers, SeparatorsFilesInTheWayAndUnwritableFolderNames) {
    struct {
        const wchar_t* typed;
        const wchar_t* normalized;
        const wchar_t* unwritable;  // the name found, or null
    } cases[] = {
        {L"C:/a//b\\\\c/", L"C:\\a\\b\\c\\", nullptr},
        {L"//srv/share//x", L"\\\\srv\\share\\x", nullptr},
        {L"C:\\表\\\\ソ\\", L"C:\\表\\ソ\\", nullptr},
        {L"C:\\a\\..\\.\\b\\", L"C:\\a\\..\\.\\b\\", nullptr},
        {L"C:\\setup \\x\\", L"C:\\setup \\x\\", L"setup "},
        {L"C:\\a\\dot.\\", L"C:\\a\\dot.\\", L"dot."},
        {L"C:\\a\\con\\", L"C:\\a\\con\\", L"con"},
        {L"C:\\a\\表", L"C:\\a\\表", nullptr},
        // Names Shift_JIS cannot hold are judged as they are, never as '?'.
        {L"C:\\Caf\u00E9\\\uAC8C\uC784\\\U0001F363\\", L"C:\\Caf\u00E9\\\uAC8C\uC784\\\U0001F363\\", nullptr},
        {L"C:\\Jos\u00E9\\\U0001F363?\\", L"C:\\Jos\u00E9\\\U0001F363?\\", L"\U0001F363?"},
        {L"C:\\Jos\u00E9\\\uAC8C\uC784.\\", L"C:\\Jos\u00E9\\\uAC8C\uC784.\\", L"\uAC8C\uC784."},
    };
    for (const auto& c : cases) {
        std::wstring normalized = NormalizeSeparators(c.typed), name;
        EXPECT_EQ(c.normalized, normalized) << ToShiftJis(c.typed);
        EXPECT_EQ(c.unwritable != nullptr, FindUnwritableFolderName(normalized, name)) << ToShiftJis(c.typed);
        if (c.unwritable != nullptr) {
            EXPECT_EQ(c.unwritable, name) << ToShiftJis(c.typed);
        }
    }
    TempFolder dir;
    std::wstring root = dir.widePath();
    TempFolder::writeFile(dir / "f.txt", "f");
    std::wstring file;
    EXPECT_TRUE(FindFileOnPath(root + L"f.txt\\a\\", file));
    EXPECT_EQ(root + L"f.txt", file);
    EXPECT_FALSE(FindFileOnPath(root + L"g\\a\\", file));
    EXPECT_FALSE(FindFileOnPath(L"Q:\\x\\", file));
    ASSERT_TRUE(CreateFolderPath(root + L"Caf\u00E9"));
    HANDLE made =
        CreateFileW((root + L"Caf\u00E9\\\uAC8C\uC784").c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, 0, nullptr);
    ASSERT_NE(INVALID_HANDLE_VALUE, made);
    CloseHandle(made);
    EXPECT_TRUE(FindFileOnPath(root + L"Caf\u00E9\\\uAC8C\uC784\\x\\", file));
    EXPECT_EQ(root + L"Caf\u00E9\\\uAC8C\uC784", file);
}

TEST(RunHelpers, DeepestExistingFolderAndFolderCreation) {
    TempFolder dir;
    std::wstring root = dir.widePath(), deepest;
    EXPECT_TRUE(FindDeepestExistingFolder(root + L"a\\b\\c\\", deepest));
    EXPECT_EQ(root, deepest);
    EXPECT_FALSE(FindDeepestExistingFolder(L"Q:\\x\\", deepest));
    EXPECT_FALSE(FindDeepestExistingFolder(L"", deepest));
    EXPECT_FALSE(FindDeepestExistingFolder(L"\\\\server", deepest));
    for (const wchar_t* tail : {L"a\\表\\c", L"Jos\u00E9\\\uAC8C\uC784\\\U0001F363"}) {
        EXPECT_TRUE(CreateFolderPath(root + tail)) << ToShiftJis(tail);
        EXPECT_TRUE(pathExists(root + tail + L"\\")) << ToShiftJis(tail);
        EXPECT_FALSE(CreateFolderPath(root + tail)) << ToShiftJis(tail);  // nothing left to create
        EXPECT_TRUE(FindDeepestExistingFolder(root + tail + L"\\d\\", deepest));
        EXPECT_EQ(root + tail + L"\\", deepest);
        for (ProbeKind kind : {PROBE_FILE, PROBE_FOLDER}) EXPECT_TRUE(CanWriteToFolder(root + tail, kind)) << kind;
    }
    std::wstring probe = MakeProbeName(L"C:\\x\\");
    EXPECT_EQ(0u, probe.find(L"C:\\x\\$$_"));
    EXPECT_EQ(L".$_$", probe.substr(probe.size() - 4));
    for (ProbeKind kind : {PROBE_FILE, PROBE_FOLDER}) EXPECT_TRUE(CanWriteToFolder(root, kind)) << kind;
    EXPECT_FALSE(AnyProbeIn(dir.path()));
}

namespace {
std::string g_exitDestination;
const UxMainWindow* g_exitWindow = nullptr;
void CALLBACK StartRunThenExit(HWND, UINT, UINT_PTR id, DWORD) {
    KillTimer(nullptr, id);
    HWND window = g_exitWindow->windowHandle;
    SetDlgItemTextA(window, IDC_MAIN_DESTINATION_EDIT, g_exitDestination.c_str());
    // Exit (the close box sends the same command) while the Run extracts.
    AtFirstPump([window] { SendMessageA(window, WM_COMMAND, MAKEWPARAM(IDC_MAIN_EXIT, BN_CLICKED), 0); });
    PostMessageA(window, WM_COMMAND, MAKEWPARAM(IDC_MAIN_RUN, BN_CLICKED),
                 reinterpret_cast<LPARAM>(GetDlgItem(window, IDC_MAIN_RUN)));
}
}  // namespace

TEST(Run, ExitDuringARunCancelsItAndThenEndsTheDialog) {
    MainDialogHarness h("fname=data*.cab,2,1,2,1\nsize=1\n", {});
    CopyFileA(Data("long.cab").c_str(), (h.folder() / "data01.cab").c_str(), FALSE);
    CopyFileA(Data("data02.cab").c_str(), (h.folder() / "data02.cab").c_str(), FALSE);
    g_exitDestination = h.folder() / "out\\";
    CreateDirectoryA(g_exitDestination.c_str(), nullptr);
    RunLog log;
    // Made modal, as the program makes it.
    UxMainWindow dialog(h.folder().widePath(), COMMAND_LINE_(), log);
    g_exitWindow = &dialog;
    SetTimer(nullptr, 0, 1, StartRunThenExit);
    EXPECT_EQ(IDC_MAIN_EXIT, dialog.doModal());
    EXPECT_FALSE(dialog.running());
    EXPECT_FALSE(TempFolder::exists(g_exitDestination + "readme2.txt"));  // the second archive never started
    EXPECT_EQ(nullptr, WindowAnswerer::waitForWindow("解凍中...", 0));
}

TEST(Run, AnUnderstatedSizeNoLongerFillsTheDiskHalfWay) {
    if (!TempFolder::driveExists('U')) GTEST_SKIP() << "no 3 MB test drive U:";
    SeriesHarness h("fname=data*.cab,2,1,1,1\nsize=1\n", {"long.cab"});  // 400 files of 40,000 bytes
    TempFolder out("U:\\");
    h.type(out.path());
    h.run();
    std::string text = h.text(IDC_MAIN_MESSAGE);
    EXPECT_EQ(0u, text.find("指定されたドライブの空き容量がたりません。\r要求サイズ：16MB\r空きサイズ：")) << text;
    EXPECT_FALSE(TempFolder::exists(out / "f1.bin"));
}

namespace {
unsigned long long TreeBytes(const std::wstring& folder) {
    unsigned long long total = 0;
    WIN32_FIND_DATAW data;
    FCFindHandle find(FindFirstFileW((folder + L"*").c_str(), &data));
    if (!find.valid()) return 0;
    do {
        std::wstring name = data.cFileName;
        if (name == L"." || name == L"..") continue;
        if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) total += TreeBytes(folder + name + L"\\");
        else total += (static_cast<unsigned long long>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
    } while (FindNextFileW(find.get(), &data));
    return total;
}

// Every position the Run gives the bar, and at each one that fills it, the
// bytes written so far.
struct BAR_WATCH_ {
    std::wstring out;
    std::vector<int> positions;
    std::vector<unsigned long long> writtenAtEnd;
};
BAR_WATCH_* g_barWatch = nullptr;
LRESULT CALLBACK WatchBar(int code, WPARAM wParam, LPARAM lParam) {
    const CWPSTRUCT* call = reinterpret_cast<const CWPSTRUCT*>(lParam);
    if (code == HC_ACTION && g_barWatch != nullptr && call->message == PBM_SETPOS) {
        int position = static_cast<int>(call->wParam);
        g_barWatch->positions.push_back(position);
        if (position >= static_cast<int>(SendMessageW(call->hwnd, PBM_GETRANGE, FALSE, 0)))
            g_barWatch->writtenAtEnd.push_back(TreeBytes(g_barWatch->out));
    }
    return CallNextHookEx(nullptr, code, wParam, lParam);
}
}  // namespace

// A size far below the data (1 MB of 16): the bar runs on what is really
// written and reaches its end with the last byte, not before.
TEST(Run, TheBarReachesItsEndWithTheLastByteWhateverTheConfiguredSize) {
    SeriesHarness h("fname=data*.cab,2,1,2,1\nsize=1\n", {"data01.cab", "long.cab"});
    std::string out = h.folder() / "out\\";
    CreateDirectoryA(out.c_str(), nullptr);
    h.type(out);
    BAR_WATCH_ watch;
    watch.out = FromShiftJis(out.c_str()).c_str();
    g_barWatch = &watch;
    HHOOK hook = SetWindowsHookExW(WH_CALLWNDPROC, WatchBar, nullptr, GetCurrentThreadId());
    ASSERT_NE(nullptr, hook);
    h.run();
    UnhookWindowsHookEx(hook);
    g_barWatch = nullptr;
    EXPECT_EQ(0u, h.text(IDC_MAIN_MESSAGE).find("解凍は正常に終了しました。")) << h.text(IDC_MAIN_MESSAGE);
    unsigned long long total = TreeBytes(watch.out);
    EXPECT_GT(total, 16000000u);
    ASSERT_FALSE(watch.writtenAtEnd.empty());
    for (unsigned long long written : watch.writtenAtEnd) EXPECT_EQ(total, written);
    EXPECT_EQ(UxProgressDisplay::BAR_STEPS, watch.positions.back());
}

namespace {
// A series of three parts whose files continue from one part into the next,
// written as data01..03.cab; `configured` is how many the qcf names.
struct SpanningHarness : MainDialogHarness {
    explicit SpanningHarness(int configured)
        : MainDialogHarness(("fname=data*.cab,2,1," + std::to_string(configured) + ",1\nsize=1\n").c_str(), {}) {
        std::string big1(50000, 'x'), big2(70000, 'y');
        for (size_t i = 0; i < big1.size(); i += 7) big1[i] = static_cast<char>('0' + i % 10);
        files = {
            {{"a.txt", "first"}, {"big1.bin", big1}}, {{"b.txt", "second"}, {"big2.bin", big2}}, {{"c.txt", "third"}}};
        WriteSpanningSeries(folder().path(), {"data01.cab", "data02.cab", "data03.cab"}, files);
        out = folder() / "out\\";
        CreateDirectoryA(out.c_str(), nullptr);
    }
    void runBounded() {
        if (window() == nullptr) open();
        type(out);
        Watchdog watchdog("a Run over a continued cabinet", 20000);
        click(IDC_MAIN_RUN);
    }
    std::vector<std::vector<CabinetEntry>> files;
    std::string out;
};
}  // namespace

TEST(RunSpanning, EveryPartPresentExtractsEachFileOnceByteForByte) {
    for (int configured : {3, 1}) {
        SpanningHarness h(configured);
        h.runBounded();
        EXPECT_EQ(0u, h.text(IDC_MAIN_MESSAGE).find("解凍は正常に終了しました。")) << h.text(IDC_MAIN_MESSAGE);
        // A continued file is finished from the next part whether or not that
        // part is configured; a configured next part skips it and goes on.
        EXPECT_EQ(h.files[0][1].data, TempFolder::readFile(h.out + "big1.bin"));
        EXPECT_EQ(configured == 3, TempFolder::exists(h.out + "c.txt")) << configured;
        if (configured == 3) {
            EXPECT_EQ(h.files[1][1].data, TempFolder::readFile(h.out + "big2.bin"));
        }
    }
}

// A part the series runs into that is missing at start-up is named there;
// one that goes after start-up ends the Run, naming it.
TEST(RunSpanning, AMissingOrRenamedPartIsNamedAtStartUpOrEndsTheRun) {
    for (bool rename : {false, true}) {
        SpanningHarness early(1);
        std::string part = early.folder() / "data02.cab";
        if (rename) MoveFileA(part.c_str(), (early.folder() / "data02 (1).cab").c_str());
        else DeleteFileA(part.c_str());
        early.open();
        EXPECT_EQ("実行ファイルと同じ場所のdata01.cabの続きのキャビネットファイルdata02.cabが見つかりません。",
                  early.text(IDC_MAIN_MESSAGE));
        EXPECT_FALSE(early.enabled(IDC_MAIN_RUN));
    }
    for (bool rename : {false, true}) {
        SpanningHarness h(1);
        h.open();
        std::string second = h.folder() / "data02.cab";
        if (rename) MoveFileA(second.c_str(), (h.folder() / "data02 (1).cab").c_str());
        else DeleteFileA(second.c_str());
        h.runBounded();
        EXPECT_EQ(
            "解凍中にエラーが発生しました。\r続きのキャビネットファイルが見つかりません [data02.cab]\r（data01.cab の続き）\r",
            h.text(IDC_MAIN_MESSAGE));
        EXPECT_FALSE(TempFolder::exists(h.out + "big1.bin"));
        EXPECT_TRUE(h.enabled(IDC_MAIN_RUN));
        EXPECT_EQ(nullptr, WindowAnswerer::waitForWindow("解凍中...", 0));
        // The tool still answers: with the part back, the next Run succeeds.
        ASSERT_TRUE(WriteSpanningSeries(h.folder().path(), {"data01.cab", "data02.cab", "data03.cab"}, h.files));
        Watchdog watchdog("a second Run", 20000);
        h.click(IDC_MAIN_RUN);
        EXPECT_EQ(0u, h.text(IDC_MAIN_MESSAGE).find("解凍は正常に終了しました。")) << h.text(IDC_MAIN_MESSAGE);
        EXPECT_EQ(h.files[0][1].data, TempFolder::readFile(h.out + "big1.bin"));
    }
}

// What is typed, the line shown below it, and where the Run puts the files:
// separators as Windows reads them; a file in the way or a folder name that
// Windows would store under another name is refused before anything is
// asked or made.
TEST(Run, TypedDestinationsShowWhereTheFilesLandOrAreRefused) {
    const char* const kFileInTheWay = "指定されたパスにはフォルダではなくファイルがあります\r";
    const char* const kBadName =
        "フォルダ名の末尾の空白やピリオド、使用できない文字や名前のため、このフォルダは使用できません\r";
    struct Case {
        const char* typed;  // below the application folder
        const char* shown;  // the line, below the application folder
        const char* lands;  // the folder that receives the files; null when refused
        const char* refusal;  // the message's start and the name it gives
        const char* named;
    } cases[] = {
        {"fwd/slash", "fwd\\slash\\", "fwd\\slash\\", nullptr, nullptr},
        {"two\\\\seps\\\\\\x", "two\\seps\\x\\", "two\\seps\\x\\", nullptr, nullptr},
        {"表\\\\ソ", "表\\ソ\\", "表\\ソ\\", nullptr, nullptr},
        {"setup \\x", "setup \\x\\", nullptr, kBadName, "setup "},
        {"dot.\\x", "dot.\\x\\", nullptr, kBadName, "dot."},
        {"last.", "last.\\", nullptr, kBadName, "last."},
        {"notes.txt", "notes.txt\\", nullptr, kFileInTheWay, "notes.txt"},
        {"notes.txt\\sub", "notes.txt\\sub\\", nullptr, kFileInTheWay, "notes.txt"},
    };
    for (const Case& c : cases) {
        SeriesHarness h(Qcf(""));
        const std::string base = h.folder().path();
        TempFolder::writeFile(base + "notes.txt", "notes");
        h.type(base + c.typed);
        EXPECT_EQ(base + c.shown, h.text(IDC_MAIN_DESTINATION_LINE)) << c.typed;
        if (c.lands != nullptr) {
            WindowAnswerer answer(kQuestionTitle, {IDYES});
            h.run();
            EXPECT_EQ(1, answer.answered()) << c.typed;
            EXPECT_TRUE(TempFolder::exists(base + c.lands + "readme1.txt"))
                << c.typed << ": " << h.text(IDC_MAIN_MESSAGE);
            continue;
        }
        // A refused destination raises no question; one raised is answered
        // No from inside its own message loop and fails the case.
        bool asked = false;
        OnceDuringRun([] { return WindowAnswerer::waitForWindow(kQuestionTitle, 0) != nullptr; },
                      [&] {
                          asked = true;
                          HWND box = WindowAnswerer::waitForWindow(kQuestionTitle, 0);
                          SendMessageA(GetDlgItem(box, IDNO), BM_CLICK, 0, 0);
                      });
        h.run();
        g_ready = nullptr;
        EXPECT_FALSE(asked) << c.typed;
        std::string message = h.text(IDC_MAIN_MESSAGE);
        EXPECT_EQ(0u, message.find(c.refusal)) << c.typed << ": " << message;
        EXPECT_NE(std::string::npos, message.find(c.named, std::string(c.refusal).size())) << message;
        EXPECT_EQ("notes", TempFolder::readFile(base + "notes.txt"));
        EXPECT_FALSE(TempFolder::exists(base + "setup ")) << c.typed;
        EXPECT_FALSE(TempFolder::exists(base + "dot")) << c.typed;
        EXPECT_FALSE(TempFolder::exists(base + "dot.")) << c.typed;
        EXPECT_FALSE(TempFolder::exists(base + "last")) << c.typed;
        EXPECT_FALSE(AnyProbeIn(base)) << c.typed;
    }
    // A relative destination under a current folder of 300 units: the line
    // shows it whole below that folder, and the files land there.
    {
        SeriesHarness deep(Qcf(""));
        std::wstring current = deep.folder().widePath();
        while (current.size() < 300) current += std::wstring(70, L'c') + L"\\";
        ASSERT_TRUE(CreateFolderPath(current));
        std::wstring before = CurrentFolder();
        ASSERT_TRUE(SetCurrentDirectoryW(current.c_str()));
        SetWindowTextW(deep.control(IDC_MAIN_DESTINATION_EDIT), L"rel");
        std::wstring line = RichEditWideText(deep.control(IDC_MAIN_DESTINATION_LINE));
        WindowAnswerer answer(kQuestionTitle, {IDYES});
        deep.run();
        SetCurrentDirectoryW(before.c_str());
        EXPECT_EQ(current + L"rel\\", line);
        EXPECT_EQ(1, answer.answered());
        EXPECT_TRUE(pathExists(current + L"rel\\readme1.txt")) << deep.text(IDC_MAIN_MESSAGE);
    }
    // A share typed with forward slashes is still a share: warned, never made.
    SeriesHarness h(Qcf(""));
    h.type("//server/share/x");
    EXPECT_EQ("\\\\server\\share\\x\\", h.text(IDC_MAIN_DESTINATION_LINE));
    EXPECT_EQ(kUncWarning, h.text(IDC_MAIN_MESSAGE));
}

namespace {
unsigned long long FileSize(const std::string& path) {
    WIN32_FILE_ATTRIBUTE_DATA data;
    if (!GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &data)) return 0;
    return (static_cast<unsigned long long>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
}

// From a thread of the test's own, every 50 ms: asks the main window and
// the progress dialog whether they answer (WM_NULL, as the window system
// does before it calls a window "not responding") and keeps the longest
// wait. Once the file is under way it holds the extracting thread there,
// so that what the windows show of a half-written file is read whatever
// the speed of the disk: whether the bar moved and, when asked to, how
// long the status line takes to say Cancel once it is pressed.
class Prober {
public:
    // The extracting thread, as the Run names it.
    struct Workers : UxRunPlatform {
        std::atomic<DWORD> worker{0};
        void workerStarted(DWORD id) override { worker = id; }
    };
    Prober(HWND main, const Workers& workers, std::string file, unsigned long long fullSize, bool cancel)
        : main_(main), workers_(workers), file_(std::move(file)), fullSize_(fullSize), cancel_(cancel),
          thread_([this] { probe(); }) {}
    ~Prober() { stop(); }
    // Ends the probing; the windows' thread keeps answering meanwhile.
    void stop() {
        if (!thread_.joinable()) return;
        stopping_ = true;
        // A bounded poll: the thread ends within one probe once stopping.
        WindowAnswerer::waitAnswering([this] { return finished_.load(); }, 60000);
        thread_.join();
    }

    DWORD longestMs = 0;
    bool barMovedInside = false;
    DWORD cancelHeardMs = INFINITE;

private:
    static DWORD_PTR askQuietly(HWND window, UINT message, WPARAM wParam = 0, LPARAM lParam = 0) {
        DWORD_PTR result = 0;
        SendMessageTimeoutA(window, message, wParam, lParam, SMTO_NORMAL, 1000, &result);
        return result;
    }
    void ask(HWND window) {
        DWORD start = GetTickCount();
        askQuietly(window, WM_NULL);
        DWORD took = GetTickCount() - start;
        if (took > longestMs) longestMs = took;
    }
    static std::string statusText(HWND progress) {
        char text[256] = "";
        askQuietly(GetDlgItem(progress, IDC_PROGRESS_STATUS), WM_GETTEXT, sizeof text, reinterpret_cast<LPARAM>(text));
        return text;
    }
    bool inside() const {
        unsigned long long size = FileSize(file_);
        return size > 0 && size < fullSize_;
    }
    void probe() {
        while (!stopping_) {
            ask(main_);
            HWND progress = FindWindowA("#32770", "解凍中...");
            if (progress != nullptr) {
                ask(progress);
                if (!barMovedInside && inside()) hold(progress);
            }
            Sleep(50);
        }
        finished_ = true;
    }
    // The windows' thread answers on while the extracting thread is held
    // (were it held inside a lock the windows need, the bar would not move
    // and the next probe tries again).
    void hold(HWND progress) {
        FCHandle worker(OpenThread(THREAD_SUSPEND_RESUME | THREAD_GET_CONTEXT, FALSE, workers_.worker.load()));
        if (!worker.valid() || SuspendThread(worker.get()) == static_cast<DWORD>(-1)) return;
        CONTEXT context = {};
        context.ContextFlags = CONTEXT_CONTROL;
        GetThreadContext(worker.get(), &context);  // returns once the thread has stopped
        HWND bar = GetDlgItem(progress, IDC_PROGRESS_BAR);
        if (inside() && WindowAnswerer::waitUntil([&] { return askQuietly(bar, PBM_GETPOS) > 0; }, 5000)) {
            barMovedInside = inside();
            if (cancel_) {
                DWORD pressedAt = GetTickCount();
                askQuietly(GetDlgItem(progress, IDCANCEL), BM_CLICK);
                if (WindowAnswerer::waitUntil([&] { return statusText(progress).find("中止しています") == 0; }, 5000))
                    cancelHeardMs = GetTickCount() - pressedAt;
            }
        }
        ResumeThread(worker.get());
    }

    HWND main_;
    const Workers& workers_;
    std::string file_;
    unsigned long long fullSize_;
    bool cancel_;
    std::atomic<bool> stopping_{false};
    std::atomic<bool> finished_{false};
    std::thread thread_;
};
}  // namespace

// A cabinet holding one file of 600 MiB: the windows answer throughout, the
// bar moves while the file is written, and Cancel is said at once and ends
// the Run after that file, before the next cabinet.
TEST(RunResponsive, TheWindowsAnswerThroughoutALargeFileAndCancelIsHeardAtOnce) {
    const unsigned long long kHuge = 629145600;
    for (bool cancel : {false, true}) {
        Prober::Workers workers;
        SeriesHarness h("fname=data*.cab,2,1,2,1\nsize=601\n", {"huge.cab", "data02.cab"}, workers);
        std::string out = h.folder() / "out\\";
        CreateDirectoryA(out.c_str(), nullptr);
        h.type(out);
        Prober prober(h.window(), workers, out + "huge.bin", kHuge, cancel);
        h.run();
        prober.stop();
        EXPECT_LE(prober.longestMs, 250u) << cancel;
        EXPECT_TRUE(prober.barMovedInside) << cancel;
        std::string text = h.text(IDC_MAIN_MESSAGE);
        unsigned long long left = FileSize(out + "huge.bin");
        EXPECT_TRUE(left == 0 || left == kHuge) << left;  // nothing short under the real name
        if (cancel) {
            EXPECT_LE(prober.cancelHeardMs, 250u);
            EXPECT_EQ(0u, text.find("解凍がユーザーによって中断されました。")) << text;
            EXPECT_FALSE(TempFolder::exists(out + "readme2.txt"));  // the next cabinet
        } else {
            EXPECT_EQ(0u, text.find("解凍は正常に終了しました。")) << text;
            EXPECT_EQ(kHuge, left);
            EXPECT_TRUE(TempFolder::exists(out + "readme2.txt"));
        }
        DeleteFileA((out + "huge.bin").c_str());
    }
}
