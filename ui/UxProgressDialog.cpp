#include "ui/UxProgressDialog.h"
#include "foundation/WideText.h"
#include "ui/MessagePump.h"
#include <commctrl.h>

void UxProgressCtrl::attach(HWND dialog, int id) {
    controlWindow = GetDlgItem(dialog, id);
    setRange(0, 100);
    setStep(1);
}

void UxProgressCtrl::setRange(int minimum, int maximum) {
    rangeMin = minimum;
    rangeMax = maximum;
    SendMessageA(controlWindow, PBM_SETRANGE32, static_cast<WPARAM>(minimum), static_cast<LPARAM>(maximum));
}

void UxProgressCtrl::setStep(int n) {
    step = n;
    SendMessageA(controlWindow, PBM_SETSTEP, static_cast<WPARAM>(n), 0);
}

namespace {
// Sends a message that moves the bar without the control painting itself
// at once: the move is painted with the next pumping of messages, so that
// moves made together (the end of a cabinet) cost one repaint, not one
// each while the extraction waits.
void MoveQuietly(HWND bar, UINT message, WPARAM wParam) {
    if (!IsWindowVisible(bar)) {
        SendMessageA(bar, message, wParam, 0);
        return;
    }
    SendMessageA(bar, WM_SETREDRAW, FALSE, 0);
    SendMessageA(bar, message, wParam, 0);
    SendMessageA(bar, WM_SETREDRAW, TRUE, 0);
    InvalidateRect(bar, nullptr, FALSE);
}
}  // namespace

void UxProgressCtrl::setPos(int n) { MoveQuietly(controlWindow, PBM_SETPOS, static_cast<WPARAM>(n)); }

int UxProgressCtrl::getPos() { return static_cast<int>(SendMessageA(controlWindow, PBM_GETPOS, 0, 0)); }

bool UxProgressCtrl::stepIt() {
    if (getPos() + step >= rangeMax) {
        setPos(rangeMax);
        return true;
    }
    MoveQuietly(controlWindow, PBM_STEPIT, 0);
    return false;
}

UxProgressDialog::UxProgressDialog(int templateId)
    : FCModelessDialog(templateId), cancelRequested(false), isOpen(false), progressId(-1), statusId(-1), barMin(0),
      barMax(100), barPos(0), options(0) {}

UxProgressDialog::~UxProgressDialog() {
    if (isOpen && windowHandle != nullptr && IsWindow(windowHandle)) SendMessageA(windowHandle, WM_CLOSE, 0, 0);
}

UxProgressDialog* UxProgressDialog::fromWindow(HWND window) {
    return static_cast<UxProgressDialog*>(reinterpret_cast<FCDialogBase*>(GetWindowLongPtrW(window, DWLP_USER)));
}

void UxProgressDialog::configureProgress(int id, bool showBar, int position, int minimum, int maximum) {
    progressId = id;
    if (showBar) options |= OPTION_SHOW_BAR;
    else options &= ~OPTION_SHOW_BAR;
    barPos = position;
    barMin = minimum;
    barMax = maximum;
}

void UxProgressDialog::show(HWND parent, bool allowCancel) {
    if (isOpen) return;
    cancelRequested = false;
    if (allowCancel) options &= ~OPTION_NO_CANCEL;
    else options |= OPTION_NO_CANCEL;
    setProcedure(parent, progressDialogProc, reinterpret_cast<LPARAM>(this));
    HWND window = createWindow();
    if (window != nullptr && visible) ShowWindow(window, SW_SHOWNORMAL);
    isOpen = true;
    rethrowPending();
}

void UxProgressDialog::pumpMessages() {
    PumpMessages();
    rethrowPending();
}

void UxProgressDialog::setStatusText(const char* text) { SetDlgItemText932(windowHandle, statusId, text); }

void UxProgressDialog::setStatusText(const std::wstring& text) {
    SetDlgItemTextW(windowHandle, statusId, text.c_str());
}

