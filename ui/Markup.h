// The in-band colour markup of the tool's messages: 【0xRRGGBB,B,I,U】 tags
// switch the colour and effects of the text that follows; 【-1】 goes back
// to the control's own colour.
#pragma once
#include "foundation/FCString.h"
#include <windows.h>

enum MarkupEffect : unsigned {
    EFFECT_BOLD = 1,
    EFFECT_ITALIC = 2,
    EFFECT_UNDERLINE = 4,
    EFFECT_STRIKEOUT = 8,
    EFFECT_REPLACE = 0x80000000u,  // the run replaces the control's whole content
};

enum RunPlacement { PLACE_AT_END = 0, PLACE_AT_START = 1, PLACE_AT_SELECTION = 2, PLACE_RESTORE_FORMAT = 0x100 };

// colour: 0xRRGGBB as written in markup, or -1 for the control's own colour.
void AppendFormattedRun(HWND richEdit, const char* run, int colour, unsigned effects, int placement);
void ApplyMarkup(HWND richEdit, const char* text, const char* openBracket, const char* closeBracket);
void SetMessageText(HWND dialog, int controlId, const char* text, bool markedUp, const char* openBracket = nullptr,
                    const char* closeBracket = nullptr);

// 0xRRGGBB (markup) to the platform's 0x00BBGGRR.
COLORREF MarkupColourToColorRef(unsigned colour);

// Appends text that is shown exactly as written, brackets included: every
// path, archive or entry name reaches marked-up text this way, since a
// folder may well be called 【旧】データ. Literal text travels encoded
// between two control characters no file name can hold, so no tag parser
// ever sees it; the rendering shows it as it was.
void AppendLiteral(FCString& markup, const char* text);
// The same in a colour (0xRRGGBB), then back to the control's own colour.
void AppendColoured(FCString& markup, const char* text, unsigned colour);
// Turns the literal sections of markup back into their text.
void ResolveLiterals(FCString& text);
