// The switches kelpex takes from an administrator or a script, how its
// command line is split, and the exit codes it then ends with. Started
// without arguments it takes none and always ends with 0.
#pragma once
#include "foundation/FCString.h"
#include "ui/Markup.h"
#include <windows.h>
#include <string>
#include <vector>

enum ExitCode {
    EXIT_DONE = 0,  // every file extracted, or /?
    EXIT_COMMAND_LINE = 1,  // the command line is wrong
    EXIT_SERIES = 2,  // the configuration or a cabinet is missing or not sound
    EXIT_DESTINATION = 3,  // the destination refused before anything is written
    EXIT_RUN_FAILED = 4,  // a file could not be written, a cabinet failed midway
    EXIT_CANCELLED = 5,  // cancelled, or closed without a Run
    EXIT_RUNNING = 6,  // another kelpex is running
    EXIT_NEEDS_ADMINISTRATOR = 7,  // the destination needs administrator rights
};

// Every switch, named here once: the parser reads these names, the /? box
// lists them and the hand-over to an administrator writes them.
enum SwitchId {
    SWITCH_DEST,
    SWITCH_MAKER,
    SWITCH_APP,
    SWITCH_PASSIVE,
    SWITCH_QUIET,
    SWITCH_LOG,
    SWITCH_RUN,
    SWITCH_HELP,
    SWITCH_HANDOVER,  // written only by the hand-over; not in the /? box
    SWITCH_COUNT
};
struct SWITCH_ {
    const wchar_t* name;
    const char* value;  // what the value is, for the /? box; null: the switch takes none
    const char* help;  // null: not listed
};
extern const SWITCH_ kSwitches[SWITCH_COUNT];

struct COMMAND_LINE_ {
    bool given = false;  // any argument at all
    bool help = false;
    bool maker = false;
    bool app = false;
    bool passive = false;
    bool quiet = false;
    bool run = false;  // /run: the Run starts at once, questions as usual
    // /handover=PID: started as administrator by the kelpex PID, which
    // hands it the single-instance claim and waits for its exit code.
    DWORD handOverFrom = 0;
    bool hasDestination = false;
    std::wstring destination;
    bool hasLog = false;
    std::wstring log;
    // /passive or /quiet written anywhere in the raw text, read or not:
    // whatever else is wrong with the line, nobody is there to answer a box.
    bool noBoxes = false;
    UxMarkedText fault;  // what is wrong with it; empty when it is sound
    bool unattended() const { return passive || quiet; }
};

// Splits a command line as the installers administrators know do: blanks
// outside quotes separate arguments, a quote opens or closes quoting and is
// dropped, and a backslash is always the text's own, so /dest="C:\Games\"
// is C:\Games\ (no Windows path holds a quote). The program's name, first,
// is read as Windows reads it. balanced is false when a quote stays open.
std::vector<std::wstring> SplitCommandLine(const wchar_t* commandLine, bool& balanced);

// Reads a command line as Windows gives it (the program's name first):
// "/" or "-", names in any case, a value after "=", in any order.
COMMAND_LINE_ ParseCommandLine(const wchar_t* commandLine);

// Appends " /name" or " /name=value" to line, the value quoted when it
// holds a blank, so that SplitCommandLine reads back exactly value. False,
// with nothing appended, for a value it could not read back (a quote).
bool AppendSwitch(std::wstring& line, SwitchId id, const std::wstring& value = std::wstring());

// The text of the /? box.
FCString CommandLineHelp();
