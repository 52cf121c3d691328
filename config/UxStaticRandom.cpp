#include "config/UxStaticRandom.h"
#include <windows.h>

#if defined(_M_IX86) || defined(_M_X64) || defined(__i386__) || defined(__x86_64__)
#define KELPEX_X86 1
#include <emmintrin.h>
#if defined(_MSC_VER)
#include <intrin.h>
#define KELPEX_SSE2
#else
#include <cpuid.h>
#define KELPEX_SSE2 __attribute__((target("sse2")))
#endif
#endif

namespace {
const uint32_t kMatrixA = 0x9908B0DFu;
const uint32_t kUpper = 0x80000000u;
const uint32_t kLower = 0x7FFFFFFFu;

inline uint32_t Twist(uint32_t current, uint32_t following, uint32_t distant) {
    uint32_t y = (current & kUpper) | (following & kLower);
    return distant ^ (y >> 1) ^ ((y & 1u) != 0 ? kMatrixA : 0u);
}

inline uint32_t Temper(uint32_t y) {
    y ^= y >> 11;
    y ^= (y << 7) & 0x9D2C5680u;
    y ^= (y << 15) & 0xEFC60000u;
    y ^= y >> 18;
    return y;
}

#ifdef KELPEX_X86
KELPEX_SSE2 inline __m128i TwistVector(__m128i current, __m128i following, __m128i distant) {
    const __m128i upper = _mm_set1_epi32(static_cast<int>(kUpper));
    const __m128i lower = _mm_set1_epi32(static_cast<int>(kLower));
    const __m128i one = _mm_set1_epi32(1);
    const __m128i matrix = _mm_set1_epi32(static_cast<int>(kMatrixA));
    __m128i y = _mm_or_si128(_mm_and_si128(current, upper), _mm_and_si128(following, lower));
    __m128i odd = _mm_sub_epi32(_mm_setzero_si128(), _mm_and_si128(y, one));
    return _mm_xor_si128(_mm_xor_si128(distant, _mm_srli_epi32(y, 1)), _mm_and_si128(odd, matrix));
}

KELPEX_SSE2 void RegenerateSse2(uint32_t* mt, uint32_t* out) {
    typedef UxStaticRandom R;
    int i = 0;
    // Words i..i+3 read i+1..i+4 and i+M..i+M+3, none of them written yet.
    for (; i + 4 <= R::N - R::M; i += 4) {
        __m128i a = _mm_loadu_si128(reinterpret_cast<const __m128i*>(mt + i));
        __m128i b = _mm_loadu_si128(reinterpret_cast<const __m128i*>(mt + i + 1));
        __m128i c = _mm_loadu_si128(reinterpret_cast<const __m128i*>(mt + i + R::M));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(mt + i), TwistVector(a, b, c));
    }
    for (; i < R::N - R::M; ++i) mt[i] = Twist(mt[i], mt[i + 1], mt[i + R::M]);
    // Here the distant words i+M-N lie below i and were written already, as the
    // recurrence wants.
    for (; i + 4 <= R::N - 1; i += 4) {
        __m128i a = _mm_loadu_si128(reinterpret_cast<const __m128i*>(mt + i));
        __m128i b = _mm_loadu_si128(reinterpret_cast<const __m128i*>(mt + i + 1));
        __m128i c = _mm_loadu_si128(reinterpret_cast<const __m128i*>(mt + i + R::M - R::N));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(mt + i), TwistVector(a, b, c));
    }
    // 396 words: the chunks of four end exactly at word 623.
    mt[R::N] = mt[0];  // word 0 is new by now, as the last word wants it
    mt[R::N - 1] = Twist(mt[R::N - 1], mt[R::N], mt[R::M - 1]);

    const __m128i b1 = _mm_set1_epi32(static_cast<int>(0x9D2C5680u));
    const __m128i b2 = _mm_set1_epi32(static_cast<int>(0xEFC60000u));
    for (int k = 0; k < R::N; k += 4) {
        __m128i y = _mm_loadu_si128(reinterpret_cast<const __m128i*>(mt + k));
        y = _mm_xor_si128(y, _mm_srli_epi32(y, 11));
        y = _mm_xor_si128(y, _mm_and_si128(_mm_slli_epi32(y, 7), b1));
        y = _mm_xor_si128(y, _mm_and_si128(_mm_slli_epi32(y, 15), b2));
        y = _mm_xor_si128(y, _mm_srli_epi32(y, 18));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(out + k), y);
    }
}
#endif

