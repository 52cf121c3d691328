#include "cab/UxCabinetHeader.h"
#include "tests/cab/CabinetWriter.h"
#include "tests/support/TempFolder.h"
#include <gtest/gtest.h>
#include <random>
#include <string>

namespace {
std::string Data(const std::string& name) { return WindowsPath(KELPEX_CAB_DATA "/" + name); }

// Bytes placed so that the first byte after them is a page nobody may read.
class GuardedBytes {
public:
    GuardedBytes() {
        SYSTEM_INFO info;
        GetSystemInfo(&info);
        page_ = info.dwPageSize * 16;
        area_ = static_cast<unsigned char*>(
            VirtualAlloc(nullptr, page_ + info.dwPageSize, MEM_RESERVE | MEM_COMMIT, PAGE_READWRITE));
        DWORD old;
        VirtualProtect(area_ + page_, info.dwPageSize, PAGE_NOACCESS, &old);
    }
    ~GuardedBytes() { VirtualFree(area_, 0, MEM_RELEASE); }
    const unsigned char* place(const std::string& bytes) {
        size_t n = bytes.size() < page_ ? bytes.size() : page_;
        unsigned char* at = area_ + page_ - n;
        memcpy(at, bytes.data(), n);
        return at;
    }
    size_t capacity() const { return page_; }

private:
    unsigned char* area_;
    size_t page_;
};
}  // namespace

TEST(UxCabinetHeader, ReadsTheFileTableOfRealCabinets) {
    UxCabinetHeader header;
    ASSERT_EQ(UxCabinetHeader::OK, header.read(Data("data02.cab").c_str()));
    ASSERT_EQ(3u, header.files.size());
    EXPECT_EQ("bin\\random2.bin", header.files[1].name);
    EXPECT_EQ(140000u, header.files[1].size);
    EXPECT_EQ(0xA0u, header.files[0].attributes);  // gcab's UTF-8 name
    EXPECT_FALSE(header.continues());
    EXPECT_EQ(UxCabinetHeader::NOT_A_CABINET, header.read(Data("notacab.cab").c_str()));
    EXPECT_EQ(UxCabinetHeader::TRUNCATED, header.read(Data("truncated.cab").c_str()));
    EXPECT_EQ(UxCabinetHeader::NOT_A_CABINET, header.read(Data("missing.cab").c_str()));
    TempFolder dir;
    ASSERT_TRUE(WriteSpanningSeries(dir.path(), {"s1.cab", "s2.cab"},
                                    {{{"a.txt", "a"}, {"big.bin", std::string(40000, 'b')}}, {{"c.txt", "cc"}}}));
    ASSERT_EQ(UxCabinetHeader::OK, header.read((dir / "s2.cab").c_str()));
    EXPECT_TRUE(header.continues());
    EXPECT_EQ("s1.cab", header.previousCabinet);
    EXPECT_EQ(2u, header.beginningBytes());  // big.bin began in s1.cab
}

TEST(UxCabinetHeader, AnyBytesAreReadWithinTheirBounds) {
    GuardedBytes guard;
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
