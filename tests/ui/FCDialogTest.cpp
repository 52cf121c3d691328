#include "foundation/Diagnostic.h"
#include "fs/FCFile.h"
#include "tests/support/TempFolder.h"
#include "tests/ui/UiTestSupport.h"
#include "ui/FCDropFiles.h"
#include "ui/FCRect.h"
#include "foundation/WideText.h"
#include <gtest/gtest.h>
#include <shlobj.h>
#include <stdexcept>
#include <string>

namespace {
// A top-level window to own test dialogs, at a known place.
class OwnerWindow {
public:
    OwnerWindow(int x, int y, int w, int h) {
        window = CreateWindowExA(0, "STATIC", "owner", WS_POPUP | WS_VISIBLE, x, y, w, h, nullptr, nullptr,
                                 GetModuleHandleA(nullptr), nullptr);
    }
    ~OwnerWindow() { DestroyWindow(window); }
    HWND window;
};

RECT WindowRect(HWND w) {
    RECT r;
    GetWindowRect(w, &r);
    return r;
}

struct Thrown : std::runtime_error {
    Thrown() : std::runtime_error("from the dialog procedure") {}
};

INT_PTR CALLBACK ThrowingProc(HWND, UINT message, WPARAM, LPARAM) {
    if (message == WM_INITDIALOG) throw Thrown();
    return FALSE;
}

int g_afterInit = 0;
INT_PTR CALLBACK ThrowLaterProc(HWND window, UINT message, WPARAM, LPARAM) {
    if (message == WM_INITDIALOG) {
        PostMessageA(window, WM_APP, 0, 0);
        return TRUE;
    }
    if (message == WM_APP) {
        ++g_afterInit;
        throw CannotReadException("cannot read", "x");
    }
    return FALSE;
}

LPARAM g_foundParameter = 0;

INT_PTR CALLBACK AttachingProc(HWND window, UINT message, WPARAM, LPARAM lParam) {
    if (message == WM_INITDIALOG) {
        reinterpret_cast<FCDialog*>(lParam)->attachWindow(window);
        PostMessageA(window, WM_APP, 0, 0);
        return TRUE;
    }
    if (message == WM_APP) {
        // Read here: the platform may end a dialog with 32 bits of its result.
        FCDialog* self = FCDialog::fromWindow(window);
        g_foundParameter = self != nullptr ? static_cast<LPARAM>(self->userData) : -5;
        EndDialog(window, 1);
    }
    return FALSE;
}
}  // namespace

TEST(FCDialogModal, ExceptionFromInitDialogComesOutOfDoModal) {
    FCDialog dialog(900);
    dialog.setProcedure(nullptr, ThrowingProc, 0);
    EXPECT_THROW(dialog.doModal(), Thrown);
    g_afterInit = 0;
    FCDialog later(900);
    later.setProcedure(nullptr, ThrowLaterProc, 0);
    EXPECT_THROW(later.doModal(), CannotReadException);
    EXPECT_EQ(1, g_afterInit);
}

TEST(FCDialogModal, AttachWindowFindsTheObjectAndItsParameter) {
    FCDialog dialog(900);
    // A pointer-sized parameter survives whole: above 32 bits on x86_64.
    LPARAM parameter = sizeof(LPARAM) > 4 ? static_cast<LPARAM>(0x123456789ABLL) : static_cast<LPARAM>(0x1234567);
    dialog.setProcedure(nullptr, AttachingProc, parameter);
    EXPECT_EQ(1, dialog.doModal());
    EXPECT_EQ(parameter, g_foundParameter);
    EXPECT_EQ(parameter, dialog.userData);
    EXPECT_NE(nullptr, dialog.windowHandle);
}

