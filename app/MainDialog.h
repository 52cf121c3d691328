// The main window of kelpex (template 138) and what it does: the settings
// read from kelpex.qcf, the archive series, the destination, and the Run.
#pragma once
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
    FCString messages[10];
    std::set<FCString, ArchiveNameOrder> archives;
    bool running = false;
    bool closeAfterRun = false;
};

MainState& MainDialogState();

// Shows marked-up text in the message area; paths and names in it are
// inserted with AppendLiteral or AppendColoured.
void ShowMarked(HWND window, const char* text);

INT_PTR CALLBACK MainDialogProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

// The folder of the executable as Windows gives it, ending in a separator
// (tests point it elsewhere through app/TestSeams.h).
std::wstring ApplicationFolder();

// Destination composition and message expansion.
void ComposeDestination(FCString& out, FCDialogBase& dialog, const char* makerName, const char* appName, bool markedUp);
void ShowDestination(FCDialogBase& dialog, const char* makerName, const char* appName);
void ExpandMessageText(FCString& text, const char* destination);

// The Run and its helpers.
void RunExtraction(FCDialogBase& dialog);
void MakeProbeName(FCString& out, const char* folder);
// Whether the folder accepts a new file (PROBE_FILE) or a new sub-folder
// (PROBE_FOLDER), tried with a short-lived probe of that kind.
enum ProbeKind { PROBE_FILE, PROBE_FOLDER };
bool CanWriteToFolder(const char* folder, ProbeKind kind);
bool CreateFolderPath(const char* path);

extern const char* const kUncWarning;
