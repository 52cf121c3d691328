// The in-band colour markup of the tool's messages: 【0xRRGGBB,B,I,U】 tags
// switch the colour and effects of the text that follows; 【-1】 goes back
// to the control's own colour.
#pragma once
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
