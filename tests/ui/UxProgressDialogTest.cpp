#include "ui/UxProgressDialog.h"
#include "foundation/WideText.h"
#include "tests/support/TempFolder.h"
#include <gtest/gtest.h>
#include <commctrl.h>
#include <string>

namespace {
// The suite's environment has set the common controls up.
class ProgressDialogTest : public testing::Test {
protected:
    void open(UxProgressDialog& d, bool allowCancel, bool showBar, int maximum) {
        d.caption.assignFrom("解凍中...");
        d.statusText.assignFrom("状態");
        d.statusId = IDC_PROGRESS_STATUS;
        d.configureProgress(IDC_PROGRESS_BAR, showBar, 0, 0, maximum);
        d.show(nullptr, allowCancel);
    }
};
}  // namespace

TEST_F(ProgressDialogTest, ShowAppliesTextsAndRangeOnce) {
    UxProgressDialog dialog;
    open(dialog, true, true, 100);
    ASSERT_NE(nullptr, dialog.windowHandle);
    EXPECT_EQ(&dialog, UxProgressDialog::fromWindow(dialog.windowHandle));
    char text[64];
    GetWindowTextA(dialog.windowHandle, text, sizeof text);
    EXPECT_STREQ("解凍中...", text);
    GetDlgItemTextA(dialog.windowHandle, IDC_PROGRESS_STATUS, text, sizeof text);
    EXPECT_STREQ("状態", text);
    HWND first = dialog.windowHandle;
    dialog.show(nullptr, true);
    EXPECT_EQ(first, dialog.windowHandle);
}

TEST_F(ProgressDialogTest, StepItClampsAtTheMaximum) {
    UxProgressDialog dialog;
    open(dialog, true, true, 100);
    dialog.progressBar.setPos(98);
    EXPECT_FALSE(dialog.progressBar.stepIt());
    EXPECT_EQ(99, dialog.progressBar.getPos());
    EXPECT_TRUE(dialog.progressBar.stepIt());
    EXPECT_EQ(100, dialog.progressBar.getPos());
    UxProgressDialog empty;
    open(empty, true, true, 0);
    EXPECT_TRUE(empty.progressBar.stepIt());
    EXPECT_EQ(0, empty.progressBar.getPos());
}

