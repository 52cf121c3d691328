// The offer to go on as administrator: when it is made (the token and the
// write probe's error answered by the test: under Wine every process is
// elevated),
// what No and a failed start leave, and the hand-over to a real second
// kelpex started with the runas verb.
#include "app/Elevation.h"
#include "app/MainDialog.h"
#include "res/MessageDialogIds.h"
#include "foundation/FCHandle.h"
#include "foundation/WideText.h"
#include "fs/FCFile.h"
#include "tests/app/MainDialogHarness.h"
#include "tests/app/StartedKelpex.h"
#include "ui/Markup.h"
#include "tests/cab/CabinetWriter.h"
#include "tests/cab/FciSeries.h"
#include "tests/support/TempFolder.h"
#include "tests/support/WindowAnswerer.h"
#include "tests/support/ControlHelpers.h"
#include <gtest/gtest.h>
#include <string>

namespace {
const char* const kOffer = "管理者の権限の確認";

// The token's answer, the write probe's error and the program started as
// administrator, as a test sets them.
struct Answers : UxRunPlatform {
    Answers(int elevated, DWORD error, const std::wstring& program)
        : elevated_(elevated != 0), error_(error), program_(program) {}
    bool isElevated() override { return elevated_; }
    DWORD probe(const std::wstring& folder, ProbeKind kind) override {
        return error_ != 0 ? error_ : UxRunPlatform::probe(folder, kind);
    }
    std::wstring program() override { return program_; }
    void setProgram(const std::wstring& program) { program_ = program; }

private:
    bool elevated_;
    DWORD error_;
    std::wstring program_;
};

COMMAND_LINE_ Passive(bool passive) {
    COMMAND_LINE_ line;
    line.passive = passive;
    return line;
}
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
        // A program that cannot be started: Yes then fails, as a refused
        // elevation does, and the window stays.
        TempFolder elsewhere;
        Answers answers(c.elevated, c.probeError, elsewhere.widePath() + L"missing.exe");
        MainDialogHarness h("fname=data01.cab\n", {"data01.cab"}, Passive(c.unattended), answers);
        h.open();
        std::string out = h.folder() / "out\\";
        CreateDirectoryA(out.c_str(), nullptr);
        h.type(out);
        {
            WindowAnswerer offer(kOffer, {c.answer != 0 ? c.answer : IDNO}, c.offered ? 20000 : 300);
            h.click(IDC_MAIN_RUN);
            EXPECT_EQ(c.offered ? 1 : 0, offer.answered()) << c.elevated << " " << c.probeError;
        }
        EXPECT_EQ(0u, h.text(IDC_MAIN_MESSAGE).find(c.shown)) << h.text(IDC_MAIN_MESSAGE);
        EXPECT_EQ(c.exitCode, h.main().outcome().exitCode) << c.elevated << " " << c.unattended;
        EXPECT_TRUE(IsWindowVisible(h.window())) << c.answer;
        EXPECT_TRUE(h.enabled(IDC_MAIN_RUN));
    }
}

