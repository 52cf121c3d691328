// UxStaticRandom: the MT19937 generator with the 1998 reference seeding.
#pragma once
#include <cstdint>

class UxStaticRandom {
public:
    enum { N = 624, M = 397 };

    explicit UxStaticRandom(int discardCount = 0);
    virtual ~UxStaticRandom();

    void setSeed(uint32_t seed);
    void regenerate();
    uint32_t next();
    uint32_t nextBelow(int n);
    void discard(int n);

    // The two ways of computing a block; regenerate picks by useVectorPath.
    void regenerateScalar();
    void regenerateVector();
    static bool processorHasVectorPath();

    uint32_t index;
    uint32_t state[N + 1];  // the spare word holds the new word 0 for the last word's twist
    uint32_t block[N];
    uint32_t useVectorPath;
};

// Rotates every byte of the buffer within itself by the key's rotation
// table (left to scramble, right to unscramble). Callers skip a key of 0,
// which stands for a text that is not scrambled.
void scrambleBytes(uint32_t key, unsigned char* bytes, int length);
void unscrambleBytes(uint32_t key, unsigned char* bytes, int length);