TEST_F(ProgressDialogTest, CancelEscapeAndTheCloseBoxSetTheFlag) {
    UxProgressDialog dialog;
    open(dialog, true, true, 10);
    SendMessageA(dialog.windowHandle, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
    SendMessageA(dialog.windowHandle, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
    EXPECT_TRUE(dialog.cancelRequested);
    EXPECT_TRUE(IsWindow(dialog.windowHandle));
    // The button shows at once that it was heard.
    EXPECT_FALSE(IsWindowEnabled(GetDlgItem(dialog.windowHandle, IDCANCEL)));
    EnableWindow(GetDlgItem(dialog.windowHandle, IDCANCEL), TRUE);
    dialog.cancelRequested = false;
    PostMessageA(dialog.windowHandle, WM_SYSCOMMAND, SC_CLOSE, 0);
    dialog.pumpMessages();
    EXPECT_TRUE(dialog.cancelRequested);
    EXPECT_TRUE(IsWindow(dialog.windowHandle));
    dialog.cancelRequested = false;
    EnableWindow(GetDlgItem(dialog.windowHandle, IDCANCEL), TRUE);
    HWND button = GetDlgItem(dialog.windowHandle, IDCANCEL);
    PostMessageA(button, WM_KEYDOWN, VK_ESCAPE, 0);
    dialog.pumpMessages();
    EXPECT_TRUE(dialog.cancelRequested);
}

TEST_F(ProgressDialogTest, AQuitTakenByThePumpIsLeftForTheOuterLoop) {
    UxProgressDialog dialog;
    open(dialog, true, true, 10);
    PostQuitMessage(7);
    dialog.pumpMessages();
    MSG msg;
    ASSERT_TRUE(PeekMessageA(&msg, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE));
    EXPECT_EQ(7u, msg.wParam);
}

TEST_F(ProgressDialogTest, WithoutCancelNothingSetsTheFlag) {
    UxProgressDialog dialog;
    open(dialog, false, false, 10);
    EXPECT_FALSE(IsWindowEnabled(GetDlgItem(dialog.windowHandle, IDCANCEL)));
    EXPECT_FALSE(IsWindowVisible(GetDlgItem(dialog.windowHandle, IDC_PROGRESS_BAR)));
    PostMessageA(dialog.windowHandle, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
    dialog.pumpMessages();
    EXPECT_FALSE(dialog.cancelRequested);
}

TEST_F(ProgressDialogTest, DestructionClosesTheWindow) {
    HWND window;
    {
        UxProgressDialog dialog;
        open(dialog, true, true, 10);
        window = dialog.windowHandle;
        EXPECT_TRUE(IsWindow(window));
    }
    EXPECT_FALSE(IsWindow(window));
}

namespace {
// The tests' clock: it moves only when a test moves it.
DWORD g_now = 0;
DWORD TestTick() { return g_now; }

const unsigned kMegabyte = 1u << 20;

std::string ControlText(HWND dialog, int id) {
    char text[256] = "";
    GetDlgItemTextA(dialog, id, text, sizeof text);
    return text;
}

// The progress dialog of a Run with a bar of 0 to 10 MB.
class DisplayFixture : public testing::Test {
protected:
    void SetUp() override {
        dialog.caption.assignFrom("解凍中...");
        dialog.statusText.assignFrom("解凍中...");
        dialog.statusId = IDC_PROGRESS_STATUS;
        dialog.configureProgress(IDC_PROGRESS_BAR, true, 0, 0, 10);
        dialog.show(nullptr, true);
        g_now = 100000;
    }
    std::string remaining() { return ControlText(dialog.windowHandle, IDC_PROGRESS_REMAINING); }
    std::string status() { return ControlText(dialog.windowHandle, IDC_PROGRESS_STATUS); }

    UxProgressDialog dialog;
};

UxProgressDisplay::SNAPSHOT_ Done(unsigned long long bytes, const char* text = "", const char* writing = "") {
    UxProgressDisplay::SNAPSHOT_ s;
    s.doneBytes = bytes;
    s.statusText = FromShiftJis(text);
    s.writingPath = FromShiftJis(writing);
    return s;
}
}  // namespace

TEST(UxProgressDisplayText, RemainingTimeIsMinutesAndSeconds) {
    FCString text;
    UxProgressDisplay::formatRemaining(text, 125);
    EXPECT_STREQ("残り 2分 5秒", text.text());
    UxProgressDisplay::formatRemaining(text, 45);
    EXPECT_STREQ("残り 45秒", text.text());
    UxProgressDisplay::formatRemaining(text, 0);
    EXPECT_STREQ("残り 0秒", text.text());
}

// The estimate: nothing before 31 s, then at most once a second, and none
// once more than the configured total is done.
TEST_F(DisplayFixture, RemainingTimeAfterHalfAMinuteAtMostOnceASecond) {
    struct {
        unsigned atMs;  // after the start
        unsigned megabytes;
        const char* shown;  // null: unchanged
    } steps[] = {
        {30000, 1, ""},  // 1 of 2 MB after 30 s: too early
        {45000, 1, "残り 45秒"},  // an estimate of 90 s
        {45500, 1, nullptr},  // within the second
        {46100, 1, "残り 46秒"},  // a second later
        {125000, 1, "残り 2分 5秒"},  // 1 of 2 MB after 125 s
        {130000, 3, nullptr},  // 3 of a configured 2: no estimate left
    };
    UxProgressDisplay display(dialog, 2ull * kMegabyte, TestTick);
    for (const auto& step : steps) {
        SetDlgItemTextA(dialog.windowHandle, IDC_PROGRESS_REMAINING, step.shown != nullptr ? "" : "unchanged");
        g_now = 100000 + step.atMs;
        display.show(Done(static_cast<unsigned long long>(step.megabytes) * kMegabyte));
        EXPECT_EQ(step.shown != nullptr ? step.shown : "unchanged", remaining()) << step.atMs;
    }
}

// The bar counts the bytes written, with the size the file being written has
// reached on disk, never back, and reaches its end with the total's last
// byte, not one before; the status shows the file until Cancel is asked for.
TEST_F(DisplayFixture, TheBarCountsTheFileBeingWrittenAndNeverMovesBack) {
    TempFolder dir;
    std::string writing = dir / "writing.bin";
    TempFolder::writeFile(writing, std::string(kMegabyte + kMegabyte / 2, 'w'));
    struct {
        UxProgressDisplay::SNAPSHOT_ status;
        int bar;
        const char* text;
    } steps[] = {
        {Done(kMegabyte / 2, "first.bin"), 0, "first.bin"},
        {Done(kMegabyte / 2, "big.bin", writing.c_str()), 2, "big.bin"},  // 0.5 MB done and 1.5 on disk
        {Done(2 * kMegabyte, "data01.cab"), 2, "data01.cab"},  // a cabinet ended adds nothing
        {Done(kMegabyte, "data01.cab"), 2, "data01.cab"},  // never back
        {Done(10ull * kMegabyte - 1, "last.bin"), 9, "last.bin"},  // one byte short: not the end
        {Done(10ull * kMegabyte, "last.bin"), 10, "last.bin"},  // the last byte
    };
    UxProgressDisplay display(dialog, 10ull * kMegabyte, TestTick);
    for (const auto& step : steps) {
        display.show(step.status);
        EXPECT_EQ(step.bar, dialog.progressBar.getPos()) << step.text;
        EXPECT_EQ(step.text, status()) << step.text;
    }
    display.showCancelling();
    std::string cancelling = status();
    EXPECT_EQ(0u, cancelling.find("中止しています")) << cancelling;
    display.show(Done(40ull * kMegabyte, "later.bin"));
    EXPECT_EQ(cancelling, status());
}
