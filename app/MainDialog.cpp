// The main window: start-up (the configuration, the series, the command
// line), the destination field, Browse, drops, Run and Exit.
#include "app/MainDialog.h"
#include "app/Destination.h"
#include "app/RunLog.h"
#include "foundation/WideText.h"
#include "fs/FCPathName.h"
#include "ui/FCDropFiles.h"
#include "ui/Markup.h"
#include "ui/UxMessageDialog.h"
#include <shlobj.h>

namespace {
// Posted by start-up when the command line or the hand-over asks for a Run
// once the window shows.
const UINT kRunAtOnce = WM_APP + 1;

bool IsChecked(HWND window, int id) { return SendDlgItemMessageA(window, id, BM_GETCHECK, 0, 0) == BST_CHECKED; }

// Disables what could change the destination or start another Run, and
// gives every control its state back afterwards, and the keyboard's focus:
// a disabled control loses it, and a keyboard user would be left with none.
class RunLock {
public:
    explicit RunLock(HWND window) : window_(window), focus_(GetFocus()) {
        for (int i = 0; i < kCount; ++i) {
            HWND control = GetDlgItem(window, kIds[i]);
            enabled_[i] = IsWindowEnabled(control) != FALSE;
            EnableWindow(control, FALSE);
        }
    }
    ~RunLock() {
        for (int i = 0; i < kCount; ++i) EnableWindow(GetDlgItem(window_, kIds[i]), enabled_[i] ? TRUE : FALSE);
        HWND now = GetFocus();
        if (!IsWindowVisible(window_) || (now != nullptr && (now == window_ || IsChild(window_, now)))) return;
        HWND back = focus_ != nullptr && IsChild(window_, focus_) && IsWindowEnabled(focus_)
                        ? focus_
                        : GetDlgItem(window_, IDC_MAIN_DESTINATION_EDIT);
        SendMessageW(window_, WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(back), TRUE);
    }
    RunLock(const RunLock&) = delete;
    RunLock& operator=(const RunLock&) = delete;

private:
    static const int kCount = 5;
    static const int kIds[kCount];
    HWND window_;
    HWND focus_;  // before the Run
    bool enabled_[kCount];
};
const int RunLock::kIds[RunLock::kCount] = {IDC_MAIN_DESTINATION_EDIT, IDC_MAIN_BROWSE, IDC_MAIN_MAKER_BOX,
                                            IDC_MAIN_APP_BOX, IDC_MAIN_RUN};

void ShowOpeningText(HWND window, const MainConfiguration& state) {
    UxMarkedText text = ExpandMessageText(state.messages[0], nullptr);
    text.append("\n解凍に使用するデータ");
    for (const FCString& name : state.archives) text.append("\n").appendLiteral(name.text());
    SetMessageText(window, IDC_MAIN_MESSAGE, text, false);
}

void ForceBox(HWND window, int id, const char* text) {
    CheckDlgButton(window, id, BST_CHECKED);
    EnableWindow(GetDlgItem(window, id), FALSE);
    SetDlgItemText932(window, id, text);
}

// The destination and boxes a command line gave, as if the user had typed
// and ticked them; a box the configuration forces stays as it is.
void TakeCommandLine(HWND window, const COMMAND_LINE_& line) {
    if (line.hasDestination) SetDlgItemTextW(window, IDC_MAIN_DESTINATION_EDIT, line.destination.c_str());
    const std::pair<bool, int> boxes[] = {{line.maker, IDC_MAIN_MAKER_BOX}, {line.app, IDC_MAIN_APP_BOX}};
    for (const auto& box : boxes)
        if (box.first && IsWindowEnabled(GetDlgItem(window, box.second)))
            CheckDlgButton(window, box.second, BST_CHECKED);
}

// A kelpex started as administrator runs the request it was handed: the
// window shows that destination, and nothing in it can change it.
void ShowHandedOverRequest(HWND window, const RunRequest& request) {
    SetDlgItemTextW(window, IDC_MAIN_DESTINATION_EDIT, request.destination.c_str());
    for (int id : {IDC_MAIN_DESTINATION_EDIT, IDC_MAIN_BROWSE, IDC_MAIN_MAKER_BOX, IDC_MAIN_APP_BOX}) {
        CheckDlgButton(window, id, BST_UNCHECKED);
        EnableWindow(GetDlgItem(window, id), FALSE);
    }
}

// A dropped folder as the shell gave it, a dropped file's own folder: judged
// on the path in UTF-16, so a name Shift_JIS cannot hold (Café) is never
// taken for a missing one and replaced by its parent.
void TakeDroppedPath(HWND edit, std::wstring path) {
    DWORD attributes = GetFileAttributesW(path.c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0) {
        if (!path.empty() && path.back() != L'\\') path += L'\\';
    } else {
        path.erase(path.rfind(L'\\') + 1);
    }
    SetWindowTextW(edit, path.c_str());
}
}  // namespace

