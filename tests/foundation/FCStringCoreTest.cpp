#include "foundation/Diagnostic.h"
#include "foundation/FCString.h"
#include "tests/foundation/AllocationFailure.h"
#include <gtest/gtest.h>
#include <string>

namespace {
std::string Repeat(char c, int n) { return std::string(static_cast<size_t>(n), c); }

std::string CaptionOf(void (*action)(), int failingAllocation) {
    FailNthAllocation failing(failingAllocation);
    try {
        action();
    } catch (const NotEnoughMemoryException& e) {
        EXPECT_STREQ(kNotEnoughMemoryText, e.getMessage());
        return e.getCaption();
    }
    return "(no exception)";
}
}  // namespace

TEST(FCStringCore, DefaultStringIsEmptyWithOneBlock) {
    FCString s;
    EXPECT_EQ(0, s.length());
    EXPECT_EQ(256, s.rep->allocSize);
    EXPECT_STREQ("", s.text());
    EXPECT_EQ(s.text(), s.cursor);
}

TEST(FCStringCore, SizingRuleKeepsASpareByteBeyondTheTerminator) {
    FCString s;
    s.create(256, Repeat('a', 254).c_str());
    EXPECT_EQ(256, s.rep->allocSize);
    char* cursor = s.cursor;
    s.append("b");
    EXPECT_EQ(255, s.length());
    EXPECT_EQ(256, s.rep->allocSize);
    EXPECT_EQ(cursor, s.cursor);
    s.append("c");
    EXPECT_EQ(256, s.length());
    EXPECT_EQ(512, s.rep->allocSize);
    EXPECT_EQ(s.text(), s.cursor);
    EXPECT_EQ(Repeat('a', 254) + "bc", s.text());

    FCString direct;
    direct.create(256, Repeat('x', 255).c_str());
    EXPECT_EQ(512, direct.rep->allocSize);
}

TEST(FCStringCore, SmallBlockSizesBecomeSixteen) {
    FCString s;
    s.create(0, nullptr);
    EXPECT_EQ(16, s.rep->blockSize);
    EXPECT_EQ(16, s.rep->allocSize);
    s.create(8, "");
    EXPECT_EQ(16, s.rep->allocSize);
    s.create(-5, "abc");
    EXPECT_EQ(16, s.rep->blockSize);
}

TEST(FCStringCore, CopiesShareUntilOneIsWritten) {
    FCString a("shared");
    {
        FCString b(a);
        EXPECT_EQ(a.rep, b.rep);
        EXPECT_EQ(2u, static_cast<unsigned>(b.rep->refCount));
        b.append("!");
        EXPECT_NE(a.rep, b.rep);
        EXPECT_STREQ("shared", a.text());
        EXPECT_STREQ("shared!", b.text());
        EXPECT_EQ(1u, static_cast<unsigned>(a.rep->refCount));
    }
    FCString c;
    c.assignFrom(a);
    EXPECT_EQ(a.rep, c.rep);
    c.assignFrom(c);
    EXPECT_EQ(2u, static_cast<unsigned>(a.rep->refCount));
    c.assignFrom("own");
    EXPECT_EQ(1u, static_cast<unsigned>(a.rep->refCount));
}

TEST(FCStringCore, ASharedRepresentationIsFreedOnceByItsLastOwner) {
    HANDLE heap = GetProcessHeap();
    FCStringRep* rep = nullptr;
    char* buffer = nullptr;
    {
        FCString a("shared");
        rep = a.rep;
        buffer = rep->buffer;
        {
            FCString b(a);
            FCString c;
            c = b;
            EXPECT_EQ(rep, c.rep);
            EXPECT_EQ(3, rep->refCount);
        }
        // Two owners gone: still there, for the one left.
        EXPECT_EQ(1, rep->refCount);
        EXPECT_TRUE(HeapValidate(heap, 0, rep));
        EXPECT_TRUE(HeapValidate(heap, 0, buffer));
        EXPECT_STREQ("shared", a.text());
    }
    EXPECT_FALSE(HeapValidate(heap, 0, rep));
    EXPECT_FALSE(HeapValidate(heap, 0, buffer));
}

TEST(FCStringCore, CopyTakesOverTheCursor) {
    FCString a("abcdef");
    a.seek(3, FCString::SEEK_FROM_START);
    FCString b(a);
    EXPECT_EQ(a.cursor, b.cursor);
    EXPECT_EQ('d', static_cast<int>(b.charAt(b.cursor)));
}

