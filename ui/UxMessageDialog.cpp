#include "ui/UxMessageDialog.h"
#include "foundation/WideText.h"
#include "fs/FCPathName.h"
#include "ui/Markup.h"
#include <richedit.h>
#include <shellapi.h>
#include <cstring>

namespace {
// The shell call behind OpenLink: ShellExecuteW with the Shift_JIS texts
// converted, unless a test watches it (through ui/TestSeams.h, which the
// programs never include).
typedef HINSTANCE(WINAPI* ShellOpenFunction)(HWND, LPCWSTR, LPCWSTR, LPCWSTR, LPCWSTR, INT);
ShellOpenFunction g_shellOpen = ShellExecuteW;
const int kButtonIds[4] = {IDOK, IDCANCEL, IDYES, IDNO};
// Posted by the wait on the dialog's end event.
const UINT kEndMessage = WM_APP + 1;

VOID CALLBACK PostEnd(PVOID window, BOOLEAN) { PostMessageW(static_cast<HWND>(window), kEndMessage, 0, 0); }

UxMessageDialog::DIS_INFO_* InfoOf(HWND window) {
    FCDialog* dialog = FCDialog::fromWindow(window);
    return dialog != nullptr ? reinterpret_cast<UxMessageDialog::DIS_INFO_*>(dialog->userData) : nullptr;
}

void InitMessageDialog(HWND window, FCDialog* dialog) {
    dialog->attachWindow(window);
    UxMessageDialog::DIS_INFO_* info = InfoOf(window);
    if (info == nullptr) return;
    HWND message = GetDlgItem(window, IDC_MESSAGE_TEXT);
    bool markedUp = (info->options & UxMessageDialog::OPTION_MARKED_UP) != 0;
    if (markedUp) {
        LRESULT mask = SendMessageA(message, EM_GETEVENTMASK, 0, 0);
        SendMessageA(message, EM_SETEVENTMASK, 0, mask | ENM_LINK);
        SendMessageA(message, EM_AUTOURLDETECT, TRUE, 0);
    }
    SetWindowText932(window, info->title.text());
    for (int i = 0; i < 4; ++i)
        if (!info->captions[i].isEmpty()) SetDlgItemText932(window, kButtonIds[i], info->captions[i].text());
    const UxMarkedText& marked = static_cast<UxMessageDialog*>(dialog)->marked;
    if (!marked.empty())
        SetMessageText(window, IDC_MESSAGE_TEXT, marked, markedUp, info->openBracket.text(), info->closeBracket.text());
    else
        SetMessageText(window, IDC_MESSAGE_TEXT, info->text.text(), markedUp, info->openBracket.text(),
                       info->closeBracket.text());
    UxMessageDialog& self = *static_cast<UxMessageDialog*>(dialog);
    if (self.endEvent != nullptr &&
        !RegisterWaitForSingleObject(&self.endWait, self.endEvent, PostEnd, window, INFINITE, WT_EXECUTEONLYONCE))
        self.endWait = nullptr;
    dialog->centreOnParent(-1, -1, false);
}

// Opens the link under the click; a link too long for the buffer is not opened.
void FollowLink(HWND message, const ENLINK& link) {
    LONG characters = link.chrg.cpMax - link.chrg.cpMin;
    if (characters <= 0 || characters * 2 + 1 > UxMessageDialog::LINK_BUFFER) return;
    CHARRANGE range = link.chrg;
    SendMessageA(message, EM_EXSETSEL, 0, reinterpret_cast<LPARAM>(&range));
    // As UTF-16, which the control gives whatever its kind: the selection
    // of an "A" control comes in the system's code page.
    wchar_t buffer[UxMessageDialog::LINK_BUFFER] = L"";
    GETTEXTEX get = {sizeof buffer, GT_SELECTION, 1200, nullptr, nullptr};
    SendMessageA(message, EM_GETTEXTEX, reinterpret_cast<WPARAM>(&get), reinterpret_cast<LPARAM>(buffer));
    buffer[UxMessageDialog::LINK_BUFFER - 1] = L'\0';
    OpenLink(buffer);
}
}  // namespace

UxMessageDialog::DIS_INFO_::DIS_INFO_()
    : owner(nullptr), reserved1(0), results{IDOK, IDCANCEL, IDYES, IDNO}, options(0), reserved2(0), openBracket("【"),
      closeBracket("】") {}

INT_PTR CALLBACK MessageDialogProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_INITDIALOG: InitMessageDialog(window, reinterpret_cast<FCDialog*>(lParam)); return TRUE;
    case WM_COMMAND: {
        int id = LOWORD(wParam);
        if (id == IDOK || id == IDCANCEL || id == IDYES || id == IDNO) {
            EndDialog(window, id);
            return TRUE;
        }
        UxMessageDialog::DIS_INFO_* info = InfoOf(window);
        if (id == IDC_MESSAGE_TEXT && HIWORD(wParam) == EN_SETFOCUS && info != nullptr &&
            (info->options & UxMessageDialog::OPTION_CARET_MOVED) == 0) {
            SendMessageA(reinterpret_cast<HWND>(lParam), EM_SETSEL, static_cast<WPARAM>(-1), -1);
            info->options |= UxMessageDialog::OPTION_CARET_MOVED;
        }
        return FALSE;
    }
    case kEndMessage: EndDialog(window, IDCANCEL); return TRUE;
    case WM_DESTROY: {
        // Waited for, so that no end is posted to a window gone.
        UxMessageDialog* dialog = static_cast<UxMessageDialog*>(FCDialog::fromWindow(window));
        if (dialog != nullptr && dialog->endWait != nullptr) UnregisterWaitEx(dialog->endWait, INVALID_HANDLE_VALUE);
        if (dialog != nullptr) dialog->endWait = nullptr;
        return FALSE;
    }
    case WM_NOTIFY: {
        const NMHDR* header = reinterpret_cast<const NMHDR*>(lParam);
        if (header->idFrom == IDC_MESSAGE_TEXT && header->code == EN_LINK) {
            const ENLINK* link = reinterpret_cast<const ENLINK*>(lParam);
            if (link->msg == WM_LBUTTONDOWN) {
                FollowLink(header->hwndFrom, *link);
                return TRUE;
            }
        }
        return FALSE;
    }
    default: return FALSE;
    }
}

