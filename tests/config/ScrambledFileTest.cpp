#include "config/UxStaticRandom.h"
#include "foundation/FCString.h"
#include "fs/FCFile.h"
#include "tests/support/TempFolder.h"
#include <gtest/gtest.h>
#include <random>
#include <string>
#include <vector>

namespace {
std::string Scrambled(uint32_t key, std::string bytes) {
    scrambleBytes(key, reinterpret_cast<unsigned char*>(&bytes[0]), static_cast<int>(bytes.size()));
    return bytes;
}

std::string ReadBack(const std::string& path, unsigned maxBytes, unsigned key, int plainLines) {
    FCString s("old");
    s.readFile(W(path), maxBytes, key, plainLines);
    EXPECT_EQ(s.text(), s.cursor);
    return s.text();
}

void WriteWith(const std::string& path, const FCString& text, unsigned key, int plainLines) {
    FCFile file;
    file.open(W(path), CREATE_ALWAYS, GENERIC_WRITE, 0, FILE_ATTRIBUTE_NORMAL, false);
    FCString copy(text);
    copy.writeTo(file, key, plainLines);
}
}  // namespace

TEST(ScrambleBytes, RotatesByTheTableAndRepeatsEvery256Bytes) {
    std::string ones(600, '\x01');
    std::string s = Scrambled(4357, ones);
    EXPECT_EQ(static_cast<char>(1 << 3), s[0]);  // R[0] = 3
    EXPECT_EQ(static_cast<char>(1 << 2), s[1]);  // R[1] = 2
    EXPECT_EQ(s[0], s[256]);
    EXPECT_EQ(s[1], s[257]);
    EXPECT_EQ(s.substr(0, 256), s.substr(256, 256));
    std::string back = s;
    unscrambleBytes(4357, reinterpret_cast<unsigned char*>(&back[0]), static_cast<int>(back.size()));
    EXPECT_EQ(ones, back);
}

TEST(ScrambleBytes, ASecondKeyGivesTheReferenceBytesAcrossTwoBlocks) {
    // Expected bytes from an independent MT19937 (1998 seeding), key 31337.
    std::string plain;
    for (int i = 0; i < 300; ++i) plain.push_back(static_cast<char>((i * 37 + 11) % 255 + 1));
    std::string s = Scrambled(31337, plain);
    struct Slice {
        size_t at;
        std::vector<unsigned char> bytes;
    } slices[] = {{0, {0x0C, 0x98, 0x95, 0x6F, 0xA0, 0x5C, 0x57, 0x04}},
                  {252, {0x39, 0xC1, 0xE6, 0x60, 0x31, 0x2B, 0xDE, 0x14, 0xC5, 0xAE}},
                  {292, {0x35, 0x1F, 0x96, 0xEC, 0xFD, 0x12, 0x29, 0xB9}}};
    for (const Slice& slice : slices)
        for (size_t i = 0; i < slice.bytes.size(); ++i)
            EXPECT_EQ(slice.bytes[i], static_cast<unsigned char>(s[slice.at + i])) << slice.at + i;
}

TEST(ScrambleBytes, ZeroStaysZeroAndNothingElseBecomesZero) {
    std::string all;
    for (int i = 0; i < 256; ++i) all.push_back(static_cast<char>(i));
    for (uint32_t key : {1u, 77u, 0xFFFFFFFFu}) {
        std::string s = Scrambled(key, all);
        EXPECT_EQ('\0', s[0]);
        for (size_t i = 1; i < s.size(); ++i) EXPECT_NE('\0', s[i]);
    }
}

TEST(ScrambledFile, WriteThenReadGivesTheTextBackAndLeavesTheStringAlone) {
    TempFolder dir;
    std::string path = dir / "round.qcf";
    std::mt19937 random(5);
    for (int round = 0; round < 50; ++round) {
        std::string text = "qcftype=1,99\r\n";
        int n = static_cast<int>(random() % 700);
        for (int i = 0; i < n; ++i) text.push_back(static_cast<char>(1 + random() % 255));
        FCString s(text.c_str());
        FCString shared(s);
        WriteWith(path, s, 99, 1);
        EXPECT_EQ(text, s.text());
        EXPECT_EQ(s.rep, shared.rep);
        std::string raw = TempFolder::readFile(path);
        EXPECT_EQ("qcftype=1,99\r\n", raw.substr(0, 14));  // the CR before LF stays plain
        if (n > 0) {
            EXPECT_NE(text.substr(14), raw.substr(14));
        }
        EXPECT_EQ(text, ReadBack(path, 0, 99, 1));
    }
}

TEST(ScrambledFile, KeyZeroAndDeclarationOnlyAreLeftPlain) {
    TempFolder dir;
    std::string path = dir / "plain.qcf";
    WriteWith(path, FCString("a=1\nb=2\n"), 0, 1);
    EXPECT_EQ("a=1\nb=2\n", TempFolder::readFile(path));
    EXPECT_EQ("a=1\nb=2\n", ReadBack(path, 0, 0, 1));
    TempFolder::writeFile(path, "qcftype=1,5");
    EXPECT_EQ("qcftype=1,5", ReadBack(path, 0, 5, 1));
    TempFolder::writeFile(path, "qcftype=1,5\n");
    EXPECT_EQ("qcftype=1,5\n", ReadBack(path, 0, 5, 1));
}

TEST(ScrambledFile, TextEndsAtANulByte) {
    TempFolder dir;
    std::string path = dir / "zero.qcf";
    TempFolder::writeFile(path, std::string("head\nab\0cd", 10));
    EXPECT_EQ("head\nab", ReadBack(path, 0, 0, 0));
    std::string scrambled = "head\n" + Scrambled(31, std::string("ab\0cd", 5));
    TempFolder::writeFile(path, scrambled);
    EXPECT_EQ("head\nab", ReadBack(path, 0, 31, 1));
}

TEST(ScrambledFile, MaxBytesAndTruncatingWrite) {
    TempFolder dir;
    std::string path = dir / "size.txt";
    TempFolder::writeFile(path, std::string(100, 'h'));
    EXPECT_EQ(std::string(100, 'h'), ReadBack(path, 1024, 0, 0));
    EXPECT_EQ(std::string(10, 'h'), ReadBack(path, 10, 0, 0));
    FCString shorter("new");
    shorter.writeFile(W(path));
    EXPECT_EQ("new", TempFolder::readFile(path));
}
