// What a screen reader and a keyboard user meet in every dialog of kelpex:
// each control that takes the focus has a name through the accessibility
// interface (a label before an input names it), and each label and button
// has an access key, unique within its dialog.
#include "res/MainDialogIds.h"
#include "tests/app/MainDialogHarness.h"
#include "res/MessageDialogIds.h"
#include "res/ProgressDialogIds.h"
#include "foundation/WideText.h"
#include <gtest/gtest.h>
#include <windows.h>
#include <oleacc.h>
#include <set>
#include <string>

namespace {
// IAccessible's interface id, named here: mingw-w64's x86_64 libraries
// define IID_IAccessible twice (uuid and oleacc).
const IID kAccessible = {0x618736e0, 0x3c3d, 0x11cf, {0x81, 0x0c, 0x00, 0xaa, 0x00, 0x38, 0x9b, 0x71}};

INT_PTR CALLBACK Inert(HWND, UINT message, WPARAM, LPARAM) { return message == WM_INITDIALOG; }

std::wstring ClassOf(HWND control) {
    wchar_t name[64] = L"";
    GetClassNameW(control, name, 64);
    return name;
}

// The name the accessibility interface gives the control: what a screen
// reader says.
std::wstring AccessibleName(HWND control) {
    IAccessible* object = nullptr;
    if (FAILED(AccessibleObjectFromWindow(control, static_cast<DWORD>(OBJID_CLIENT), kAccessible,
                                          reinterpret_cast<void**>(&object))) ||
        object == nullptr)
        return L"<no accessible object>";
    VARIANT self;
    VariantInit(&self);
    self.vt = VT_I4;
    self.lVal = CHILDID_SELF;
    BSTR name = nullptr;
    std::wstring out;
    if (SUCCEEDED(object->get_accName(self, &name)) && name != nullptr) out = name;
    SysFreeString(name);
    object->Release();
    return out;
}

// The key after '&' in a caption, upper case; 0 when it has none.
wchar_t AccessKey(const std::wstring& caption) {
    for (size_t i = 0; i + 1 < caption.size(); ++i) {
        if (caption[i] != L'&') continue;
        if (caption[i + 1] == L'&') {
            ++i;
            continue;
        }
        return static_cast<wchar_t>(towupper(caption[i + 1]));
    }
    return 0;
}
}  // namespace

TEST(Accessibility, EveryControlIsNamedAndEveryLabelAndButtonHasItsOwnKey) {
    ASSERT_NE(nullptr, LoadLibraryW(L"riched20.dll"));
    CoInitialize(nullptr);
    for (int id : {IDD_MAIN, IDD_MESSAGE_YES_NO, IDD_MESSAGE_RETRY_SKIP, IDD_PROGRESS}) {
        HWND dialog = CreateDialogParamW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(id), nullptr, Inert, 0);
        ASSERT_NE(nullptr, dialog) << id;
        std::set<wchar_t> keys;
        for (HWND c = GetWindow(dialog, GW_CHILD); c != nullptr; c = GetWindow(c, GW_HWNDNEXT)) {
            std::wstring kind = ClassOf(c), caption = WindowUnicode(c);
            LONG style = GetWindowLongW(c, GWL_STYLE);
            bool focusable = (style & WS_TABSTOP) != 0 && (style & WS_DISABLED) == 0;
            // A text area is read by its content, as the program fills it.
            bool textArea = kind.compare(0, 8, L"RichEdit") == 0;
            if (textArea) SetWindowTextW(c, L"\u5185\u5BB9");
            // The destination field is named by its label, as read.
            if (id == IDD_MAIN && GetDlgCtrlID(c) == IDC_MAIN_DESTINATION_EDIT) {
                EXPECT_EQ(0u, AccessibleName(c).find(L"\u5C55\u958B\u3059\u308B\u30D5\u30A9\u30EB\u30C0"))
                    << ToShiftJis(AccessibleName(c).c_str());  // 展開するフォルダ
            }
            if (focusable) {
                EXPECT_NE(L"", AccessibleName(c))
                    << id << " control " << GetDlgCtrlID(c) << " " << ToShiftJis(kind.c_str());
            }
            // Statics showing what the program writes (a file's name) take
            // no key: their text is never read as one.
            bool label = CompareStringOrdinal(kind.c_str(), -1, L"Static", -1, TRUE) == CSTR_EQUAL &&
                         (style & SS_NOPREFIX) == 0 && !caption.empty();
            bool button = CompareStringOrdinal(kind.c_str(), -1, L"Button", -1, TRUE) == CSTR_EQUAL;
            if (!label && !button) continue;
            wchar_t key = AccessKey(caption);
            EXPECT_NE(0, key) << id << " " << ToShiftJis(caption.c_str());
            EXPECT_TRUE(key == 0 || keys.insert(key).second)
                << id << " key used twice: " << ToShiftJis(caption.c_str());
        }
        DestroyWindow(dialog);
    }
    CoUninitialize();
}

// Enter in the destination field runs, as in every Windows dialog; after
// the message that the drive is missing the focus is back in the field, so
// that a keyboard user can correct it.
TEST(Accessibility, EnterInTheFieldRunsAndTheFocusComesBack) {
    MainDialogHarness h("fname=a*.cab,0,1,0,1\n", {});
    h.open();
    h.type("Q:\\dest");
    HWND edit = h.control(IDC_MAIN_DESTINATION_EDIT);
    SetFocus(edit);
    MSG enter = {edit, WM_KEYDOWN, VK_RETURN, 0, 0, {0, 0}};
    EXPECT_TRUE(IsDialogMessageW(h.window(), &enter));
    EXPECT_EQ(0u, h.text(IDC_MAIN_MESSAGE).find("指定されたドライブは存在していません")) << h.text(IDC_MAIN_MESSAGE);
    EXPECT_EQ(edit, GetFocus());
}
