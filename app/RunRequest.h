// What a Run is asked to do, whoever asks (the window, the command line,
// the hand-over to an administrator), and what it leaves for the exit code
// and the log.
#pragma once
#include "app/CommandLine.h"
#include "app/Configuration.h"
#include "foundation/FCString.h"
#include "ui/Markup.h"
#include <memory>
#include <string>
#include <vector>

enum RunMode {
    RUN_WINDOW,  // the user pressed Run (or /run did)
    RUN_PASSIVE,  // nobody asked; only the progress dialog shows
    RUN_QUIET,  // nobody asked; no window at all
    RUN_HANDED_OVER,  // a kelpex without the rights handed it to this one, started as administrator
};

// One request, a value: the Run, its checks and the hand-over take nothing
// else.
struct RunRequest {
    // Absolute and ending in a separator, exactly as the destination line
    // composes it; empty: no request.
    std::wstring destination;
    bool maker = false, app = false;  // the sub-folder boxes, as ticked
    RunMode mode = RUN_WINDOW;
    std::wstring log;  // absolute; empty: none
    // The series the Run extracts: the tool's folder (ending in a
    // separator) and what start-up read there.
    std::wstring folder;
    std::shared_ptr<const MainConfiguration> configuration;
    bool unattended() const { return mode == RUN_PASSIVE || mode == RUN_QUIET; }
};

// The request a command line makes, once the configuration is known: the
// destination composed as the window would compose it from the same field
// and boxes; handed over, the destination the first kelpex composed. Mode
// RUN_WINDOW with an empty destination: none.
RunRequest RequestFromCommandLine(const COMMAND_LINE_& line, const std::wstring& folder,
                                  const std::shared_ptr<const MainConfiguration>& configuration);

// How far one cabinet of the series got.
struct CABINET_OUTCOME_ {
    enum State { NOT_REACHED, EXTRACTED, PARTLY, FAILED };
    State state = NOT_REACHED;
    size_t files = 0;  // written from it
    size_t skipped = 0;  // left as they were, held or refused
    size_t entries = 0;  // it offers
};

// A file left as it was: who held it, or why the system refused it.
struct SKIPPED_FILE_ {
    std::wstring name;  // below the destination
    std::vector<std::wstring> holders;  // where known
    DWORD refusal = 0;  // the system's error where no wait mended it; 0: held
};

struct RunOutcome {
    ExitCode exitCode = EXIT_CANCELLED;
    UxMarkedText shown;  // the last text of the message area
    std::wstring destination;  // the last Run's
    std::vector<CABINET_OUTCOME_> cabinets;  // the last Run's, in set order
    std::vector<std::wstring> written;  // every file the last Run wrote, by its path under the destination
    std::vector<SKIPPED_FILE_> skipped;  // the last Run's
    std::vector<std::wstring> leftovers;  // of ours, that another program kept from being removed
    bool writeLog = true;  // false: the log named a file it must not touch
};
