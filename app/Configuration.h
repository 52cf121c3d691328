// What kelpex.qcf and the series beside the tool say, read once at start-up
// by whichever face starts: the window, or the unattended start.
#pragma once
#include "config/UxQcf.h"
#include "foundation/FCString.h"
#include "foundation/Mbcs.h"
#include "ui/Markup.h"
#include <memory>
#include <set>
#include <string>
#include <vector>

class RunLog;

// flags bits of the configuration.
enum : unsigned { FLAG_FORCE_APP_FOLDER = 1, FLAG_FORCE_MAKER_FOLDER = 2 };

struct ArchiveNameOrder {
    bool operator()(const FCString& a, const FCString& b) const { return Mbcs::Compare(a.text(), b.text()) < 0; }
};

// Made once by start-up; read-only afterwards, shared by the window and
// every Run it starts.
struct MainConfiguration {
    unsigned flags = 0;
    unsigned size = 0;
    unsigned long long seriesBytes = 0;  // the series' uncompressed total, from the cabinets' file tables
    FCString caption;
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
    // Unusable: why, as the message area says it.
    UxMarkedText problem;
    // The log named one of the series' files: exit code 1, the log left as
    // it was.
    bool logIsAFileOfTheRun = false;
};

// The configuration's name, beside the tool.
extern const wchar_t* const kConfigurationName;

// Reads kelpex.qcf and the series in folder (the tool's, ending in a
// separator) through store; quiet: the store asks nothing. Unusable, with
// the reason, when the series cannot be used or the log names one of its
// files.
std::shared_ptr<const MainConfiguration> ReadConfiguration(const std::wstring& folder, UxQcf& store, bool quiet,
                                                           const RunLog& log);

// True, with text saying so, when the log is one of names (relative to
// folder).
bool LogIsAmong(const RunLog& log, const std::wstring& folder, const std::vector<std::wstring>& names,
                UxMarkedText& text);
