// The in-band colour markup of the tool's messages: 【0xRRGGBB,B,I,U】 tags
// switch the colour and effects of the text that follows; 【-1】 goes back
// to the control's own colour.
#pragma once
#include "foundation/FCString.h"
#include <string>
#include <windows.h>

enum MarkupEffect : unsigned {
    EFFECT_BOLD = 1,
    EFFECT_ITALIC = 2,
    EFFECT_UNDERLINE = 4,
};

// Replaces the rich edit's whole content with the marked-up text; tags
// alone leave it as it was.
void ApplyMarkup(HWND richEdit, const char* text, const char* openBracket, const char* closeBracket);
void SetMessageText(HWND dialog, int controlId, const char* text, bool markedUp, const char* openBracket = nullptr,
                    const char* closeBracket = nullptr);

// Appends text that is shown exactly as written, brackets included: every
// path, archive or entry name reaches marked-up text this way, since a
// folder may well be called 【旧】データ. Literal text travels encoded
// between two control characters no file name can hold, so no tag parser
// ever sees it; the rendering shows it as it was.
void AppendLiteral(FCString& markup, const char* text);
// The same for a path as Windows gave it: its UTF-16 travels as it is, so a
// name Shift_JIS cannot hold (José, 게임) is shown with its own characters.
void AppendLiteral(FCString& markup, const std::wstring& text);
// The same in a colour (0xRRGGBB), then back to the control's own colour.
void AppendColoured(FCString& markup, const char* text, unsigned colour);
void AppendColoured(FCString& markup, const std::wstring& text, unsigned colour);
// Turns the Shift_JIS literal sections of markup back into their text; a
// UTF-16 one stays as it is, for the rendering or WideResolved.
void ResolveLiterals(FCString& text);
// Text without markup, its literals resolved, as UTF-16: what a plain
// control or a log is given.
std::wstring WideResolved(const char* text);
// Marked-up text as it reads, its tags left out, as UTF-16.
std::wstring PlainText(const char* markup);
