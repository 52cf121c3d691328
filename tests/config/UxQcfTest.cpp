#include "config/UxQcf.h"
#include "config/UxStaticRandom.h"
#include "foundation/Diagnostic.h"
#include "tests/support/TempFolder.h"
#include "tests/support/WindowAnswerer.h"
#include "foundation/FCHandle.h"
#include <gtest/gtest.h>
#include <memory>
#include <random>
#include <string>
#include <vector>

namespace {
std::string Get(const UxQcf& store, const char* name) {
    FCString out("<absent>");
    store.getString(out, name);
    return out.text();
}

// A scrambled file as the publishers' tool writes it.
std::string ScrambledFile(unsigned key, const std::string& body, const std::string& declaration) {
    std::string bytes = body;
    if (!bytes.empty()) scrambleBytes(key, reinterpret_cast<unsigned char*>(&bytes[0]), static_cast<int>(bytes.size()));
    return declaration + "\n" + bytes;
}

UxQcf* Parsed(const char* text) {
    UxQcf* store = new UxQcf;
    store->parse(FCString(text), false);
    return store;
}
}  // namespace

TEST(UxQcfParse, KeysAndValuesByTheLineRules) {
    std::unique_ptr<UxQcf> s(
        Parsed("a=b=d\n"
               "b = = b\r\n"
               "=x\r"
               "c d\n"
               "e=b\td\n"
               "f=b  \n"
               "  ; note\n"
               "　;note\n"
               "x;y=1\n"
               "\n\n"
               "　\tg=full width blanks before\n"
               "a=second\n"));
    EXPECT_EQ("b=d", Get(*s, "a"));
    EXPECT_EQ("b", Get(*s, "b"));
    EXPECT_EQ("", Get(*s, "x"));
    EXPECT_EQ("d", Get(*s, "c"));
    EXPECT_EQ("b", Get(*s, "e"));
    EXPECT_EQ("b  ", Get(*s, "f"));
    EXPECT_EQ("1", Get(*s, "x;y"));
    EXPECT_EQ("full width blanks before", Get(*s, "g"));
    EXPECT_EQ("<absent>", Get(*s, ";"));
    EXPECT_EQ(8u, s->entries.size());
}

// A value whose last character lost its second byte keeps the line break
// after it: the lone lead byte is dropped, never joined with what follows.
// Real Shift_JIS endings (表 and ソ end in 0x5C, ｱ is one byte) read as before.
TEST(UxQcfParse, ALoneLeadByteAtTheEndOfAValueIsDropped) {
    std::unique_ptr<UxQcf> s(
        Parsed("mes0=abc\x82\nmes1=next\r\n"
               "a=\x95\x5C\nb=\x83\x5C\r\nc=x\xB1\nd=\x82\xA0\x82\n"
               "e=\x82"));
    EXPECT_EQ("abc", Get(*s, "mes0"));
    EXPECT_EQ("next", Get(*s, "mes1"));
    EXPECT_EQ("\x95\x5C", Get(*s, "a"));
    EXPECT_EQ("\x83\x5C", Get(*s, "b"));
    EXPECT_EQ("x\xB1", Get(*s, "c"));
    EXPECT_EQ("\x82\xA0", Get(*s, "d"));
    EXPECT_EQ("", Get(*s, "e"));
}

TEST(UxQcfParse, SeparatorOnlyLineGivesTheEmptyKeyOnce) {
    std::unique_ptr<UxQcf> s(Parsed("= \t=\n==\nk=v\n"));
    EXPECT_EQ("", Get(*s, ""));
    EXPECT_EQ(2u, s->entries.size());
}

TEST(UxQcfParse, CaseSensitiveKeysAndIndexes) {
    std::unique_ptr<UxQcf> s(Parsed("size=1\nSize=2\nsize=3\nmes0=zero\nmes12=twelve\n"));
    unsigned n = 0;
    EXPECT_TRUE(s->getNumber(n, "size"));
    EXPECT_EQ(1u, n);
    EXPECT_TRUE(s->getNumber(n, "Size"));
    EXPECT_EQ(2u, n);
    EXPECT_EQ("zero", Get(*s, "mes0"));
    FCString out;
    EXPECT_TRUE(s->getString(out, "mes", 0));
    EXPECT_STREQ("zero", out.text());
    EXPECT_TRUE(s->getString(out, "mes", 12));
    EXPECT_FALSE(s->getString(out, "mes", -1));
}

