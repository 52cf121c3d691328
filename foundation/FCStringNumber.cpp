// Conversions between text and 32-bit numbers, and formatting with a format text.
#include "foundation/FCString.h"
#include "foundation/Diagnostic.h"
#include "foundation/FCHeap.h"
#include "foundation/Mbcs.h"
#include <shlwapi.h>
#include <cstdlib>
#include <cstring>
#include <string>

namespace {
bool IsHexDigit(char c) { return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F'); }
bool IsBinaryDigit(char c) { return c == '0' || c == '1'; }
int HexValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    return c - 'A' + 10;
}

// Restores a string's cursor when the conversion is done.
class CursorKeeper {
public:
    explicit CursorKeeper(FCString& s) : s_(s), saved_(s.cursor) {}
    ~CursorKeeper() { s_.cursor = saved_; }

private:
    FCString& s_;
    char* saved_;
};

}  // namespace

int FCString::parseHex(bool fromCursor) {
    if (rep == nullptr) return 0;
    if (!fromCursor) cursor = rep->buffer;
    nextChar();
    nextChar();
    unsigned result = 0;
    while (*cursor != '\0' && IsHexDigit(*cursor)) {
        result = result * 16u + static_cast<unsigned>(HexValue(*cursor));
        ++cursor;
    }
    return static_cast<int>(result);
}

int FCString::parseBinary(bool fromCursor) {
    if (rep == nullptr) return 0;
    if (!fromCursor) cursor = rep->buffer;
    nextChar();
    nextChar();
    unsigned result = 0;
    while (*cursor != '\0' && IsBinaryDigit(*cursor)) {
        result = result * 2u + static_cast<unsigned>(*cursor - '0');
        ++cursor;
    }
    return static_cast<int>(result);
}

int FCString::toInt(bool fromCursor) {
    if (rep == nullptr) return 0;
    CursorKeeper keeper(*this);
    const char* p = fromCursor ? cursor : rep->buffer;
    cursor = const_cast<char*>(p);
    if (p[0] == '0' && p[1] != '\0' && p[2] != '\0') {
        if (p[1] == 'x' && IsHexDigit(p[2])) return parseHex(true);
        if (p[1] == 'b' && IsBinaryDigit(p[2])) return parseBinary(true);
    }
    if (*p == '\0') return 0;
    return std::atoi(p);
}

unsigned FCString::toUnsigned(bool fromCursor) {
    if (rep == nullptr) return 0;
    const char* p = fromCursor ? cursor : rep->buffer;
    int radix = 10;
    if (rep->length >= 3 && p[0] == '0' && p[1] != '\0') {
        if (p[1] == 'x' && IsHexDigit(p[2])) radix = 16;
        else if (p[1] == 'b' && IsBinaryDigit(p[2])) radix = 2;
    }
    if (radix == 2) p += 2;
    unsigned long value = std::strtoul(p, nullptr, radix);
    // strtoul saturates in its own width; the result is a 32-bit number.
    if (value > 0xFFFFFFFFul) return 0xFFFFFFFFu;
    return static_cast<unsigned>(value);
}

void FCString::appendUInt(unsigned value, int radix, int width, char fill) {
    if (radix < 2 || radix > 36) radix = 10;
    if (width < 0) width = 0;
    char digits[40];
    int n = 0;
    do {
        unsigned d = value % static_cast<unsigned>(radix);
        digits[n++] = static_cast<char>(d < 10 ? '0' + d : 'a' + d - 10);
        value /= static_cast<unsigned>(radix);
    } while (value != 0);
    char text[40];
    for (int i = 0; i < n; ++i) text[i] = digits[n - 1 - i];
    text[n] = '\0';
    if (width == 0 || width == n) {
        append(text);
    } else if (width > n) {
        std::string padded(static_cast<size_t>(width - n), fill);
        padded += text;
        append(padded.c_str());
    } else {
        append(text + (n - width));
    }
}

void FCString::appendInt(int value, int radix, int width, char fill) {
    if (radix != 10 || value >= 0) {
        appendUInt(static_cast<unsigned>(value), radix, width, fill);
        return;
    }
    FCString text("-");
    text.appendUInt(0u - static_cast<unsigned>(value), 10, 0, ' ');
    if (width < 0) width = 0;
    int n = text.length();
    if (width == 0 || width == n) {
        append(text);
    } else if (width > n) {
        for (int i = n; i < width; ++i) {
            char one[2] = {fill, '\0'};
            append(one);
        }
        append(text);
    } else {
        append(text.text() + (n - width));
    }
}

void FCString::appendNumber(unsigned value) { appendUInt(value, 10, 0, ' '); }

