#include "foundation/Diagnostic.h"
#include "foundation/FCString.h"
#include "tests/foundation/AllocationFailure.h"
#include "tests/support/WindowAnswerer.h"
#include <gtest/gtest.h>
#include <random>
#include <string>
#include <vector>

namespace {
std::vector<std::string> SplitAll(const char* text, int count, const char* seps, unsigned flags, const char* skip,
                                  int* filled) {
    FCString s(text);
    std::vector<FCString> fields(static_cast<size_t>(count), FCString("untouched"));
    *filled = s.split(fields.data(), count, seps, flags, skip);
    std::vector<std::string> out;
    for (auto& f : fields) out.push_back(f.text());
    return out;
}

std::vector<std::string> Lines(const char* text, unsigned flags) {
    FCString s(text);
    FCString line;
    std::vector<std::string> out;
    while (s.readLine(line, flags)) out.push_back(line.text());
    return out;
}
}  // namespace

TEST(FCStringCursor, SeekFromEachOrigin) {
    FCString s("ab");
    EXPECT_EQ(98u, s.seek(-1, FCString::SEEK_FROM_END));
    EXPECT_EQ(0u, s.seek(-2, FCString::SEEK_FROM_END));
    EXPECT_EQ(s.text(), s.cursor);  // landed on the first character
    EXPECT_EQ(0u, s.seek(2, FCString::SEEK_FROM_START));
    EXPECT_EQ(s.end(), s.cursor);
    s.seek(1, FCString::SEEK_FROM_START);
    const char* before = s.cursor;
    EXPECT_EQ(0u, s.seek(1, FCString::SEEK_FROM_END));
    EXPECT_EQ(before, s.cursor);
    EXPECT_EQ(0u, s.seek(-1, FCString::SEEK_FROM_START));
    EXPECT_EQ(before, s.cursor);
}

TEST(FCStringCursor, StepsByWholeCharactersOverTrailBytes5C) {
    FCString s("表ソ能\\x");  // trail bytes 0x5C everywhere
    EXPECT_EQ(0x955Cu, s.charAt(s.text()));
    EXPECT_TRUE(s.nextChar());
    EXPECT_EQ(0x835Cu, s.charAt(s.cursor));
    EXPECT_EQ(static_cast<unsigned>('x'), s.seek(-1, FCString::SEEK_FROM_END));
    EXPECT_EQ(static_cast<unsigned>('\\'), s.seek(-1, FCString::SEEK_FROM_CURRENT));
    EXPECT_EQ(0x945Cu, s.seek(-1, FCString::SEEK_FROM_CURRENT));
    s.seek(0, FCString::SEEK_FROM_START);
    s.findAnyOf("\\");
    EXPECT_EQ(s.text() + 6, s.cursor);
}

TEST(FCStringCursor, CharAtOfALoneLeadByteAtTheEndIsZero) {
    FCString s("a\x95");
    EXPECT_EQ(0u, s.charAt(s.text() + 1));
    EXPECT_EQ(static_cast<unsigned>('a'), s.charAt(s.text()));
    EXPECT_EQ(0u, s.charAt(s.end()));
    EXPECT_TRUE(s.nextChar());  // the lone lead is a character of its own
    EXPECT_FALSE(s.nextChar());
    EXPECT_FALSE(s.nextChar());
    EXPECT_EQ(s.end(), s.cursor);
}

TEST(FCStringCursor, CurrentCharOnATrailByteGivesTheWholeCharacter) {
    FCString s("x表y");
    s.cursor += 2;  // the trail byte 0x5C of 表
    EXPECT_EQ(0x955C, s.currentChar());
    s.cursor = const_cast<char*>(s.text());
    FCString lead("表y");
    EXPECT_EQ(static_cast<int>(static_cast<signed char>('\x95')), lead.currentChar());
}