namespace {
// Runs dialog and maps how it ended through its result table (IDOK,
// IDCANCEL, IDYES, IDNO).
int RunMessageDialog(UxMessageDialog& dialog, HWND owner, const char* text, const char* title, bool markedUp,
                     const char* openBracket, const char* closeBracket) {
    UxMessageDialog::DIS_INFO_& info = dialog.info;
    info.owner = owner != nullptr ? owner : GetDesktopWindow();
    info.title.assignFrom(title);
    info.text.assignFrom(text != nullptr ? text : "");
    if (markedUp) {
        info.options |= UxMessageDialog::OPTION_MARKED_UP;
        if (openBracket != nullptr && *openBracket != '\0') info.openBracket.assignFrom(openBracket);
        if (closeBracket != nullptr && *closeBracket != '\0') info.closeBracket.assignFrom(closeBracket);
    }
    dialog.setProcedure(owner, MessageDialogProc, reinterpret_cast<LPARAM>(&info));
    INT_PTR end = dialog.doModal();
    switch (end) {
    case IDOK: return info.results[0];
    case IDCANCEL: return info.results[1];
    case IDYES: return info.results[2];
    case IDNO: return info.results[3];
    // A dialog that could not be shown (no template, no window) asked
    // nothing: it answers as Escape does, never as Yes.
    default: return info.results[1];
    }
}
}  // namespace

int ShowMessageDialog(HWND owner, int templateId, const char* text, const char* title, bool markedUp,
                      const char* openBracket, const char* closeBracket, const char* yesCaption,
                      const char* noCaption) {
    UxMessageDialog dialog(templateId);
    // Enter (the OK command) answers Yes; Escape and the close box answer No.
    const int results[4] = {IDYES, IDNO, IDYES, IDNO};
    for (int i = 0; i < 4; ++i) dialog.info.results[i] = results[i];
    if (yesCaption != nullptr) dialog.info.captions[2].assignFrom(yesCaption);
    if (noCaption != nullptr) dialog.info.captions[3].assignFrom(noCaption);
    return RunMessageDialog(dialog, owner, text, title, markedUp, openBracket, closeBracket);
}

int AskRetrySkipAbort(HWND owner, const UxMarkedText& text, const char* title, HANDLE endEvent) {
    UxMessageDialog dialog(IDD_MESSAGE_RETRY_SKIP);
    const int results[4] = {IDRETRY, IDABORT, IDRETRY, IDIGNORE};
    for (int i = 0; i < 4; ++i) dialog.info.results[i] = results[i];
    dialog.endEvent = endEvent;
    dialog.marked = text;
    return RunMessageDialog(dialog, owner, nullptr, title, true, nullptr, nullptr);
}

int AskYesNo(HWND owner, const UxMarkedText& text, const char* title, bool markedUp) {
    UxMessageDialog dialog(IDD_MESSAGE_YES_NO);
    // Enter (the OK command) answers Yes; Escape and the close box answer No.
    const int results[4] = {IDYES, IDNO, IDYES, IDNO};
    for (int i = 0; i < 4; ++i) dialog.info.results[i] = results[i];
    dialog.marked = text;
    return RunMessageDialog(dialog, owner, nullptr, title, markedUp, nullptr, nullptr);
}

int AskYesNo(HWND owner, const char* text, const char* title, bool markedUp, const char* openBracket,
             const char* closeBracket, const char* yesCaption, const char* noCaption) {
    return ShowMessageDialog(owner, IDD_MESSAGE_YES_NO, text, title, markedUp, openBracket, closeBracket, yesCaption,
                             noCaption);
}

void OpenLink(const std::wstring& link) {
    if (link.empty()) return;
    size_t dot = link.rfind(L'.');
    if (dot != std::wstring::npos) {
        std::wstring extension = link.substr(dot + 1);
        for (wchar_t& c : extension) c = c >= L'A' && c <= L'Z' ? static_cast<wchar_t>(c + (L'a' - L'A')) : c;
        for (const wchar_t* refused : {L"exe", L"scr", L"com", L"bat", L"cmd"})
            if (extension == refused) return;
    }
    std::wstring text = link;
    if (text.find(L"http://help/") != std::wstring::npos) {
        // A help page below the executable's folder.
        std::wstring folder = FCPathName(FCPathName::PATH_MODULE_FOLDER).path;
        for (size_t at = 0; (at = text.find(L"http://", at)) != std::wstring::npos; at += folder.size())
            text.replace(at, 7, folder);
        for (wchar_t& c : text)
            if (c == L'/') c = L'\\';
    }
    g_shellOpen(nullptr, L"open", text.c_str(), nullptr, nullptr, SW_SHOWNORMAL);
}

void SetShellOpenForTests(ShellOpenFunction open);
void SetShellOpenForTests(ShellOpenFunction open) { g_shellOpen = open != nullptr ? open : ShellExecuteW; }
