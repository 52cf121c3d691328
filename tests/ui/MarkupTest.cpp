#include "tests/ui/UiTestSupport.h"
#include "ui/Markup.h"
#include <gtest/gtest.h>
#include <random>

namespace {
const COLORREF kDarkRed = 0x0000C0;  // markup 0xC00000
const COLORREF kDarkGreen = 0x007000;  // markup 0x007000: readable as it is

struct Expect {
    bool autoColour;
    COLORREF colour;
    DWORD effects;  // CFE_BOLD | CFE_ITALIC | CFE_UNDERLINE
};

class MarkupTest : public testing::Test {
protected:
    TestDialog dialog;
    HWND rich() const { return dialog.control(TestDialog::RICH); }
    void render(const char* text) { ApplyMarkup(rich(), text, nullptr, nullptr); }
    void expectRange(int from, int to, Expect e) {
        for (int i = from; i < to; ++i) {
            CHARFORMATA f = FormatAt(rich(), i);
            EXPECT_EQ(e.autoColour, IsAutoColour(f)) << "position " << i;
            if (!e.autoColour) {
                EXPECT_EQ(e.colour, f.crTextColor) << "position " << i;
            }
            EXPECT_EQ(e.effects, f.dwEffects & (CFE_BOLD | CFE_ITALIC | CFE_UNDERLINE)) << "position " << i;
        }
    }
};
}  // namespace

TEST_F(MarkupTest, PlainTextReplacesTheContentInTheDefaultColour) {
    SetWindowTextA(rich(), "previous content");
    render("abc");
    EXPECT_EQ("abc", RichText(rich()));
    expectRange(0, 3, {true, 0, 0});
}

// What the text is made of reaches the control as written: braces,
// backslashes, double-byte characters whose second byte is a backslash,
// and line breaks, a last one included.
TEST_F(MarkupTest, BracesBackslashesTrailBytesAndLineBreaksComeThroughAsWritten) {
    render("{a}\\b\n表ソ【0xC00000】能\n");
    EXPECT_EQ("{a}\\b\r表ソ能\r", RichText(rich()));
    expectRange(0, 8, {true, 0, 0});
    expectRange(8, 9, {false, kDarkRed, 0});
}

TEST_F(MarkupTest, ColourThenBackToAutomatic) {
    render("【0xC00000】abc【-1】def");
    EXPECT_EQ("abcdef", RichText(rich()));
    expectRange(0, 3, {false, kDarkRed, 0});
    expectRange(3, 6, {true, 0, 0});
}

TEST_F(MarkupTest, ATagResetsEffectsButKeepsTheColour) {
    render("x【0x007000,B】y【U】z");
    EXPECT_EQ("xyz", RichText(rich()));
    expectRange(0, 1, {true, 0, 0});
    expectRange(1, 2, {false, kDarkGreen, CFE_BOLD});
    expectRange(2, 3, {false, kDarkGreen, CFE_UNDERLINE});
    render("a【I b】c");
    expectRange(1, 2, {true, 0, CFE_ITALIC | CFE_BOLD});
}

TEST_F(MarkupTest, TwoTagsInARowAndTheEmptyTag) {
    render("【0xC00000】【B】text");
    EXPECT_EQ("B】text", RichText(rich()));
    expectRange(0, 6, {false, kDarkRed, 0});
    render("a【】b【-1】c");
    EXPECT_EQ("ac", RichText(rich()));
    expectRange(0, 1, {true, 0, 0});
    expectRange(1, 2, {true, 0, CFE_BOLD});
}

TEST_F(MarkupTest, UnclosedTagsUnknownTokensAndTagOnlyTexts) {
    render("ab【0xC00000 cd");
    EXPECT_EQ("ab", RichText(rich()));
    render("a【Z,Q,C00000】b");
    EXPECT_EQ("ab", RichText(rich()));
    expectRange(1, 2, {true, 0, 0});
    render("kept");
    render("【0xC00000,B】");
    EXPECT_EQ("kept", RichText(rich()));
    render("【0x1C00000】big");
    expectRange(0, 3, {false, kDarkRed, 0});  // only the low 24 bits: 0xC00000 is dark red
}

TEST_F(MarkupTest, SetMessageTextPlainOrMarkedOrEmpty) {
    SetMessageText(dialog.windowHandle, TestDialog::RICH, "【0xC00000】red", false);
    EXPECT_EQ("【0xC00000】red", RichText(rich()));
    SetMessageText(dialog.windowHandle, TestDialog::RICH, "【0xC00000】red", true);
    EXPECT_EQ("red", RichText(rich()));
    expectRange(0, 3, {false, kDarkRed, 0});
    SetMessageText(dialog.windowHandle, TestDialog::RICH, "", true);
    EXPECT_EQ("", RichText(rich()));
    SetMessageText(dialog.windowHandle, TestDialog::RICH, "<<B>>bold<<->>", true, "<<", ">>");
    EXPECT_EQ("bold", RichText(rich()));
    expectRange(0, 4, {true, 0, CFE_BOLD});
}

