#include "foundation/Mbcs.h"
#include <windows.h>

namespace Mbcs {

bool IsLead(unsigned char b) { return b >= 0x80 && IsDBCSLeadByte(b); }

const char* Next(const char* p) {
    if (*p == '\0') return p;
    if (IsLead(static_cast<unsigned char>(*p)) && p[1] != '\0') return p + 2;
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
        return t == 0 ? 0 : (b << 8) | t;
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

}  // namespace Mbcs
