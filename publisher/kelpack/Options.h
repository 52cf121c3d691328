// kelpack build's options, parsed once from one table into one record.
#pragma once
#include <map>
#include <string>
#include <vector>

const unsigned long long kMegabyte = 1ull << 20;

struct BuildOptions_ {
    std::wstring source, output;  // full paths ending in a separator
    std::wstring pattern = L"data*.cab";  // one that Shift_JIS holds: kelpex.qcf names the cabinets in it
    int width = 2;
    unsigned long long maxSize = 650 * kMegabyte;
    bool store = false;
    unsigned key = 0;  // scrambles kelpex.qcf when not 0
    unsigned flags = 0;
    bool hasFlags = false;
    // By configuration key, in Shift_JIS with line breaks as kelpex reads
    // them: '?' for what Shift_JIS cannot hold, as kelpex would read it.
    std::map<std::string, std::string> texts;
};

// Prints why (when not null) and the usage; returns the exit code 2.
int Usage(const std::wstring& why);

// The command's arguments as Windows gives them: "build" (or "verify") first.
typedef std::vector<std::wstring> Arguments_;

// 0, or the exit code of a usage error already printed.
int ParseBuildOptions(const Arguments_& arguments, BuildOptions_& o);