namespace {
// The bytes of text, at most n, that end after a whole character.
size_t WholeCharacters(const char* text, size_t n) {
    size_t length = Mbcs::BoundedLength(text, n);
    const char* last = text;
    for (const char* p = text; p < text + length; p = Mbcs::Next(p)) last = p;
    // A lead byte cut off from its trail byte.
    if (length > 0 && Mbcs::IsLead(static_cast<unsigned char>(*last)) && last + 1 == text + length)
        return static_cast<size_t>(last - text);
    return length;
}

// One conversion of a format, ready for the platform's formatter: the
// conversion as it is to read it and the one argument it takes.
struct CONVERSION_ {
    std::string spec;
    char kind = 0;  // 'i' int, 'f' double, 'p' pointer, 's' text; 0 none
    int number = 0;
    double real = 0;
    const void* pointer = nullptr;
    const char* text = nullptr;
    std::string converted;  // a wide text or character in Shift_JIS
    long long bound = 0;  // the bytes it can give at most
};

// Formats one conversion onto out, never beyond its bound.
void AppendConversion(const CONVERSION_& c, std::string& out) {
    std::string buffer(static_cast<size_t>(c.bound) + 1, '\0');
    int room = static_cast<int>(buffer.size());
    int n = 0;
    switch (c.kind) {
    case 'i': n = wnsprintfA(&buffer[0], room, c.spec.c_str(), c.number); break;
    case 'f': n = wnsprintfA(&buffer[0], room, c.spec.c_str(), c.real); break;
    case 'p': n = wnsprintfA(&buffer[0], room, c.spec.c_str(), c.pointer); break;
    case 's': n = wnsprintfA(&buffer[0], room, c.spec.c_str(), c.text); break;
    default: n = wnsprintfA(&buffer[0], room, c.spec.c_str()); break;
    }
    // Cut only where the formatter was cut, and then by whole characters.
    size_t end =
        (n < 0 || n > c.bound) ? WholeCharacters(buffer.c_str(), static_cast<size_t>(c.bound)) : static_cast<size_t>(n);
    out.append(buffer.c_str(), end);
}

// One pass over a wsprintf format and its arguments: the size of the
// output, and the output itself when out is given. Each conversion goes to
// the platform's formatter on its own with its argument, so a wide text or
// character is given to it as Shift_JIS: the formatter would convert it
// through the system's code page. A text's precision is cut back to whole
// characters (its last byte must not be a lone lead byte). A '*' width or
// precision is refused (-1): the platform's formatter does not read it.
// The formatter takes a precision of 0 for none, so a text whose precision
// leaves no whole character cannot be formatted either.
long long FormatPass(const char* format, va_list args, std::string* out) {
    va_list ap;
    va_copy(ap, args);
    long long total = 0;
    const char* f = format;
    while (*f != '\0') {
        if (*f != '%' || f[1] == '%') {
            if (out != nullptr) *out += *f;
            f += *f == '%' ? 2 : 1;
            ++total;
            continue;
        }
        const char* flagsStart = ++f;
        if (*f == '\0') break;
        CONVERSION_ c;
        long long extra = 0;
        while (*f == '-' || *f == '+' || *f == '0' || *f == ' ' || *f == '#') {
            if (*f == '#') extra += 2;
            ++f;
        }
        long long width = 0, precision = 0;
        bool hasPrecision = false;
        if (*f == '*') {
            va_end(ap);
            return -1;
        }
        while (*f >= '0' && *f <= '9') width = width * 10 + (*f++ - '0');
        const char* widthEnd = f;
        if (*f == '.') {
            hasPrecision = true;
            if (*++f == '*') {
                va_end(ap);
                return -1;
            }
            while (*f >= '0' && *f <= '9') precision = precision * 10 + (*f++ - '0');
            hasPrecision = precision > 0;
        }
        char size = 0;
        while (*f == 'h' || *f == 'l' || *f == 'F' || *f == 'L' || *f == 'N') {
            if (*f == 'h' || *f == 'l') size = *f;
            ++f;
        }
        char conversion = *f;
        if (conversion == '\0') break;
        ++f;
        c.spec.assign(flagsStart - 1, f);
        bool wide = ((conversion == 'S' || conversion == 'C') && size != 'h') ||
                    ((conversion == 's' || conversion == 'c') && size == 'l');
        switch (conversion) {
        case 'c':
        case 'C':
        case 's':
        case 'S': {
            long long count;
            if (conversion == 'c' || conversion == 'C') {
                int code = va_arg(ap, int);
                hasPrecision = false;
                if (wide) {
                    wchar_t one = static_cast<wchar_t>(code);
                    Mbcs::ShiftJisFromWide(&one, 1, c.converted);
                } else {
                    c.converted.assign(1, static_cast<char>(code));
                }
                c.text = c.converted.c_str();
                count = static_cast<long long>(c.converted.size());
            } else {
                if (wide) {
                    const wchar_t* w = va_arg(ap, const wchar_t*);
                    if (w != nullptr) {
                        Mbcs::FromWide(w, c.converted);
                        c.text = c.converted.c_str();
                    }
                } else {
                    c.text = va_arg(ap, const char*);
                }
                count = c.text == nullptr ? 6 : static_cast<long long>(std::strlen(c.text));
            }
            if (hasPrecision && c.text != nullptr && precision < count) {
                precision = static_cast<long long>(WholeCharacters(c.text, static_cast<size_t>(precision)));
                if (precision == 0) {
                    va_end(ap);
                    return -1;
                }
                count = precision;
            }
            // Handed on as a narrow text: "%-8.4s".
            c.spec.assign(flagsStart - 1, widthEnd);
            if (hasPrecision) c.spec += "." + std::to_string(precision);
            c.spec += "hs";
            c.kind = 's';
            c.bound = count > width ? count : width;
            break;
        }
        case 'd':
        case 'i':
        case 'u':
        case 'x':
        case 'X':
        case 'o':
        case 'p':
            if (conversion == 'p') c.pointer = va_arg(ap, void*);
            else c.number = va_arg(ap, int);
            c.kind = conversion == 'p' ? 'p' : 'i';
            c.bound = (width + precision > 32 ? width + precision : 32) + extra;
            break;
        case 'e':
        case 'f':
        case 'g':
        case 'G':
            c.real = va_arg(ap, double);
            c.kind = 'f';
            c.bound = (width + precision > 128 ? width + precision : 128) + extra;
            break;
        case 'n':
            // Nothing is written through the pointer, and nothing shown.
            (void)va_arg(ap, void*);
            continue;
        default:
            // The formatter copies an unknown conversion character as it stands.
            c.bound = 1;
            break;
        }
        if (out != nullptr) AppendConversion(c, *out);
        total += c.bound;
    }
    va_end(ap);
    return total > 0x7FFFFFF0 ? 0x7FFFFFF0 : total;
}
}  // namespace

