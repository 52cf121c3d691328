#include "foundation/Mbcs.h"
#include <windows.h>
#include <cstring>
#include <vector>

namespace Mbcs {

// Code page 932 named, not the system's: the texts are Shift_JIS whatever
// Windows runs under.
bool IsLead(unsigned char b) { return b >= 0x80 && IsDBCSLeadByteEx(932, b); }

namespace {
// A byte that can end a double-byte character: never a control character
// such as a line end, so a lead byte left alone before one never takes it.
bool IsTrail(unsigned char b) { return (b >= 0x40 && b <= 0x7E) || (b >= 0x80 && b <= 0xFC); }
}  // namespace

const char* Next(const char* p) {
    if (*p == '\0') return p;
    if (IsLead(static_cast<unsigned char>(*p)) && IsTrail(static_cast<unsigned char>(p[1]))) return p + 2;
    return p + 1;
}

const char* Prev(const char* start, const char* p) {
    if (p <= start) return start;
    const char* q = start;
    for (;;) {
        const char* n = Next(q);
        if (n >= p || n == q) return q;
        q = n;
    }
}

unsigned CodeAt(const char* p) {
    unsigned char b = static_cast<unsigned char>(*p);
    if (b == 0) return 0;
    if (IsLead(b)) {
        unsigned char t = static_cast<unsigned char>(p[1]);
        if (t == 0) return 0;
        return IsTrail(t) ? (b << 8) | t : b;  // a lone lead byte stands alone
    }
    return b;
}

bool InSet(const char* set, unsigned code) {
    if (set == nullptr || code == 0) return false;
    for (const char* s = set; *s != '\0'; s = Next(s)) {
        if (CodeAt(s) == code) return true;
    }
    return false;
}

size_t BoundedLength(const char* text, size_t n) {
    const char* p = text;
    for (;;) {
        if (*p == '\0') return static_cast<size_t>(p - text);
        const char* next = Next(p);
        if (static_cast<size_t>(next - text) > n) return static_cast<size_t>(p - text);
        p = next;
    }
}

size_t ShiftJisFromWide(const wchar_t* text, size_t length, std::string& out, const char* substitute) {
    out.clear();
    if (length == 0) return 0;
    // A character beyond the basic plane is one character, one '?': its
    // surrogates become one U+FFFD, which Shift_JIS has not either.
    std::vector<wchar_t> units;
    for (size_t i = 0; i < length; ++i) {
        wchar_t c = text[i];
        bool pair = c >= 0xD800 && c <= 0xDBFF && i + 1 < length && text[i + 1] >= 0xDC00 && text[i + 1] <= 0xDFFF;
        units.push_back((c >= 0xD800 && c <= 0xDFFF) ? static_cast<wchar_t>(0xFFFD) : c);
        if (pair) ++i;
    }
    const wchar_t* wide = units.data();
    size_t n = units.size();
    int bytes = WideCharToMultiByte(932, WC_NO_BEST_FIT_CHARS, wide, static_cast<int>(n), nullptr, 0, "?", nullptr);
    if (bytes <= 0) return n;
    out.resize(static_cast<size_t>(bytes));
    WideCharToMultiByte(932, WC_NO_BEST_FIT_CHARS, wide, static_cast<int>(n), &out[0], bytes, "?", nullptr);
    // What could not be kept became '?': those beyond the ones written.
    size_t written = 0, marks = 0;
    for (size_t i = 0; i < n; ++i) written += wide[i] == L'?' ? 1 : 0;
    for (const char* p = out.c_str(); *p != '\0'; p = Next(p)) marks += *p == '?' ? 1 : 0;
    size_t lost = marks > written ? marks - written : 0;
    if (lost == 0 || std::strcmp(substitute, "?") == 0) return lost;
    // Another substitute: character by character, the platform saying which
    // it could not keep.
    out.clear();
    for (wchar_t unit : units) {
        char one[2];
        BOOL missing = FALSE;
        int made = WideCharToMultiByte(932, WC_NO_BEST_FIT_CHARS, &unit, 1, one, 2, nullptr, &missing);
        if (missing || made <= 0) out += substitute;
        else out.append(one, static_cast<size_t>(made));
    }
    return lost;
}

bool FromWide(const wchar_t* wide, std::string& out) {
    size_t n = 0;
    while (wide[n] != L'\0') ++n;
    return ShiftJisFromWide(wide, n, out) == 0;
}

int Compare(const char* a, const char* b) {
    int bytes = std::strcmp(a, b);
    if (bytes == 0) return 0;
    std::vector<wchar_t> wideA, wideB;
    ToWide(a, false, wideA);
    ToWide(b, false, wideB);
    const LCID kJapanese = MAKELCID(MAKELANGID(LANG_JAPANESE, SUBLANG_JAPANESE_JAPAN), SORT_DEFAULT);
    int order = CompareStringW(kJapanese, 0, wideA.data(), -1, wideB.data(), -1);
    if (order == CSTR_LESS_THAN) return -1;
    if (order == CSTR_GREATER_THAN) return 1;
    return bytes;
}

bool ToWide(const char* text, bool utf8, std::vector<wchar_t>& out) {
    UINT codePage = utf8 ? CP_UTF8 : 932;
    out.assign(1, L'\0');
    int count = MultiByteToWideChar(codePage, MB_ERR_INVALID_CHARS, text, -1, nullptr, 0);
    if (count <= 0) return false;
    out.resize(static_cast<size_t>(count));
    MultiByteToWideChar(codePage, MB_ERR_INVALID_CHARS, text, -1, out.data(), count);
    return true;
}

void Utf8ToWide(const std::string& utf8, std::vector<wchar_t>& out) {
    out.clear();
    if (utf8.empty()) return;
    int n = static_cast<int>(utf8.size());
    int count = MultiByteToWideChar(CP_UTF8, 0, utf8.data(), n, nullptr, 0);
    if (count <= 0) return;
    out.resize(static_cast<size_t>(count));
    MultiByteToWideChar(CP_UTF8, 0, utf8.data(), n, out.data(), count);
}

}  // namespace Mbcs