TEST(FCStringCore, ClearOfASharedStringLeavesTheOthersAlone) {
    FCString a;
    a.create(64, "text");
    FCString b(a);
    b.clear();
    EXPECT_STREQ("text", a.text());
    EXPECT_STREQ("", b.text());
    EXPECT_NE(a.rep, b.rep);
    EXPECT_EQ(64, b.rep->blockSize);

    FCString big(Repeat('z', 600).c_str());
    int capacity = big.rep->allocSize;
    big.clear();
    EXPECT_EQ(capacity, big.rep->allocSize);
    EXPECT_EQ(0, big.length());
}

TEST(FCStringCore, NullAppendsChangeNothing) {
    FCString s("x");
    s.append(static_cast<const char*>(nullptr));
    s.append(nullptr, 3);
    EXPECT_STREQ("x", s.text());
}

TEST(FCStringCore, CountedAppendNeverSplitsADoubleByteCharacter) {
    FCString s;
    s.append("ab", 1);
    EXPECT_STREQ("a", s.text());
    const char* mixed = "a表ソz";  // 表 and ソ end in 0x5C
    FCString three;
    three.append(mixed, 3);
    EXPECT_STREQ("a表", three.text());
    FCString two;
    two.append(mixed, 2);
    EXPECT_STREQ("a", two.text());
    FCString whole;
    whole.append(mixed, 100);
    EXPECT_STREQ(mixed, whole.text());
    FCString loneLead;
    loneLead.append("a\x95", 5);  // a lead byte at the very end stays a byte of its own
    EXPECT_STREQ("a\x95", loneLead.text());
}

TEST(FCStringCore, AppendingItsOwnTextDoublesIt) {
    FCString s("abc");
    s.append(s);
    EXPECT_STREQ("abcabc", s.text());
    s.append(s.text());
    EXPECT_STREQ("abcabcabcabc", s.text());
    FCString full;
    full.create(16, "0123456789ab");  // 12 bytes, capacity 16: in place fits no copy
    full.append(full.text());
    EXPECT_STREQ("0123456789ab0123456789ab", full.text());
}

TEST(FCStringCore, CreateFromItsOwnBufferIsSafe) {
    FCString s("self");
    s.create(256, s.text());
    EXPECT_STREQ("self", s.text());
}

TEST(FCStringCore, EqualityBySharingOrText) {
    FCString a("same");
    FCString b(a);
    FCString c("same");
    FCString d("Same");
    EXPECT_TRUE(a.equals(b));
    EXPECT_TRUE(a.equals(c));
    EXPECT_FALSE(a.equals(d));
}

TEST(FCStringCore, OutOfMemoryCaptionsNameTheStep) {
    EXPECT_EQ("FCString - create()", CaptionOf([] { FCString s("x"); }, 1));
    EXPECT_EQ("FCString - create()", CaptionOf([] { FCString s("x"); }, 2));
    // A copying append: allocations 1 and 2 build the string, 3 is the new
    // representation object, 4 its buffer.
    EXPECT_EQ("FCString - append", CaptionOf(
                                       [] {
                                           FCString s("x");
                                           FCString t(s);
                                           t.append("y");
                                       },
                                       3));
    EXPECT_EQ("FCString - create()", CaptionOf(
                                         [] {
                                             FCString s("x");
                                             FCString t(s);
                                             t.append("y");
                                         },
                                         4));
    EXPECT_EQ("FCString - append", CaptionOf(
                                       [] {
                                           FCString s;
                                           s.append("abcdef", 2);
                                       },
                                       3));
}

TEST(FCStringCore, FailedCreateLeavesNoRepresentationAndFailedAppendKeepsTheText) {
    FCString s("keep");
    {
        FailNthAllocation failing(1);
        EXPECT_THROW(s.create(256, "new"), NotEnoughMemoryException);
    }
    EXPECT_EQ(nullptr, s.rep);
    EXPECT_STREQ("", s.text());
    s.assignFrom("again");
    FCString shared(s);
    {
        FailNthAllocation failing(2);
        EXPECT_THROW(shared.append("more"), NotEnoughMemoryException);
    }
    EXPECT_STREQ("again", shared.text());
    EXPECT_EQ(s.rep, shared.rep);
}
