// The dialog classes over resource templates. Every dialog procedure runs
// behind a guard: an exception thrown inside it is caught at the window
// system's boundary, the dialog is ended, and the exception is thrown again
// once the system has returned (a C++ exception must never unwind through
// the system's frames; on i686 that ends the process).
#pragma once
#include "foundation/FCHandle.h"
#include "foundation/FCString.h"
#include "foundation/FCXList.h"
#include <windows.h>
#include <exception>
#include <string>

class FCDropFiles;

class FCDialogBase {
public:
    // A control's position record; nothing in the tool fills one.
    struct POS_ {
        int controlId;
        RECT rect;
    };

    explicit FCDialogBase(int templateId);
    virtual ~FCDialogBase();
    FCDialogBase(const FCDialogBase&) = delete;
    FCDialogBase& operator=(const FCDialogBase&) = delete;

    void setProcedure(HWND owner, DLGPROC proc, LPARAM param);
    // The control's text, valid until the next call on this dialog.
    const FCString& text(int controlId);
    int controlAtPoint(const FCDropFiles& drop);
    // idList ends with -1; extension (without the dot) may be null. The
    // path set, as the shell gave it, comes back in dropped.
    int dropIntoControls(FCDropFiles& drop, const int* idList, const wchar_t* extension, std::wstring& dropped);
    void centreOnParent(int x, int y, bool keepOnMonitor);

    // Throws what a guarded procedure of this dialog caught, if anything.
    void rethrowPending();

    HWND windowHandle;
    LPCSTR templateId;
    HWND ownerWindow;
    LPARAM createParam;
    DLGPROC dialogProc;
    FCString textBuffer;
    FCXList<POS_> positions;
    std::exception_ptr pendingException;

protected:
    // The procedure handed to the window system: finds the object, calls
    // dialogProc inside a try block.
    static INT_PTR CALLBACK guardedProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    // Marks the object whose window is about to be created on this thread.
    static void expectWindow(FCDialogBase* dialog);
    // Ends the window after a caught exception (modal or modeless).
    virtual void abandonWindow(HWND window) = 0;

private:
    void placeWindow(LONG left, LONG top, LONG width, LONG height, bool keepOnMonitor, bool workArea);
    void useJapaneseFont(HWND window);

    // The template's font with the Japanese character set, where the
    // system's code page is another: kept for as long as the window.
    FCGdiObject japaneseFont_;
};

template <>
inline bool FCXListEqual<FCDialogBase::POS_>(const FCDialogBase::POS_& a, const FCDialogBase::POS_& b) {
    return a.controlId == b.controlId;
}

class FCDialog : public FCDialogBase {
public:
    explicit FCDialog(int templateId) : FCDialogBase(templateId), userData(0) {}
    ~FCDialog() override {}

    virtual INT_PTR doModal();
    void attachWindow(HWND window);
    // The dialog object a procedure attached with attachWindow.
    static FCDialog* fromWindow(HWND window);

    LPARAM userData;

protected:
    void abandonWindow(HWND window) override;
};

class FCModelessDialog : public FCDialogBase {
public:
    // Each lives on the thread that made it, which finds it by its keys
    // (eight at a time; more go without them).
    explicit FCModelessDialog(int templateId);
    ~FCModelessDialog() override;

    // True when message was a key of one of this thread's modeless dialogs
    // and was handled as such (IsDialogMessageW): not to be dispatched.
    static bool takeDialogMessage(MSG& message);

protected:
    // CreateDialogParamA behind the guard; the derived class calls it.
    HWND createWindow();
    void abandonWindow(HWND window) override;
};