TEST_F(MarkupTest, JapaneseRunsAndLineBreaks) {
    render("表示【0xC00000】C:\\表ソ\\【-1】\nです");
    EXPECT_EQ("表示C:\\表ソ\\\rです", RichText(rich()));
    expectRange(0, 2, {true, 0, 0});
    expectRange(2, 8, {false, kDarkRed, 0});
    expectRange(8, 11, {true, 0, 0});
}

TEST_F(MarkupTest, MalformedMarkupNeverCrashes) {
    std::mt19937 random(77);
    const char* pieces[] = {
        "【", "】", "0x",   "FFFFFFFFFF",        "B", ",", " ", "-1", "表", "ソ", "\x95", "\\", "\n", "text", "0b101",
        "U",  "I",  "【】", "999999999999999999"};
    for (int round = 0; round < 400; ++round) {
        std::string text;
        size_t loneLeads = 0;  // the control shows a lone lead byte as a two-byte character
        int n = static_cast<int>(random() % 14);
        for (int i = 0; i < n; ++i) {
            const char* piece = pieces[random() % (sizeof pieces / sizeof pieces[0])];
            loneLeads += std::string(piece) == "\x95" ? 1 : 0;
            text += piece;
        }
        SetWindowTextA(rich(), "");
        render(text.c_str());
        EXPECT_LE(RichText(rich()).size(), text.size() + loneLeads);
    }
}

// A long text is handed to the control in pieces of one look (the control
// wraps one long run in a time that grows with its square): the pieces
// never split a character, keep their colour and effects, and show on the
// control's own background.
TEST_F(MarkupTest, LongRunsReadBackWholeInTheirFormatOnTheControlsBackground) {
    const struct {
        const char* markup;
        Expect format;
    } cases[] = {{"", {true, 0, 0}}, {"【0xC00000,B】", {false, kDarkRed, CFE_BOLD}}};
    for (const auto& c : cases) {
        std::string body;
        for (int i = 0; i < 700; ++i) body += (i % 7 == 0) ? "a" : (i % 2 == 0 ? "表" : "ソ");
        render((std::string(c.markup) + body).c_str());
        ASSERT_EQ(body, RichText(rich())) << c.markup;
        expectRange(0, 700, c.format);
        for (int i = 0; i < 700; ++i) {
            CHARFORMAT2A f = {};
            f.cbSize = sizeof f;
            SendMessageA(rich(), EM_SETSEL, i, i + 1);
            SendMessageA(rich(), EM_GETCHARFORMAT, SCF_SELECTION, reinterpret_cast<LPARAM>(&f));
            ASSERT_TRUE((f.dwEffects & CFE_AUTOBACKCOLOR) || f.crBackColor == GetSysColor(COLOR_WINDOW)) << i;
        }
    }
}

// Every marked colour is readable (4.5:1) on the background the control
// actually paints, enabled or disabled, in the default scheme and in a dark
// one the user sets: the markup's green on white (2.5:1 as written) and
// dark red on black (3.2:1) are made darker or lighter in their own hue.
TEST_F(MarkupTest, MarkedColoursStayReadableOnWhatTheControlPaints) {
    const int elements[] = {COLOR_WINDOW, COLOR_WINDOWTEXT, COLOR_3DFACE, COLOR_BTNTEXT};
    COLORREF saved[4];
    for (int i = 0; i < 4; ++i) saved[i] = GetSysColor(elements[i]);
    const COLORREF dark[4] = {RGB(0, 0, 0), RGB(255, 255, 255), RGB(32, 32, 32), RGB(255, 255, 255)};
    ShowWindow(dialog.windowHandle, SW_SHOW);
    for (bool darkScheme : {false, true}) {
        if (darkScheme) {
            ASSERT_TRUE(SetSysColors(4, elements, dark));
        }
        for (bool enabled : {true, false}) {
            EnableWindow(rich(), enabled);
            render("【0x00C000】green【-1】 【0xC00000】red【-1】 【0x000080】navy");
            const struct {
                int at;
                unsigned hue;
            } runs[] = {{0, 0x00C000}, {6, 0xC00000}, {10, 0x000080}};
            for (const auto& run : runs) {
                CHARFORMATA f = FormatAt(rich(), run.at);
                EXPECT_TRUE(ShownAs(rich(), f, run.hue))
                    << "dark " << darkScheme << " enabled " << enabled << " at " << run.at << " colour " << std::hex
                    << f.crTextColor << " on " << PaintedColour(rich());
            }
        }
    }
    SetSysColors(4, elements, saved);
    EnableWindow(rich(), TRUE);
}
