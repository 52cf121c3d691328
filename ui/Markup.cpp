#include "ui/Markup.h"
#include "foundation/FCString.h"
#include <richedit.h>
#include <string>

namespace {
const char* const kOpenBracket = "【";
const char* const kCloseBracket = "】";
// Neither can be a byte of a double-byte character, nor part of a file name.
const char kLiteralStart = '\x01';
const char kLiteralEnd = '\x02';

int HexValue(char c) { return (c >= '0' && c <= '9') ? c - '0' : (c >= 'A' && c <= 'F') ? c - 'A' + 10 : -1; }

struct RunFormat {
    int colour = -1;
    unsigned effects = 0;
};

void ApplyTokens(const FCString& body, RunFormat& format) {
    FCString tokens(body);
    tokens.cursor = const_cast<char*>(tokens.text());
    FCString token;
    while (tokens.nextToken(token, ", \t", false) != nullptr) {
        switch (token.text()[0]) {
        case '-': format.colour = -1; break;
        case '0': format.colour = static_cast<int>(static_cast<unsigned>(token.toInt()) & 0xFFFFFFu); break;
        case 'B':
        case 'b': format.effects |= EFFECT_BOLD; break;
        case 'I':
        case 'i': format.effects |= EFFECT_ITALIC; break;
        case 'U':
        case 'u': format.effects |= EFFECT_UNDERLINE; break;
        default: break;
        }
    }
}

// Skips the open bracket, takes the tag body up to the close bracket, skips
// that, and applies the body's tokens.
void ReadTag(FCString& text, const char* open, const char* close, RunFormat& format) {
    text.skipAnyOf(open);
    FCString body;
    text.nextToken(body, close, false);
    text.skipAnyOf(close);
    ApplyTokens(body, format);
}

CHARFORMATA SelectionFormat(HWND richEdit) {
    CHARFORMATA format = {};
    format.cbSize = sizeof format;
    SendMessageA(richEdit, EM_GETCHARFORMAT, SCF_SELECTION, reinterpret_cast<LPARAM>(&format));
    return format;
}
}  // namespace

COLORREF MarkupColourToColorRef(unsigned colour) {
    return RGB((colour >> 16) & 0xFF, (colour >> 8) & 0xFF, colour & 0xFF);
}

void AppendFormattedRun(HWND richEdit, const char* run, int colour, unsigned effects, int placement) {
    CHARFORMATA format = SelectionFormat(richEdit);
    format.cbSize = sizeof format;
    format.dwMask = CFM_COLOR | CFM_BOLD | CFM_ITALIC | CFM_UNDERLINE | CFM_STRIKEOUT;
    format.dwEffects = 0;
    if (effects & EFFECT_BOLD) format.dwEffects |= CFE_BOLD;
    if (effects & EFFECT_ITALIC) format.dwEffects |= CFE_ITALIC;
    if (effects & EFFECT_UNDERLINE) format.dwEffects |= CFE_UNDERLINE;
    if (effects & EFFECT_STRIKEOUT) format.dwEffects |= CFE_STRIKEOUT;
    if (colour == -1) format.dwEffects |= CFE_AUTOCOLOR;
    format.crTextColor = colour == -1 ? 0 : MarkupColourToColorRef(static_cast<unsigned>(colour));
    if (effects & EFFECT_REPLACE) {
        SendMessageA(richEdit, EM_SETCHARFORMAT, SCF_ALL, reinterpret_cast<LPARAM>(&format));
        SetWindowTextA(richEdit, run);
        SendMessageA(richEdit, EM_SETSEL, 0, -1);
        SendMessageA(richEdit, EM_SETCHARFORMAT, SCF_SELECTION, reinterpret_cast<LPARAM>(&format));
        SendMessageA(richEdit, EM_SETSEL, -1, -1);
        return;
    }
    CHARFORMATA saved = {};
    bool restore = (placement & PLACE_RESTORE_FORMAT) != 0;
    if (restore) saved = SelectionFormat(richEdit);
    switch (placement & 0xFF) {
    case PLACE_AT_END: SendMessageA(richEdit, EM_SETSEL, -1, -1); break;
    case PLACE_AT_START: SendMessageA(richEdit, EM_SETSEL, 0, 0); break;
    default: break;
    }
    SendMessageA(richEdit, EM_SETCHARFORMAT, SCF_SELECTION, reinterpret_cast<LPARAM>(&format));
    SendMessageA(richEdit, EM_REPLACESEL, FALSE, reinterpret_cast<LPARAM>(run));
    if (restore) {
        saved.cbSize = sizeof saved;
        SendMessageA(richEdit, EM_SETCHARFORMAT, SCF_SELECTION, reinterpret_cast<LPARAM>(&saved));
    }
}

void AppendLiteral(FCString& markup, const char* text) {
    static const char kHex[] = "0123456789ABCDEF";
    std::string encoded(1, kLiteralStart);
    for (const unsigned char* p = reinterpret_cast<const unsigned char*>(text != nullptr ? text : ""); *p != 0; ++p) {
        encoded += kHex[*p >> 4];
        encoded += kHex[*p & 15];
    }
    encoded += kLiteralEnd;
    markup.append(encoded.c_str());
}

void AppendColoured(FCString& markup, const char* text, unsigned colour) {
    char number[16];
    wsprintfA(number, "0x%06X", colour & 0xFFFFFFu);
    markup.append("【");
    markup.append(number);
    markup.append("】");
    AppendLiteral(markup, text);
    markup.append("【-1】");
}

void ResolveLiterals(FCString& text) {
    const char* p = text.text();
    if (std::char_traits<char>::find(p, static_cast<size_t>(text.length()), kLiteralStart) == nullptr) return;
    std::string out;
    while (*p != '\0') {
        if (*p != kLiteralStart) {
            out += *p++;
            continue;
        }
        for (++p; HexValue(p[0]) >= 0 && HexValue(p[1]) >= 0; p += 2)
            out += static_cast<char>(HexValue(p[0]) * 16 + HexValue(p[1]));
        if (*p == kLiteralEnd) ++p;
    }
    text.assignFrom(out.c_str());
}

void ApplyMarkup(HWND richEdit, const char* source, const char* openBracket, const char* closeBracket) {
    const char* open = (openBracket != nullptr && *openBracket != '\0') ? openBracket : kOpenBracket;
    const char* close = (closeBracket != nullptr && *closeBracket != '\0') ? closeBracket : kCloseBracket;
    FCString text(source != nullptr ? source : "");
    RunFormat format;
    unsigned replace = EFFECT_REPLACE;
    FCString openSet(open);
    if (!text.isEmpty() && text.charAt(text.text()) == openSet.charAt(openSet.text())) {
        ReadTag(text, open, close, format);
    }
    FCString run;
    while (text.nextToken(run, open, false) != nullptr) {
        ResolveLiterals(run);
        AppendFormattedRun(richEdit, run.text(), format.colour, format.effects | replace, PLACE_AT_END);
        replace = 0;
        format.effects = 0;
        ReadTag(text, open, close, format);
    }
}

void SetMessageText(HWND dialog, int controlId, const char* text, bool markedUp, const char* openBracket,
                    const char* closeBracket) {
    if (text == nullptr || *text == '\0') {
        SetDlgItemTextA(dialog, controlId, "");
        return;
    }
    if (markedUp) {
        ApplyMarkup(GetDlgItem(dialog, controlId), text, openBracket, closeBracket);
        return;
    }
    FCString plain(text);
    ResolveLiterals(plain);
    SetDlgItemTextA(dialog, controlId, plain.text());
}
