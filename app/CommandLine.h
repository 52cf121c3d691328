// The switches kelpex takes from an administrator or a script, and the exit
// codes it then ends with. Started without arguments it takes none and
// always ends with 0.
#pragma once
#include "foundation/FCString.h"
#include <string>

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

struct COMMAND_LINE_ {
    bool given = false;  // any argument at all
    bool help = false;
    bool maker = false;
    bool app = false;
    bool passive = false;
    bool quiet = false;
    bool run = false;  // /run: the Run starts at once, questions as usual
    bool handOver = false;  // /handover: started by a kelpex that is ending
    bool hasDestination = false;
    std::wstring destination;
    bool hasLog = false;
    std::wstring log;
    FCString fault;  // what is wrong with it, in Shift_JIS; empty when it is sound
    bool unattended() const { return passive || quiet; }
};

// Reads a command line as Windows gives it (the program's name first):
// "/" or "-", names in any case, a value after "=", in any order.
COMMAND_LINE_ ParseCommandLine(const wchar_t* commandLine);

// The text of the /? box.
extern const char* const kCommandLineHelp;