TEST(UxQcfValues, NumbersAndDefaults) {
    std::unique_ptr<UxQcf> s(Parsed("h=0x10\nb=0b101\nm=12abc\nn=-1\ne=\n"));
    unsigned n = 7;
    s->getNumber(n, "h");
    EXPECT_EQ(16u, n);
    s->getNumber(n, "b");
    EXPECT_EQ(5u, n);
    s->getNumber(n, "m");
    EXPECT_EQ(12u, n);
    s->getNumber(n, "n");
    EXPECT_EQ(4294967295u, n);
    s->getNumber(n, "e");
    EXPECT_EQ(0u, n);
    n = 9;
    EXPECT_FALSE(s->getNumber(n, "absent"));
    EXPECT_EQ(9u, n);
    EXPECT_FALSE(s->getNumberOr(n, "absent", 42, -1, 0));
    EXPECT_EQ(42u, n);
    EXPECT_EQ(5u, s->entries.size());
    EXPECT_FALSE(s->getNumberOr(n, "absent", 43, -1, 1));
    EXPECT_EQ("43", Get(*s, "absent"));
    s->setNumber("neg", static_cast<unsigned>(-1));
    EXPECT_EQ("4294967295", Get(*s, "neg"));
}

TEST(UxQcfValues, EmptyStoreLeavesOutUnchangedAndGivesDefaults) {
    UxQcf store;
    FCString out("kept");
    EXPECT_FALSE(store.getString(out, "caption"));
    EXPECT_STREQ("kept", out.text());
    EXPECT_FALSE(store.getStringOr(out, "caption", "一括解凍"));
    EXPECT_STREQ("一括解凍", out.text());
    EXPECT_FALSE(store.getStringOr(out, "x", nullptr));
    EXPECT_STREQ("", out.text());
    EXPECT_TRUE(store.entries.empty());
    store.setString(nullptr, nullptr);
    EXPECT_EQ("", Get(store, ""));
}

TEST(UxQcfLoad, ScrambledFileWithItsDeclaration) {
    TempFolder dir;
    std::string path = dir / "kelpex.qcf";
    TempFolder::writeFile(path, ScrambledFile(12345, "caption=表示テスト\nsize=300\n", "qcftype=1,12345"));
    UxQcf store;
    EXPECT_TRUE(store.load(W(path)));
    EXPECT_EQ("表示テスト", Get(store, "caption"));
    EXPECT_EQ("300", Get(store, "size"));
    EXPECT_EQ("1,12345", Get(store, "qcftype"));
    EXPECT_EQ(W(path), store.filePath);
}

TEST(UxQcfLoad, DeclarationVariants) {
    TempFolder dir;
    std::string path = dir / "v.qcf";
    struct Case {
        std::string declaration;
        unsigned key;
        bool unscrambled;
    };
    const Case cases[] = {
        {"QCFTYPE=1,0x3039", 12345, true}, {"\t qcftype=1,12345", 12345, true}, {"qcftype =1,12345", 12345, false},
        {"qcftype=1,0", 12345, false},     {"qcftype=1", 12345, false},         {"qcftype=1,key", 12345, false},
        {"qcftype=2,12345", 12345, false}, {"qcftype=1,12346", 12345, false},
    };
    for (const Case& c : cases) {
        TempFolder::writeFile(path, ScrambledFile(c.key, "size=300\n", c.declaration));
        UxQcf store;
        store.load(W(path));
        EXPECT_EQ(c.unscrambled, Get(store, "size") == "300") << c.declaration;
    }
    TempFolder::writeFile(path, "\nqcftype=1,5\nsize=300\n");  // not on the first line
    UxQcf later;
    later.load(W(path));
    EXPECT_EQ("300", Get(later, "size"));
    EXPECT_EQ("1,5", Get(later, "qcftype"));
}

TEST(UxQcfLoad, MissingEmptyNulAndCommentOnlyFiles) {
    TempFolder dir;
    std::string path = dir / "k.qcf";
    UxQcf store;
    EXPECT_FALSE(store.load(W(path)));
    EXPECT_EQ(W(path), store.filePath);
    EXPECT_FALSE(store.load(L""));
    TempFolder::writeFile(path, "");
    EXPECT_FALSE(store.load(W(path)));
    TempFolder::writeFile(path, std::string("\0size=1\n", 8));
    EXPECT_FALSE(store.load(W(path)));
    EXPECT_TRUE(store.entries.empty());
    TempFolder::writeFile(path, "; only\n\n  ;x\n");
    EXPECT_TRUE(store.load(W(path)));
    EXPECT_TRUE(store.entries.empty());
    store.flags = 0;
}

