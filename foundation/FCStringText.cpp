// Cursor movement, searching, tokenising, extraction and replacement, all by
// whole characters of the ANSI code page.
#include "foundation/FCString.h"
#include "foundation/Diagnostic.h"
#include "foundation/FCHeap.h"
#include "foundation/Mbcs.h"
#include <cstdint>
#include <cstring>

namespace {
const char* const kBlanks = " \t";
const char* const kBlanksFullWidth = " \t　";
const char* const kLineSeparators = "\r\n";

// Appends the decimal text of an address (64 bits on x86_64).
void AppendAddress(FCString& out, const void* p) {
    char digits[24];
    int n = 0;
    uint64_t v = static_cast<uint64_t>(reinterpret_cast<uintptr_t>(p));
    do {
        digits[n++] = static_cast<char>('0' + v % 10);
        v /= 10;
    } while (v != 0);
    char text[24];
    for (int i = 0; i < n; ++i) text[i] = digits[n - 1 - i];
    text[n] = '\0';
    out.append(text);
}
}  // namespace

bool FCString::nextChar() {
    if (rep == nullptr) return false;
    cursor = const_cast<char*>(Mbcs::Next(cursor));
    return *cursor != '\0';
}

bool FCString::prevChar() {
    if (rep == nullptr) return false;
    cursor = const_cast<char*>(Mbcs::Prev(rep->buffer, cursor));
    return cursor != rep->buffer;
}

unsigned FCString::seek(int count, int origin) {
    if (rep == nullptr) return 0;
    char* saved = cursor;
    switch (origin) {
    case SEEK_FROM_START:
        if (count < 0) return 0;
        cursor = rep->buffer;
        break;
    case SEEK_FROM_END:
        if (count > 0) return 0;
        cursor = rep->buffer + rep->length;
        break;
    case SEEK_FROM_CURRENT: break;
    default: cursor = saved; return 0;
    }
    for (int i = 0; i < count; ++i)
        if (!nextChar()) return 0;
    for (int i = 0; i > count; --i)
        if (!prevChar()) return 0;
    return charAt(cursor);
}

unsigned FCString::charAt(const char* position) const {
    if (position == nullptr || !owns(position)) return 0;
    return Mbcs::CodeAt(position);
}

int FCString::currentChar() const {
    if (rep == nullptr) return 0;
    const unsigned char* p = reinterpret_cast<const unsigned char*>(cursor);
    const unsigned char* start = reinterpret_cast<const unsigned char*>(rep->buffer);
    if (p != start && *p != 0) {
        // A trail byte looks like anything, so find which character the cursor is in.
        const char* charStart = Mbcs::Prev(rep->buffer, cursor + 1);
        if (charStart != cursor && Mbcs::IsLead(p[-1])) return static_cast<int>((p[-1] << 8) | p[0]);
        if (Mbcs::IsLead(p[0]) && p[1] != 0) return static_cast<int>((p[0] << 8) | p[1]);
    }
    return static_cast<int>(static_cast<signed char>(*p));
}

const char* FCString::findChar(unsigned code) {
    if (rep == nullptr) return nullptr;
    for (; *cursor != '\0'; cursor = const_cast<char*>(Mbcs::Next(cursor)))
        if (Mbcs::CodeAt(cursor) == code) return cursor;
    return nullptr;
}

const char* FCString::findAnyOf(const char* set) {
    if (rep == nullptr) return nullptr;
    for (; *cursor != '\0'; cursor = const_cast<char*>(Mbcs::Next(cursor)))
        if (Mbcs::InSet(set, Mbcs::CodeAt(cursor))) return cursor;
    return nullptr;
}

const char* FCString::skipAnyOf(const char* set) {
    if (rep == nullptr) return nullptr;
    for (; *cursor != '\0'; cursor = const_cast<char*>(Mbcs::Next(cursor)))
        if (!Mbcs::InSet(set, Mbcs::CodeAt(cursor))) return cursor;
    return nullptr;
}

const char* FCString::findLastAnyOf(const char* set) {
    const char* last = findAnyOf(set);
    if (last == nullptr) return nullptr;
    for (;;) {
        nextChar();
        const char* hit = findAnyOf(set);
        if (hit == nullptr) break;
        last = hit;
    }
    cursor = const_cast<char*>(last);
    return last;
}

const char* FCString::find(const char* findText, const char* separators) {
    if (rep == nullptr || findText == nullptr) return nullptr;
    if (separators == nullptr || *separators == '\0') {
        size_t n = std::strlen(findText);
        for (; *cursor != '\0'; cursor = const_cast<char*>(Mbcs::Next(cursor)))
            if (std::strncmp(cursor, findText, n) == 0) return cursor;
        return (n == 0) ? cursor : nullptr;
    }
    FCString token;
    for (;;) {
        const char* start = nextToken(token, separators, false);
        if (start == nullptr) return nullptr;
        if (std::strcmp(token.text(), findText) == 0) {
            cursor = const_cast<char*>(start);
            return start;
        }
    }
}

const char* FCString::nextToken(FCString& out, const char* separators, bool includeSeparator) {
    const char* start = skipAnyOf(separators);
    if (start == nullptr) return nullptr;
    if (findAnyOf(separators) != nullptr && includeSeparator) nextChar();
    size_t n = static_cast<size_t>(cursor - start);
    void* temp = FCHeap::malloc(n + 1, 0);
    if (temp == nullptr) ThrowNotEnoughMemory("FCString");
    FCHeapBlock holder(temp);
    std::memcpy(holder.bytes(), start, n);
    holder.bytes()[n] = '\0';
    out.create(TOKEN_BLOCK, holder.bytes());
    return start;
}

