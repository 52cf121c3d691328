#include "tests/ui/UiTestSupport.h"
#include <commctrl.h>
#include <gtest/gtest.h>
#include <vector>

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

std::string RichText(HWND rich) {
    GETTEXTLENGTHEX length = {GTL_DEFAULT | GTL_NUMBYTES, CP_ACP};
    LRESULT n = SendMessageA(rich, EM_GETTEXTLENGTHEX, reinterpret_cast<WPARAM>(&length), 0);
    std::vector<char> buffer(static_cast<size_t>(n) + 16, '\0');
    GETTEXTEX get = {static_cast<DWORD>(buffer.size()), GT_DEFAULT, CP_ACP, nullptr, nullptr};
    SendMessageA(rich, EM_GETTEXTEX, reinterpret_cast<WPARAM>(&get), reinterpret_cast<LPARAM>(buffer.data()));
    return buffer.data();
}

CHARFORMATA FormatAt(HWND rich, int position) {
    CHARRANGE range = {position, position + 1};
    SendMessageA(rich, EM_EXSETSEL, 0, reinterpret_cast<LPARAM>(&range));
    CHARFORMATA format = {};
    format.cbSize = sizeof format;
    SendMessageA(rich, EM_GETCHARFORMAT, SCF_SELECTION, reinterpret_cast<LPARAM>(&format));
    return format;
}

bool IsAutoColour(const CHARFORMATA& f) { return (f.dwEffects & CFE_AUTOCOLOR) != 0; }
