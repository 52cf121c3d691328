#include "ui/Markup.h"
#include "ui/ReadableColour.h"
#include "foundation/WideText.h"
#include "foundation/FCString.h"
#include "foundation/Mbcs.h"
#include <richedit.h>
#include <cstring>
#include <string>
#include <vector>

namespace {
const char* const kOpenBracket = "【";
const char* const kCloseBracket = "】";
const char kHex[] = "0123456789ABCDEF";

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

}  // namespace

UxMarkedText& UxMarkedText::append(const char* markup) {
    if (markup == nullptr || *markup == '\0') return *this;
    if (!pieces_.empty() && !pieces_.back().literal) pieces_.back().markup += markup;
    else pieces_.push_back(PIECE_{false, markup, std::wstring()});
    return *this;
}

UxMarkedText& UxMarkedText::append(const UxMarkedText& other) {
    for (const PIECE_& piece : other.pieces_) {
        if (piece.literal) appendLiteral(piece.text);
        else append(piece.markup.c_str());
    }
    return *this;
}

UxMarkedText& UxMarkedText::appendLiteral(const std::wstring& text) {
    if (!text.empty()) pieces_.push_back(PIECE_{true, std::string(), text});
    return *this;
}

UxMarkedText& UxMarkedText::appendLiteral(const char* shiftJis) { return appendLiteral(FromShiftJis(shiftJis)); }

UxMarkedText& UxMarkedText::appendColoured(const std::wstring& text, unsigned colour) {
    char number[16];
    wsprintfA(number, "0x%06X", colour & 0xFFFFFFu);
    append("【");
    append(number);
    append("】");
    appendLiteral(text);
    return append("【-1】");
}

UxMarkedText& UxMarkedText::appendColoured(const char* shiftJis, unsigned colour) {
    return appendColoured(FromShiftJis(shiftJis), colour);
}