UxMainWindow::UxMainWindow(const std::wstring& folder, const COMMAND_LINE_& line, RunLog& log, UxRunPlatform& platform)
    : FCDialog(IDD_MAIN), folder_(folder), line_(line), log_(log), platform_(platform) {
    setProcedure(nullptr, procedure, 0);
}

UxMainWindow::~UxMainWindow() = default;

HWND UxWindowFace::owner() const { return window_.windowHandle; }

void UxWindowFace::say(const UxMarkedText& text) { ShowMarked(window_.windowHandle, text); }

bool UxWindowFace::confirm(const UxMarkedText& question, const char* title) {
    return AskYesNo(window_.windowHandle, question, title, true) == IDYES;
}

int UxWindowFace::askInUse(const UxMarkedText& question, HANDLE cancelled) {
    return AskRetrySkipAbort(window_.windowHandle, question, "使用中のファイル", cancelled);
}

void UxWindowFace::handedOver() {
    ShowWindow(window_.windowHandle, SW_HIDE);
    EndDialog(window_.windowHandle, IDC_MAIN_EXIT);
}

// Why start-up could not use the series, and the exit code that says so.
void UxMainWindow::showStartProblem() {
    outcome_ = StartProblemOutcome(*configuration_);
    ShowMarked(windowHandle, outcome_.shown);
    EnableWindow(GetDlgItem(windowHandle, IDC_MAIN_RUN), FALSE);
    EnableWindow(GetDlgItem(windowHandle, IDC_MAIN_BROWSE), FALSE);
}

void UxMainWindow::start(HWND window) {
    attachWindow(window);
    // The folder as Windows gives it: a folder Shift_JIS cannot hold (José,
    // 게임) must not become a path that does not exist.
    configuration_ = ReadConfiguration(folder_, store_, line_.noBoxes || line_.unattended(), log_);
    const MainConfiguration& settings = *configuration_;
    if (!settings.caption.isEmpty()) SetWindowText932(window, settings.caption.text());
    outcome_.exitCode = EXIT_CANCELLED;
    if (!settings.usable) {
        showStartProblem();
    } else {
        ShowOpeningText(window, settings);
        if (settings.flags & FLAG_FORCE_APP_FOLDER)
            ForceBox(window, IDC_MAIN_APP_BOX, "アプリケーション名フォルダは必ず加える設定になっています(&A)");
        if (settings.flags & FLAG_FORCE_MAKER_FOLDER)
            ForceBox(window, IDC_MAIN_MAKER_BOX, "メーカー名フォルダは必ず加える設定になっています(&M)");
        TakeCommandLine(window, line_);
        startRequest_ = RequestFromCommandLine(line_, folder_, configuration_);
        if (startRequest_.mode == RUN_HANDED_OVER) ShowHandedOverRequest(window, startRequest_);
        showDestination();
        // /run and a hand-over: a Run once the window shows.
        if ((line_.run || startRequest_.mode == RUN_HANDED_OVER) && !startRequest_.unattended())
            PostMessageW(window, kRunAtOnce, 0, 0);
    }
    centreOnParent(-1, -1, false);
}

RunRequest UxMainWindow::requestFromWindow() const {
    RunRequest request = startRequest_;
    request.maker = IsChecked(windowHandle, IDC_MAIN_MAKER_BOX);
    request.app = IsChecked(windowHandle, IDC_MAIN_APP_BOX);
    std::wstring typed = WindowTextWide(GetDlgItem(windowHandle, IDC_MAIN_DESTINATION_EDIT));
    request.destination = ComposeDestination(typed, request.maker, request.app, *configuration_, nullptr);
    return request;
}

void UxMainWindow::showDestination() {
    UxMarkedText destination;
    std::wstring typed = WindowTextWide(GetDlgItem(windowHandle, IDC_MAIN_DESTINATION_EDIT));
    std::wstring plain = ComposeDestination(typed, IsChecked(windowHandle, IDC_MAIN_MAKER_BOX),
                                            IsChecked(windowHandle, IDC_MAIN_APP_BOX), *configuration_, &destination);
    if (plain[0] == L'\\') SetMessageText(windowHandle, IDC_MAIN_MESSAGE, kUncWarning, false);
    SetMessageText(windowHandle, IDC_MAIN_DESTINATION_LINE, destination, true);
}

