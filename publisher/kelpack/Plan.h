// What goes into which cabinet: files in order, cut by bytes and by count,
// with the cabinet format's own limits.
#pragma once
#include "cab/CabinetFormat.h"
#include "publisher/kelpack/Collect.h"
#include <string>
#include <vector>

// The most one cabinet may take, and so --max-size at most: the platform's
// writer holds a folder's data to this, and each cabinet is one folder.
const unsigned long long kCabinetRoom = CabinetFormat::kMaximumFolderData;

struct PlannedCabinet_ {
    std::wstring name;
    std::vector<const SourceFile_*> files;
};

// True when the file fits a cabinet of its own, counting the headers and
// what the compressor adds to data that does not compress.
bool FitsOneCabinet(const SourceFile_& f, bool store);

// Files in order, cut into cabinets of at most o.maxSize bytes (the same
// count: headers, records, blocks) and at most 65,535 files; a file larger than that gets a
// cabinet of its own.
std::vector<PlannedCabinet_> PlanCabinets(const std::vector<SourceFile_>& files, const BuildOptions_& o);

std::wstring CabinetName(const std::wstring& pattern, int width, size_t number);
// True when name is one of the pattern's cabinets: its '*' stands for
// digits, the rest compared as Windows compares names.
bool MatchesPattern(const std::wstring& pattern, const std::wstring& name);