int FCString::estimateFormattedLength(const char* format, va_list args) {
    long long estimate = FormatPass(format, args, nullptr);
    return estimate < 0 ? 0 : static_cast<int>(estimate);
}

void FCString::createV(const char* format, va_list args) {
    long long estimate = format != nullptr ? FormatPass(format, args, nullptr) : -1;
    if (estimate < 0) {
        create(DEFAULT_BLOCK, nullptr);
        return;
    }
    void* buffer = FCHeap::malloc(static_cast<size_t>(estimate) + 1, 0);
    if (buffer == nullptr) {
        create(DEFAULT_BLOCK, nullptr);
        ThrowNotEnoughMemory("FCString - create(LPCTSTR,...)");
    }
    // Formatted into a buffer of its own first: an argument may be this
    // string's own text, which replacing the representation would free.
    FCHeapBlock holder(buffer);
    std::string formatted;
    FormatPass(format, args, &formatted);
    size_t n = formatted.size() < static_cast<size_t>(estimate) ? formatted.size() : static_cast<size_t>(estimate);
    std::memcpy(holder.bytes(), formatted.data(), n);
    holder.bytes()[n] = '\0';
    create(DEFAULT_BLOCK, holder.bytes());
}

void FCString::create(const char* format, ...) {
    va_list args;
    va_start(args, format);
    try {
        createV(format, args);
    } catch (...) {
        va_end(args);
        throw;
    }
    va_end(args);
}

bool NumberFits(const char* text, bool isSigned) {
    const char* p = text != nullptr ? text : "";
    unsigned radix = 10;
    if (p[0] == '0' && (p[1] == 'x' || p[1] == 'b') && p[2] != '\0') {
        radix = p[1] == 'x' ? 16 : 2;
        p += 2;
    }
    bool negative = false;
    if (radix == 10) {
        while (*p == ' ' || *p == '\t') ++p;
        if (*p == '-' || *p == '+') negative = *p++ == '-';
    }
    unsigned long long limit = radix != 10 ? 0xFFFFFFFFull
                               : isSigned  ? (negative ? 0x80000000ull : 0x7FFFFFFFull)
                                           : (negative ? 0ull : 0xFFFFFFFFull);
    unsigned long long value = 0;
    for (;; ++p) {
        unsigned digit = (*p >= '0' && *p <= '9')   ? static_cast<unsigned>(*p - '0')
                         : (*p >= 'a' && *p <= 'f') ? static_cast<unsigned>(*p - 'a' + 10)
                         : (*p >= 'A' && *p <= 'F') ? static_cast<unsigned>(*p - 'A' + 10)
                                                    : 99u;
        if (digit >= radix) return true;
        value = value * radix + digit;
        if (value > limit) return false;
    }
}