TEST(FCStringSearch, FindsByCharactersAndLeavesTheCursorThere) {
    FCString path("C:\\a\\b.txt");
    const char* last = path.findLastAnyOf("\\");
    ASSERT_NE(nullptr, last);
    EXPECT_EQ(path.text() + 4, last);
    EXPECT_EQ(last, path.cursor);

    FCString trail("表\\");
    EXPECT_EQ(trail.text() + 2, trail.findAnyOf("\\"));
    FCString none("表ソ");
    EXPECT_EQ(nullptr, none.findAnyOf("\\"));
    EXPECT_EQ(none.end(), none.cursor);
    EXPECT_EQ(nullptr, none.findLastAnyOf("\\"));

    FCString members("a表b");
    EXPECT_EQ(members.text() + 1, members.findChar(0x955C));
    members.cursor = const_cast<char*>(members.text());
    EXPECT_EQ(members.text() + 1, members.findAnyOf("ソ表"));
    members.cursor = const_cast<char*>(members.text());
    EXPECT_EQ(members.text() + 1, members.skipAnyOf("a"));
    EXPECT_EQ(nullptr, members.skipAnyOf("a表b"));
}

TEST(FCStringSearch, SubstringOnlyAtCharacterBoundaries) {
    // "\x5C" + "x" occurs inside 表x as bytes, but not as characters.
    FCString s("表x\\x");
    EXPECT_EQ(s.text() + 3, s.find("\\x"));
    FCString tokens("alpha beta  gamma");
    EXPECT_EQ(tokens.text() + 12, tokens.find("gamma", " "));
    tokens.cursor = const_cast<char*>(tokens.text());
    EXPECT_EQ(nullptr, tokens.find("gam", " "));
    EXPECT_EQ(tokens.end(), tokens.cursor);
}

TEST(FCStringTokens, NextTokenWithAndWithoutTheSeparator) {
    FCString s("  key=value");
    FCString token;
    EXPECT_EQ(s.text() + 2, s.nextToken(token, "= ", false));
    EXPECT_STREQ("key", token.text());
    EXPECT_EQ('=', *s.cursor);
    FCString d("D:\\out\\\\sub\\");
    std::vector<std::string> parts;
    while (d.nextToken(token, "\\", true) != nullptr) parts.push_back(token.text());
    EXPECT_EQ((std::vector<std::string>{"D:\\", "out\\", "sub\\"}), parts);
    EXPECT_EQ(32, token.rep->blockSize);
}

TEST(FCStringTokens, SplitKeepsOrDropsEmptyFields) {
    int n = 0;
    EXPECT_EQ((std::vector<std::string>{"a", "", "b"}),
              SplitAll("a,,b", 3, ",", FCString::SPLIT_KEEP_EMPTY, nullptr, &n));
    EXPECT_EQ(3, n);
    EXPECT_EQ((std::vector<std::string>{"a", "b", "untouched"}), SplitAll("a,,b", 3, ",", 0, nullptr, &n));
    EXPECT_EQ(2, n);
    EXPECT_EQ((std::vector<std::string>{"a", "b", ""}),
              SplitAll("a,b,", 3, ",", FCString::SPLIT_KEEP_EMPTY, nullptr, &n));
    EXPECT_EQ(3, n);
    EXPECT_EQ((std::vector<std::string>{"a", "b"}), SplitAll("a,b,", 2, ",", FCString::SPLIT_KEEP_EMPTY, nullptr, &n));
    EXPECT_EQ(2, n);
}

TEST(FCStringTokens, SplitWithSkipSetAndRestIntoLast) {
    int n = 0;
    EXPECT_EQ((std::vector<std::string>{"key ", "one "}), SplitAll(" key = one = two", 2, "=", 0, " \t", &n));
    EXPECT_EQ((std::vector<std::string>{"key ", "one = two"}),
              SplitAll(" key = one = two", 2, "=", FCString::SPLIT_REST_INTO_LAST, " \t", &n));
    EXPECT_EQ(2, n);
}

