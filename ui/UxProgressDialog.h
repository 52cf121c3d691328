// The modeless progress dialog (template 116): status line, bar, remaining
// time and Cancel, kept alive by the user-interface thread's pump while the
// extraction goes on elsewhere.
#pragma once
#include "foundation/FCString.h"
#include "res/ProgressDialogIds.h"
#include "ui/FCDialog.h"
#include <windows.h>
#include <string>

class UxProgressCtrl {
public:
    UxProgressCtrl() : controlWindow(nullptr), step(1), rangeMin(0), rangeMax(100) {}
    virtual ~UxProgressCtrl() {}

    void attach(HWND dialog, int id);
    void setRange(int minimum, int maximum);
    void setStep(int n);
    void setPos(int n);
    int getPos();
    bool stepIt();

    HWND controlWindow;
    int step;
    int rangeMin;
    int rangeMax;
};

// What the dialog's Cancel stops: told at once, on the dialog's thread.
class UxCancellable {
public:
    virtual ~UxCancellable() = default;
    virtual void requestCancel() = 0;
};

class UxProgressDialog : public FCModelessDialog {
public:
    enum : unsigned { OPTION_SHOW_BAR = 1, OPTION_NO_CANCEL = 2 };

    explicit UxProgressDialog(int templateId = IDD_PROGRESS);
    ~UxProgressDialog() override;

    void configureProgress(int id, bool show, int position, int minimum, int maximum);
    void show(HWND parent, bool allowCancel);
    // Drains the thread's queue without waiting; throws what a guarded
    // procedure caught meanwhile.
    void pumpMessages();
    // The dialog a window of this class belongs to, or null.
    static UxProgressDialog* fromWindow(HWND window);
    void setStatusText(const char* text);
    // A name below the destination, as Windows gives it.
    void setStatusText(const std::wstring& text);

    bool cancelRequested;
    // Told of Cancel at once; null: nobody.
    UxCancellable* cancellable = nullptr;
    bool isOpen;
    bool visible = true;  // false: the dialog runs, but is never shown
    UxProgressCtrl progressBar;
    FCString caption;
    FCString statusText;
    int progressId;
    int statusId;
    int barMin;
    int barMax;
    int barPos;
    unsigned options;

    static INT_PTR CALLBACK progressDialogProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
};

// Shows an extraction's status in the progress dialog, on the
// user-interface thread, each time it is called (every display interval):
// the file being written, the bar as the share of the total bytes written
// (inside a file being written from the size it has reached on disk), and
// the remaining time once the Run has gone on for half a minute, at most
// once a second. The bar never moves back and reaches its end with the
// total's last byte, not before.
class UxProgressDisplay {
public:
    // What the work has reached, as the thread doing it last said.
    struct SNAPSHOT_ {
        // The file being written, by its name below the destination; after
        // a cabinet, the cabinet's own name.
        std::wstring statusText;
        // Where the current file is being written; empty between files.
        std::wstring writingPath;
        unsigned long long doneBytes = 0;  // of the files finished
    };
    typedef DWORD (*TickSource)();
    enum { INTERVAL_MS = 250 };
    // The bar's range, 0 to BAR_STEPS, whatever the total.
    enum { BAR_STEPS = 10000 };

    // totalBytes: all the Run will write. ticks: the clock of the remaining
    // time (GetTickCount unless a test gives its own); it starts now.
    UxProgressDisplay(UxProgressDialog& dialog, unsigned long long totalBytes, TickSource ticks = nullptr);
    virtual ~UxProgressDisplay();

    void show(const SNAPSHOT_& status);
    // Cancel was asked for: said at once, and the file names stop.
    void showCancelling();
    // "残り 2分 5秒": the remaining-time text for a number of seconds.
    static void formatRemaining(FCString& out, unsigned remainingSeconds);

private:
    void showBar(unsigned long long bytes);
    void showRemaining(unsigned long long bytes);

    UxProgressDialog& dialog_;
    unsigned long long totalBytes_;
    TickSource ticks_;
    DWORD startTick_;
    DWORD remainingTick_;  // when the remaining time was last shown
    bool cancelling_;
    std::wstring shownText_;
};
