// Runs a program of the build tree as its own process and collects what it
// writes to stdout and stderr.
#pragma once
#include <string>

struct ProgramResult {
    int exitCode = -1;  // -1: it could not start; 259 (STILL_ACTIVE): it did not end in time
    std::wstring wideOutput;  // as the program wrote it, in UTF-8 to a file
    std::string output;  // the same in Shift_JIS, '?' for what it cannot hold
};

// unixExe: the program's path in the build tree; arguments as on a command
// line; temporaryFolder, when given, is the program's TMP and TEMP.
ProgramResult RunProgram(const std::string& unixExe, const std::wstring& arguments, unsigned timeoutMs = 120000,
                         const std::wstring& temporaryFolder = std::wstring());
// The arguments in Shift_JIS.
ProgramResult RunProgram(const std::string& unixExe, const std::string& arguments, unsigned timeoutMs = 120000,
                         const std::wstring& temporaryFolder = std::wstring());
