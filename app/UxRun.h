// A Run: one object from the request to the exit code. It checks the
// destination, offers to create it, extracts every archive of the series
// on a thread of its own, and owns everything it decides and produces: the
// verdicts, the written and skipped files, each cabinet's counts, the
// outcome's text, the exit code and whether the log may be written. It
// shows and asks through a face: the main window, or the unattended start.
#pragma once
#include "app/RunRequest.h"
#include "cab/UxExtractionStatus.h"
#include "fs/WriteProbe.h"
#include "ui/Markup.h"
#include <windows.h>
#include <string>
#include <vector>

class RunLog;

// What a Run shows and asks, through whoever started it. Called on the
// user-interface thread only.
class UxRunFace {
public:
    virtual ~UxRunFace() = default;
    // The window the Run's dialogs belong to; null: none.
    virtual HWND owner() const = 0;
    // The Run's latest word (the window's message area).
    virtual void say(const UxMarkedText& text) = 0;
    // Yes or No; never asked of a Run with nobody there.
    virtual bool confirm(const UxMarkedText& question, const char* title) = 0;
    // A file another program holds or the system refuses: IDRETRY,
    // IDIGNORE (skip) or IDABORT; ended with IDABORT once cancelled is set.
    virtual int askInUse(const UxMarkedText& question, HANDLE cancelled) = 0;
    // The Run went to a kelpex started as administrator: this face ends.
    virtual void handedOver() = 0;
};

// What a Run asks of the system that a test answers in its place: the one
// point where anything is injected.
class UxRunPlatform : public UxExtractionStatus::HolderQuery {
public:
    virtual bool isElevated();
    virtual DWORD probe(const std::wstring& folder, ProbeKind kind);
    // The program a hand-over starts as administrator.
    virtual std::wstring program();
    // holders(path): the programs that hold a file.
    // Told the extracting thread's id once it runs.
    virtual void workerStarted(DWORD threadId);
};

// The system's own answers.
UxRunPlatform& SystemPlatform();

// The outcome of a start-up that could not use the series: why, and the
// exit code that says so (1 when the log named one of its files, which is
// then left as it was).
RunOutcome StartProblemOutcome(const MainConfiguration& configuration);

// Makes path and every folder above it that is missing; true when it made
// path itself.
bool CreateFolderPath(const std::wstring& path);

class UxRun {
public:
    // The log is the process's, held since the start: the Run judges it
    // against its files and lets go of it for a hand-over.
    UxRun(const RunRequest& request, UxRunFace& face, RunLog& log, UxRunPlatform& platform);
    virtual ~UxRun();
    UxRun(const UxRun&) = delete;
    UxRun& operator=(const UxRun&) = delete;

    // Runs the request once; the outcome holds what it did.
    void run();
    // Cancel, from any window of the user-interface thread: the extracting
    // thread and any question put meanwhile see it at once.
    void cancel();
    bool cancelled() const { return status_.cancelRequested(); }
    const RunOutcome& outcome() const { return outcome_; }
    // Once the Run is over: what it did, handed on whole.
    RunOutcome takeOutcome() { return std::move(outcome_); }
    const RunRequest& request() const { return request_; }

private:
    enum Result { RESULT_SUCCESS, RESULT_ERROR, RESULT_CANCELLED };

    void say(const UxMarkedText& text);
    void sayWithPath(const char* head, const std::wstring& path);
    bool checkLog();
    bool checkFolderNames();
    bool checkDestination();
    void refuseUnwritable(const std::wstring& folder);
    bool handOver(const std::wstring& folder);
    bool ensureFolder();
    Result extractAll(std::wstring& errorDetail);
    void answerQuestion();
    void report(Result result, const std::wstring& errorDetail);
    void removeProbes();

    const RunRequest request_;
    UxRunFace& face_;
    RunLog& log_;
    UxRunPlatform& platform_;
    UxExtractionStatus status_;  // shared with the extracting thread
    RunOutcome outcome_;
};
