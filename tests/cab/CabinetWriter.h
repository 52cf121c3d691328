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

// A series whose parts continue into each other: parts[i] holds the files
// that begin in folder + names[i]; the last file of every part but the last
// continues into the next part (its second half and a split data block).
// Each part keeps its own files in a folder of their own. An empty part
// between two others holds nothing but the middle of the file continued
// into it, which runs on into the next part.
bool WriteSpanningSeries(const std::string& folder, const std::vector<std::string>& names,
                         const std::vector<std::vector<CabinetEntry>>& parts);

// data01.cab and data02.cab in folder, MSZIP: one file of size zero bytes
// (a multiple of 32,768 below 4 GB), running from the first into the second.
// Gigabytes in cabinets of kilobytes.
bool WriteZeroSpanningPair(const std::string& folder, const std::string& name, unsigned long long size);

// The Windows form of a path in the build tree (Z: is the root).
std::string WindowsPath(const std::string& unixPath);

// A cabinet of two folders: MSZIP (one stored deflate block of 1,000 bytes,
// a.bin) and then text declared as LZX (b.txt). Decoding it, the
// platform's reader damages its own heap and the process dies.
bool WriteMisdeclaredFolderCabinet(const std::string& path);