// The Run of the request this process was handed, or of the window's; a
// new Run each time, so that nothing of the last one carries over.
void UxMainWindow::run() {
    if (run_ != nullptr || !configuration_->usable) return;
    RunRequest request = startRequest_.mode == RUN_HANDED_OVER ? startRequest_ : requestFromWindow();
    RunLock lock(windowHandle);
    closeAfterRun_ = false;
    UxWindowFace face(*this);
    UxRun run(request, face, log_, platform_);
    struct Current {
        UxRun*& slot;
        ~Current() { slot = nullptr; }
    } current{run_};
    run_ = &run;
    run.run();
    outcome_ = run.takeOutcome();
    if (closeAfterRun_) EndDialog(windowHandle, IDC_MAIN_EXIT);
}

void UxMainWindow::browse() {
    std::wstring chosen;
    if (BrowseForFolder(windowHandle, CSIDL_DRIVES, "インストールフォルダの選択", BIF_RETURNONLYFSDIRS,
                        WindowTextWide(GetDlgItem(windowHandle, IDC_MAIN_DESTINATION_EDIT)), chosen))
        SetDlgItemTextW(windowHandle, IDC_MAIN_DESTINATION_EDIT, chosen.c_str());
}

void UxMainWindow::dropFiles(HDROP handle) {
    FCDropFiles drop;
    drop.attachDrop(handle);
    const int ids[] = {IDC_MAIN_DESTINATION_EDIT, -1};
    HWND edit = GetDlgItem(windowHandle, IDC_MAIN_DESTINATION_EDIT);
    std::wstring dropped;
    // Dropped elsewhere, the field's own text is taken as a drop would be;
    // a drop whose path could not be read changes nothing.
    int control = dropIntoControls(drop, ids, nullptr, dropped);
    if (control == IDC_MAIN_DESTINATION_EDIT) TakeDroppedPath(edit, dropped);
    else if (!dropped.empty()) TakeDroppedPath(edit, AbsolutePath(WindowTextWide(edit)));
    showDestination();
    drop.release();
}

void UxMainWindow::exit() {
    if (run_ == nullptr) {
        EndDialog(windowHandle, IDC_MAIN_EXIT);
        return;
    }
    // Exit during a Run cancels it; the window ends once it has reported.
    closeAfterRun_ = true;
    run_->cancel();
}

bool UxMainWindow::command(int id, int code) {
    if (id == IDC_MAIN_EXIT) exit();
    else if (run_ != nullptr) return false;  // nothing changes the destination mid-run
    else if (id == IDC_MAIN_DESTINATION_EDIT && code == EN_UPDATE) showDestination();
    else if (id == IDC_MAIN_MAKER_BOX || id == IDC_MAIN_APP_BOX) showDestination();
    else if (id == IDC_MAIN_BROWSE) browse();
    else if (id == IDC_MAIN_RUN) run();
    return false;
}

INT_PTR CALLBACK UxMainWindow::procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_INITDIALOG) {
        static_cast<UxMainWindow*>(reinterpret_cast<FCDialog*>(lParam))->start(window);
        return TRUE;
    }
    UxMainWindow* self = static_cast<UxMainWindow*>(FCDialog::fromWindow(window));
    if (self == nullptr || self->configuration_ == nullptr) {
        if (message == WM_DROPFILES) FCDropHandle ignored(reinterpret_cast<HDROP>(wParam));
        return FALSE;
    }
    switch (message) {
    case WM_COMMAND: return self->command(LOWORD(wParam), HIWORD(wParam));
    case kRunAtOnce: self->run(); return TRUE;
    case WM_DROPFILES:
        if (self->run_ != nullptr) {
            FCDropHandle ignored(reinterpret_cast<HDROP>(wParam));
            return FALSE;
        }
        self->dropFiles(reinterpret_cast<HDROP>(wParam));
        return FALSE;
    default: return FALSE;
    }
}

void ShowMarked(HWND window, const UxMarkedText& text) { SetMessageText(window, IDC_MAIN_MESSAGE, text, true); }

std::wstring ApplicationFolder() {
    std::wstring path = ModulePath();
    return path.substr(0, path.rfind(L'\\') + 1);
}
