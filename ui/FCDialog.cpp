#include "ui/FCDialog.h"
#include "foundation/WideText.h"
#include "foundation/Diagnostic.h"
#include "foundation/FCHeap.h"
#include "foundation/Mbcs.h"
#include "fs/FCPathName.h"
#include "ui/FCDropFiles.h"
#include "ui/FCRect.h"

namespace {
const int kTextBuffer = 65536;

// The dialog whose window the current thread is creating. Unavoidable: the
// system sends WM_SETFONT before WM_INITDIALOG brings the object in lParam,
// and those first messages find it only here.
thread_local FCDialogBase* t_pendingDialog = nullptr;
}  // namespace

FCDialogBase::FCDialogBase(int id)
    : windowHandle(nullptr), templateId(MAKEINTRESOURCEA(id & 0xFFFF)), ownerWindow(nullptr), createParam(0),
      dialogProc(nullptr) {}

FCDialogBase::~FCDialogBase() {}

void FCDialogBase::setProcedure(HWND owner, DLGPROC proc, LPARAM param) {
    ownerWindow = owner;
    dialogProc = proc;
    createParam = param;
}

void FCDialogBase::expectWindow(FCDialogBase* dialog) { t_pendingDialog = dialog; }

namespace {
// WM_DPICHANGED, which the headers for Windows 7 do not name.
const UINT kDpiChanged = 0x02E0;

// A window moved to a monitor of another DPI takes the size and place the
// system suggests; the templates' controls and fonts scale themselves.
INT_PTR TakeSuggestedRect(HWND window, LPARAM lParam) {
    const RECT* r = reinterpret_cast<const RECT*>(lParam);
    if (r == nullptr) return FALSE;
    SetWindowPos(window, nullptr, r->left, r->top, r->right - r->left, r->bottom - r->top,
                 SWP_NOZORDER | SWP_NOACTIVATE);
    return TRUE;
}
}  // namespace

namespace {
BOOL CALLBACK SetChildFont(HWND child, LPARAM font) {
    SendMessageW(child, WM_SETFONT, static_cast<WPARAM>(font), FALSE);
    return TRUE;
}
}  // namespace

// The templates name a Japanese font, which a system of another code page
// may replace with one that has no Japanese characters: the same font with
// the Japanese character set makes the system choose one that has them.
void FCDialogBase::useJapaneseFont(HWND window) {
    if (GetACP() == 932) return;
    HFONT current = reinterpret_cast<HFONT>(SendMessageW(window, WM_GETFONT, 0, 0));
    LOGFONTW font = {};
    if (current == nullptr || GetObjectW(current, sizeof font, &font) == 0) return;
    font.lfCharSet = SHIFTJIS_CHARSET;
    japaneseFont_.reset(CreateFontIndirectW(&font));
    if (!japaneseFont_.valid()) return;
    SendMessageW(window, WM_SETFONT, reinterpret_cast<WPARAM>(japaneseFont_.get()), FALSE);
    EnumChildWindows(window, SetChildFont, reinterpret_cast<LPARAM>(japaneseFont_.get()));
}

INT_PTR CALLBACK FCDialogBase::guardedProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    // The dialog's user slot is the one place a window keeps its object: set
    // here at the first message, and by attachWindow for the same object.
    FCDialogBase* self = reinterpret_cast<FCDialogBase*>(GetWindowLongPtrW(window, DWLP_USER));
    if (self == nullptr) {
        self = t_pendingDialog;
        if (self == nullptr) return FALSE;
        SetWindowLongPtrW(window, DWLP_USER, reinterpret_cast<LONG_PTR>(self));
        t_pendingDialog = nullptr;
    }
    if (self->dialogProc == nullptr) return FALSE;
    if (message == WM_INITDIALOG) self->useJapaneseFont(window);
    if (self->pendingException) return FALSE;  // the dialog is being ended
    try {
        INT_PTR handled = self->dialogProc(window, message, wParam, lParam);
        if (!handled && message == kDpiChanged) return TakeSuggestedRect(window, lParam);
        return handled;
    } catch (...) {
        self->pendingException = std::current_exception();
        self->abandonWindow(window);
        return FALSE;
    }
}

void FCDialogBase::rethrowPending() {
    if (!pendingException) return;
    std::exception_ptr pending = pendingException;
    pendingException = nullptr;
    std::rethrow_exception(pending);
}

const FCString& FCDialogBase::text(int controlId) {
    std::string text = WindowText932(GetDlgItem(windowHandle, controlId));
    // At most the buffer the dialog has always read into, cut between
    // characters.
    text.resize(Mbcs::BoundedLength(text.c_str(), static_cast<size_t>(kTextBuffer - 2)));
    textBuffer.assignFrom(text.c_str());
    return textBuffer;
}