TEST(UxQcfLoad, LoadingNeverWritesAndLockedFilesAsk) {
    TempFolder dir;
    std::string path = dir / "k.qcf";
    TempFolder::writeFile(path, "b=1\na=2\n");
    {
        UxQcf store;
        store.load(W(path));
        store.flags = 0;
    }
    EXPECT_EQ("b=1\na=2\n", TempFolder::readFile(path));
    FCHandle held(CreateFileA(path.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr));
    ASSERT_TRUE(held.valid());
    WindowAnswerer answer("FCFile - open", {IDCANCEL});
    UxQcf store;
    store.flags = 0;
    EXPECT_THROW(store.load(W(path)), CannotOpenException);
    held.reset();
    ASSERT_EQ(1, answer.answered());
    EXPECT_EQ(path + "は\n他のアプリケーションによって開かれています", answer.texts()[0]);
    EXPECT_TRUE(store.entries.empty());
    EXPECT_EQ(W(path), store.filePath);
}

TEST(UxQcfSave, KeyOrderLinesAndTheDestructorSave) {
    TempFolder dir;
    std::string path = dir / "s.qcf";
    {
        UxQcf store;
        store.load(W(path));  // missing: filePath set, saveOnClose still on
    }
    EXPECT_EQ("", TempFolder::readFile(path));
    UxQcf store;
    store.setString("B", "1");
    store.setString("a", "2");
    store.setString("Data1", "3");
    store.setString("data1", "4");
    store.setString("qcftype", "1,0");
    EXPECT_TRUE(store.save(W(path), false));
    EXPECT_EQ("a=2\nB=1\ndata1=4\nData1=3\nqcftype=1,0\n", TempFolder::readFile(path));
    store.flags = 0;
    UxQcf none;
    EXPECT_FALSE(none.save(L"", false));
}

TEST(UxQcfSave, EmptyStoreDeletesEvenAReadOnlyFileOrWritesZeroBytes) {
    TempFolder dir;
    std::string path = dir / "e.qcf";
    TempFolder::writeFile(path, "x=1\n");
    UxQcf store;
    store.flags = 0;
    EXPECT_TRUE(store.save(W(path), false));
    EXPECT_EQ("", TempFolder::readFile(path));
    TempFolder::writeFile(path, "x=1\n");
    SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_READONLY);
    EXPECT_TRUE(store.save(W(path), true));
    EXPECT_FALSE(TempFolder::exists(path));
}

TEST(UxQcfSave, DeclarationWrittenFirstKeepsTheFileReadable) {
    TempFolder dir;
    std::string path = dir / "d.qcf";
    TempFolder::writeFile(path, ScrambledFile(777, "size=300\nzeta=表\n", "qcftype=1,777"));
    UxQcf store;
    ASSERT_TRUE(store.load(W(path)));
    store.save(L"", false);
    store.flags = 0;
    UxQcf again;
    again.flags = 0;
    ASSERT_TRUE(again.load(W(path)));
    EXPECT_EQ("300", Get(again, "size"));
    EXPECT_EQ("表", Get(again, "zeta"));
    EXPECT_EQ("1,777", Get(again, "qcftype"));
}

TEST(UxQcfFuzz, AnyBytesLoadWithoutCrashOrHang) {
    TempFolder dir;
    std::string path = dir / "f.qcf";
    std::mt19937 random(2024);
    const std::string seeds[] = {"qcftype=1,99\nsize=1\n", "a=b\r\n\r\n;c\n", "　=\t=\n", "QCFTYPE=1,0x10\n\x95"};
    for (int round = 0; round < 1500; ++round) {
        std::string bytes = seeds[round % 4];
        int edits = static_cast<int>(random() % 12);
        for (int e = 0; e < edits; ++e) {
            size_t at = bytes.empty() ? 0 : random() % (bytes.size() + 1);
            unsigned char b = static_cast<unsigned char>(random());
            if (random() % 2) bytes.insert(at, 1, static_cast<char>(b));
            else if (at < bytes.size()) bytes[at] = static_cast<char>(b);
        }
        if (round % 5 == 0) {
            bytes.clear();
            int n = static_cast<int>(random() % 3000);
            for (int i = 0; i < n; ++i) bytes.push_back(static_cast<char>(random()));
        }
        TempFolder::writeFile(path, bytes);
        {
            UxQcf store;  // saving on, as made: loading and reading still never write
            store.load(W(path));
            FCString out;
            store.getString(out, "size");
            store.getString(out, "qcftype");
            EXPECT_EQ(bytes, TempFolder::readFile(path));
            store.flags &= ~static_cast<unsigned>(UxQcf::SAVE_ON_CLOSE);
        }
        EXPECT_EQ(bytes, TempFolder::readFile(path));  // nor does a store with saving off at its end
    }
}

namespace {
// The bytes of a UTF-16 text, little or big endian, behind its mark.
std::string Utf8(const std::wstring& text) {
    std::string out(text.size() * 4, '\0');
    out.resize(static_cast<size_t>(WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), &out[0],
                                                       static_cast<int>(out.size()), nullptr, nullptr)));
    return out;
}

