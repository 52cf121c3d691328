#include "cab/UxCabinetHeader.h"
#include "foundation/WideText.h"
#include "cab/CabinetFormat.h"
#include "foundation/FCHandle.h"
#include <windows.h>
#include <cstring>

namespace {
using namespace CabinetFormat;
const unsigned kFlagPrevious = 1, kFlagNext = 2, kFlagReserve = 4;

// A cursor over bytes that can never move past their end.
class Reader {
public:
    Reader(const unsigned char* bytes, size_t size) : bytes_(bytes), size_(size), at_(0), ok_(true) {}
    bool ok() const { return ok_; }
    size_t offset() const { return at_; }
    void seek(size_t at) {
        if (at > size_) ok_ = false;
        else at_ = at;
    }
    void skip(size_t n) { seek(n > size_ - at_ ? size_ + 1 : at_ + n); }
    unsigned u8() { return take(1) ? bytes_[at_ - 1] : 0; }
    unsigned u16() { return take(2) ? bytes_[at_ - 2] | (bytes_[at_ - 1] << 8) : 0; }
    unsigned u32() {
        if (!take(4)) return 0;
        const unsigned char* p = bytes_ + at_ - 4;
        return p[0] | (p[1] << 8) | (p[2] << 16) | (static_cast<unsigned>(p[3]) << 24);
    }
    // A zero-terminated text of at most kMaximumName bytes with its terminator.
    std::string text() {
        size_t limit = size_ - at_ < kMaximumName ? size_ - at_ : kMaximumName;
        const void* end = ok_ ? std::memchr(bytes_ + at_, 0, limit) : nullptr;
        if (end == nullptr) {
            ok_ = false;
            return std::string();
        }
        size_t n = static_cast<const unsigned char*>(end) - (bytes_ + at_);
        std::string s(reinterpret_cast<const char*>(bytes_ + at_), n);
        at_ += n + 1;
        return s;
    }

private:
    bool take(size_t n) {
        if (!ok_ || n > size_ - at_) {
            ok_ = false;
            return false;
        }
        at_ += n;
        return true;
    }
    const unsigned char* bytes_;
    size_t size_;
    size_t at_;
    bool ok_;
};
}  // namespace

UxCabinetHeader::Result UxCabinetHeader::parse(const unsigned char* bytes, size_t size) {
    files.clear();
    previousCabinet.clear();
    nextCabinet.clear();
    folderRecords.clear();
    if (size < 4) return size == 0 || std::memcmp(bytes, "MSCF", size) != 0 ? NOT_A_CABINET : TRUNCATED;
    if (std::memcmp(bytes, "MSCF", 4) != 0) return NOT_A_CABINET;
    Reader r(bytes, size);
    r.seek(8);
    length = r.u32();
    r.skip(4);
    filesAt = r.u32();
    r.skip(4);
    unsigned minor = r.u8(), major = r.u8();
    folders = r.u16();
    unsigned count = r.u16(), flags = r.u16();
    setId = r.u16();
    number = r.u16();
    if (!r.ok()) return TRUNCATED;
    (void)minor;
    if (major != 1 || length < kHeaderBytes || filesAt < kHeaderBytes || filesAt >= length) return NOT_A_CABINET;
    blockReserve = 0;
    unsigned folderReserve = 0;
    if (flags & kFlagReserve) {
        unsigned headerReserve = r.u16();
        folderReserve = r.u8();
        blockReserve = r.u8();
        r.skip(headerReserve);
    }
    if (flags & kFlagPrevious) {
        previousCabinet = r.text();
        r.text();
    }
    if (flags & kFlagNext) {
        nextCabinet = r.text();
        r.text();
    }
    for (unsigned i = 0; i < folders && r.ok(); ++i) {
        FOLDER_ f;
        f.dataOffset = r.u32();
        f.blocks = r.u16();
        f.compression = r.u16();
        f.uncompressed = 0;
        f.checksums = 0;
        r.skip(folderReserve);
        folderRecords.push_back(f);
    }
    if (!r.ok()) {
        folderRecords.clear();
        return size >= length ? NOT_A_CABINET : TRUNCATED;
    }
    foldersEnd = static_cast<unsigned>(r.offset());
    r.seek(filesAt);
    for (unsigned i = 0; i < count && r.ok(); ++i) {
        FILE_ f;
        f.size = r.u32();
        f.offset = r.u32();
        f.folder = r.u16();
        r.skip(4);  // date and time
        f.attributes = r.u16();
        f.name = r.text();
        if (r.ok()) files.push_back(f);
    }
    if (!r.ok()) {
        files.clear();
        return size >= length ? NOT_A_CABINET : TRUNCATED;
    }
    filesEnd = static_cast<unsigned>(r.offset());
    return OK;
}