TEST(FCDialogText, EmptyControlAndAVeryLongOne) {
    TestDialog dialog;
    SetDlgItemTextA(dialog.windowHandle, TestDialog::EDIT, "before");
    EXPECT_STREQ("before", dialog.text(TestDialog::EDIT).text());
    SetDlgItemTextA(dialog.windowHandle, TestDialog::EDIT, "");
    EXPECT_STREQ("", dialog.text(TestDialog::EDIT).text());
    SendDlgItemMessageA(dialog.windowHandle, TestDialog::EDIT, EM_LIMITTEXT, 100000, 0);
    std::string longText(70000, 'w');
    longText[65533] = '\x95';  // a lead byte right where the buffer ends
    longText[65534] = '\x5C';
    SetDlgItemTextA(dialog.windowHandle, TestDialog::EDIT, longText.c_str());
    const FCString& text = dialog.text(TestDialog::EDIT);
    EXPECT_LE(text.length(), 65534);
    EXPECT_GT(text.length(), 60000);
    EXPECT_NE('\x95', text.text()[text.length() - 1]);
}

TEST(FCDialogPlacement, CentreOnTheOwnerRoundedDownToEight) {
    OwnerWindow owner(0, 0, 1000, 600);
    TestDialog dialog(owner.window);
    MoveWindow(dialog.windowHandle, 10, 10, 300, 200, FALSE);
    dialog.centreOnParent(-1, -1, false);
    RECT r = WindowRect(dialog.windowHandle);
    EXPECT_EQ(352, r.left);  // 350 + 4 = 354, rounded down
    EXPECT_EQ(200, r.top);
    EXPECT_EQ(300, r.right - r.left);
}

TEST(FCDialogPlacement, AMoveToAnotherDpiTakesTheSuggestedRect) {
    TestDialog dialog;
    MoveWindow(dialog.windowHandle, 10, 10, 300, 200, FALSE);
    RECT suggested = {40, 30, 40 + 450, 30 + 300};  // 144 DPI: one and a half times the size
    SendMessageA(dialog.windowHandle, 0x02E0 /* WM_DPICHANGED */, MAKEWPARAM(144, 144),
                 reinterpret_cast<LPARAM>(&suggested));
    RECT r = WindowRect(dialog.windowHandle);
    EXPECT_EQ(40, r.left);
    EXPECT_EQ(30, r.top);
    EXPECT_EQ(450, r.right - r.left);
    EXPECT_EQ(300, r.bottom - r.top);
}

TEST(FCDialogPlacement, OffsetsAndADialogWiderThanItsOwner) {
    OwnerWindow owner(100, 50, 400, 300);
    TestDialog dialog(owner.window);
    MoveWindow(dialog.windowHandle, 0, 0, 300, 200, FALSE);
    dialog.centreOnParent(10, 10, false);
    RECT r = WindowRect(dialog.windowHandle);
    EXPECT_EQ(112, r.left);  // 100 + 10 + 4 = 114, rounded down
    EXPECT_EQ(60, r.top);
    OwnerWindow narrow(0, 0, 100, 100);
    TestDialog wide(narrow.window);
    MoveWindow(wide.windowHandle, 0, 0, 134, 50, FALSE);
    wide.centreOnParent(-1, -1, false);
    EXPECT_EQ(-16, WindowRect(wide.windowHandle).left);  // -17 + 4 = -13, rounded down
}

TEST(FCRect, KeepInsideNormalizeAndTheTextAndFileForms) {
    FCRect r(-13, 5, 121, 55);
    RECT bounds = {0, 0, 100, 100};
    r.keepInside(bounds);
    EXPECT_EQ(0, r.left);  // wider than the bounds: the left edge wins
    EXPECT_EQ(134, r.width());
    FCRect inside(10, 10, 20, 20);
    inside.keepInside(bounds);
    EXPECT_EQ(10, inside.left);
    FCRect low(50, 90, 60, 120);
    low.keepInside(bounds);
    EXPECT_EQ(70, low.top);
    FCRect flipped(30, 40, 10, 20);
    flipped.normalize();
    EXPECT_EQ(10, flipped.left);
    EXPECT_EQ(40, flipped.bottom);
    FCString text;
    FCRect(-5, 7, 15, 27).formatText(text, ",");
    EXPECT_STREQ("-5,7,20,20", text.text());
    FCRect parsed;
    text.cursor = const_cast<char*>(text.text());
    parsed.parseText(text, ",");
    EXPECT_EQ(15, parsed.right);
    EXPECT_EQ(27, parsed.bottom);

    TempFolder dir;
    std::string path = dir / "rect.bin";
    FCFile file;
    file.open(W(path), CREATE_ALWAYS, GENERIC_READ | GENERIC_WRITE, 0, FILE_ATTRIBUTE_NORMAL, false);
    FCRect(1, -2, 3, 0x01020304).writeTo(file);
    file.close();
    EXPECT_EQ(std::string("\x01\0\0\0\xFE\xFF\xFF\xFF\x03\0\0\0\x04\x03\x02\x01", 16), TempFolder::readFile(path));
    file.open(W(path), OPEN_EXISTING, GENERIC_READ, 0, FILE_ATTRIBUTE_NORMAL, false);
    FCRect back;
    back.readFrom(file);
    EXPECT_EQ(-2, back.top);
    EXPECT_EQ(0x01020304, back.bottom);
    FCFile closed;
    back.readFrom(closed);
    EXPECT_EQ(1, back.left);
}

