// What only kelpack and the tests read of a cabinet: its data blocks' headers and the accounting the platform's reader never looks
// at (kelpex never links it).
#include "cab/UxCabinetHeader.h"
#include "cab/CabinetFormat.h"
#include "foundation/FCHandle.h"
#include <windows.h>

using namespace CabinetFormat;

bool UxCabinetHeader::readBlocks(const std::wstring& path) {
    FCHandle file(CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                              FILE_FLAG_RANDOM_ACCESS, nullptr));
    if (!file.valid()) return false;
    unsigned char head[kBlockHeaderBytes + 255];
    DWORD want = kBlockHeaderBytes + blockReserve;
    for (FOLDER_& folder : folderRecords) {
        folder.uncompressed = 0;
        folder.checksums = 0;
        unsigned long long at = folder.dataOffset;
        for (unsigned b = 0; b < folder.blocks; ++b) {
            LARGE_INTEGER to;
            to.QuadPart = static_cast<LONGLONG>(at);
            DWORD got = 0;
            if (!SetFilePointerEx(file.get(), to, nullptr, FILE_BEGIN) ||
                !ReadFile(file.get(), head, want, &got, nullptr) || got != want)
                return false;
            unsigned checksum = head[0] | head[1] << 8 | head[2] << 16 | static_cast<unsigned>(head[3]) << 24;
            folder.checksums = (folder.checksums << 5 | folder.checksums >> 27) ^ checksum;
            folder.uncompressed += head[6] | head[7] << 8;
            at += want + (head[4] | head[5] << 8);
        }
        if (at > length) return false;
    }
    return true;
}

UxCabinetHeader::Fault UxCabinetHeader::checkAccounting(size_t& entry) const {
    entry = files.size();
    unsigned firstData = length;
    for (const FOLDER_& folder : folderRecords)
        if (folder.dataOffset < firstData) firstData = folder.dataOffset;
    if (!folderRecords.empty() && filesEnd != firstData) return FAULT_UNCOUNTED;
    if (continues()) return FAULT_NONE;
    std::vector<unsigned long long> claimed(folderRecords.size(), 0);
    for (const FILE_& f : files)
        if (f.folder < claimed.size() && static_cast<unsigned long long>(f.offset) + f.size > claimed[f.folder])
            claimed[f.folder] = static_cast<unsigned long long>(f.offset) + f.size;
    for (size_t i = 0; i < claimed.size(); ++i)
        if (claimed[i] != folderRecords[i].uncompressed) return FAULT_DATA_SIZE;
    return FAULT_NONE;
}