int FCDialogBase::controlAtPoint(const FCDropFiles& drop) {
    HWND child = ChildWindowFromPoint(windowHandle, drop.dropPoint);
    if (child == nullptr || child == windowHandle) return 0;
    return GetDlgCtrlID(child);
}

int FCDialogBase::dropIntoControls(FCDropFiles& drop, const int* idList, const wchar_t* extension,
                                   std::wstring& dropped) {
    std::wstring file;
    if (!drop.nextFile(file)) return 0;
    if (extension != nullptr) {
        FCPathName name(file);
        if (!name.hasExtension(extension)) return 0;
        file = name.path;
    }
    int target = controlAtPoint(drop);
    int matched = 0;
    for (const int* id = idList; id != nullptr && *id != -1; ++id) {
        if (*id == target && target != 0) {
            SetDlgItemTextW(windowHandle, *id, file.c_str());
            matched = *id;
        }
    }
    dropped = file;
    return matched;
}

void FCDialogBase::placeWindow(LONG left, LONG top, LONG width, LONG height, bool keepOnMonitor, bool workArea) {
    if (keepOnMonitor) {
        FCRect wanted(left, top, left + width, top + height);
        wanted.normalize();
        RECT r = wanted.toRect();
        HMONITOR monitor = MonitorFromRect(&r, MONITOR_DEFAULTTOPRIMARY);
        MONITORINFOEXA info;
        info.cbSize = sizeof info;
        if (GetMonitorInfoA(monitor, &info)) {
            wanted.keepInside(workArea ? info.rcWork : info.rcMonitor);
            left = wanted.left;
            top = wanted.top;
        }
    }
    MoveWindow(windowHandle, left, top, width, height, FALSE);
}

void FCDialogBase::centreOnParent(int x, int y, bool keepOnMonitor) {
    RECT w, p;
    GetWindowRect(windowHandle, &w);
    HWND parent = GetParent(windowHandle);
    GetWindowRect(parent != nullptr ? parent : GetDesktopWindow(), &p);
    LONG width = w.right - w.left, height = w.bottom - w.top;
    LONG left = (x == -1) ? p.left + ((p.right - p.left) - width) / 2 + 4 : p.left + x + 4;
    left &= ~7L;  // two's complement: negative values move further left
    LONG top = (y == -1) ? p.top + ((p.bottom - p.top) - height) / 2 : p.top + y;
    placeWindow(left, top, width, height, keepOnMonitor, true);
}

INT_PTR FCDialog::doModal() {
    pendingException = nullptr;
    expectWindow(this);
    INT_PTR result = DialogBoxParamW(GetModuleHandleW(nullptr), reinterpret_cast<LPCWSTR>(templateId), ownerWindow,
                                     guardedProc, reinterpret_cast<LPARAM>(this));
    expectWindow(nullptr);
    rethrowPending();
    return result;
}

void FCDialog::attachWindow(HWND window) {
    windowHandle = window;
    userData = createParam;
    SetWindowLongPtrW(window, DWLP_USER, reinterpret_cast<LONG_PTR>(static_cast<FCDialogBase*>(this)));
}

FCDialog* FCDialog::fromWindow(HWND window) {
    // Only FCDialog objects run dialogs whose procedures ask for one.
    return static_cast<FCDialog*>(reinterpret_cast<FCDialogBase*>(GetWindowLongPtrW(window, DWLP_USER)));
}

void FCDialog::abandonWindow(HWND window) { EndDialog(window, -1); }

namespace {
// The modeless dialogs of this thread, for their keys: a few at most (the
// progress dialog), kept in plain slots a thread needs nothing to clean up.
const int kModelessSlots = 8;
thread_local FCModelessDialog* t_modeless[kModelessSlots];
}  // namespace

FCModelessDialog::FCModelessDialog(int templateId) : FCDialogBase(templateId) {
    for (FCModelessDialog*& slot : t_modeless) {
        if (slot != nullptr) continue;
        slot = this;
        return;
    }
}

FCModelessDialog::~FCModelessDialog() {
    for (FCModelessDialog*& slot : t_modeless)
        if (slot == this) slot = nullptr;
}

bool FCModelessDialog::takeDialogMessage(MSG& message) {
    for (FCModelessDialog* dialog : t_modeless) {
        HWND window = dialog != nullptr ? dialog->windowHandle : nullptr;
        if (window != nullptr && IsWindow(window) && IsDialogMessageW(window, &message)) return true;
    }
    return false;
}

HWND FCModelessDialog::createWindow() {
    pendingException = nullptr;
    expectWindow(this);
    HWND window = CreateDialogParamW(GetModuleHandleW(nullptr), reinterpret_cast<LPCWSTR>(templateId), ownerWindow,
                                     guardedProc, reinterpret_cast<LPARAM>(this));
    expectWindow(nullptr);
    return window;
}

void FCModelessDialog::abandonWindow(HWND window) { DestroyWindow(window); }
