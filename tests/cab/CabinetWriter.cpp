#include "tests/cab/CabinetWriter.h"
#include "foundation/FCHandle.h"
#include "tests/support/TempFolder.h"
#include <windows.h>
#include <algorithm>

namespace {
const size_t kBlock = 16384;  // two halves of a split block still fit the format's 32 KB

void Put16(std::string& out, unsigned v) {
    out.push_back(static_cast<char>(v & 0xFF));
    out.push_back(static_cast<char>((v >> 8) & 0xFF));
}
void Put32(std::string& out, unsigned v) {
    Put16(out, v & 0xFFFF);
    Put16(out, v >> 16);
}

struct Block {
    std::string data;
    unsigned uncompressed;  // 0 for the first half of a block split between two parts
};
struct FileRecord {
    std::string name;
    unsigned size, offset, folder, attributes;
};
struct Part {
    std::string prev, next;  // neighbouring cabinet names, empty for none
    unsigned number = 0;
    unsigned compression = 0;  // stored; 1: MSZIP
    std::vector<std::vector<Block>> folders;
    std::vector<FileRecord> files;
};

enum : unsigned { kContinuedFromPrev = 0xFFFD, kContinuedToNext = 0xFFFE, kContinuedBoth = 0xFFFF };

void AddBlocks(std::vector<Block>& blocks, const std::string& data) {
    for (size_t at = 0; at < data.size(); at += kBlock) {
        std::string chunk = data.substr(at, kBlock);
        blocks.push_back({chunk, static_cast<unsigned>(chunk.size())});
    }
}

std::string Build(const Part& part) {
    unsigned flags = (part.prev.empty() ? 0 : 1) | (part.next.empty() ? 0 : 2);
    std::string names;
    if (!part.prev.empty()) names += part.prev + '\0' + "Disk" + std::to_string(part.number) + '\0';
    if (!part.next.empty()) names += part.next + '\0' + "Disk" + std::to_string(part.number + 2) + '\0';
    std::string files;
    for (const FileRecord& f : part.files) {
        Put32(files, f.size);
        Put32(files, f.offset);
        Put16(files, f.folder);
        Put16(files, 0x3A21);  // a date in 2009
        Put16(files, 0);
        Put16(files, f.attributes);
        files += f.name;
        files.push_back('\0');
    }
    unsigned filesAt = 36 + static_cast<unsigned>(names.size() + 8 * part.folders.size());
    unsigned dataAt = filesAt + static_cast<unsigned>(files.size());
    std::string folders, data;
    for (const auto& blocks : part.folders) {
        Put32(folders, dataAt + static_cast<unsigned>(data.size()));
        Put16(folders, static_cast<unsigned>(blocks.size()));
        Put16(folders, part.compression);
        for (const Block& b : blocks) {
            Put32(data, 0);  // no checksum
            Put16(data, static_cast<unsigned>(b.data.size()));
            Put16(data, b.uncompressed);
            data += b.data;
        }
    }
    std::string cab = "MSCF";
    Put32(cab, 0);
    Put32(cab, dataAt + static_cast<unsigned>(data.size()));
    Put32(cab, 0);
    Put32(cab, filesAt);
    Put32(cab, 0);
    cab.push_back(3);
    cab.push_back(1);
    Put16(cab, static_cast<unsigned>(part.folders.size()));
    Put16(cab, static_cast<unsigned>(part.files.size()));
    Put16(cab, flags);
    Put16(cab, 1234);
    Put16(cab, part.number);
    return cab + names + folders + files + data;
}

bool Store(const std::string& path, const std::string& bytes) {
    FCHandle h(CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!h.valid()) return false;
    DWORD done = 0;
    BOOL ok = WriteFile(h.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &done, nullptr);
    return ok && done == bytes.size();
}
}  // namespace

bool WriteCabinet(const std::string& path, const std::vector<CabinetEntry>& entries) {
    Part part;
    part.folders.resize(1);
    std::string all;
    for (const auto& e : entries) {
        part.files.push_back(
            {e.name, static_cast<unsigned>(e.data.size()), static_cast<unsigned>(all.size()), 0, e.attributes});
        all += e.data;
    }
    AddBlocks(part.folders[0], all);
    return Store(path, Build(part));
}