// Yes: a second kelpex, started as administrator in the tool's folder,
// runs the destination the first composed (an empty or relative field is
// the first's current folder, not the second's), asking what a Run asks;
// the first holds the single-instance claim until the second holds it too,
// so a third start meanwhile is turned away, and it ends with the second's
// exit code.
TEST(Elevation, YesHandsTheRunToASecondKelpexWhoseExitCodeIsTheFirstsOwn) {
    struct {
        const char* typed;  // relative to the first's current folder
        bool damaged;
        bool killed;  // ended from outside before it could report
        DWORD exitCode;
    } cases[] = {{"", false, false, 0}, {"rel 表\\", false, false, 0}, {"rel", true, false, 4}, {"", false, true, 4}};
    for (const auto& c : cases) {
        Answers answers(0, ERROR_ACCESS_DENIED, L"");
        MainDialogHarness h("fname=data*.cab,2,1,1,1\nmakerName=Maker\n", {}, COMMAND_LINE_(), answers);
        const std::string bytes = Incompressible(4000, 7);
        ASSERT_EQ(1u, WriteFciSeries(h.folder().path(), {{"x.txt", bytes}}, 1 << 20, true, false, "data0").size());
        if (c.damaged) {
            // One byte of its data, which carries a checksum: start-up reads the header only.
            std::string cabinet = TempFolder::readFile(h.folder() / "data01.cab");
            cabinet[cabinet.size() - 10] ^= 0x55;
            TempFolder::writeFile(h.folder() / "data01.cab", cabinet);
        }
        std::wstring program = h.folder().widePath() + L"kelpex.exe";
        ASSERT_TRUE(CopyFileW(FromShiftJis(WindowsPath(KELPEX_EXE).c_str()).c_str(), program.c_str(), FALSE));
        answers.setProgram(program);
        TempFolder here, other;
        WriteCabinet(other / "data01.cab", {{"x.txt", "x"}});
        TempFolder::writeFile(other / "kelpex.qcf", "fname=data01.cab\n");
        wchar_t before[MAX_PATH];
        GetCurrentDirectoryW(MAX_PATH, before);
        SetCurrentDirectoryW(here.widePath().c_str());
        ASSERT_TRUE(ClaimInstance(0));  // as the first's entry holds it
        h.open();
        SetWindowTextW(h.control(IDC_MAIN_DESTINATION_EDIT), FromShiftJis(c.typed).c_str());
        h.click(IDC_MAIN_MAKER_BOX);
        std::wstring line = RichEditWideText(h.control(IDC_MAIN_DESTINATION_LINE));
        std::wstring typed = FromShiftJis(c.typed).c_str();
        if (!typed.empty() && typed.back() != L'\\') typed += L'\\';
        EXPECT_EQ(here.widePath() + typed + L"Maker\\", line);
        {
            WindowAnswerer offer(kOffer, {IDYES});
            h.click(IDC_MAIN_RUN);
            EXPECT_EQ(1, offer.answered());
        }
        SetCurrentDirectoryW(before);
        EXPECT_FALSE(IsWindowVisible(h.window()));
        ASSERT_TRUE(HandOverStarted());
        DWORD pid = GetProcessId(HandedOverProcess());
        bool reported = true;
        if (c.killed) {
            TerminateProcess(HandedOverProcess(), 0xC0000409);
            EXPECT_EQ(c.exitCode, FinishHandOver(reported));
            EXPECT_FALSE(reported);
            ReleaseInstanceClaim();
            continue;
        }
        {
            StartedKelpex third(other, "/quiet /dest=" + other / "out");
            EXPECT_EQ(6u, third.waitExit(30000)) << c.typed;
        }
        HWND question = WindowAnswerer::waitForProcessWindow(pid, "フォルダ作成の確認", 30000);
        ASSERT_NE(nullptr, question) << c.typed;  // the maker's folder is yet to be made
        PostMessageW(question, WM_COMMAND, MAKEWPARAM(IDC_MESSAGE_YES, BN_CLICKED), 0);
        HWND window = WindowAnswerer::waitForProcessWindow(pid, "一括解凍", 30000);
        ASSERT_NE(nullptr, window);
        const char* outcome = c.damaged ? "解凍中にエラーが発生しました。" : "解凍は正常に終了しました。";
        HWND message = GetDlgItem(window, IDC_MAIN_MESSAGE);
        EXPECT_TRUE(WindowAnswerer::waitUntil(
            [&] { return OtherProcessText(HandedOverProcess(), message).find(FromShiftJis(outcome).c_str()) == 0; },
            30000))
            << ToShiftJis(OtherProcessText(HandedOverProcess(), message).c_str());
        EXPECT_EQ(c.damaged ? "<missing>" : bytes, TempFolder::readFile(line + L"x.txt"));
        wchar_t field[512] = L"";
        SendDlgItemMessageW(window, IDC_MAIN_DESTINATION_EDIT, WM_GETTEXT, 512, reinterpret_cast<LPARAM>(field));
        EXPECT_EQ(line, std::wstring(field));
        EXPECT_FALSE(pathExists(other.widePath() + L"out"));
        EXPECT_FALSE(pathExists(h.folder().widePath() + L"rel"));
        PostMessageW(window, WM_COMMAND, MAKEWPARAM(IDC_MAIN_EXIT, BN_CLICKED), 0);
        EXPECT_EQ(c.exitCode, FinishHandOver(reported)) << c.typed;
        EXPECT_TRUE(reported);
        EXPECT_FALSE(HandOverStarted());
        ReleaseInstanceClaim();
    }
}