UxCabinetHeader::Result UxCabinetHeader::read(const std::wstring& path) {
    FCHandle file(CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file.valid()) return NOT_A_CABINET;
    LARGE_INTEGER fileSize = {};
    GetFileSizeEx(file.get(), &fileSize);
    // The header, its names and a file table of a few hundred entries fit
    // the first read; a longer table is read once more, as far as it goes.
    std::vector<unsigned char> bytes;
    Result result = TRUNCATED;
    size_t want = 65536;
    const size_t largestTable = 36 + 65536u * (kFileBytes + kMaximumName) + 65536u;
    for (int pass = 0; pass < 3; ++pass) {
        size_t n = fileSize.QuadPart < static_cast<LONGLONG>(want) ? static_cast<size_t>(fileSize.QuadPart) : want;
        bytes.resize(n);
        DWORD got = 0;
        SetFilePointer(file.get(), 0, nullptr, FILE_BEGIN);
        if (n > 0 && (!ReadFile(file.get(), bytes.data(), static_cast<DWORD>(n), &got, nullptr) || got != n)) break;
        result = parse(bytes.data(), n);
        if (result != TRUNCATED || n == static_cast<size_t>(fileSize.QuadPart)) break;
        // The file table ends where the folders' data begins; failing that,
        // enough for the largest table the header's count allows.
        size_t tableEnd = largestTable;
        if (pass == 0)
            for (const FOLDER_& folder : folderRecords)
                if (folder.dataOffset > n && folder.dataOffset < tableEnd) tableEnd = folder.dataOffset;
        if (tableEnd <= n) break;
        want = tableEnd;
    }
    if (result == OK && static_cast<unsigned long long>(fileSize.QuadPart) < length) return TRUNCATED;
    return result;
}

unsigned long long UxCabinetHeader::beginningBytes() const {
    unsigned long long total = 0;
    for (const FILE_& f : files)
        if (f.folder != CONTINUED_FROM_PREV && f.folder != CONTINUED_PREV_AND_NEXT) total += f.size;
    return total;
}

bool UxCabinetHeader::continues() const {
    if (!previousCabinet.empty() || !nextCabinet.empty()) return true;
    for (const FILE_& f : files)
        if (f.folder >= CONTINUED_FROM_PREV) return true;
    return false;
}

namespace {

bool CompressionDecodable(unsigned type) {
    unsigned method = type & 0x000F, level = (type >> 4) & 0x0F, window = (type >> 8) & 0x1F;
    switch (method) {
    case 0:  // stored
    case 1: return (type & 0xFFF0) == 0;  // MSZIP
    case 2: return level >= 1 && level <= 7 && window >= 10 && window <= 21 && (type >> 13) == 0;  // Quantum
    case 3: return level == 0 && window >= 15 && window <= 21 && (type >> 13) == 0;  // LZX
    default: return false;
    }
}

struct FAULT_TEXT_ {
    const char* shown;
    const char* printed;
};
const FAULT_TEXT_ kFaultTexts[] = {
    {"", ""},
    {"ファイルがあるのにデータのフォルダがありません", "it lists files but declares no folder"},
    {"存在しないフォルダのファイルがあります", "an entry names a folder the cabinet does not have"},
    {"存在しないキャビネットから、またはキャビネットへ続くファイルがあります",
     "an entry continues from or into a cabinet the series does not have"},
    {"データがキャビネットファイルの外を指しています", "a folder's data lies outside the cabinet"},
    {"対応していない圧縮形式です", "a folder's compression cannot be decoded"},
    {"ファイルの一覧の位置が正しくありません", "the file table does not follow the folder records"},
    {"前のキャビネットファイルから続いていないファイルがあります",
     "an entry is marked as continued from the previous cabinet, which does not continue it"},
    {"ヘッダーが数えていないファイルがあります", "the file table holds entries the header does not count"},
    {"データの大きさがファイルの大きさと合いません", "a folder's data does not hold the bytes its entries claim"},
    {"前のキャビネットファイルの続きではありません（セットIDか番号が違います）",
     "it is not the part the one before continues into: another set ID or index"},
};
static_assert(sizeof kFaultTexts / sizeof kFaultTexts[0] == UxCabinetHeader::FAULT_COUNT, "a text for every fault");
}  // namespace

