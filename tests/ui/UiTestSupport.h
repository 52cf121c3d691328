// Real dialogs for the ui tests: a modeless test dialog from template 900
// and readers for rich-edit text and character formats.
#pragma once
#include "tests/support/ControlHelpers.h"
#include "ui/FCDialog.h"
#include <richedit.h>
#include <string>

class TestDialog : public FCModelessDialog {
public:
    enum { EDIT = 100, RICH = 101, EDIT2 = 102 };
    explicit TestDialog(HWND owner = nullptr);
    ~TestDialog() override;
    HWND control(int id) const { return GetDlgItem(windowHandle, id); }
};

std::string RichText(HWND rich);
CHARFORMATA FormatAt(HWND rich, int position);
bool IsAutoColour(const CHARFORMATA& f);
// Pumps the thread's messages until the predicate holds (bounded).
template <class F>
bool PumpUntil(F predicate, DWORD timeoutMs = 10000) {
    DWORD start = GetTickCount();
    while (!predicate()) {
        MSG msg;
        while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&msg);
            DispatchMessageA(&msg);
        }
        if (GetTickCount() - start > timeoutMs) return false;
        Sleep(5);
    }
    return true;
}