TEST(FCStringTokens, FieldsAcrossTheStackBufferLimit) {
    std::string longField(5000, 'q');
    std::string text = "a," + longField + ",b";
    int n = 0;
    auto fields = SplitAll(text.c_str(), 3, ",", FCString::SPLIT_KEEP_EMPTY, nullptr, &n);
    EXPECT_EQ(3, n);
    EXPECT_EQ(longField, fields[1]);
    std::string exact(2047, 'r');
    fields = SplitAll((exact + ",z").c_str(), 2, ",", 0, nullptr, &n);
    EXPECT_EQ(exact, fields[0]);
}

TEST(FCStringTokens, ReadLineTrimsAndKeepsEmptyLines) {
    EXPECT_EQ((std::vector<std::string>{"abc", "def"}), Lines("  \tabc\r\n\r\ndef", FCString::LINE_TRIM));
    EXPECT_EQ((std::vector<std::string>{"  \tabc", "", "", "", "def"}),
              Lines("  \tabc\r\n\r\ndef", FCString::LINE_KEEP_EMPTY));
    EXPECT_EQ((std::vector<std::string>{"x"}), Lines("　x", FCString::LINE_TRIM | FCString::LINE_FULL_WIDTH));
    EXPECT_EQ((std::vector<std::string>{"　x"}), Lines("　x", FCString::LINE_TRIM));
    EXPECT_EQ((std::vector<std::string>{""}), Lines("   ", FCString::LINE_TRIM));
}

TEST(FCStringReplace, LeftToRightWithoutOverlapOrRescan) {
    FCString a("aXbXc");
    EXPECT_EQ(2, a.replaceAll("X", "--"));
    EXPECT_STREQ("a--b--c", a.text());
    FCString b("aaa");
    EXPECT_EQ(1, b.replaceAll("aa", "b"));
    EXPECT_STREQ("ba", b.text());
    FCString c("same");
    EXPECT_EQ(0, c.replaceAll("", "x"));
    EXPECT_STREQ("same", c.text());
    FCString d("%dest%dest%");
    EXPECT_EQ(1, d.replaceAll("%dest%", "D"));
    EXPECT_STREQ("Ddest%", d.text());
    FCString e("ab");
    EXPECT_EQ(1, e.replaceAll("a", "aa"));
    EXPECT_STREQ("aab", e.text());
    FCString trail("表\\n");  // the 0x5C of 表 followed by n is not a backslash-n pair
    EXPECT_EQ(1, trail.replaceAll("\\n", "\n"));
    EXPECT_STREQ("表\n", trail.text());
}

TEST(FCStringReplace, ToLowerIsByteWiseAndCopiesASharedText) {
    FCString a("ABC表Z");
    FCString b(a);
    b.toLower();
    EXPECT_STREQ("abc表z", b.text());
    EXPECT_STREQ("ABC表Z", a.text());
    FCString trail("\x83\x41");  // ア: its trail byte is 'A'
    trail.toLower();
    EXPECT_EQ('\x61', trail.text()[1]);
}

TEST(FCStringMid, CopiesInclusiveRangesEitherWayRound) {
    FCString s("0123456789");
    FCString out;
    s.mid(out, s.text() + 2, s.text() + 4);
    EXPECT_STREQ("234", out.text());
    s.mid(out, s.text() + 4, s.text() + 2);
    EXPECT_STREQ("234", out.text());
    s.mid(out, s.text() + 7, nullptr);
    EXPECT_STREQ("789", out.text());
    s.mid(out, nullptr, s.text());
    EXPECT_STREQ("0", out.text());
    FCString dbcs("a表b");
    dbcs.mid(out, dbcs.text(), dbcs.text() + 1);  // ends on a lead byte: not split
    EXPECT_STREQ("a", out.text());
}