INT_PTR CALLBACK UxProgressDialog::progressDialogProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_INITDIALOG: {
        UxProgressDialog* self = reinterpret_cast<UxProgressDialog*>(lParam);
        self->windowHandle = window;
        if (self->statusId >= 0) SetDlgItemText932(window, self->statusId, self->statusText.text());
        SetWindowText932(window, self->caption.text());
        if (self->progressId >= 0) {
            if ((self->options & OPTION_SHOW_BAR) != 0) {
                self->progressBar.attach(window, self->progressId);
                self->progressBar.setRange(self->barMin, self->barMax);
                self->progressBar.setPos(self->barPos);
            } else {
                ShowWindow(GetDlgItem(window, self->progressId), SW_HIDE);
            }
        }
        self->progressBar.setStep(1);
        if ((self->options & OPTION_NO_CANCEL) != 0) EnableWindow(GetDlgItem(window, IDC_PROGRESS_CANCEL), FALSE);
        self->centreOnParent(-1, -1, false);
        return TRUE;
    }
    case WM_COMMAND: {
        // The Cancel button, Escape and the close box all arrive as id 2.
        UxProgressDialog* self = fromWindow(window);
        if (LOWORD(wParam) == IDC_PROGRESS_CANCEL && self != nullptr && (self->options & OPTION_NO_CANCEL) == 0) {
            self->cancelRequested = true;
            // Heard at once: the cabinet ends at its next file.
            if (self->cancellable != nullptr) self->cancellable->requestCancel();
            EnableWindow(GetDlgItem(window, IDC_PROGRESS_CANCEL), FALSE);
        }
        return 0;
    }
    case WM_SYSCOMMAND:
        // The close box counts as Cancel; only the owner closes the window.
        if ((wParam & 0xFFF0) == SC_CLOSE) {
            SendMessageA(window, WM_COMMAND, MAKEWPARAM(IDC_PROGRESS_CANCEL, BN_CLICKED), 0);
            SetWindowLongPtrA(window, DWLP_MSGRESULT, 0);
            return TRUE;
        }
        return 0;
    case WM_CLOSE: DestroyWindow(window); return 0;
    default: return 0;
    }
}

namespace {
DWORD SystemTick() { return GetTickCount(); }
}  // namespace

UxProgressDisplay::UxProgressDisplay(UxProgressDialog& dialog, unsigned long long totalBytes, TickSource ticks)
    : dialog_(dialog), totalBytes_(totalBytes), ticks_(ticks != nullptr ? ticks : SystemTick), startTick_(ticks_()),
      remainingTick_(startTick_), cancelling_(false) {}

UxProgressDisplay::~UxProgressDisplay() {}

void UxProgressDisplay::show(const SNAPSHOT_& status) {
    if (!cancelling_ && status.statusText != shownText_) {
        shownText_ = status.statusText;
        dialog_.setStatusText(shownText_);
    }
    // The file being written counts with the size it has reached; the query
    // opens nothing, so the writer is never disturbed.
    unsigned long long bytes = status.doneBytes;
    WIN32_FILE_ATTRIBUTE_DATA data;
    if (!status.writingPath.empty() && GetFileAttributesExW(status.writingPath.c_str(), GetFileExInfoStandard, &data))
        bytes += (static_cast<unsigned long long>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
    showBar(bytes);
    showRemaining(bytes);
}

// Rounded down, so the end is reached only when every byte is written.
void UxProgressDisplay::showBar(unsigned long long bytes) {
    UxProgressCtrl& bar = dialog_.progressBar;
    if (bar.controlWindow == nullptr) return;
    unsigned long long span = static_cast<unsigned long long>(bar.rangeMax - bar.rangeMin);
    int target = bar.rangeMax;
    // Without overflow: the bytes are scaled down until the product fits.
    if (bytes < totalBytes_) {
        unsigned long long done = bytes, total = totalBytes_;
        while (total > (~0ull) / (span + 1)) {
            done >>= 1;
            total >>= 1;
        }
        target = bar.rangeMin + static_cast<int>(done * span / total);
        if (target >= bar.rangeMax) target = bar.rangeMax - 1;
    }
    if (target > bar.getPos()) bar.setPos(target);
}

void UxProgressDisplay::showRemaining(unsigned long long bytes) {
    if (bytes == 0 || bytes >= totalBytes_) return;
    DWORD now = ticks_();
    unsigned elapsed = now - startTick_;
    // The estimate in seconds: total / bytes of the time so far, in
    // floating point (a product of bytes and milliseconds can pass 64 bits).
    double estimatedTotalS = static_cast<double>(totalBytes_) / static_cast<double>(bytes) * (elapsed / 1000.0);
    unsigned elapsedS = elapsed / 1000;
    unsigned long long estimate = static_cast<unsigned long long>(estimatedTotalS);
    if (!(estimate > elapsedS && elapsedS > 30 && now - remainingTick_ >= 1000)) return;
    remainingTick_ = now;
    FCString text;
    unsigned long long left = estimate - elapsedS;
    formatRemaining(text, left > 0xFFFFFFFFull ? 0xFFFFFFFFu : static_cast<unsigned>(left));
    SetDlgItemText932(dialog_.windowHandle, IDC_PROGRESS_REMAINING, text.text());
}

void UxProgressDisplay::formatRemaining(FCString& out, unsigned remainingSeconds) {
    unsigned minutes = remainingSeconds / 60, seconds = remainingSeconds % 60;
    out.assignFrom("残り ");
    if (minutes > 0) {
        out.appendNumber(minutes);
        out.append("分 ");
    }
    out.appendNumber(seconds);
    out.append("秒");
}

void UxProgressDisplay::showCancelling() {
    cancelling_ = true;
    dialog_.setStatusText("中止しています。書き込み中のファイルを書き終えてから止まります...");
}
