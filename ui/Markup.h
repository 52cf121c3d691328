// The in-band colour markup of the tool's messages: 【0xRRGGBB,B,I,U】 tags
// switch the colour and effects of the text that follows; 【-1】 goes back
// to the control's own colour.
#pragma once
#include "foundation/FCString.h"
#include <string>
#include <vector>
#include <windows.h>

enum MarkupEffect : unsigned {
    EFFECT_BOLD = 1,
    EFFECT_ITALIC = 2,
    EFFECT_UNDERLINE = 4,
};

// A text as the tool shows it: its own Shift_JIS texts with their colour
// markup, and texts shown exactly as written, brackets included (a path, a
// name, the system's words: a folder may well be called 【旧】データ, or
// 게임), held as UTF-16 and never read as markup.
class UxMarkedText {
public:
    struct PIECE_ {
        bool literal;
        std::string markup;  // Shift_JIS, when not literal
        std::wstring text;  // when literal
    };

    UxMarkedText() = default;
    explicit UxMarkedText(const char* markup) { append(markup); }
    // Marked-up Shift_JIS.
    UxMarkedText& append(const char* markup);
    UxMarkedText& append(const UxMarkedText& other);
    // Shown exactly as written.
    UxMarkedText& appendLiteral(const std::wstring& text);
    UxMarkedText& appendLiteral(const char* shiftJis);
    // The same in a colour (0xRRGGBB), then back to the control's own.
    UxMarkedText& appendColoured(const std::wstring& text, unsigned colour);
    UxMarkedText& appendColoured(const char* shiftJis, unsigned colour);
    bool empty() const { return pieces_.empty(); }
    void clear() { pieces_.clear(); }
    const std::vector<PIECE_>& pieces() const { return pieces_; }
    // As it reads, its tags left out: what a plain control or a log gets.
    std::wstring plain() const;

private:
    std::vector<PIECE_> pieces_;
};

// Replaces the rich edit's whole content with the marked-up text; tags
// alone leave it as it was.
void ApplyMarkup(HWND richEdit, const UxMarkedText& text, const char* openBracket, const char* closeBracket);
void ApplyMarkup(HWND richEdit, const char* text, const char* openBracket, const char* closeBracket);
void SetMessageText(HWND dialog, int controlId, const UxMarkedText& text, bool markedUp,
                    const char* openBracket = nullptr, const char* closeBracket = nullptr);
void SetMessageText(HWND dialog, int controlId, const char* text, bool markedUp, const char* openBracket = nullptr,
                    const char* closeBracket = nullptr);