const char* UxCabinetHeader::faultShown(Fault fault) { return kFaultTexts[fault].shown; }
const char* UxCabinetHeader::faultPrinted(Fault fault) { return kFaultTexts[fault].printed; }

UxCabinetHeader::Fault UxCabinetHeader::check(bool partBefore, size_t& entry) const {
    entry = files.size();
    if (!files.empty() && folderRecords.empty()) return FAULT_NO_FOLDER;
    // The platform reads the file table right after the folder records,
    // whatever the header says: a table elsewhere would show it one list of
    // entries and every check here another.
    if (filesAt != foldersEnd) return FAULT_FILE_TABLE;
    for (const FOLDER_& folder : folderRecords) {
        if (!CompressionDecodable(folder.compression)) return FAULT_COMPRESSION;
        unsigned long long least = static_cast<unsigned long long>(folder.blocks) * (kBlockHeaderBytes + blockReserve);
        if (folder.dataOffset < kHeaderBytes || folder.dataOffset > length || least > length - folder.dataOffset)
            return FAULT_DATA_OUTSIDE;
    }
    bool fromBefore = partBefore && !previousCabinet.empty(), intoAfter = !nextCabinet.empty();
    for (size_t i = 0; i < files.size(); ++i) {
        unsigned folder = files[i].folder;
        bool ok = folder < folderRecords.size() || (folder == CONTINUED_FROM_PREV && fromBefore) ||
                  (folder == CONTINUED_TO_NEXT && intoAfter) ||
                  (folder == CONTINUED_PREV_AND_NEXT && fromBefore && intoAfter);
        if (ok) continue;
        entry = i;
        return folder >= CONTINUED_FROM_PREV ? FAULT_CONTINUATION : FAULT_FOLDER_INDEX;
    }
    return FAULT_NONE;
}

namespace {
bool ContinuedIn(unsigned folder) {
    return folder == UxCabinetHeader::CONTINUED_FROM_PREV || folder == UxCabinetHeader::CONTINUED_PREV_AND_NEXT;
}
bool ContinuedOut(unsigned folder) {
    return folder == UxCabinetHeader::CONTINUED_TO_NEXT || folder == UxCabinetHeader::CONTINUED_PREV_AND_NEXT;
}
}  // namespace

bool UxCabinetHeader::continuesIntoNext() const {
    for (const FILE_& f : files)
        if (ContinuedOut(f.folder)) return true;
    return false;
}

UxCabinetHeader::Fault UxCabinetHeader::checkFollows(const UxCabinetHeader& before, size_t& entry) const {
    size_t out = 0;
    for (entry = 0; entry < files.size(); ++entry) {
        if (!ContinuedIn(files[entry].folder)) continue;
        while (out < before.files.size() && !ContinuedOut(before.files[out].folder)) ++out;
        if (out == before.files.size() || before.files[out].name != files[entry].name ||
            before.files[out].size != files[entry].size)
            return FAULT_UNPAIRED;
        ++out;
    }
    while (out < before.files.size() && !ContinuedOut(before.files[out].folder)) ++out;
    return out == before.files.size() ? FAULT_NONE : FAULT_UNPAIRED;
}

size_t UxCabinetHeader::offeredEntries() const {
    size_t n = 0;
    for (const FILE_& file : files) n += ContinuedIn(file.folder) ? 0 : 1;
    return n;
}
