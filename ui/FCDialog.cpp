#include "ui/FCDialog.h"
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

INT_PTR CALLBACK FCDialogBase::guardedProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    // The dialog's user slot is the one place a window keeps its object: set
    // here at the first message, and by attachWindow for the same object.
    FCDialogBase* self = reinterpret_cast<FCDialogBase*>(GetWindowLongPtrA(window, DWLP_USER));
    if (self == nullptr) {
        self = t_pendingDialog;
        if (self == nullptr) return FALSE;
        SetWindowLongPtrA(window, DWLP_USER, reinterpret_cast<LONG_PTR>(self));
        t_pendingDialog = nullptr;
    }
    if (self->dialogProc == nullptr) return FALSE;
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
    textBuffer.clear();
    FCHeapBlock buffer(FCHeap::malloc(kTextBuffer, 0));
    if (buffer.bytes() == nullptr) ThrowNotEnoughMemory("FCDialog - text");
    buffer.bytes()[0] = '\0';
    UINT n = GetDlgItemTextA(windowHandle, controlId, buffer.bytes(), kTextBuffer - 1);
    if (n == 0) return textBuffer;
    if (n >= static_cast<UINT>(kTextBuffer - 1)) n = kTextBuffer - 2;
    buffer.bytes()[n] = '\0';
    if (n == static_cast<UINT>(kTextBuffer - 2)) {
        // A text cut at the buffer's end may end in half a double-byte character.
        char* last = const_cast<char*>(Mbcs::Prev(buffer.bytes(), buffer.bytes() + n));
        if (last + 1 == buffer.bytes() + n && Mbcs::IsLead(static_cast<unsigned char>(*last))) *last = '\0';
    }
    textBuffer.assignFrom(buffer.bytes());
    return textBuffer;
}

int FCDialogBase::controlAtPoint(const FCDropFiles& drop) {
    HWND child = ChildWindowFromPoint(windowHandle, drop.dropPoint);
    if (child == nullptr || child == windowHandle) return 0;
    return GetDlgCtrlID(child);
}

int FCDialogBase::dropIntoControls(FCDropFiles& drop, const int* idList, const char* extension) {
    const char* file = drop.nextFile();
    if (file == nullptr) return 0;
    FCString value(file);
    if (extension != nullptr) {
        FCPathName name(file);
        if (!name.hasExtension(extension)) return 0;
        value.assignFrom(name.path);
    }
    int target = controlAtPoint(drop);
    int matched = 0;
    for (const int* id = idList; id != nullptr && *id != -1; ++id) {
        if (*id == target && target != 0) {
            SetDlgItemTextA(windowHandle, *id, value.text());
            matched = *id;
        }
    }
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

void FCDialogBase::moveRelativeToParent(int x, int y, int width, int height, bool keepOnMonitor) {
    RECT w, p;
    GetWindowRect(windowHandle, &w);
    HWND parent = GetParent(windowHandle);
    GetWindowRect(parent != nullptr ? parent : GetDesktopWindow(), &p);
    if (width <= 0) width = w.right - w.left;
    if (height <= 0) height = w.bottom - w.top;
    placeWindow(p.left + x, p.top + y, width, height, keepOnMonitor, false);
}

INT_PTR FCDialog::runWith(DLGPROC proc, LPARAM param) {
    setProcedure(ownerWindow, proc, param);
    return doModal();
}

INT_PTR FCDialog::runWithOwner(HWND owner, DLGPROC proc, LPARAM param) {
    setProcedure(owner, proc, param);
    return doModal();
}

INT_PTR FCDialog::doModal() {
    pendingException = nullptr;
    expectWindow(this);
    INT_PTR result = DialogBoxParamA(GetModuleHandleA(nullptr), templateId, ownerWindow, guardedProc,
                                     reinterpret_cast<LPARAM>(this));
    expectWindow(nullptr);
    rethrowPending();
    return result;
}

void FCDialog::attachWindow(HWND window) {
    windowHandle = window;
    userData = createParam;
    SetWindowLongPtrA(window, DWLP_USER, reinterpret_cast<LONG_PTR>(static_cast<FCDialogBase*>(this)));
}

FCDialog* FCDialog::fromWindow(HWND window) {
    // Only FCDialog objects run dialogs whose procedures ask for one.
    return static_cast<FCDialog*>(reinterpret_cast<FCDialogBase*>(GetWindowLongPtrA(window, DWLP_USER)));
}

void FCDialog::abandonWindow(HWND window) { EndDialog(window, -1); }

HWND FCModelessDialog::createWindow() {
    pendingException = nullptr;
    expectWindow(this);
    HWND window = CreateDialogParamA(GetModuleHandleA(nullptr), templateId, ownerWindow, guardedProc,
                                     reinterpret_cast<LPARAM>(this));
    expectWindow(nullptr);
    return window;
}

void FCModelessDialog::abandonWindow(HWND window) { DestroyWindow(window); }
