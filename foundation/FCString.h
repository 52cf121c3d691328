// FCString: zero-terminated Shift_JIS (code page 932) text, whatever the
// system's code page, with a shared, copy-on-write representation and a
// per-string cursor used by the scanning operations.
#pragma once
#include <string>
#include <windows.h>
#include <cstdarg>

class FCFile;

class FCStringRep {
public:
    FCStringRep() { reset(); }
    virtual ~FCStringRep();
    void reset();

    volatile LONG refCount;  // changed only with interlocked operations
    int length;
    int allocSize;
    int blockSize;
    char* buffer;
};

class FCString {
public:
    enum { DEFAULT_BLOCK = 256, MIN_BLOCK = 16, TOKEN_BLOCK = 32 };
    // Flags of split.
    enum { SPLIT_KEEP_EMPTY = 1, SPLIT_REST_INTO_LAST = 2 };
    // Flags of readLine.
    enum { LINE_TRIM = 0x01, LINE_FULL_WIDTH = 0x02, LINE_KEEP_EMPTY = 0x10 };
    // Origins of seek.
    enum { SEEK_FROM_START = 0, SEEK_FROM_CURRENT = 1, SEEK_FROM_END = 2 };

    FCString();
    FCString(const char* text);
    FCString(const FCString& other);
    FCString& operator=(const FCString& other) {
        assignFrom(other);
        return *this;
    }
    virtual ~FCString();

    // --- core ---
    FCStringRep* create(int blockSize, const char* text);
    void assignFrom(const char* text);
    void assignFrom(const FCString& other);
    void append(const char* text);
    void append(const FCString& other);
    void append(const char* text, int count);
    const char* clear();
    bool equals(const FCString& other) const;
    void release();
    const char* text() const { return rep != nullptr ? rep->buffer : ""; }
    int length() const { return rep != nullptr ? rep->length : 0; }
    bool isEmpty() const { return length() == 0; }
    const char* end() const { return text() + length(); }

    // --- cursor and characters ---
    bool nextChar();
    bool prevChar();
    unsigned seek(int count, int origin);
    unsigned charAt(const char* position) const;
    int currentChar() const;

    // --- searching from the cursor ---
    const char* findChar(unsigned code);
    const char* findAnyOf(const char* set);
    const char* skipAnyOf(const char* set);
    const char* findLastAnyOf(const char* set);
    const char* find(const char* text, const char* separators = nullptr);

    // --- tokenising ---
    const char* nextToken(FCString& out, const char* separators, bool includeSeparator);
    int nextField(FCString& out, const char* separators, bool keepEmpty, unsigned* code);
    int split(FCString* fields, int count, const char* separators, unsigned flags, const char* skipSet);
    int split(FCString* fields, int count, const char* separators, bool restIntoLast, bool keepEmpty,
              const char* skipSet);
    bool readLine(FCString& out, unsigned flags);
    bool readLine(FCString& out, bool trim, bool fullWidth);

    // --- extracting, replacing, case ---
    void mid(FCString& out, const char* from, const char* to);
    int replaceAll(const char* findText, const char* replacement);
    const char* toLower();

    // --- numbers and formatting ---
    int toInt(bool fromCursor = false);
    unsigned toUnsigned(bool fromCursor = false);
    int parseHex(bool fromCursor);
    int parseBinary(bool fromCursor);
    void appendInt(int value, int radix, int width, char fill);
    void appendUInt(unsigned value, int radix, int width, char fill);
    void appendNumber(unsigned value);
    void create(const char* format, ...);
    void createV(const char* format, va_list args);
    // The buffer size create(format, ...) reserves for these arguments.
    static int estimateFormattedLength(const char* format, va_list args);

    // --- whole files (scrambled or plain) ---
    void readFile(const std::wstring& path, unsigned maxBytes, unsigned key = 0, int plainLines = 0);
    void readFrom(FCFile& file, unsigned maxBytes, unsigned key, int plainLines);
    // Writes the whole text over the file and cuts it to that length.
    void writeFile(const std::wstring& path, unsigned key = 0, int plainLines = 0);
    void writeTo(FCFile& file, unsigned key, int plainLines);

    FCStringRep* rep;
    char* cursor;

private:
    static FCStringRep* makeRep(int blockSize, const char* first, size_t firstLength, const char* second,
                                size_t secondLength, const char* repCaption);
    void adopt(FCStringRep* fresh);
    bool owns(const char* p) const { return rep != nullptr && p >= rep->buffer && p <= rep->buffer + rep->length; }
};

// True when text reads, as toInt (isSigned) or toUnsigned reads it, as a
// number that fits 32 bits: decimal within the signed or unsigned range
// (no negative number is unsigned), hexadecimal or binary within 32 bits.
// Digits are read as far as they go, as those read them.
bool NumberFits(const char* text, bool isSigned);
