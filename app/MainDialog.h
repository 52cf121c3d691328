// The main window of kelpex (template 138) and what it does: the settings
// read from kelpex.qcf, the archive series, the destination, and the Run.
#pragma once
#include "app/CommandLine.h"
#include "config/UxQcf.h"
#include "foundation/FCString.h"
#include "foundation/Mbcs.h"
#include "res/MainDialogIds.h"
#include "ui/FCDialog.h"
#include <set>
#include <string>
#include <windows.h>

// flags bits of the configuration.
enum : unsigned { FLAG_FORCE_APP_FOLDER = 1, FLAG_FORCE_MAKER_FOLDER = 2 };

struct ArchiveNameOrder {
    bool operator()(const FCString& a, const FCString& b) const { return Mbcs::Compare(a.text(), b.text()) < 0; }
};

// What the main dialog keeps for the life of the process.
struct MainState {
    FCDialog* dialog = nullptr;
    UxQcf* store = nullptr;
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
    bool running = false;
    bool closeAfterRun = false;
    // What a script or an administrator asked for; none without arguments.
    COMMAND_LINE_ commandLine;
    bool usable = false;  // start-up found the configuration and the series sound
    // The outcome for the exit code and the log: the last Run's, or why
    // none could start.
    ExitCode exitCode = EXIT_CANCELLED;
    FCString shown;  // the last text of the message area, marked up
    std::wstring destination;  // the last Run's
    size_t cabinetsDone = 0;  // of the last Run
};

MainState& MainDialogState();

// Shows marked-up text in the message area; paths and names in it are
// inserted with AppendLiteral or AppendColoured.
void ShowMarked(HWND window, const char* text);

INT_PTR CALLBACK MainDialogProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

// The folder of the executable as Windows gives it, ending in a separator
// (tests point it elsewhere through app/TestSeams.h).
std::wstring ApplicationFolder();
// The executable's own path as Windows gives it, at any length.
std::wstring ModulePath();

// The destination Run uses, absolute and ending in a separator, from the
// field and the ticked sub-folders; with markup, also its coloured form for
// the destination line.
std::wstring ComposeDestination(FCDialogBase& dialog, const std::wstring& maker, const std::wstring& app,
                                FCString* markup);
void ShowDestination(FCDialogBase& dialog, const MainState& state);
// Line breaks and, unless destination is null, %dest% shown exactly.
void ExpandMessageText(FCString& text, const wchar_t* destination);

// The Run and its helpers.
void RunExtraction(FCDialogBase& dialog);
// The outcome of the last Run, or why none started, as UTF-8 in path: the
// exit code, the destination, each cabinet's outcome and the text shown.
bool WriteRunLog(const std::wstring& path, const MainState& state);
std::wstring MakeProbeName(const std::wstring& folder);
// Whether the folder accepts a new file (PROBE_FILE) or a new sub-folder
// (PROBE_FOLDER), tried with a short-lived probe of that kind.
enum ProbeKind { PROBE_FILE, PROBE_FOLDER };
bool CanWriteToFolder(const std::wstring& folder, ProbeKind kind);
// The error the probe met (0: it could write).
DWORD ProbeError(const std::wstring& folder, ProbeKind kind);
bool CreateFolderPath(const std::wstring& path);

extern const char* const kUncWarning;