bool WriteSpanningSeries(const std::string& folder, const std::vector<std::string>& names,
                         const std::vector<std::vector<CabinetEntry>>& parts) {
    if (names.size() != parts.size() || names.empty()) return false;
    std::string tail;  // the continued file's bytes still to store
    size_t splitHead = 0;  // bytes of the split block stored in the part before
    const CabinetEntry* continued = nullptr;
    for (size_t i = 0; i < parts.size(); ++i) {
        Part part;
        part.number = static_cast<unsigned>(i);
        if (i > 0) part.prev = names[i - 1];
        if (i + 1 < parts.size()) part.next = names[i + 1];
        bool through = continued != nullptr && parts[i].empty() && i + 1 < parts.size();
        if (continued != nullptr) {
            // The continuation comes first: the second half of the split
            // block, then the rest of the file.
            std::vector<Block> blocks;
            size_t head = std::min(kBlock, tail.size());
            // The split block's full size is given by its second half.
            blocks.push_back({tail.substr(0, head), static_cast<unsigned>(splitHead + head)});
            // A part of nothing but the file's middle keeps half of what is
            // left and splits its last block into the next part.
            size_t end = through ? head + (tail.size() - head) / 2 : tail.size();
            if (through && end == head) return false;
            AddBlocks(blocks, tail.substr(head, end - head));
            if (through) {
                blocks.back().uncompressed = 0;
                splitHead = blocks.back().data.size();
                tail = tail.substr(end);
            }
            part.folders.push_back(blocks);
            part.files.push_back({continued->name, static_cast<unsigned>(continued->data.size()), 0,
                                  through ? kContinuedBoth : kContinuedFromPrev, continued->attributes});
        }
        if (through) {
            if (!Store(folder + names[i], Build(part))) return false;
            continue;
        }
        std::string all;
        for (const auto& e : parts[i]) {
            part.files.push_back({e.name, static_cast<unsigned>(e.data.size()), static_cast<unsigned>(all.size()),
                                  static_cast<unsigned>(part.folders.size()), e.attributes});
            all += e.data;
        }
        std::string stored = all;
        if (i + 1 < parts.size()) {
            // The last file stops half way; the final block is split.
            const CabinetEntry& last = parts[i].back();
            size_t keep = last.data.size() / 2;
            stored = all.substr(0, all.size() - (last.data.size() - keep));
            part.files.back().folder = kContinuedToNext;
            tail = last.data.substr(keep);
            continued = &last;
        }
        std::vector<Block> blocks;
        AddBlocks(blocks, stored);
        if (blocks.empty()) return false;
        if (i + 1 < parts.size()) {
            blocks.back().uncompressed = 0;
            splitHead = blocks.back().data.size();
        }
        part.folders.push_back(blocks);
        if (!Store(folder + names[i], Build(part))) return false;
    }
    return true;
}

