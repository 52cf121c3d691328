// Reading a whole file into an FCString and writing one out, plain or with
// everything after the first plain lines scrambled by a key.
#include "config/UxStaticRandom.h"
#include "foundation/Diagnostic.h"
#include "foundation/FCHeap.h"
#include "foundation/FCString.h"
#include "fs/FCFile.h"
#include <cstring>

namespace {
// The offset of the scrambled part: just after the plainLines-th LF. -1 when
// a line end is missing or nothing follows the last one.
int ScrambledOffset(const char* text, int length, int plainLines) {
    FCString scan(text);
    for (int i = 0; i < plainLines; ++i) {
        if (scan.findChar('\n') == nullptr) return -1;
        scan.nextChar();
    }
    int offset = static_cast<int>(scan.cursor - scan.text());
    return offset < length ? offset : -1;
}
}  // namespace

void FCString::readFile(const std::wstring& path, unsigned maxBytes, unsigned key, int plainLines) {
    FCFile file;
    file.open(path, OPEN_EXISTING, GENERIC_READ, FILE_SHARE_READ, FILE_ATTRIBUTE_NORMAL, false);
    readFrom(file, maxBytes, key, plainLines);
}

void FCString::readFrom(FCFile& file, unsigned maxBytes, unsigned key, int plainLines) {
    if (!file.isOpen()) return;
    LONGLONG wanted = maxBytes;
    if (maxBytes == 0) {
        LONGLONG remaining = file.remainingBytes();
        wanted = remaining > 0 ? remaining : 0;
    }
    if (wanted > 0x7FFFFFF0) ThrowNotEnoughMemory("FCHeap - malloc");
    DWORD n = static_cast<DWORD>(wanted);
    FCHeapBlock buffer(FCHeap::malloc(n + 2, FCHeap::THROW_ON_FAILURE));
    DWORD total = 0;
    while (total < n) {
        DWORD done = file.read(buffer.bytes() + total, n - total);
        if (done == 0) break;
        total += done;
    }
    buffer.bytes()[total] = '\0';
    create(DEFAULT_BLOCK, buffer.bytes());
    if (key != 0) {
        int offset = ScrambledOffset(rep->buffer, rep->length, plainLines);
        if (offset >= 0)
            unscrambleBytes(key, reinterpret_cast<unsigned char*>(rep->buffer + offset), rep->length - offset);
    }
    cursor = rep->buffer;
}

void FCString::writeFile(const std::wstring& path, unsigned key, int plainLines) {
    FCFile file;
    file.open(path, OPEN_ALWAYS, GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ, FILE_ATTRIBUTE_NORMAL, false);
    writeTo(file, key, plainLines);
    // An older, longer content is cut off; a file that could not be opened
    // was already reported by the open.
    if (file.isOpen() && !file.truncate()) reportLastError("FCString - writeFile");
}

void FCString::writeTo(FCFile& file, unsigned key, int plainLines) {
    if (!file.isOpen()) return;
    // The bytes are scrambled in a copy: the representation may be shared.
    int n = length();
    FCHeapBlock copy(FCHeap::malloc(static_cast<size_t>(n) + 1, FCHeap::THROW_ON_FAILURE));
    std::memcpy(copy.bytes(), text(), static_cast<size_t>(n) + 1);
    if (key != 0) {
        int offset = ScrambledOffset(copy.bytes(), n, plainLines);
        if (offset >= 0) scrambleBytes(key, reinterpret_cast<unsigned char*>(copy.bytes() + offset), n - offset);
    }
    DWORD total = 0;
    while (total < static_cast<DWORD>(n)) {
        DWORD done = file.write(copy.bytes() + total, static_cast<DWORD>(n) - total);
        if (done == 0) break;
        total += done;
    }
}
