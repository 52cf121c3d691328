// The offer to go on as administrator: when it is made (the token and the
// write probe's error through seams: under Wine every process is elevated),
// what No and a failed start leave, and the hand-over to a real second
// kelpex started with the runas verb.
#include "app/Elevation.h"
#include "app/MainDialog.h"
#include "app/TestSeams.h"
#include "res/MessageDialogIds.h"
#include "foundation/FCHandle.h"
#include "foundation/WideText.h"
#include "tests/app/MainDialogHarness.h"
#include "tests/cab/CabinetWriter.h"
#include "tests/support/TempFolder.h"
#include "tests/support/WindowAnswerer.h"
#include <gtest/gtest.h>
#include <string>

namespace {
const char* const kOffer = "管理者の権限の確認";

// The seams as a test left them, put back on every way out.
struct Seams {
    Seams(int elevated, DWORD error, const std::wstring& program) {
        SetElevationForTests(elevated);
        SetProbeErrorForTests(error);
        SetRelaunchedProgramForTests(program.c_str());
    }
    ~Seams() {
        SetElevationForTests(-1);
        SetProbeErrorForTests(0);
        SetRelaunchedProgramForTests(nullptr);
    }
};
}  // namespace

TEST(Elevation, OfferedOnlyWithoutTheRightsAndOnlyForAccessDenied) {
    struct {
        int elevated;
        DWORD probeError;
        bool offered;
        int answer;
        bool unattended;  // /passive: nobody to ask
        const char* shown;  // the start of the message area afterwards
        ExitCode exitCode;
    } cases[] = {
        {0, ERROR_ACCESS_DENIED, true, IDNO, false, "このパスは書き込むことが出来ません", EXIT_NEEDS_ADMINISTRATOR},
        {1, ERROR_ACCESS_DENIED, false, 0, false, "このパスは書き込むことが出来ません", EXIT_DESTINATION},
        {0, ERROR_WRITE_PROTECT, false, 0, false, "解凍は正常に終了しました。", EXIT_DONE},  // not for the rights
        {0, ERROR_ACCESS_DENIED, true, IDYES, false,
         "管理者として起動できませんでした。このパスは書き込むことが出来ません", EXIT_NEEDS_ADMINISTRATOR},
        {0, ERROR_ACCESS_DENIED, false, 0, true, "このパスに書き込むには管理者の権限が必要です",
         EXIT_NEEDS_ADMINISTRATOR},
        {1, ERROR_ACCESS_DENIED, false, 0, true, "このパスは書き込むことが出来ません", EXIT_DESTINATION},
    };
    for (const auto& c : cases) {
        MainDialogHarness h("fname=data01.cab\n", {"data01.cab"});
        // A program that cannot be started: Yes then fails, as a refused
        // elevation does, and the window stays.
        Seams seams(c.elevated, c.probeError, h.folder().widePath() + L"missing.exe");
        h.open();
        MainDialogState().commandLine.passive = c.unattended;
        std::string out = h.folder() / "out\\";
        CreateDirectoryA(out.c_str(), nullptr);
        h.type(out);
        {
            WindowAnswerer offer(kOffer, {c.answer != 0 ? c.answer : IDNO}, c.offered ? 20000 : 300);
            h.click(IDC_MAIN_RUN);
            EXPECT_EQ(c.offered ? 1 : 0, offer.answered()) << c.elevated << " " << c.probeError;
        }
        EXPECT_EQ(0u, h.text(IDC_MAIN_MESSAGE).find(c.shown)) << h.text(IDC_MAIN_MESSAGE);
        EXPECT_EQ(c.exitCode, MainDialogState().exitCode) << c.elevated << " " << c.unattended;
        EXPECT_TRUE(IsWindowVisible(h.window())) << c.answer;
        EXPECT_TRUE(h.enabled(IDC_MAIN_RUN));
    }
}

// Yes: a second kelpex, started as administrator, takes the destination and
// the boxes and runs at once, asking what a Run asks; the first lets go of
// the single-instance claim and ends, and the second is never turned away.
TEST(Elevation, YesHandsTheRunToASecondKelpexStartedAsAdministrator) {
    MainDialogHarness h("fname=data01.cab\nmakerName=Maker\n", {"data01.cab"});
    std::wstring program = h.folder().widePath() + L"kelpex.exe";
    ASSERT_TRUE(CopyFileW(Wide932(WindowsPath(KELPEX_EXE).c_str()).data(), program.c_str(), FALSE));
    Seams seams(0, ERROR_ACCESS_DENIED, program);
    // The claim a started kelpex holds, held here for the first.
    ASSERT_TRUE(ClaimInstance(false));
    h.open();
    std::wstring typed = h.folder().widePath() + L"caf\u00E9\\";
    SetWindowTextW(h.control(IDC_MAIN_DESTINATION_EDIT), typed.c_str());
    h.click(IDC_MAIN_MAKER_BOX);
    {
        WindowAnswerer offer(kOffer, {IDYES});
        h.click(IDC_MAIN_RUN);
        EXPECT_EQ(1, offer.answered());
    }
    EXPECT_FALSE(IsWindowVisible(h.window()));  // the first is gone
    HANDLE second = LastHandOverForTests();
    ASSERT_NE(nullptr, second);
    DWORD pid = GetProcessId(second);
    HWND question = WindowAnswerer::waitForProcessWindow(pid, "フォルダ作成の確認", 30000);
    ASSERT_NE(nullptr, question);
    PostMessageW(question, WM_COMMAND, MAKEWPARAM(IDC_MESSAGE_YES, BN_CLICKED), 0);
    EXPECT_TRUE(WindowAnswerer::waitUntil([&] { return TempFolder::readFile(typed + L"Maker\\x.txt") == "x"; }, 30000));
    HWND window = WindowAnswerer::waitForProcessWindow(pid, "一括解凍", 30000);
    ASSERT_NE(nullptr, window);
    wchar_t field[512] = L"";
    SendDlgItemMessageW(window, IDC_MAIN_DESTINATION_EDIT, WM_GETTEXT, 512, reinterpret_cast<LPARAM>(field));
    EXPECT_EQ(typed, std::wstring(field));
    EXPECT_EQ(BST_CHECKED, SendDlgItemMessageW(window, IDC_MAIN_MAKER_BOX, BM_GETCHECK, 0, 0));
    PostMessageW(window, WM_COMMAND, MAKEWPARAM(IDC_MAIN_EXIT, BN_CLICKED), 0);
    EXPECT_EQ(WAIT_OBJECT_0, WaitForSingleObject(second, 30000));
    DWORD code = STILL_ACTIVE;
    GetExitCodeProcess(second, &code);
    EXPECT_EQ(0u, code);  // its Run extracted every file
    ReleaseInstanceClaim();
}
