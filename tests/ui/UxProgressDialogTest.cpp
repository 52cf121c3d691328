#include "ui/UxProgressDialog.h"
#include <gtest/gtest.h>
#include <commctrl.h>

namespace {
class ProgressDialogTest : public testing::Test {
protected:
    void SetUp() override {
        INITCOMMONCONTROLSEX controls = {sizeof controls, 0x2FF};
        InitCommonControlsEx(&controls);
    }
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
