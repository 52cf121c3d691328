// /passive and /quiet: the command line's Run with no main window, the
// progress dialog shown (/passive) or not (/quiet), nobody asked anything.
#pragma once
#include "app/CommandLine.h"
#include "app/Configuration.h"
#include "app/RunRequest.h"
#include "app/UxRun.h"
#include <memory>
#include <string>

class RunLog;

// Reads the configuration and the series in folder (the tool's), and runs
// the request line makes. outcome: what the Run did, or why none started;
// configuration: what start-up read.
void RunUnattended(const std::wstring& folder, const COMMAND_LINE_& line, RunLog& log, RunOutcome& outcome,
                   std::shared_ptr<const MainConfiguration>& configuration, UxRunPlatform& platform = SystemPlatform());