bool WriteZeroSpanningPair(const std::string& folder, const std::string& name, unsigned long long size) {
    // 32,768 zero bytes as one MSZIP block: "CK" and a deflate stream of its own.
    static const unsigned char kZeros[] = {0x43, 0x4B, 0xed, 0xc1, 0x01, 0x01, 0x00, 0x00, 0x00, 0x80, 0x90, 0xfe,
                                           0xaf, 0xee, 0x08, 0x0a, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00,
                                           0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00,
                                           0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x18};
    const unsigned long long kChunk = 32768;
    if (size == 0 || size % kChunk != 0 || size / kChunk > 2 * 65535ull - 1) return false;
    const std::string zeros(reinterpret_cast<const char*>(kZeros), sizeof kZeros);
    size_t blocks = static_cast<size_t>(size / kChunk);
    // The first part holds as many blocks as a folder may, the last of them
    // split with the second part.
    size_t first = std::min<size_t>(65535, (blocks + 1) / 2);
    Part parts[2];
    parts[0].next = "data02.cab";
    parts[1].prev = "data01.cab";
    parts[1].number = 1;
    for (Part& part : parts) {
        part.compression = 1;
        part.folders.resize(1);
    }
    for (size_t i = 0; i + 1 < first; ++i) parts[0].folders[0].push_back({zeros, static_cast<unsigned>(kChunk)});
    parts[0].folders[0].push_back({zeros.substr(0, zeros.size() / 2), 0});
    parts[1].folders[0].push_back({zeros.substr(zeros.size() / 2), static_cast<unsigned>(kChunk)});
    for (size_t i = first; i < blocks; ++i) parts[1].folders[0].push_back({zeros, static_cast<unsigned>(kChunk)});
    unsigned bytes = static_cast<unsigned>(size);  // the format's 32 bits: a size of 4 GB and more does not fit
    parts[0].files.push_back({name, bytes, 0, kContinuedToNext, 0x20});
    parts[1].files.push_back({name, bytes, 0, kContinuedFromPrev, 0x20});
    return Store(folder + "data01.cab", Build(parts[0])) && Store(folder + "data02.cab", Build(parts[1]));
}

std::string WindowsPath(const std::string& unixPath) {
    std::string path = "Z:" + unixPath;
    for (char& c : path)
        if (c == '/') c = '\\';
    return path;
}

bool WriteMisdeclaredFolderCabinet(const std::string& path) {
    auto put = [](std::string& b, unsigned v, int bytes) {
        for (int i = 0; i < bytes; ++i) b.push_back(static_cast<char>(v >> (8 * i)));
    };
    std::string a, text;
    for (unsigned i = 0; i < 1000; ++i) a.push_back(static_cast<char>((i * 7919) ^ (i >> 3)));
    for (int i = 0; i < 300; ++i) text += "hello_world_";
    std::string mszip = "CK\x01";  // a final stored deflate block
    put(mszip, 1000, 2);
    put(mszip, 1000 ^ 0xFFFF, 2);
    mszip += a;
    std::string table;
    const struct {
        const char* name;
        size_t size;
        unsigned folder;
    } entries[] = {{"a.bin", a.size(), 0}, {"b.txt", text.size(), 1}};
    for (const auto& e : entries) {
        put(table, static_cast<unsigned>(e.size), 4);
        put(table, 0, 4);  // offset in the folder
        put(table, e.folder, 2);
        put(table, 0x5A21, 2);
        put(table, 0, 2);
        put(table, 0x20, 2);
        table += std::string(e.name) + '\0';
    }
    unsigned dataAt = 36 + 16 + static_cast<unsigned>(table.size());
    std::string blocks[2];
    const std::string* payloads[2] = {&mszip, &text};
    unsigned sizes[2] = {1000, static_cast<unsigned>(text.size())};
    for (int i = 0; i < 2; ++i) {
        put(blocks[i], 0, 4);  // no checksum
        put(blocks[i], static_cast<unsigned>(payloads[i]->size()), 2);
        put(blocks[i], sizes[i], 2);
        blocks[i] += *payloads[i];
    }
    std::string cabinet = "MSCF";
    put(cabinet, 0, 4);
    put(cabinet, dataAt + static_cast<unsigned>(blocks[0].size() + blocks[1].size()), 4);
    put(cabinet, 0, 4);
    put(cabinet, 36 + 16, 4);  // the file table
    put(cabinet, 0, 4);
    cabinet += "\x03\x01";  // version 1.3
    put(cabinet, 2, 2);  // folders
    put(cabinet, 2, 2);  // files
    put(cabinet, 0, 2);  // flags
    put(cabinet, 1234, 2);  // set
    put(cabinet, 0, 2);  // index
    put(cabinet, dataAt, 4);
    put(cabinet, 1, 2);
    put(cabinet, 1, 2);  // MSZIP
    put(cabinet, dataAt + static_cast<unsigned>(blocks[0].size()), 4);
    put(cabinet, 1, 2);
    put(cabinet, 0x1503, 2);  // LZX, window 21
    TempFolder::writeFile(path, cabinet + table + blocks[0] + blocks[1]);
    return true;
}
