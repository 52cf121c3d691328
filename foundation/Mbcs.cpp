#include "foundation/Mbcs.h"
#include <windows.h>
#include <vector>

namespace Mbcs {

bool IsLead(unsigned char b) { return b >= 0x80 && IsDBCSLeadByte(b); }

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

bool FromWide(const wchar_t* wide, std::string& out) {
    BOOL lossy = FALSE;
    int bytes = WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, wide, -1, nullptr, 0, "?", &lossy);
    if (bytes <= 0) {
        out.clear();
        return false;
    }
    std::vector<char> buffer(static_cast<size_t>(bytes));
    WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, wide, -1, buffer.data(), bytes, "?", &lossy);
    out = buffer.data();
    return !lossy;
}

bool FromUtf8(const char* utf8, std::string& out) {
    out = utf8;
    int count = MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, utf8, -1, nullptr, 0);
    if (count <= 0) return false;
    std::vector<wchar_t> wide(static_cast<size_t>(count));
    MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, utf8, -1, wide.data(), count);
    return FromWide(wide.data(), out);
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

}  // namespace Mbcs
