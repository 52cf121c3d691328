// The plan of a series: which file goes into which cabinet, and its names.
#include "publisher/kelpack/Plan.h"
#include "foundation/FCString.h"
#include "foundation/WideText.h"

namespace {
using namespace CabinetFormat;
// A cabinet's own bytes: its header and its one folder record.
const unsigned long long kCabinetHeader = kHeaderBytes + kFolderBytes;
// What a block adds to its data at most: its header and, compressed, the
// MSZIP signature and the deflate framing of data that does not compress.
const unsigned long long kStoredBlockExtra = kBlockHeaderBytes;
const unsigned long long kCompressedBlockExtra = kBlockHeaderBytes + 24;

unsigned long long RecordBytes(const SourceFile_& f) { return kFileBytes + f.stored.size() + 1; }

// The most a cabinet can take whose file records and data have these sizes:
// blocks run on from file to file, and a block's headers and framing come
// on top of its data.
unsigned long long CabinetBound(unsigned long long records, unsigned long long data, bool store) {
    return kCabinetHeader + records + data +
           (data / kBlockData + 1) * (store ? kStoredBlockExtra : kCompressedBlockExtra);
}
}  // namespace

bool FitsOneCabinet(const SourceFile_& f, bool store) {
    return CabinetBound(RecordBytes(f), f.size, store) <= kCabinetRoom;
}

std::vector<PlannedCabinet_> PlanCabinets(const std::vector<SourceFile_>& files, const BuildOptions_& o) {
    std::vector<PlannedCabinet_> cabinets;
    unsigned long long records = 0, data = 0;
    for (const SourceFile_& f : files) {
        bool full = cabinets.empty() || cabinets.back().files.size() == kMaximumCount ||
                    CabinetBound(records + RecordBytes(f), data + f.size, o.store) > o.maxSize;
        if (full) {
            cabinets.emplace_back();
            cabinets.back().name = CabinetName(o.pattern, o.width, cabinets.size());
            records = data = 0;
        }
        cabinets.back().files.push_back(&f);
        records += RecordBytes(f);
        data += f.size;
    }
    return cabinets;
}

std::wstring CabinetName(const std::wstring& pattern, int width, size_t number) {
    FCString digits;
    digits.appendInt(static_cast<int>(number), 10, width, '0');
    std::wstring name = pattern;
    name.replace(name.find(L'*'), 1, FromShiftJis(digits.text()));
    return name;
}

bool MatchesPattern(const std::wstring& p, const std::wstring& n) {
    size_t star = p.find(L'*');
    if (star == std::wstring::npos) return false;
    size_t tail = p.size() - star - 1;
    if (n.size() <= star + tail) return false;
    for (size_t i = star; i < n.size() - tail; ++i)
        if (n[i] < L'0' || n[i] > L'9') return false;
    return CompareStringOrdinal(p.c_str(), static_cast<int>(star), n.c_str(), static_cast<int>(star), TRUE) ==
               CSTR_EQUAL &&
           CompareStringOrdinal(p.c_str() + star + 1, static_cast<int>(tail), n.c_str() + n.size() - tail,
                                static_cast<int>(tail), TRUE) == CSTR_EQUAL;
}
