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

// The number of characters the platform formatter will give for a wide
// string in the ANSI code page (a kanji takes two bytes).
int WideLengthInBytes(const wchar_t* text) {
    int n = WideCharToMultiByte(CP_ACP, 0, text, -1, nullptr, 0, nullptr, nullptr);
    return n > 0 ? n - 1 : 0;
}
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

// One pass over a wsprintf format and its arguments: the size of the
// output, and the format as it is safe to hand on. A narrow text's
// precision is cut back to whole characters (its last byte must not be a
// lone lead byte). A '*' width or precision is refused (-1): the platform's
// formatter does not read it, so every argument after it would be taken
// for another. The formatter takes a precision of 0 for none, so a text
// whose precision leaves no whole character cannot be formatted either.
long long PrepareFormat(const char* format, va_list args, std::string* safe) {
    va_list ap;
    va_copy(ap, args);
    long long total = 0;
    const char* f = format;
    while (*f != '\0') {
        if (*f != '%') {
            if (safe != nullptr) *safe += *f;
            ++total;
            ++f;
            continue;
        }
        const char* conversionStart = f++;
        if (*f == '\0') break;
        if (*f == '%') {
            if (safe != nullptr) *safe += "%%";
            ++total;
            ++f;
            continue;
        }
        while (*f == '-' || *f == '+' || *f == '0' || *f == ' ' || *f == '#') {
            if (*f == '#') total += 2;
            ++f;
        }
        long long width = 0, precision = 0;
        bool hasPrecision = false;
        if (*f == '*') {
            va_end(ap);
            return -1;
        }
        while (*f >= '0' && *f <= '9') width = width * 10 + (*f++ - '0');
        const char* precisionAt = nullptr;
        if (*f == '.') {
            hasPrecision = true;
            precisionAt = ++f;
            if (*f == '*') {
                va_end(ap);
                return -1;
            }
            while (*f >= '0' && *f <= '9') precision = precision * 10 + (*f++ - '0');
            hasPrecision = precision > 0;
        }
        const char* precisionEnd = f;
        char size = 0;
        while (*f == 'h' || *f == 'l' || *f == 'F' || *f == 'L' || *f == 'N') {
            if (*f == 'h' || *f == 'l') size = *f;
            ++f;
        }
        char conversion = *f;
        if (conversion == '\0') break;
        ++f;
        long long count = 0;
        bool textConversion = false;
        long long wholePrecision = precision;
        switch (conversion) {
        case 'c':
        case 'C':
            (void)va_arg(ap, int);
            count = 2;
            textConversion = true;
            break;
        case 's':
        case 'S': {
            bool wide = (conversion == 'S' && size != 'h') || (conversion == 's' && size == 'l');
            if (wide) {
                const wchar_t* w = va_arg(ap, const wchar_t*);
                count = w == nullptr ? 6 : (*w == 0 ? 1 : WideLengthInBytes(w));
                // The formatter counts a wide text's precision in bytes of
                // the code page, and would cut a character in two.
                if (w != nullptr && hasPrecision && precision < count) {
                    std::string converted(static_cast<size_t>(count) + 1, '\0');
                    WideCharToMultiByte(CP_ACP, 0, w, -1, &converted[0], static_cast<int>(count) + 1, nullptr, nullptr);
                    wholePrecision =
                        static_cast<long long>(WholeCharacters(converted.c_str(), static_cast<size_t>(precision)));
                }
            } else {
                const char* s = va_arg(ap, const char*);
                count = s == nullptr ? 6 : (*s == '\0' ? 1 : static_cast<long long>(std::strlen(s)));
                if (s != nullptr && hasPrecision && precision < count)
                    wholePrecision = static_cast<long long>(WholeCharacters(s, static_cast<size_t>(precision)));
            }
            if (hasPrecision && wholePrecision == 0) {
                va_end(ap);
                return -1;
            }
            textConversion = true;
            break;
        }
        case 'd':
        case 'i':
        case 'u':
        case 'x':
        case 'X':
        case 'o':
        case 'p':
            if (conversion == 'p') (void)va_arg(ap, void*);
            else (void)va_arg(ap, int);
            count = width + precision > 32 ? width + precision : 32;
            break;
        case 'e':
        case 'f':
        case 'g':
        case 'G':
            (void)va_arg(ap, double);
            count = width + precision > 128 ? width + precision : 128;
            break;
        case 'n': (void)va_arg(ap, void*); break;
        default:
            // The formatter copies an unknown conversion character as it stands.
            count = 1;
            break;
        }
        if (textConversion) {
            if (hasPrecision && count > precision) count = precision;
            if (count < width) count = width;
        }
        if (safe != nullptr) {
            if (wholePrecision != precision) {
                safe->append(conversionStart, static_cast<size_t>(precisionAt - conversionStart));
                *safe += std::to_string(wholePrecision);
                safe->append(precisionEnd, static_cast<size_t>(f - precisionEnd));
            } else {
                safe->append(conversionStart, static_cast<size_t>(f - conversionStart));
            }
        }
        total += count;
    }
    va_end(ap);
    return total > 0x7FFFFFF0 ? 0x7FFFFFF0 : total;
}
}  // namespace

int FCString::estimateFormattedLength(const char* format, va_list args) {
    long long estimate = PrepareFormat(format, args, nullptr);
    return estimate < 0 ? 0 : static_cast<int>(estimate);
}

void FCString::createV(const char* format, va_list args) {
    // Formatted into a buffer of its own first: an argument may be this
    // string's own text, which replacing the representation would free.
    std::string safe;
    long long estimate = format != nullptr ? PrepareFormat(format, args, &safe) : -1;
    if (estimate < 0) {
        create(DEFAULT_BLOCK, nullptr);
        return;
    }
    void* buffer = FCHeap::malloc(static_cast<size_t>(estimate) + 1, 0);
    if (buffer == nullptr) {
        create(DEFAULT_BLOCK, nullptr);
        ThrowNotEnoughMemory("FCString - create(LPCTSTR,...)");
    }
    FCHeapBlock holder(buffer);
    // The bounded formatter never writes more than the estimate, whatever the
    // format holds.
    va_list ap;
    va_copy(ap, args);
    int written = wvnsprintfA(holder.bytes(), static_cast<int>(estimate) + 1, safe.c_str(), ap);
    va_end(ap);
    int end = (written < 0 || written > estimate) ? static_cast<int>(estimate) : written;
    holder.bytes()[WholeCharacters(holder.bytes(), static_cast<size_t>(end))] = '\0';
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