TEST(FCDropFiles, DropsGoIntoTheControlUnderThePoint) {
    TestDialog dialog;
    ShowWindow(dialog.windowHandle, SW_SHOW);
    const int ids[] = {TestDialog::EDIT, TestDialog::EDIT2, -1};
    POINT overEdit = ControlCentre(dialog.windowHandle, dialog.control(TestDialog::EDIT));
    {
        FCDropFiles drop;
        drop.attachDrop(MakeDrop({"Z:\\tmp\\表ソ能\\ソ.cab", "Z:\\second"}, overEdit));
        EXPECT_EQ(2, drop.fileCount);
        std::wstring dropped;
        EXPECT_EQ(TestDialog::EDIT, dialog.dropIntoControls(drop, ids, nullptr, dropped));
        EXPECT_STREQ("Z:\\tmp\\表ソ能\\ソ.cab", dialog.text(TestDialog::EDIT).text());
        EXPECT_EQ(FromShiftJis("Z:\\tmp\\表ソ能\\ソ.cab"), dropped);
        EXPECT_EQ(1, drop.nextIndex);  // only one item was taken
        drop.release();
        EXPECT_FALSE(drop.dropHandle.valid());
        drop.release();
    }
    SetDlgItemTextA(dialog.windowHandle, TestDialog::EDIT, "untouched");
    POINT outside = ControlCentre(dialog.windowHandle, dialog.control(TestDialog::RICH));
    FCDropFiles elsewhere;
    elsewhere.attachDrop(MakeDrop({"C:\\x.cab"}, outside));
    std::wstring dropped;
    EXPECT_EQ(0, dialog.dropIntoControls(elsewhere, ids, nullptr, dropped));
    EXPECT_STREQ("untouched", dialog.text(TestDialog::EDIT).text());
    EXPECT_EQ(L"C:\\x.cab", dropped);  // read, though no control took it
    FCDropFiles filtered;
    filtered.attachDrop(MakeDrop({"C:\\data\\x.txt", "C:\\data\\y.CAB"}, overEdit));
    EXPECT_EQ(0, dialog.dropIntoControls(filtered, ids, L"cab", dropped));
    EXPECT_STREQ("untouched", dialog.text(TestDialog::EDIT).text());
    EXPECT_EQ(TestDialog::EDIT, dialog.dropIntoControls(filtered, ids, L"cab", dropped));
    EXPECT_STREQ("C:\\data\\y.CAB", dialog.text(TestDialog::EDIT).text());
    EXPECT_EQ(0, dialog.dropIntoControls(filtered, ids, L"cab", dropped));  // nothing left
}

TEST(FCDropFiles, ReleaseFinishesTheDropOnce) {
    HDROP handle = MakeDrop({"C:\\a"}, POINT{1, 1});
    {
        FCDropFiles drop;
        drop.attachDrop(handle);
        EXPECT_NE(0u, GlobalSize(handle));
    }
    // DragFinish freed the block: the handle is no longer valid.
    EXPECT_EQ(0u, GlobalSize(handle));
}
