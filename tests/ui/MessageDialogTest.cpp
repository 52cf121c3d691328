#include "foundation/WideText.h"
#include "fs/FCPathName.h"
#include "tests/support/WindowAnswerer.h"
#include "tests/ui/UiTestSupport.h"
#include "ui/TestSeams.h"
#include "ui/UxMessageDialog.h"
#include <gtest/gtest.h>
#include <shellapi.h>
#include <string>
#include <thread>
#include <vector>

namespace {
std::vector<std::string> g_opened;  // in Shift_JIS
HINSTANCE WINAPI RecordOpen(HWND, LPCWSTR verb, LPCWSTR file, LPCWSTR, LPCWSTR, INT show) {
    if (lstrcmpW(verb, L"open") == 0 && show == SW_SHOWNORMAL) g_opened.push_back(ToShiftJis(file));
    return reinterpret_cast<HINSTANCE>(static_cast<INT_PTR>(33));
}

class ShellObserver {
public:
    ShellObserver() {
        g_opened.clear();
        SetShellOpenForTests(RecordOpen);
    }
    ~ShellObserver() { SetShellOpenForTests(nullptr); }
};

HWND FocusOf(HWND dialog) {
    GUITHREADINFO info = {};
    info.cbSize = sizeof info;
    GetGUIThreadInfo(GetWindowThreadProcessId(dialog, nullptr), &info);
    return info.hwndFocus != nullptr ? info.hwndFocus : dialog;
}

// Acts on the Yes/No dialog titled `title` from another thread.
class DialogDriver {
public:
    template <class F>
    DialogDriver(const std::string& title, F action)
        : thread_([title, action, this] {
              HWND dialog = WindowAnswerer::waitForWindow(title, 20000);
              if (dialog == nullptr) return;
              char text[4096] = "";
              SendDlgItemMessageA(dialog, 1001, WM_GETTEXT, sizeof text, reinterpret_cast<LPARAM>(text));
              message = text;
              char yes[64] = "", no[64] = "";
              GetDlgItemTextA(dialog, IDYES, yes, sizeof yes);
              GetDlgItemTextA(dialog, IDNO, no, sizeof no);
              yesCaption = yes;
              noCaption = no;
              action(dialog);
          }) {}
    ~DialogDriver() { join(); }
    void join() {
        if (thread_.joinable()) thread_.join();
    }
    std::string message, yesCaption, noCaption;

private:
    std::thread thread_;
};

void PressKey(HWND dialog, WPARAM key) {
    HWND focus = FocusOf(dialog);
    PostMessageA(focus, WM_KEYDOWN, key, 0);
    PostMessageA(focus, WM_KEYUP, key, 0xC0000000);
}
}  // namespace

TEST(AskYesNo, EnterAnswersYesAndShowsTheTextWithTheTemplateCaptions) {
    DialogDriver driver("フォルダ作成の確認", [](HWND d) { PressKey(d, VK_RETURN); });
    int answer = AskYesNo(nullptr, "指定されたフォルダ\n【0xC00000】C:\\新\\【-1】\nが存在しません。",
                          "フォルダ作成の確認", true);
    driver.join();
    EXPECT_EQ(IDYES, answer);
    EXPECT_EQ("指定されたフォルダ\r\nC:\\新\\\r\nが存在しません。", driver.message);
    EXPECT_EQ("はい(&Y)", driver.yesCaption);
    EXPECT_EQ("いいえ(&N)", driver.noCaption);
}

TEST(AskYesNo, EscapeAndTheCloseBoxAnswerNo) {
    DialogDriver escape("質問1", [](HWND d) { PressKey(d, VK_ESCAPE); });
    EXPECT_EQ(IDNO, AskYesNo(nullptr, "text", "質問1", true));
    escape.join();
    DialogDriver close("質問2", [](HWND d) { PostMessageA(d, WM_SYSCOMMAND, SC_CLOSE, 0); });
    EXPECT_EQ(IDNO, AskYesNo(nullptr, "text", "質問2", false));
    close.join();
    DialogDriver button("質問3", [](HWND d) { PostMessageA(d, WM_COMMAND, MAKEWPARAM(IDNO, BN_CLICKED), 0); });
    EXPECT_EQ(IDNO, AskYesNo(nullptr, "text", "質問3", false));
    button.join();
    // A question that cannot be shown was never answered Yes.
    EXPECT_EQ(IDNO, ShowMessageDialog(nullptr, 9999, "text", "質問4", false, nullptr, nullptr, nullptr, nullptr));
}

TEST(AskYesNo, GivenCaptionsReplaceTheTemplates) {
    DialogDriver driver("質問4", [](HWND d) { PostMessageA(d, WM_COMMAND, MAKEWPARAM(IDYES, BN_CLICKED), 0); });
    EXPECT_EQ(IDYES, AskYesNo(nullptr, "【B】plain", "質問4", false, nullptr, nullptr, "作成する", "やめる"));
    driver.join();
    EXPECT_EQ("【B】plain", driver.message);
    EXPECT_EQ("作成する", driver.yesCaption);
    EXPECT_EQ("やめる", driver.noCaption);
}

TEST(OpenLink, RefusesProgramsAndMapsTheHelpPrefix) {
    ShellObserver observer;
    for (const char* refused : {"http://x/setup.exe", "a.SCR", "b.Com", "c.bat", "d.CMD"})
        OpenLink(FromShiftJis(refused));
    EXPECT_TRUE(g_opened.empty());
    OpenLink(L"http://help/index.html");
    OpenLink(L"http://example.com/page");
    FCPathName folder(FCPathName::PATH_MODULE_FOLDER);
    ASSERT_EQ(2u, g_opened.size());
    EXPECT_EQ(ToShiftJis(folder.path) + "help\\index.html", g_opened[0]);
    EXPECT_EQ("http://example.com/page", g_opened[1]);
}

// Clicks the first link of the message through the rich edit itself.
TEST(OpenLink, ClickedLinksOpenAndOverlongOnesDoNot) {
    ShellObserver observer;
    std::string longLink = "http://example.com/" + std::string(1500, 'q');
    for (const std::string& link : {std::string("http://example.com/表ソ"), longLink}) {
        DialogDriver driver("リンク", [](HWND d) {
            HWND rich = GetDlgItem(d, IDC_MESSAGE_TEXT);
            POINTL at = {};
            SendMessageA(rich, EM_POSFROMCHAR, reinterpret_cast<WPARAM>(&at), 8);
            LPARAM where = MAKELPARAM(at.x + 2, at.y + 4);
            SendMessageA(rich, WM_LBUTTONDOWN, MK_LBUTTON, where);
            SendMessageA(rich, WM_LBUTTONUP, 0, where);
            PostMessageA(d, WM_COMMAND, MAKEWPARAM(IDNO, BN_CLICKED), 0);
        });
        AskYesNo(nullptr, ("see " + link + " now").c_str(), "リンク", true);
        driver.join();
    }
    ASSERT_EQ(1u, g_opened.size());
    EXPECT_EQ("http://example.com/表ソ", g_opened[0]);
}
