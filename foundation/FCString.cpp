#include "foundation/FCString.h"
#include "foundation/Diagnostic.h"
#include "foundation/FCHeap.h"
#include "foundation/Mbcs.h"
#include <cstring>
#include <new>

FCStringRep::~FCStringRep() {
    FCHeap::free(buffer, 0);
    reset();
}

void FCStringRep::reset() {
    refCount = 0;
    length = 0;
    allocSize = 0;
    blockSize = FCString::DEFAULT_BLOCK;
    buffer = nullptr;
}

namespace {
void DestroyRep(FCStringRep* rep) {
    rep->~FCStringRep();
    FCHeap::free(rep, 0);
}
}  // namespace

FCString::FCString() : rep(nullptr), cursor(nullptr) { create(DEFAULT_BLOCK, nullptr); }

FCString::FCString(const char* text) : rep(nullptr), cursor(nullptr) { create(DEFAULT_BLOCK, text); }

FCString::FCString(const FCString& other) : rep(other.rep), cursor(other.cursor) {
    if (rep != nullptr) InterlockedIncrement(&rep->refCount);
}

FCString::~FCString() { release(); }

// One allocation for the text first + second, sized by the block rule: the
// smallest multiple of the block that is strictly greater than length + 1.
FCStringRep* FCString::makeRep(int blockSize, const char* first, size_t firstLength, const char* second,
                               size_t secondLength, const char* repCaption) {
    void* place = FCHeap::malloc(sizeof(FCStringRep), 0);
    if (place == nullptr) ThrowNotEnoughMemory(repCaption);
    FCStringRep* fresh = new (place) FCStringRep();
    fresh->blockSize = blockSize < MIN_BLOCK ? MIN_BLOCK : blockSize;
    long long length = static_cast<long long>(firstLength) + static_cast<long long>(secondLength);
    long long block = fresh->blockSize;
    long long size = block * ((length + 1) / block + 1);
    if (size > 0x7FFFFFFF) {
        DestroyRep(fresh);
        ThrowNotEnoughMemory("FCString - create()");
    }
    fresh->buffer = static_cast<char*>(FCHeap::malloc(static_cast<size_t>(size), 0));
    if (fresh->buffer == nullptr) {
        DestroyRep(fresh);
        ThrowNotEnoughMemory("FCString - create()");
    }
    fresh->allocSize = static_cast<int>(size);
    fresh->length = static_cast<int>(length);
    if (firstLength > 0) std::memcpy(fresh->buffer, first, firstLength);
    if (secondLength > 0) std::memcpy(fresh->buffer + firstLength, second, secondLength);
    fresh->buffer[length] = '\0';
    return fresh;
}

void FCString::adopt(FCStringRep* fresh) {
    release();
    rep = fresh;
    InterlockedIncrement(&rep->refCount);
    cursor = rep->buffer;
}

FCStringRep* FCString::create(int blockSize, const char* text) {
    // The new representation is made before the old one goes, so that a text
    // taken from this string's own buffer stays readable while it is copied.
    FCStringRep* fresh;
    try {
        fresh = makeRep(blockSize, text, text != nullptr ? std::strlen(text) : 0, nullptr, 0, "FCString - create()");
    } catch (...) {
        release();
        throw;
    }
    adopt(fresh);
    return rep;
}

void FCString::assignFrom(const char* text) { create(DEFAULT_BLOCK, text); }

void FCString::assignFrom(const FCString& other) {
    if (rep == other.rep) return;
    FCStringRep* shared = other.rep;
    char* sharedCursor = other.cursor;
    if (shared != nullptr) InterlockedIncrement(&shared->refCount);
    release();
    rep = shared;
    cursor = sharedCursor;
}

void FCString::append(const char* text) {
    if (text == nullptr) return;
    size_t n = std::strlen(text);
    if (rep != nullptr && rep->refCount <= 1 &&
        static_cast<long long>(rep->length) + static_cast<long long>(n) < rep->allocSize) {
        // memmove: appending the string's own text reads what it writes.
        std::memmove(rep->buffer + rep->length, text, n + 1);
        rep->length += static_cast<int>(n);
        return;
    }
    int block = rep != nullptr ? rep->blockSize : DEFAULT_BLOCK;
    FCStringRep* fresh = makeRep(block, this->text(), static_cast<size_t>(length()), text, n, "FCString - append");
    adopt(fresh);
}

void FCString::append(const FCString& other) {
    if (&other == this) {
        FCString copy(other);  // shares, so the append below copies instead of writing in place
        append(copy.text());
        return;
    }
    append(other.text());
}

void FCString::append(const char* text, int count) {
    if (text == nullptr || count < 0) return;
    size_t n = static_cast<size_t>(count);
    size_t available = 0;
    while (available <= n && text[available] != '\0') ++available;  // never reads past the terminator
    if (available <= n) {
        append(text);
        return;
    }
    void* temp = FCHeap::malloc(n + 1, 0);
    if (temp == nullptr) ThrowNotEnoughMemory("FCString - append");
    FCHeapBlock holder(temp);
    // Never split a double-byte character at the cut.
    size_t keep = Mbcs::BoundedLength(text, n);
    std::memcpy(holder.bytes(), text, keep);
    holder.bytes()[keep] = '\0';
    append(holder.bytes());
}

const char* FCString::clear() {
    if (rep == nullptr || rep->refCount > 1) {
        create(rep != nullptr ? rep->blockSize : DEFAULT_BLOCK, nullptr);
        return text();
    }
    cursor = rep->buffer;
    rep->buffer[0] = '\0';
    rep->length = 0;
    return text();
}

bool FCString::equals(const FCString& other) const {
    if (rep != nullptr && rep == other.rep) return true;
    // Only identical texts: a comparison through the system's code page
    // takes different Shift_JIS texts for one under some.
    return std::strcmp(text(), other.text()) == 0;
}

void FCString::release() {
    if (rep == nullptr) return;
    FCStringRep* old = rep;
    rep = nullptr;
    cursor = nullptr;
    if (InterlockedDecrement(&old->refCount) <= 0) DestroyRep(old);
}
