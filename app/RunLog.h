// The log a script asks for with /log. Opened at the start and held with no
// one else writing, so that no other kelpex writes it meanwhile and it is
// known by its identity, not its spelling; written once, at the end, for
// every exit code.
#pragma once
#include "app/Configuration.h"
#include "app/RunRequest.h"
#include "foundation/FCHandle.h"
#include "fs/PathCompare.h"
#include <string>
#include <vector>

class RunLog {
public:
    RunLog() = default;
    virtual ~RunLog() = default;
    RunLog(const RunLog&) = delete;
    RunLog& operator=(const RunLog&) = delete;

    // Opens path (absolute) for writing without changing what it holds: 0,
    // or the system's error (ERROR_SHARING_VIOLATION: another kelpex holds
    // it).
    DWORD open(const std::wstring& path);
    bool isOpen() const { return file_.valid(); }
    // The handle it is held by (null when closed), for the crash report,
    // which has no heap to open it with.
    HANDLE handle() const { return file_.valid() ? file_.get() : nullptr; }
    const std::wstring& path() const { return path_; }
    // True when path names this log, however it is spelt.
    bool names(const std::wstring& path) const;
    // True when one of names (relative to folder) is this log. Only a name
    // whose last part is the log's, as given or in its long or short form,
    // is looked at on disk.
    bool isAmong(const std::wstring& folder, const std::vector<std::wstring>& names) const;
    // Replaces what it holds with text, as UTF-8.
    bool write(const std::wstring& text);
    // Lets go without writing; a file this process made is removed (keep:
    // it stays, for a kelpex that writes it next).
    void close(bool keep);

private:
    FCHandle file_;
    std::wstring path_;
    FILE_IDENTITY_ identity_;
    std::vector<std::wstring> lastNames_;  // its name, long and short
    bool made_ = false;
};

// The /log path made absolute as Windows reads it; empty without one.
std::wstring LogPath(const COMMAND_LINE_& line);

// True when a log at path would write over what kelpex must never touch:
// the tool itself, its configuration, or a cabinet (any file that holds
// one, and any name ending in .cab beside the tool). Judged before the log
// is opened, on every way out, a faulty command line's included.
bool LogWouldDamage(const std::wstring& path, const std::wstring& toolFolder);

// What the window and the exit code's reason say of such a log.
extern const char* const kLogIsAFileOfTheRun;

// Why the system refused a file, in its own words: "5:<the system's text>".
std::wstring RefusalShown(DWORD code);

// What the log says of an outcome: the exit code, the destination, each
// cabinet's outcome, the text the window shows, and every file written.
// Without a configuration (none was read), no cabinet is listed.
std::wstring RunLogText(const RunOutcome& outcome, const MainConfiguration* configuration);
