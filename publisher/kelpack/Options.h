// kelpack build's options, parsed once from one table into one record.
#pragma once
#include <map>
#include <string>

const unsigned long long kMegabyte = 1ull << 20;

struct BuildOptions_ {
    std::string source, output;  // full paths ending in a separator
    std::string pattern = "data*.cab";
    int width = 2;
    unsigned long long maxSize = 650 * kMegabyte;
    bool store = false;
    unsigned key = 0;  // scrambles kelpex.qcf when not 0
    unsigned flags = 0;
    bool hasFlags = false;
    std::map<std::string, std::string> texts;  // by configuration key, line breaks as kelpex reads them
};

// Prints why (when not null) and the usage; returns the exit code 2.
int Usage(const char* why);

// 0, or the exit code of a usage error already printed.
int ParseBuildOptions(int argc, char** argv, BuildOptions_& o);