namespace {
// The whole marked-up text as one RTF document, streamed into the control
// in one pass: appended run by run, every run made the control wrap its
// paragraph again, a time that grew with the square of the text's length.
class RtfWriter {
public:
    // background: what the control paints, which every marked colour is
    // made readable on.
    explicit RtfWriter(unsigned background) : background_(background) { body_.reserve(1024); }
    void run(const FCString& text, const RunFormat& format) {
        any_ = true;
        if (text.isEmpty()) return;
        endsWithBreak_ = text.text()[text.length() - 1] == '\n' || text.text()[text.length() - 1] == '\r';
        format_(format);
        size_t inPiece = 0;
        for (const char* c = text.text(); *c != '\0'; c = Mbcs::Next(c)) {
            if (++inPiece > kPieceLength) {
                inPiece = 1;
                startPiece();
            }
            const char* next = Mbcs::Next(c);
            for (const unsigned char* p = reinterpret_cast<const unsigned char*>(c);
                 p != reinterpret_cast<const unsigned char*>(next); ++p)
                byte(p);
        }
    }
    // Text shown exactly as it is, in any character.
    void wideRun(const std::wstring& text, const RunFormat& format) {
        any_ = true;
        if (text.empty()) return;
        endsWithBreak_ = text.back() == L'\n' || text.back() == L'\r';
        format_(format);
        size_t inPiece = 0;
        for (size_t i = 0; i < text.size(); ++i) {
            if (++inPiece > kPieceLength) {
                inPiece = 1;
                startPiece();
            }
            wchar_t unit = text[i];
            if (unit == L'\n' || (unit == L'\r' && (i + 1 == text.size() || text[i + 1] != L'\n'))) body_ += "\\par\n";
            else if (unit == L'\r') continue;
            else if (unit < 0x80 && unit >= 0x20 && unit != L'\\' && unit != L'{' && unit != L'}')
                body_ += static_cast<char>(unit);
            else wide(unit);
        }
    }
    // Shift_JIS text, whatever the system's code page; colour 0 of the
    // table is the control's own.
    std::string document() const {
        std::string rtf = "{\\rtf1\\ansi\\ansicpg932{\\colortbl ;";
        for (unsigned colour : colours_) {
            rtf += "\\red" + std::to_string((colour >> 16) & 0xFF) + "\\green" + std::to_string((colour >> 8) & 0xFF) +
                   "\\blue" + std::to_string(colour & 0xFF) + ";";
        }
        // The reader takes a last paragraph mark for the document's own end:
        // a text that ends in a line break keeps it only with one more.
        return rtf + "}\n" + body_ + (endsWithBreak_ ? "\\par}" : "}");
    }
    // False when the markup held no text at all, not even an empty run.
    bool any() const { return any_; }

private:
    void format_(const RunFormat& format) {
        body_ += "\\cf";
        body_ += std::to_string(format.colour < 0 ? 0
                                                  : colourIndex(static_cast<int>(ShownColour(
                                                        static_cast<unsigned>(format.colour), background_))));
        body_ += (format.effects & EFFECT_BOLD) ? "\\b" : "\\b0";
        body_ += (format.effects & EFFECT_ITALIC) ? "\\i" : "\\i0";
        body_ += (format.effects & EFFECT_UNDERLINE) ? "\\ul " : "\\ulnone ";
    }
    // The control wraps a paragraph in a time that grows with the square of
    // its longest run of one format, and a long text with no markup is one
    // run: 100,000 Japanese characters on one line took 12 s. Every piece of
    // this many characters therefore switches its background between the
    // control's own and the same colour named, which looks the same and
    // makes runs of the control's own length.
    static const size_t kPieceLength = 256;
    void startPiece() {
        named_ = !named_;
        body_ += "\\highlight";
        body_ += std::to_string(named_ ? colourIndex(static_cast<int>(GetSysColor(COLOR_WINDOW) & 0xFFFFFF)) : 0);
        body_ += ' ';
    }
    void byte(const unsigned char* p) {
        if (*p == '\n') {
            body_ += "\\par\n";
        } else if (*p == '\r') {
            if (p[1] != '\n') body_ += "\\par\n";
        } else if (*p >= 0x80 || *p == '\\' || *p == '{' || *p == '}' || *p < 0x20) {
            // Every byte of a double-byte character is escaped, trail
            // bytes that look like '\\' or braces included; the reader
            // joins them through the document's code page.
            body_ += "\\'";
            body_ += kHex[*p >> 4];
            body_ += kHex[*p & 15];
        } else {
            body_ += static_cast<char>(*p);
        }
    }
    // A unit as the reader takes it in any code page: \\uN (signed) with
    // no fallback of its own.
    void wide(wchar_t unit) {
        body_ += "\\uc0\\u";
        body_ += std::to_string(static_cast<short>(unit));
        body_ += ' ';
    }
    size_t colourIndex(int colour) {
        if (colour < 0) return 0;
        for (size_t i = 0; i < colours_.size(); ++i)
            if (colours_[i] == static_cast<unsigned>(colour)) return i + 1;
        colours_.push_back(static_cast<unsigned>(colour));
        return colours_.size();
    }
    std::string body_;
    std::vector<unsigned> colours_;
    bool any_ = false;
    bool endsWithBreak_ = false;
    bool named_ = false;
    unsigned background_;
};

struct STREAM_ {
    const std::string* bytes;
    size_t at;
};

DWORD CALLBACK ReadStream(DWORD_PTR cookie, LPBYTE buffer, LONG size, LONG* read) {
    STREAM_* stream = reinterpret_cast<STREAM_*>(cookie);
    size_t left = stream->bytes->size() - stream->at;
    size_t n = left < static_cast<size_t>(size) ? left : static_cast<size_t>(size);
    std::memcpy(buffer, stream->bytes->data() + stream->at, n);
    stream->at += n;
    *read = static_cast<LONG>(n);
    return 0;
}

void StreamIn(HWND richEdit, const RtfWriter& rtf) {
    std::string document = rtf.document();
    STREAM_ stream = {&document, 0};
    EDITSTREAM edit = {reinterpret_cast<DWORD_PTR>(&stream), 0, ReadStream};
    SendMessageA(richEdit, EM_STREAMIN, SF_RTF, reinterpret_cast<LPARAM>(&edit));
    SendMessageA(richEdit, EM_SETSEL, -1, -1);
}

bool IsRichEdit(HWND control) {
    char name[32] = "";
    GetClassNameA(control, name, sizeof name);
    return CompareStringA(LOCALE_INVARIANT, NORM_IGNORECASE, name, 8, "RichEdit", 8) == CSTR_EQUAL;
}
}  // namespace