std::string Utf16(const wchar_t* text, bool bigEndian) {
    std::string bytes = bigEndian ? "\xFE\xFF" : "\xFF\xFE";
    for (const wchar_t* p = text; *p != L'\0'; ++p) {
        char low = static_cast<char>(*p & 0xFF), high = static_cast<char>(*p >> 8);
        bytes += bigEndian ? high : low;
        bytes += bigEndian ? low : high;
    }
    return bytes;
}
}  // namespace

// A configuration saved by an editor in UTF-8 (with or without a mark) or
// UTF-16 reads as the same Shift_JIS one, scrambled or plain; what Shift_JIS
// cannot hold becomes '?', counted.
TEST(UxQcfEncoding, EveryEncodingAnEditorWritesReadsAsTheShiftJisText) {
    const std::string caption = "表示ソフト 十能", mes0 = "ようこそ。\\nｶﾀｶﾅ";
    const std::string utf8 = u8"caption=表示ソフト 十能\r\nmes0=ようこそ。\\nｶﾀｶﾅ\r\nfname=data.cab\r\n";
    const wchar_t* wide = L"caption=表示ソフト 十能\r\nmes0=ようこそ。\\nｶﾀｶﾅ\r\nfname=data.cab\r\n";
    const struct {
        const char* what;
        std::string bytes;
        QcfEncoding encoding;
    } cases[] = {
        {"Shift_JIS", "caption=" + caption + "\r\nmes0=" + mes0 + "\r\nfname=data.cab\r\n", QCF_SHIFT_JIS},
        {"UTF-8 marked", "\xEF\xBB\xBF" + utf8, QCF_UTF8_MARKED},
        {"UTF-8", utf8, QCF_UTF8},
        {"UTF-16 LE", Utf16(wide, false), QCF_UTF16LE},
        {"UTF-16 BE", Utf16(wide, true), QCF_UTF16BE},
        {"scrambled Shift_JIS", ScrambledFile(77, "caption=" + caption + "\nmes0=" + mes0 + "\n", "qcftype=1,77"),
         QCF_SHIFT_JIS},
        {"scrambled UTF-8", ScrambledFile(77, utf8, "qcftype=1,77"), QCF_UTF8},
        {"scrambled UTF-8 marked", "\xEF\xBB\xBF" + ScrambledFile(77, utf8, "qcftype=1,77"), QCF_UTF8_MARKED},
    };
    for (const auto& c : cases) {
        TempFolder dir;
        TempFolder::writeFile(dir / "kelpex.qcf", c.bytes);
        UxQcf store;
        store.load(W((dir / "kelpex.qcf")));
        store.flags = 0;
        EXPECT_EQ(caption, Get(store, "caption")) << c.what;
        EXPECT_EQ(mes0, Get(store, "mes0")) << c.what;
        EXPECT_EQ(c.encoding, store.encoding) << c.what;
        EXPECT_EQ(0u, store.lostCharacters) << c.what;
    }
    // What Shift_JIS cannot hold shows as '?' in its texts, and is kept
    // whole where a value becomes a folder name.
    const std::wstring real = L"caf\u00e9 \U0001F600 \u8868ok";
    for (bool utf8 : {false, true}) {
        TempFolder dir;
        std::wstring file = L"caption=" + real + L"\r\nmakerName=\u8868\r\n";
        std::string bytes = utf8 ? "\xEF\xBB\xBF" + Utf8(file) : Utf16(file.c_str(), false);
        TempFolder::writeFile(dir / "kelpex.qcf", bytes);
        UxQcf store;
        store.load(W((dir / "kelpex.qcf")));
        store.flags = 0;
        EXPECT_EQ("caf? ? 表ok", Get(store, "caption")) << utf8;
        EXPECT_EQ(2u, store.lostCharacters) << utf8;
        FCString shifted;
        store.getString(shifted, "caption");
        EXPECT_EQ(real, store.getWideString("caption", shifted)) << utf8;
        store.getString(shifted, "makerName");
        EXPECT_EQ(L"\u8868", store.getWideString("makerName", shifted)) << utf8;
        EXPECT_EQ(L"fallback", store.getWideString("appName", FCString("fallback"))) << utf8;
    }
}

// Detection never takes a real Shift_JIS text for UTF-8, even one that is
// valid UTF-8 by chance (half-width katakana in pairs).
TEST(UxQcfEncoding, RealShiftJisTextsStayShiftJis) {
    const char* texts[] = {"mes0=ﾃｽ\n", "a=表\nb=ソ\n",       "caption=Setup 2.0 (表示)\n",
                           "x=ｱｲｳｴｵ\n", "plain=ascii only\n", "mes0=十能\\n"};
    for (const char* text : texts) EXPECT_EQ(QCF_SHIFT_JIS, DetectQcfEncoding(text)) << text;
    EXPECT_EQ(QCF_UTF8, DetectQcfEncoding(u8"x=表"));
}
