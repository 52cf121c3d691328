// The main window of kelpex (template 138) and what it does: the settings
// read from kelpex.qcf, the archive series, the destination, and the Run.
#pragma once
#include "app/CommandLine.h"
#include "app/RunRequest.h"
#include "config/UxQcf.h"
#include "fs/WriteProbe.h"
#include "foundation/FCHandle.h"
#include "foundation/FCString.h"
#include "foundation/Mbcs.h"
#include "res/MainDialogIds.h"
#include "ui/FCDialog.h"
#include "ui/Markup.h"
#include <set>
#include <string>
#include <vector>
#include <windows.h>

// flags bits of the configuration.
enum : unsigned { FLAG_FORCE_APP_FOLDER = 1, FLAG_FORCE_MAKER_FOLDER = 2 };

struct ArchiveNameOrder {
    bool operator()(const FCString& a, const FCString& b) const { return Mbcs::Compare(a.text(), b.text()) < 0; }
};

// What kelpex.qcf and the series say. Written once, by the main window's
// start-up on the user-interface thread; read-only afterwards.
struct MainConfiguration {
    unsigned flags = 0;
    unsigned size = 0;
    unsigned long long seriesBytes = 0;  // the series' uncompressed total, from the cabinets' file tables
    FCString makerName;
    FCString appName;
    // The same names as the folders they become: a configuration saved as
    // UTF-8 or UTF-16 keeps characters Shift_JIS cannot hold.
    std::wstring makerFolder;
    std::wstring appFolder;
    FCString messages[10];
    std::set<FCString, ArchiveNameOrder> archives;
    // Every entry of the series by the name it is written under, below the
    // destination: what a Run's targets are before the Run.
    std::vector<std::wstring> entries;
    bool usable = false;  // the configuration and the series are sound
};

// The windows. Owned by the user-interface thread, which alone reads and
// writes them.
struct MainWindows {
    FCDialog* dialog = nullptr;
    UxQcf* store = nullptr;
    bool running = false;
    bool closeAfterRun = false;
};

// What the process keeps for its life, in four parts of four owners.
struct MainState {
    // What a script or an administrator asked for; none without arguments.
    // Parsed by the entry before any window exists; read-only afterwards.
    COMMAND_LINE_ commandLine;
    // The request the command line or the hand-over made, to be run at once
    // (mode RUN_WINDOW with an empty destination: none). Made by the main
    // window's start-up once the configuration is read; read by the Run.
    RunRequest startRequest;
    MainConfiguration configuration;
    MainWindows windows;
    // The outcome of the last Run, or why none could start: written by
    // start-up and the Run on the user-interface thread, read by the entry
    // for the exit code and the log once the window is gone.
    RunOutcome outcome;
};

MainState& MainDialogState();

// Shows a text in the message area, its markup read and its literals
// (paths, names) shown exactly.
void ShowMarked(HWND window, const UxMarkedText& text);

INT_PTR CALLBACK MainDialogProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

// The folder of the executable as Windows gives it, ending in a separator
// (tests point it elsewhere through app/TestSeams.h).
std::wstring ApplicationFolder();

// The destination a Run uses, absolute and ending in a separator: typed
// (as the field holds it, or as /dest gives it) made absolute, then the
// sub-folders the boxes ask for; with markup, also its coloured form for
// the destination line.
std::wstring ComposeDestination(const std::wstring& typed, bool maker, bool app, const MainConfiguration& settings,
                                UxMarkedText* markup);
// The request the window's field and boxes make.
RunRequest RequestFromWindow(FCDialogBase& dialog, const MainState& state);
void ShowDestination(FCDialogBase& dialog, const MainState& state);
// A message of the configuration's: line breaks and, unless destination is
// null, %dest% shown exactly.
UxMarkedText ExpandMessageText(const FCString& message, const wchar_t* destination);

// The Run of a request, and its helpers.
void RunExtraction(FCDialogBase& dialog, const RunRequest& request);
bool CreateFolderPath(const std::wstring& path);

extern const char* const kUncWarning;
// The configuration's name, beside the tool.
extern const wchar_t* const kConfigurationName;
