// Writes small uncompressed cabinets with any entry names, hostile ones
// included, which no cabinet tool would make.
#pragma once
#include <string>
#include <vector>

struct CabinetEntry {
    std::string name;  // the raw bytes stored as the name
    std::string data;
    unsigned short attributes = 0x20;
};

bool WriteCabinet(const std::string& path, const std::vector<CabinetEntry>& entries);

// The Windows form of a path in the build tree (Z: is the root).
std::string WindowsPath(const std::string& unixPath);
