// Measures the two ways of computing a block of the generator against each
// other in the same run and prints the ratio (vector time / scalar time).
#include "config/UxStaticRandom.h"
#include <windows.h>
#include <algorithm>
#include <cstdio>
#include <vector>

namespace {
double Seconds(LARGE_INTEGER a, LARGE_INTEGER b, LARGE_INTEGER f) {
    return static_cast<double>(b.QuadPart - a.QuadPart) / static_cast<double>(f.QuadPart);
}

template <class F>
double Median(F work, int runs) {
    LARGE_INTEGER f;
    QueryPerformanceFrequency(&f);
    std::vector<double> times;
    for (int r = 0; r < runs; ++r) {
        LARGE_INTEGER a, b;
        QueryPerformanceCounter(&a);
        work();
        QueryPerformanceCounter(&b);
        times.push_back(Seconds(a, b, f));
    }
    std::sort(times.begin(), times.end());
    return times[times.size() / 2];
}
}  // namespace

int main() {
    const int blocks = 20000;
    UxStaticRandom random(0);
    volatile uint32_t sink = 0;
    double scalar = Median(
        [&] {
            for (int i = 0; i < blocks; ++i) {
                random.regenerateScalar();
                sink = sink + random.block[i % 624];
            }
        },
        9);
    double vector = 0;
    if (UxStaticRandom::processorHasVectorPath()) {
        vector = Median(
            [&] {
                for (int i = 0; i < blocks; ++i) {
                    random.regenerateVector();
                    sink = sink + random.block[i % 624];
                }
            },
            9);
    }
    // A whole rotation table, as every scrambled read builds one.
    unsigned char bytes[4096] = {};
    double table = Median(
        [&] {
            for (int i = 0; i < 200; ++i) scrambleBytes(12345u + i, bytes, sizeof bytes);
        },
        9);
    std::printf("blocks of 624 words: scalar %.3f us, vector %.3f us a block\n", scalar * 1e6 / blocks,
                vector * 1e6 / blocks);
    if (vector > 0) std::printf("ratio vector/scalar: %.2f\n", vector / scalar);
    std::printf("scrambling 4 KB with a fresh table: %.1f us\n", table * 1e6 / 200);
    return 0;
}