namespace {
// Goes through the text's runs in order: each with its format, the tags
// read as the markup says (a text that begins with a tag takes it as the
// first run's format; every later tag first clears the effects).
template <class OnRun, class OnWide>
void ReadRuns(const UxMarkedText& text, const char* open, const char* close, OnRun onRun, OnWide onWide) {
    RunFormat format;
    FCString openSet(open);
    bool first = true;
    for (const UxMarkedText::PIECE_& piece : text.pieces()) {
        if (piece.literal) {
            onWide(piece.text, format);
            first = false;
            continue;
        }
        FCString markup(piece.markup.c_str());
        if (!markup.isEmpty() && markup.charAt(markup.text()) == openSet.charAt(openSet.text())) {
            if (!first) format.effects = 0;
            ReadTag(markup, open, close, format);
        }
        first = false;
        FCString run;
        while (markup.nextToken(run, open, false) != nullptr) {
            onRun(run, format);
            format.effects = 0;
            ReadTag(markup, open, close, format);
        }
    }
}
}  // namespace

void ApplyMarkup(HWND richEdit, const UxMarkedText& text, const char* openBracket, const char* closeBracket) {
    const char* open = (openBracket != nullptr && *openBracket != '\0') ? openBracket : kOpenBracket;
    const char* close = (closeBracket != nullptr && *closeBracket != '\0') ? closeBracket : kCloseBracket;
    RtfWriter rtf(PaintedBackground(richEdit));
    ReadRuns(
        text, open, close, [&](const FCString& run, const RunFormat& format) { rtf.run(run, format); },
        [&](const std::wstring& run, const RunFormat& format) { rtf.wideRun(run, format); });
    // Tags alone leave the control as it was.
    if (rtf.any()) StreamIn(richEdit, rtf);
}

void ApplyMarkup(HWND richEdit, const char* text, const char* openBracket, const char* closeBracket) {
    ApplyMarkup(richEdit, UxMarkedText(text), openBracket, closeBracket);
}

std::wstring UxMarkedText::plain() const {
    std::wstring out;
    ReadRuns(
        *this, kOpenBracket, kCloseBracket,
        [&](const FCString& run, const RunFormat&) { out += FromShiftJis(run.text()); },
        [&](const std::wstring& run, const RunFormat&) { out += run; });
    return out;
}

void SetMessageText(HWND dialog, int controlId, const UxMarkedText& text, bool markedUp, const char* openBracket,
                    const char* closeBracket) {
    HWND control = GetDlgItem(dialog, controlId);
    if (text.empty()) {
        SetWindowTextW(control, L"");
        return;
    }
    if (markedUp) {
        ApplyMarkup(control, text, openBracket, closeBracket);
        return;
    }
    // Plain: the markup's own characters are shown as they stand.
    std::wstring plain;
    for (const UxMarkedText::PIECE_& piece : text.pieces())
        plain += piece.literal ? piece.text : FromShiftJis(piece.markup.c_str());
    if (!IsRichEdit(control)) {
        SetWindowTextW(control, plain.c_str());
        return;
    }
    // A rich edit takes the text the same way as a marked-up one, in the
    // control's own colour.
    RtfWriter rtf(PaintedBackground(control));
    rtf.wideRun(plain, RunFormat());
    StreamIn(control, rtf);
}

void SetMessageText(HWND dialog, int controlId, const char* text, bool markedUp, const char* openBracket,
                    const char* closeBracket) {
    SetMessageText(dialog, controlId, UxMarkedText(text != nullptr ? text : ""), markedUp, openBracket, closeBracket);
}
