#include "tests/ui/UiTestSupport.h"
#include <commctrl.h>
#include <gtest/gtest.h>

namespace {
INT_PTR CALLBACK TestDialogProc(HWND window, UINT message, WPARAM, LPARAM lParam) {
    if (message == WM_INITDIALOG) {
        reinterpret_cast<FCDialogBase*>(lParam)->windowHandle = window;
        return TRUE;
    }
    return FALSE;
}

// What the program entry sets up: the common controls and the rich edit.
class UiEnvironment : public testing::Environment {
public:
    void SetUp() override {
        INITCOMMONCONTROLSEX controls = {sizeof controls, 0x2FF};
        InitCommonControlsEx(&controls);
        richEdit_ = LoadLibraryA("RICHED32.DLL");
        ASSERT_NE(nullptr, richEdit_);
    }
    void TearDown() override { FreeLibrary(richEdit_); }

private:
    HMODULE richEdit_ = nullptr;
};
testing::Environment* const g_ui = testing::AddGlobalTestEnvironment(new UiEnvironment);
}  // namespace

TestDialog::TestDialog(HWND owner) : FCModelessDialog(900) {
    setProcedure(owner, TestDialogProc, 0);
    createWindow();
}

TestDialog::~TestDialog() {
    if (windowHandle != nullptr) DestroyWindow(windowHandle);
}

std::string RichText(HWND rich) { return RichEditText(rich); }

CHARFORMATA FormatAt(HWND rich, int position) { return RichEditFormatAt(rich, position); }

bool IsAutoColour(const CHARFORMATA& f) { return (f.dwEffects & CFE_AUTOCOLOR) != 0; }
