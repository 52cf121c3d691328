#include "foundation/Diagnostic.h"
#include "foundation/FCString.h"
#include "tests/foundation/AllocationFailure.h"
#include <gtest/gtest.h>
#include <cstdarg>
#include <string>

namespace {
int ToInt(const char* t) {
    FCString s(t);
    return s.toInt();
}
unsigned ToUnsigned(const char* t) {
    FCString s(t);
    return s.toUnsigned();
}
std::string AppendInt(int v, int radix, int width, char fill) {
    FCString s;
    s.appendInt(v, radix, width, fill);
    return s.text();
}
int Estimate(const char* format, ...) {
    va_list args;
    va_start(args, format);
    int n = FCString::estimateFormattedLength(format, args);
    va_end(args);
    return n;
}
}  // namespace

TEST(FCStringNumbers, SignedConversion) {
    EXPECT_EQ(26, ToInt("0x1A"));
    EXPECT_EQ(5, ToInt("0b101"));
    EXPECT_EQ(123, ToInt("0123"));
    EXPECT_EQ(-42, ToInt("-42"));
    EXPECT_EQ(0, ToInt(""));
    EXPECT_EQ(0, ToInt("0x"));
    EXPECT_EQ(0, ToInt("0X1A"));
    EXPECT_EQ(-1, ToInt("0xFFFFFFFF"));
    EXPECT_EQ(0, ToInt("0b2"));
}

TEST(FCStringNumbers, UnsignedConversion) {
    EXPECT_EQ(26u, ToUnsigned("0x1A"));
    EXPECT_EQ(5u, ToUnsigned("0b101"));
    EXPECT_EQ(0xFFFFFFFFu, ToUnsigned("4294967295"));
    EXPECT_EQ(12u, ToUnsigned("12abc"));
    EXPECT_EQ(0xFFFFFFFFu, ToUnsigned("-1"));
    EXPECT_EQ(0xFFFFFFFFu, ToUnsigned("99999999999"));
    EXPECT_EQ(0u, ToUnsigned(""));
    EXPECT_EQ(0u, ToUnsigned("表"));
}

TEST(FCStringNumbers, ConversionFromTheCursorLeavesItInPlace) {
    FCString s("id=0x10");
    s.cursor += 3;
    char* at = s.cursor;
    EXPECT_EQ(16, s.toInt(true));
    EXPECT_EQ(at, s.cursor);
    EXPECT_EQ(16u, s.toUnsigned(true));
    EXPECT_EQ(at, s.cursor);
    FCString tail("x0");  // the prefix test must not look past the terminator
    tail.cursor += 1;
    EXPECT_EQ(0u, tail.toUnsigned(true));
}

TEST(FCStringNumbers, HexAndBinaryStopAtTheFirstForeignCharacter) {
    FCString s("0xfF表9");
    EXPECT_EQ(255, s.parseHex(false));
    EXPECT_EQ(s.text() + 4, s.cursor);
    FCString b("0b1102");
    EXPECT_EQ(6, b.parseBinary(false));
}

TEST(FCStringNumbers, AppendWithRadixWidthAndFill) {
    EXPECT_EQ("00-5", AppendInt(-5, 10, 4, '0'));
    EXPECT_EQ("345", AppendInt(12345, 10, 3, ' '));
    EXPECT_EQ("007", AppendInt(7, 10, 3, '0'));
    EXPECT_EQ("ff", AppendInt(255, 16, 0, ' '));
    EXPECT_EQ("ffffffff", AppendInt(-1, 16, 0, ' '));
    EXPECT_EQ("-2147483648", AppendInt(-2147483647 - 1, 10, 0, ' '));
    EXPECT_EQ("00", AppendInt(100, 10, 2, '0'));
    FCString s("n=");
    s.appendNumber(static_cast<unsigned>(-1));
    EXPECT_STREQ("n=4294967295", s.text());
}

TEST(FCStringFormat, CreatesFromAFormat) {
    FCString s;
    s.create("%d-%s", 5, "ab");
    EXPECT_STREQ("5-ab", s.text());
    EXPECT_EQ(35, Estimate("%d-%s", 5, "ab"));  // a buffer of 36 bytes with the terminator
    s.create("100%%");
    EXPECT_STREQ("100%", s.text());
    s.create("%s|%5s|%.2s", "表ソ", "x", "abcdef");
    EXPECT_STREQ("表ソ|    x|ab", s.text());
}

TEST(FCStringFormat, OutputNeverExceedsTheEstimate) {
    // A wide text of kanji takes two bytes a character in Shift_JIS.
    const wchar_t kanji[] = L"\u8868\u8868\u8868\u8868\u8868";
    EXPECT_GE(Estimate("%S", kanji), 10);
    FCString s;
    s.create("%S", kanji);
    EXPECT_STREQ("表表表表表", s.text());
    s.create("%ls|%s", kanji, static_cast<const char*>(nullptr));
    EXPECT_LE(s.length(), Estimate("%ls|%s", kanji, static_cast<const char*>(nullptr)));
    s.create("%y%");
    EXPECT_LE(s.length(), Estimate("%y%"));
    s.create("%040d", 1);
    EXPECT_EQ(40, s.length());
}

TEST(FCStringFormat, OwnTextStarArgumentsAndCutCharactersAreSafe) {
    FCString s("表ソ能");
    s.create("[%s|%s]", s.text(), s.text());  // its own text, freed only after formatting
    EXPECT_STREQ("[表ソ能|表ソ能]", s.text());
    s.create(s.text());
    EXPECT_STREQ("[表ソ能|表ソ能]", s.text());
    // The platform's formatter does not read '*': such a format is refused.
    s.create("%*d|%s", 5, 1, "x");
    EXPECT_STREQ("", s.text());
    s.create("%.*s|%s", 2, "abc", "x");
    EXPECT_STREQ("", s.text());
    // A precision never leaves half a character; one that leaves none is
    // refused, as the formatter reads a precision of 0 as none at all.
    struct Case {
        const char* format;
        const char* expected;
    } cases[] = {{"%.1s|", ""}, {"%.3s|", "表|"}, {"%.4s|", "表ソ|"}, {"%5.3s|", "   表|"}, {"%.0s|", "表ソ能|"}};
    for (const Case& c : cases) {
        s.create(c.format, "表ソ能");
        EXPECT_STREQ(c.expected, s.text()) << c.format;
    }
    // A wide text's precision counts bytes of Shift_JIS.
    for (const Case& c : {Case{"%.1S|", ""}, Case{"%.2S|", "表|"}, Case{"%.3S|", "表|"}, Case{"%.4S|", "表ソ|"}}) {
        s.create(c.format, L"\u8868\u30bd");
        EXPECT_STREQ(c.expected, s.text()) << c.format;
    }
}

TEST(FCStringFormat, OutOfMemoryHasItsOwnCaption) {
    FCString s;
    FailNthAllocation failing(1);  // the formatting buffer, the first allocation
    try {
        s.create("%d", 1);
        ADD_FAILURE() << "no exception";
    } catch (const NotEnoughMemoryException& e) {
        EXPECT_STREQ("FCString - create(LPCTSTR,...)", e.getCaption());
    }
    EXPECT_STREQ("", s.text());
}
