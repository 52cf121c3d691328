// The cabinet format's own numbers, shared by the reader of headers and by
// the planner that decides what goes into a cabinet.
#pragma once

namespace CabinetFormat {
const unsigned kHeaderBytes = 36;  // the fixed header, without reserved bytes
const unsigned kFolderBytes = 8;  // a folder record
const unsigned kFileBytes = 16;  // a file record before its name
const unsigned kBlockHeaderBytes = 8;  // a data block's header
const unsigned kBlockData = 32768;  // the uncompressed bytes of a full block
const unsigned kMaximumName = 256;  // a stored name with its terminator
// Files, folders and a folder's blocks are counted in 16 bits.
const unsigned kMaximumCount = 65535;
// A folder's uncompressed data (and so one file) at most, as the platform's
// writer allows it: 65,535 full blocks.
const unsigned long long kMaximumFolderData = 0x7FFF8000ull;
const unsigned kSetIdOffset = 32;  // where the header keeps the set ID
}  // namespace CabinetFormat