// The rotation table of a key: the first 256 outputs after seeding, mod 8.
void RotationTable(uint32_t key, unsigned char table[256]) {
    UxStaticRandom random(0);
    random.setSeed(key);
    for (int i = 0; i < 256; ++i) table[i] = static_cast<unsigned char>(random.nextBelow(8));
}

inline unsigned char RotateLeft(unsigned char b, int n) {
    return n == 0 ? b : static_cast<unsigned char>((b << n) | (b >> (8 - n)));
}
}  // namespace

bool UxStaticRandom::processorHasVectorPath() {
#if defined(_M_X64) || defined(__x86_64__)
    return true;  // SSE2 is part of x86-64
#elif defined(KELPEX_X86)
#if defined(_MSC_VER)
    int info[4] = {};
    __cpuid(info, 1);
    return (info[3] & (1 << 26)) != 0;
#else
    unsigned a = 0, b = 0, c = 0, d = 0;
    if (!__get_cpuid(1, &a, &b, &c, &d)) return false;
    return (d & (1u << 26)) != 0;
#endif
#else
    return false;
#endif
}

UxStaticRandom::UxStaticRandom(int discardCount) : index(N), state(), block(), useVectorPath(0) {
    useVectorPath = processorHasVectorPath() ? 1u : 0u;
    setSeed(4357);
    if (discardCount != 0) discard(discardCount);
}

UxStaticRandom::~UxStaticRandom() {}

void UxStaticRandom::setSeed(uint32_t seed) {
    uint32_t s = seed;
    for (int i = 0; i < N; ++i) {
        uint32_t s1 = 69069u * s + 1u;
        state[i] = (s & 0xFFFF0000u) | (s1 >> 16);
        s = 69069u * s1 + 1u;
    }
    regenerate();
}

void UxStaticRandom::regenerate() {
#ifdef KELPEX_X86
    if (useVectorPath != 0) {
        RegenerateSse2(state, block);
        index = 0;
        return;
    }
#endif
    regenerateScalar();
}

void UxStaticRandom::regenerateScalar() {
    int i = 0;
    for (; i < N - M; ++i) state[i] = Twist(state[i], state[i + 1], state[i + M]);
    for (; i < N - 1; ++i) state[i] = Twist(state[i], state[i + 1], state[i + M - N]);
    state[N] = state[0];  // word 0 is new by now, as the last word wants it
    state[N - 1] = Twist(state[N - 1], state[N], state[M - 1]);
    for (int k = 0; k < N; ++k) block[k] = Temper(state[k]);
    index = 0;
}

void UxStaticRandom::regenerateVector() {
#ifdef KELPEX_X86
    RegenerateSse2(state, block);
    index = 0;
#else
    regenerateScalar();
#endif
}

uint32_t UxStaticRandom::next() {
    if (index >= static_cast<uint32_t>(N)) regenerate();
    return block[index++];
}

uint32_t UxStaticRandom::nextBelow(int n) {
    if (n <= 0) return 0;
    return next() % static_cast<uint32_t>(n);
}

void UxStaticRandom::discard(int n) {
    if (n <= 0) n = static_cast<int>(((GetTickCount() >> 4) & 0xFFu) + 1u);
    for (int i = 0; i < n; ++i) next();
}

void scrambleBytes(uint32_t key, unsigned char* bytes, int length) {
    if (bytes == nullptr || length <= 0) return;
    unsigned char table[256];
    RotationTable(key, table);
    for (int j = 0; j < length; ++j) bytes[j] = RotateLeft(bytes[j], table[j & 0xFF]);
}

void unscrambleBytes(uint32_t key, unsigned char* bytes, int length) {
    if (bytes == nullptr || length <= 0) return;
    unsigned char table[256];
    RotationTable(key, table);
    for (int j = 0; j < length; ++j) {
        int n = table[j & 0xFF];
        bytes[j] = RotateLeft(bytes[j], (8 - n) & 7);
    }
}