int FCString::nextField(FCString& out, const char* separators, bool keepEmpty, unsigned* code) {
    if (rep == nullptr) return 0;
    const char* start;
    if (keepEmpty) {
        if (*cursor == '\0') return 0;
        start = cursor;
    } else {
        start = skipAnyOf(separators);
        if (start == nullptr) return 0;
    }
    findAnyOf(separators);
    if (code != nullptr) *code = charAt(cursor);
    size_t n = static_cast<size_t>(cursor - start);
    int result = 1;
    // Step past the separator before out is written: out may share this text.
    if (*cursor != '\0' && !nextChar() && keepEmpty) result = 2;
    if (n == 0) {
        out.clear();
    } else if (n < 2048) {
        char field[2048];
        std::memcpy(field, start, n);
        field[n] = '\0';
        out.create(DEFAULT_BLOCK, field);
    } else {
        void* temp = FCHeap::malloc(n + 2, 0);
        if (temp == nullptr) ThrowNotEnoughMemory("FCString");
        FCHeapBlock holder(temp);
        std::memcpy(holder.bytes(), start, n);
        holder.bytes()[n] = '\0';
        out.create(DEFAULT_BLOCK, holder.bytes());
    }
    return result;
}

int FCString::split(FCString* fields, int count, const char* separators, unsigned flags, const char* skipSet) {
    bool keepEmpty = (flags & SPLIT_KEEP_EMPTY) != 0;
    bool restIntoLast = (flags & SPLIT_REST_INTO_LAST) != 0;
    for (int i = 0; i < count; ++i) {
        if (skipSet != nullptr) skipAnyOf(skipSet);
        if (restIntoLast && i == count - 1) {
            fields[i].create(DEFAULT_BLOCK, cursor != nullptr ? cursor : "");
            return count;
        }
        int r = nextField(fields[i], separators, keepEmpty, nullptr);
        if (r == 0) return i;
        if (r == 2 && i < count - 1) {
            fields[i + 1].clear();
            return i + 2;
        }
    }
    return count;
}

int FCString::split(FCString* fields, int count, const char* separators, bool restIntoLast, bool keepEmpty,
                    const char* skipSet) {
    unsigned flags = (keepEmpty ? SPLIT_KEEP_EMPTY : 0) | (restIntoLast ? SPLIT_REST_INTO_LAST : 0);
    return split(fields, count, separators, flags, skipSet);
}

bool FCString::readLine(FCString& out, unsigned flags) {
    bool keepEmpty = (flags & LINE_KEEP_EMPTY) != 0;
    if ((flags & LINE_TRIM) == 0) return nextField(out, kLineSeparators, keepEmpty, nullptr) != 0;
    FCString line;
    if (nextField(line, kLineSeparators, keepEmpty, nullptr) == 0) return false;
    line.skipAnyOf((flags & LINE_FULL_WIDTH) != 0 ? kBlanksFullWidth : kBlanks);
    out.create(DEFAULT_BLOCK, line.cursor);
    return true;
}

bool FCString::readLine(FCString& out, bool trim, bool fullWidth) {
    return readLine(out, (trim ? unsigned(LINE_TRIM) : 0u) | (fullWidth ? unsigned(LINE_FULL_WIDTH) : 0u));
}

void FCString::mid(FCString& out, const char* from, const char* to) {
    if (rep == nullptr) return;
    if (from == nullptr) from = rep->buffer;
    if (to == nullptr) to = rep->buffer + rep->length;
    if (to < from) {
        const char* t = from;
        from = to;
        to = t;
    }
    if (owns(from) && owns(to)) {
        FCString keep(*this);  // out may be this string
        out.clear();
        out.append(from, static_cast<int>(to - from + 1));
        return;
    }
    FCString message("  start:");
    AppendAddress(message, from);
    message.append("\n    end:");
    AppendAddress(message, to);
    message.append("\nstrings:");
    AppendAddress(message, rep->buffer);
    message.append("\n length:");
    message.appendInt(rep->length, 10, 0, ' ');
    ShowFoundationBox(message.text(), "FCString class");
}

int FCString::replaceAll(const char* findText, const char* replacement) {
    if (rep == nullptr || findText == nullptr || *findText == '\0') return 0;
    if (replacement == nullptr) replacement = "";
    size_t n = std::strlen(findText);
    FCString result;
    const char* p = rep->buffer;
    cursor = rep->buffer;
    int count = 0;
    for (;;) {
        const char* q = find(findText, nullptr);
        if (q == nullptr) break;
        if (q > p) result.append(p, static_cast<int>(q - p));
        result.append(replacement);
        p = q + n;
        cursor = const_cast<char*>(p);
        ++count;
    }
    result.append(p);
    assignFrom(result);
    cursor = rep->buffer;
    return count;
}

const char* FCString::toLower() {
    if (rep == nullptr) return "";
    if (rep->refCount > 1) create(rep->blockSize, rep->buffer);
    for (char* p = rep->buffer; *p != '\0'; ++p)
        if (*p >= 'A' && *p <= 'Z') *p = static_cast<char>(*p - 'A' + 'a');
    return text();
}