TEST(FCStringMid, OutsideTheTextShowsTheBoxAndChangesNothing) {
    FCString s("abc");
    FCString other("xyz");
    FCString out("before");
    WindowAnswerer answer("FCString class", {IDOK});
    s.mid(out, s.text(), other.text() + 1);
    ASSERT_EQ(1, answer.answered());
    const std::string& text = answer.texts()[0];
    EXPECT_EQ(0u, text.find("  start:"));
    EXPECT_NE(std::string::npos, text.find("\n    end:"));
    EXPECT_NE(std::string::npos, text.find("\nstrings:"));
    EXPECT_NE(std::string::npos, text.find("\n length:3"));
    EXPECT_STREQ("before", out.text());
}

TEST(FCStringTokens, OutOfMemoryInTemporariesIsReportedAsFCString) {
    FCString s("token rest");
    FCString token;
    {
        FailNthAllocation failing(1);
        try {
            s.nextToken(token, " ", false);
            ADD_FAILURE() << "no exception";
        } catch (const NotEnoughMemoryException& e) {
            EXPECT_STREQ("FCString", e.getCaption());
        }
    }
    FCString big((std::string(3000, 'f') + ",x").c_str());
    FCString field;
    FailNthAllocation failing(1);
    try {
        big.nextField(field, ",", false, nullptr);
        ADD_FAILURE() << "no exception";
    } catch (const NotEnoughMemoryException& e) {
        EXPECT_STREQ("FCString", e.getCaption());
    }
}

// Any bytes at all, lone lead bytes at the end included, are scanned without
// reading past the terminator: the string's buffer is pointed at a text that
// ends a page whose successor is not readable, so a read beyond it faults.
namespace {
class GuardedText {
public:
    GuardedText(FCString& s, char* text) : s_(s), own_(s.rep->buffer) {
        s_.rep->buffer = text;
        s_.cursor = text;
    }
    ~GuardedText() {
        s_.rep->buffer = own_;
        s_.cursor = own_;
    }

private:
    FCString& s_;
    char* own_;
};
}  // namespace

TEST(FCStringFuzz, RandomBytesNeverReadPastTheTerminator) {
    SYSTEM_INFO info;
    GetSystemInfo(&info);
    DWORD page = info.dwPageSize;
    char* area = static_cast<char*>(VirtualAlloc(nullptr, page * 2, MEM_RESERVE | MEM_COMMIT, PAGE_READWRITE));
    ASSERT_NE(nullptr, area);
    DWORD old;
    VirtualProtect(area + page, page, PAGE_NOACCESS, &old);
    std::mt19937 random(1234);
    const unsigned char alphabet[] = {'a',  '\\', ',',  '=',  ' ',  '\t', '\r', '\n', 0x95, 0x83, 0x94, 0x5C,
                                      0x81, 0x40, 0xE0, 0xFC, 0xA0, 0x80, 0xFF, '0',  'x',  'b',  '1',  '%'};
    for (int round = 0; round < 5000; ++round) {
        int n = static_cast<int>(random() % 40);
        char* text = area + page - n - 1;
        for (int i = 0; i < n; ++i) text[i] = static_cast<char>(alphabet[random() % sizeof alphabet]);
        text[n] = '\0';
        FCString s(text);
        FCString out;
        FCString fields[5];
        {
            GuardedText guard(s, text);
            s.split(fields, 5, ",", FCString::SPLIT_KEEP_EMPTY, " \t");
            s.cursor = text;
            while (s.readLine(out, FCString::LINE_TRIM | FCString::LINE_FULL_WIDTH)) {
            }
            s.cursor = text;
            while (s.nextToken(out, "\\", true) != nullptr) {
            }
            s.seek(0, FCString::SEEK_FROM_START);
            s.findLastAnyOf("\\表");
            s.seek(-3, FCString::SEEK_FROM_END);
            s.currentChar();
            s.cursor = text;
            s.find("\\x", nullptr);
            s.toInt();
            s.toUnsigned();
            EXPECT_EQ(0u, s.charAt(text + n));
        }
        FCString r(text);
        r.replaceAll("\\", "/");
        FCString appended;
        appended.append(text, static_cast<int>(random() % 50));
        EXPECT_LE(appended.length(), n);
    }
    VirtualFree(area, 0, MEM_RELEASE);
}
