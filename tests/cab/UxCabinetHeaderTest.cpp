#include "cab/UxCabinetHeader.h"
#include "tests/cab/CabinetWriter.h"
#include "tests/support/GuardedBytes.h"
#include "tests/support/TempFolder.h"
#include <gtest/gtest.h>
#include <random>
#include <string>

namespace {
std::string Data(const std::string& name) { return WindowsPath(KELPEX_CAB_DATA "/" + name); }

}  // namespace

TEST(UxCabinetHeader, ReadsTheFileTableOfRealCabinets) {
    UxCabinetHeader header;
    ASSERT_EQ(UxCabinetHeader::OK, header.read(W(Data("data02.cab"))));
    ASSERT_EQ(3u, header.files.size());
    EXPECT_EQ("bin\\random2.bin", header.files[1].name);
    EXPECT_EQ(140000u, header.files[1].size);
    EXPECT_EQ(0xA0u, header.files[0].attributes);  // gcab's UTF-8 name
    EXPECT_FALSE(header.continues());
    EXPECT_EQ(UxCabinetHeader::NOT_A_CABINET, header.read(W(Data("notacab.cab"))));
    EXPECT_EQ(UxCabinetHeader::TRUNCATED, header.read(W(Data("truncated.cab"))));
    EXPECT_EQ(UxCabinetHeader::NOT_A_CABINET, header.read(W(Data("missing.cab"))));
    TempFolder dir;
    ASSERT_TRUE(WriteSpanningSeries(dir.path(), {"s1.cab", "s2.cab"},
                                    {{{"a.txt", "a"}, {"big.bin", std::string(40000, 'b')}}, {{"c.txt", "cc"}}}));
    ASSERT_EQ(UxCabinetHeader::OK, header.read(W((dir / "s2.cab"))));
    EXPECT_TRUE(header.continues());
    EXPECT_EQ("s1.cab", header.previousCabinet);
    EXPECT_EQ(2u, header.beginningBytes());  // big.bin began in s1.cab
}

TEST(UxCabinetHeader, AnyBytesAreReadWithinTheirBounds) {
    GuardedBytes guard(16);
    std::string valid = TempFolder::readFile(Data("data01.cab")).substr(0, 400);
    std::mt19937 random(77);
    for (int round = 0; round < 4000; ++round) {
        std::string bytes = valid.substr(0, random() % valid.size());
        int edits = static_cast<int>(random() % 6);
        for (int e = 0; e < edits && !bytes.empty(); ++e) bytes[random() % bytes.size()] = static_cast<char>(random());
        if (round % 7 == 0 && bytes.size() > 30) bytes[26] = bytes[28] = '\xFF';  // huge counts
        if (round % 11 == 0 && bytes.size() > 20) bytes[16] = bytes[19] = '\x7F';  // a file table far away
        if (round % 13 == 0) {
            bytes = "MSCF";
            for (int i = 0; i < static_cast<int>(random() % 200); ++i) bytes.push_back(static_cast<char>(random()));
        }
        UxCabinetHeader header;
        UxCabinetHeader::Result result = header.parse(guard.place(bytes), bytes.size());
        if (result != UxCabinetHeader::OK) {
            EXPECT_TRUE(header.files.empty());
        }
    }
    UxCabinetHeader header;
    EXPECT_EQ(UxCabinetHeader::OK, header.parse(guard.place(valid), valid.size()));
}

// What the platform's reader would misread, made by changing the fields of
// a one-folder cabinet of two files: header 36 bytes, the folder record at
// 36 (data offset, blocks, compression), the file table at 44 (size,
// offset, folder index at +8 of each record).
TEST(UxCabinetHeader, TheStructureIsCheckedBeforeThePlatformReadsIt) {
    TempFolder dir;
    std::string path = dir / "c.cab";
    ASSERT_TRUE(WriteCabinet(path, {{"a.txt", "aaaa"}, {"b.txt", "bb"}}));
    const std::string good = TempFolder::readFile(path);
    auto put16 = [](std::string& b, size_t at, unsigned v) {
        b[at] = static_cast<char>(v & 0xFF);
        b[at + 1] = static_cast<char>(v >> 8);
    };
    const size_t kSecondFolderIndex = 44 + 16 + 6 + 8;  // after "a.txt\0"
    struct Case {
        const char* what;
        size_t at;
        unsigned value;
        bool partBefore;
        UxCabinetHeader::Fault fault;
        size_t entry;  // 2: none
    } cases[] = {
        {"sound", 0, 0, false, UxCabinetHeader::FAULT_NONE, 2},
        {"a folder that is not there", kSecondFolderIndex, 0x8000, false, UxCabinetHeader::FAULT_FOLDER_INDEX, 1},
        {"continued from nothing", 44 + 8, 0xFFFD, true, UxCabinetHeader::FAULT_CONTINUATION, 0},  // no previous named
        {"continued into nothing", kSecondFolderIndex, 0xFFFE, false, UxCabinetHeader::FAULT_CONTINUATION, 1},
        {"no folder", 26, 0, false, UxCabinetHeader::FAULT_NO_FOLDER, 2},
        {"LZX window 10", 42, 0x0A03, false, UxCabinetHeader::FAULT_COMPRESSION, 2},
        {"Quantum level 0", 42, 0x0F02, false, UxCabinetHeader::FAULT_COMPRESSION, 2},
        {"method 5", 42, 5, false, UxCabinetHeader::FAULT_COMPRESSION, 2},
        {"MSZIP with a window", 42, 0x0F01, false, UxCabinetHeader::FAULT_COMPRESSION, 2},
        {"data far away", 38, 0x7FFF, false, UxCabinetHeader::FAULT_DATA_OUTSIDE, 2},  // the offset's high half
        {"more blocks than bytes", 40, 0xFFFF, false, UxCabinetHeader::FAULT_DATA_OUTSIDE, 2},
    };
    for (const Case& c : cases) {
        std::string bytes = good;
        if (c.at != 0) put16(bytes, c.at, c.value);
        TempFolder::writeFile(path, bytes);
        UxCabinetHeader header;
        ASSERT_EQ(UxCabinetHeader::OK, header.read(W(path))) << c.what;
        size_t entry = 99;
        EXPECT_EQ(c.fault, header.check(c.partBefore, entry)) << c.what;
        EXPECT_EQ(c.entry, entry) << c.what;
    }
    // The platform reads the file table where the folder records end: one
    // placed after a gap (here holding another entry) is another list.
    std::string gapped = good;
    gapped.insert(44, std::string("\4\0\0\0\0\0\0\0\0\0\0\0\0\0\0\0z.txt\0", 22));
    gapped[16] = 44 + 22;
    gapped[36] = static_cast<char>(gapped[36] + 22);
    gapped[8] = static_cast<char>(gapped[8] + 22);
    TempFolder::writeFile(path, gapped);
    UxCabinetHeader header;
    ASSERT_EQ(UxCabinetHeader::OK, header.read(W(path)));
    size_t entry = 0;
    EXPECT_EQ(UxCabinetHeader::FAULT_FILE_TABLE, header.check(false, entry));
    // Quantum and LZX within their ranges are the platform's to decode.
    for (unsigned type : {0x1572u, 0x1503u, 0x0F03u, 0x0A12u}) {
        std::string bytes = good;
        put16(bytes, 42, type);
        TempFolder::writeFile(path, bytes);
        UxCabinetHeader header;
        ASSERT_EQ(UxCabinetHeader::OK, header.read(W(path)));
        size_t entry = 0;
        EXPECT_EQ(UxCabinetHeader::FAULT_NONE, header.check(false, entry)) << std::hex << type;
    }
}
