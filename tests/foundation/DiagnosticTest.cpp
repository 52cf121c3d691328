#include "foundation/Diagnostic.h"
#include "foundation/FCHeap.h"
#include "foundation/SystemErrorText.h"
#include "tests/support/WindowAnswerer.h"
#include <gtest/gtest.h>
#include <cstdint>
#include <memory>
#include <new>
#include <stdexcept>

TEST(Diagnostic, SettersIgnoreNullAndAppendJoins) {
    Diagnostic d("cap", "a");
    d.setCaption(nullptr);
    d.setMessage(nullptr);
    EXPECT_STREQ("cap", d.getCaption());
    EXPECT_STREQ("a", d.getMessage());
    d.appendMessage("");
    d.appendMessage(nullptr);
    EXPECT_STREQ("a", d.getMessage());
    d.appendMessage("b");
    EXPECT_STREQ("ab", d.getMessage());
}

TEST(Diagnostic, CopiesOwnTheirTexts) {
    std::unique_ptr<Diagnostic> original(new CannotOpenException("cannot open", "C:\\x"));
    CannotOpenException copy(*static_cast<CannotOpenException*>(original.get()));
    original.reset();
    EXPECT_STREQ("cannot open", copy.getCaption());
    EXPECT_STREQ("C:\\x", copy.getMessage());
}

TEST(Diagnostic, ExceptionsAreCaughtAsDiagnostic) {
    try {
        throw CannotWriteException("cannot write", "f.txt");
    } catch (const Diagnostic& d) {
        EXPECT_STREQ("cannot write", d.getCaption());
    }
}

TEST(Diagnostic, ShowPutsMessageAndCaptionInABox) {
    Diagnostic d("表示テスト", "メモリが足りません！");
    WindowAnswerer answer("表示テスト", {IDOK});
    EXPECT_EQ(IDOK, d.show());
    ASSERT_EQ(1, answer.answered());
    EXPECT_EQ("メモリが足りません！", answer.texts()[0]);
}

TEST(FCHeap, ImpossibleSizeReturnsNoneOrThrows) {
    const size_t impossible = SIZE_MAX - 4096;
    EXPECT_EQ(nullptr, FCHeap::malloc(impossible, 0));
    try {
        FCHeap::malloc(impossible, FCHeap::THROW_ON_FAILURE);
        ADD_FAILURE() << "no exception";
    } catch (const NotEnoughMemoryException& e) {
        EXPECT_STREQ("FCHeap - malloc", e.getCaption());
        EXPECT_STREQ("メモリが足りません！", e.getMessage());
    }
    EXPECT_EQ(0, FCHeap::free(nullptr, 0));
    unsigned char* zeroed =
        static_cast<unsigned char*>(FCHeap::malloc(64, HEAP_ZERO_MEMORY | FCHeap::THROW_ON_FAILURE));
    ASSERT_NE(nullptr, zeroed);
    EXPECT_EQ(0, zeroed[63]);
    EXPECT_NE(0, FCHeap::free(zeroed, 0));
}

TEST(ReportLastError, ShowsTheCodeCurrentWhenCalled) {
    WindowAnswerer answer("FCString class", {IDOK});
    SetLastError(5);
    reportLastError("FCPathName - create()");
    ASSERT_EQ(1, answer.answered());
    EXPECT_EQ("FCPathName - create()でエラーが発生しました\nエラーコードは、5です", answer.texts()[0]);
}

namespace {
void Returns(void*) {}
void ThrowsDiagnostic(void*) { throw CannotReadException("FCFile - read", "x.txt"); }
void ThrowsBadAlloc(void*) { throw std::bad_alloc(); }
void ThrowsStandard(void*) { throw std::runtime_error("boom"); }
void ThrowsAnything(void*) { throw 42; }
}  // namespace

TEST(RunCatchingFailures, EveryKindOfExceptionBecomesAMessageToShow) {
    struct Case {
        void (*body)(void*);
        const char* caption;
        const char* message;
    } cases[] = {{ThrowsDiagnostic, "FCFile - read", "x.txt"},
                 {ThrowsBadAlloc, "kelpex", "メモリが足りません！"},
                 {ThrowsStandard, "予期しないエラー", "予期しないエラーのため終了します。\nboom"},
                 {ThrowsAnything, "予期しないエラー", "予期しないエラーのため終了します。"}};
    for (const Case& c : cases) {
        std::unique_ptr<Diagnostic> d = RunCatchingFailures(c.body);
        ASSERT_NE(nullptr, d.get()) << c.message;
        EXPECT_STREQ(c.caption, d->getCaption());
        EXPECT_STREQ(c.message, d->getMessage());
    }
    EXPECT_EQ(nullptr, RunCatchingFailures(Returns).get());
}

TEST(SystemErrorText, TheSystemsWordsWithoutTheirLineEnd) {
    FCString text;
    ASSERT_TRUE(SystemErrorText(ERROR_ACCESS_DENIED, text));
    std::string words = text.text();
    EXPECT_NE(std::string::npos, words.find("アクセス")) << words;
    EXPECT_EQ(std::string::npos, words.find_first_of("\r\n")) << words;
    for (DWORD none : {0ul, 0x2000FFFFul}) {  // success, and a code without text
        text.assignFrom("old");
        EXPECT_FALSE(SystemErrorText(none, text)) << none;
        EXPECT_STREQ("", text.text());
    }
}
