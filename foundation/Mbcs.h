// Whole-character stepping over Shift_JIS text (code page 932, named, never
// the system's).
// A trail byte may have the value of an ASCII character such as '\' (0x5C),
// so nothing that scans text may look at single bytes.
#pragma once
#include <cstddef>
#include <string>
#include <vector>

namespace Mbcs {

bool IsLead(unsigned char b);

// The start of the next character; the terminator is never passed. A lead
// byte that no trail byte follows (the terminator, a line end) counts as a
// character of its own.
const char* Next(const char* p);

// The start of the character before p, found by walking from start.
const char* Prev(const char* start, const char* p);

// Lead * 256 + trail for a double-byte character, the byte for a single one
// (a lead byte no trail byte follows included), 0 at the terminator and for
// a lead byte directly before it.
unsigned CodeAt(const char* p);

// True when the set text holds the character code (a double-byte member
// matches only the whole pair).
bool InSet(const char* set, unsigned code);

// The number of bytes of text, at most n, that end on a character boundary.
size_t BoundedLength(const char* text, size_t n);

// Shift_JIS (code page 932, whatever the system's) from n UTF-16 units,
// with substitute for each character it cannot hold: the number of
// characters so replaced.
size_t ShiftJisFromWide(const wchar_t* wide, size_t n, std::string& out, const char* substitute = "?");

// Shift_JIS from UTF-16, with '?' for what it cannot hold: true when
// nothing was lost.
bool FromWide(const wchar_t* wide, std::string& out);

// Orders two Shift_JIS texts as lstrcmpA does on a Japanese system, on any
// system (through another code page it takes different texts for one):
// negative, 0 or positive. Texts it finds alike are ordered by their bytes,
// so only identical texts give 0.
int Compare(const char* a, const char* b);

// Shift_JIS text (code page 932, whatever the system's), or UTF-8 when
// utf8 is set, as zero-terminated UTF-16; false when the bytes are not
// valid in it.
bool ToWide(const char* text, bool utf8, std::vector<wchar_t>& out);
// UTF-8 bytes as UTF-16 (not terminated), U+FFFD for what is not valid.
void Utf8ToWide(const std::string& utf8, std::vector<wchar_t>& out);

}  // namespace Mbcs
