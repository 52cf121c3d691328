// The modeless progress dialog (template 116): status line, bar, remaining
// time and Cancel, kept alive by pumpMessages from inside the extraction.
#pragma once
#include "foundation/FCString.h"
#include "cab/UxExtractionStatus.h"
#include "res/ProgressDialogIds.h"
#include "ui/FCDialog.h"
#include <windows.h>

class UxProgressCtrl {
public:
    UxProgressCtrl() : dialogWindow(nullptr), controlWindow(nullptr), step(1), rangeMin(0), rangeMax(100) {}
    virtual ~UxProgressCtrl() {}

    void attach(HWND dialog, int id);
    void setRange(int minimum, int maximum);
    void setStep(int n);
    void setPos(int n);
    int getPos();
    bool stepIt();

    HWND dialogWindow;
    HWND controlWindow;
    int step;
    int rangeMin;
    int rangeMax;
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
    void setStatusText(const char* text);

    bool cancelRequested;
    bool isOpen;
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

// The dialog whose window exists, or null.
extern UxProgressDialog* currentProgressDialog;

// Shows an extraction's status in the progress dialog, on the
// user-interface thread, each time it is called (every display interval):
// the file being written, the bar in megabytes (inside a file being written
// from the size it has reached on disk), and the remaining time once the
// Run has gone on for half a minute, at most once a second. The bar never
// moves back and never passes the configured total.
class UxProgressDisplay {
public:
    typedef DWORD (*TickSource)();
    enum { INTERVAL_MS = 250 };

    // ticks: the clock of the remaining time (GetTickCount unless a test
    // gives its own); it starts now.
    UxProgressDisplay(UxProgressDialog& dialog, unsigned totalMegabytes, TickSource ticks = nullptr);
    virtual ~UxProgressDisplay();

    void show(const UxExtractionStatus::SNAPSHOT_& status);
    // Cancel was asked for: said at once, and the file names stop.
    void showCancelling();

private:
    void showBar(unsigned megabytes);
    void showRemaining(unsigned megabytes);

    UxProgressDialog& dialog_;
    unsigned totalMegabytes_;
    TickSource ticks_;
    DWORD startTick_;
    DWORD remainingTick_;  // when the remaining time was last shown
    unsigned cabinets_;
    bool cancelling_;
    FCString shownText_;
};
