// The main window of kelpex (template 138): the face a user runs through.
// It reads the configuration and the series at start-up, composes the
// destination from the field and the boxes, and starts a Run, whose
// progress, questions and outcome it shows.
#pragma once
#include "app/CommandLine.h"
#include "app/Configuration.h"
#include "app/RunRequest.h"
#include "app/UxRun.h"
#include "config/UxQcf.h"
#include "res/MainDialogIds.h"
#include "ui/FCDialog.h"
#include "ui/Markup.h"
#include <memory>
#include <string>
#include <windows.h>
#include <shellapi.h>

class RunLog;

class UxMainWindow;

// What a Run shows and asks through the main window.
class UxWindowFace : public UxRunFace {
public:
    explicit UxWindowFace(UxMainWindow& window) : window_(window) {}
    HWND owner() const override;
    void say(const UxMarkedText& text) override;
    bool confirm(const UxMarkedText& question, const char* title) override;
    int askInUse(const UxMarkedText& question, HANDLE cancelled) override;
    void handedOver() override;

private:
    UxMainWindow& window_;
};

// Owned by whoever shows it (the entry, a test); everything it holds is
// read and written by the user-interface thread alone.
class UxMainWindow : public FCDialog {
public:
    // folder: the tool's, ending in a separator, where kelpex.qcf and the
    // series lie. line: what a script or the hand-over asked for.
    UxMainWindow(const std::wstring& folder, const COMMAND_LINE_& line, RunLog& log,
                 UxRunPlatform& platform = SystemPlatform());
    ~UxMainWindow() override;

    // The outcome of the last Run, or why none could start; taken: the
    // window keeps none.
    const RunOutcome& outcome() const { return outcome_; }
    RunOutcome takeOutcome() { return std::move(outcome_); }
    // What start-up read; null before the window is made.
    const std::shared_ptr<const MainConfiguration>& configuration() const { return configuration_; }
    bool running() const { return run_ != nullptr; }

    // The window's procedure; the object comes with WM_INITDIALOG.
    static INT_PTR CALLBACK procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

private:
    void start(HWND window);
    void showStartProblem();
    void showDestination();
    RunRequest requestFromWindow() const;
    void run();
    void browse();
    void dropFiles(HDROP handle);
    void exit();
    bool command(int id, int code);

    const std::wstring folder_;
    const COMMAND_LINE_ line_;
    RunLog& log_;
    UxRunPlatform& platform_;
    UxQcf store_;
    std::shared_ptr<const MainConfiguration> configuration_;
    // What the command line or the hand-over asks to be run at once (mode
    // RUN_WINDOW with an empty destination: nothing).
    RunRequest startRequest_;
    RunOutcome outcome_;
    UxRun* run_ = nullptr;  // the Run going on, owned by run()'s frame
    bool closeAfterRun_ = false;  // Exit during a Run: the window ends with it
};

// The folder of the executable as Windows gives it, ending in a separator.
std::wstring ApplicationFolder();

// Shows a text in a window's message area, its markup read and its
// literals (paths, names) shown exactly.
void ShowMarked(HWND window, const UxMarkedText& text);
