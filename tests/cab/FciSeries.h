// Series made the way other cabinet tools make them, through the platform's
// File Compression Interface: one folder running through every part, files
// cut wherever a part is full (through three or more parts when large), and
// each entry dated as given.
#pragma once
#include <string>
#include <vector>

struct FciEntry {
    std::string name;  // as stored (Shift_JIS), '\\' between folders
    std::string data;
    unsigned short dosDate = 0x3A21;  // 2009-01-01
    unsigned short dosTime = 0x6000;  // 12:00:00
    unsigned short attributes = 0x20;
};

// Bytes no compression makes smaller, the same for a seed.
std::string Incompressible(size_t n, unsigned seed);

// Writes folder + prefix + "1.cab", "2.cab", … of at most partBytes each
// (MSZIP, or stored; with reserved areas in the header, each folder record
// and each data block when reserve is set) and returns their names in
// order; empty on failure.
std::vector<std::string> WriteFciSeries(const std::string& folder, const std::vector<FciEntry>& entries,
                                        unsigned partBytes, bool compress, bool reserve = false,
                                        const char* prefix = "split-");
