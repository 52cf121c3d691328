#include "ui/Markup.h"
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
// Neither can be a byte of a double-byte character, nor part of a file name.
const char kLiteralStart = '\x01';
const char kLiteralEnd = '\x02';
static_assert(kKeptWideEnd == kLiteralEnd, "a UTF-16 literal ends as a Shift_JIS one does");
const char kHex[] = "0123456789ABCDEF";

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

}  // namespace

void AppendLiteral(FCString& markup, const char* text) {
    std::string encoded(1, kLiteralStart);
    for (const unsigned char* p = reinterpret_cast<const unsigned char*>(text != nullptr ? text : ""); *p != 0; ++p) {
        encoded += kHex[*p >> 4];
        encoded += kHex[*p & 15];
    }
    encoded += kLiteralEnd;
    markup.append(encoded.c_str());
}

void AppendLiteral(FCString& markup, const std::wstring& text) {
    std::string encoded;
    AppendKeptWide(encoded, text.data(), text.size());
    markup.append(encoded.c_str());
}

namespace {
template <class Text>
void AppendInColour(FCString& markup, const Text& text, unsigned colour) {
    char number[16];
    wsprintfA(number, "0x%06X", colour & 0xFFFFFFu);
    markup.append("【");
    markup.append(number);
    markup.append("】");
    AppendLiteral(markup, text);
    markup.append("【-1】");
}

}  // namespace

void AppendColoured(FCString& markup, const char* text, unsigned colour) { AppendInColour(markup, text, colour); }
void AppendColoured(FCString& markup, const std::wstring& text, unsigned colour) {
    AppendInColour(markup, text, colour);
}

void ResolveLiterals(FCString& text) {
    const char* p = text.text();
    if (std::char_traits<char>::find(p, static_cast<size_t>(text.length()), kLiteralStart) == nullptr) return;
    std::string out;
    while (*p != '\0') {
        if (*p != kLiteralStart) {
            // A UTF-16 literal's digits are copied as they stand.
            out += *p++;
            continue;
        }
        for (++p; HexValue(p[0]) >= 0 && HexValue(p[1]) >= 0; p += 2)
            out += static_cast<char>(HexValue(p[0]) * 16 + HexValue(p[1]));
        if (*p == kLiteralEnd) ++p;
    }
    text.assignFrom(out.c_str());
}

std::wstring WideResolved(const char* source) {
    FCString text(source != nullptr ? source : "");
    ResolveLiterals(text);
    return WideFromKept(text.text());
}

namespace {
// The whole marked-up text as one RTF document, streamed into the control
// in one pass: appended run by run, every run made the control wrap its
// paragraph again, a time that grew with the square of the text's length.
class RtfWriter {
public:
    RtfWriter() { body_.reserve(1024); }
    void run(const FCString& text, const RunFormat& format) {
        any_ = true;
        if (text.isEmpty()) return;
        endsWithBreak_ = text.text()[text.length() - 1] == '\n' || text.text()[text.length() - 1] == '\r';
        body_ += "\\cf";
        body_ += std::to_string(colourIndex(format.colour));
        body_ += (format.effects & EFFECT_BOLD) ? "\\b" : "\\b0";
        body_ += (format.effects & EFFECT_ITALIC) ? "\\i" : "\\i0";
        body_ += (format.effects & EFFECT_UNDERLINE) ? "\\ul " : "\\ulnone ";
        size_t inPiece = 0;
        for (const char* c = text.text(); *c != '\0'; c = Mbcs::Next(c)) {
            if (++inPiece > kPieceLength) {
                inPiece = 1;
                startPiece();
            }
            if (*c == kKeptWideStart) {
                std::wstring units;
                const char* after = ReadKeptWide(c + 1, units);
                for (wchar_t unit : units) wide(unit);
                c = after - 1;  // the literal's last byte: the loop steps past it
                continue;
            }
            const char* next = Mbcs::Next(c);
            for (const unsigned char* p = reinterpret_cast<const unsigned char*>(c);
                 p != reinterpret_cast<const unsigned char*>(next); ++p)
                byte(p);
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

void ApplyMarkup(HWND richEdit, const char* source, const char* openBracket, const char* closeBracket) {
    const char* open = (openBracket != nullptr && *openBracket != '\0') ? openBracket : kOpenBracket;
    const char* close = (closeBracket != nullptr && *closeBracket != '\0') ? closeBracket : kCloseBracket;
    FCString text(source != nullptr ? source : "");
    RunFormat format;
    FCString openSet(open);
    if (!text.isEmpty() && text.charAt(text.text()) == openSet.charAt(openSet.text())) {
        ReadTag(text, open, close, format);
    }
    RtfWriter rtf;
    FCString run;
    while (text.nextToken(run, open, false) != nullptr) {
        ResolveLiterals(run);
        rtf.run(run, format);
        format.effects = 0;
        ReadTag(text, open, close, format);
    }
    // Tags alone leave the control as it was.
    if (rtf.any()) StreamIn(richEdit, rtf);
}

std::wstring PlainText(const char* source) {
    FCString text(source != nullptr ? source : "");
    RunFormat format;
    FCString openSet(kOpenBracket);
    if (!text.isEmpty() && text.charAt(text.text()) == openSet.charAt(openSet.text()))
        ReadTag(text, kOpenBracket, kCloseBracket, format);
    std::wstring out;
    FCString run;
    while (text.nextToken(run, kOpenBracket, false) != nullptr) {
        out += WideResolved(run.text());
        ReadTag(text, kOpenBracket, kCloseBracket, format);
    }
    return out;
}

void SetMessageText(HWND dialog, int controlId, const char* text, bool markedUp, const char* openBracket,
                    const char* closeBracket) {
    if (text == nullptr || *text == '\0') {
        SetDlgItemText932(dialog, controlId, "");
        return;
    }
    if (markedUp) {
        ApplyMarkup(GetDlgItem(dialog, controlId), text, openBracket, closeBracket);
        return;
    }
    FCString plain(text);
    ResolveLiterals(plain);
    HWND control = GetDlgItem(dialog, controlId);
    if (!IsRichEdit(control)) {
        SetDlgItemText932(dialog, controlId, plain.text());
        return;
    }
    // A rich edit takes the text the same way as a marked-up one: its
    // Shift_JIS is read through the code page the document names, whatever
    // the system's, and it shows in the control's own colour.
    RtfWriter rtf;
    rtf.run(plain, RunFormat());
    StreamIn(control, rtf);
}
