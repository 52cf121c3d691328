#!/usr/bin/env bash
# Builds the benchmarks and runs them under Wine; each prints its ratios
# against a baseline measured in the same run: the generator, the extraction
# (kelpex against the bare platform loops, undated and dating) and the
# packing (kelpack against a bare FCI loop and gcab, kelpack verify against
# the bare loop).
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
if [ "$(id -u)" = 0 ]; then bash .ci/install-deps; fi
build=$root/build
for arch in i686 x86_64; do
    cmake -S . -B "$build/$arch" -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-w64-$arch.cmake" \
          -DCMAKE_BUILD_TYPE=Release -DKELPEX_WINEPREFIX="$build/wine" -DKELPEX_TOOLS=ON >/dev/null
    cmake --build "$build/$arch" -j"$(nproc)" --target random_bench extract_bench text_bench fci_bench kelpack >/dev/null
done
echo "=== making the corpora (once)"
sh bench/make-corpus.sh "$build/corpus"
. tools/wine-env.sh
trap 'kelpex_wine_down; rm -rf "/dev/shm/kelpex-bench-$$"' EXIT
kelpex_wine_up "$build/wine"
for arch in i686 x86_64; do
    echo "=== generator ($arch)"
    wine "$build/$arch/bench/random_bench.exe" </dev/null
done
zpath() { echo "Z:$1" | tr / '\\'; }
# The extraction is timed writing into memory where the machine has room
# there, then into the build tree on disk. On a shared virtual disk the
# same Run took anywhere from 7 to 17 s, as the discards of the previous
# run's removal came and went; in memory it takes 5 to 7.5 s. Both sides
# write the same bytes, so the disk adds about the same time to each:
# memory gives the stricter ratio, the disk the figure a user sees.
outputs=$build/bench-out
if [ -d /dev/shm ] && [ "$(df --output=avail -k /dev/shm | tail -1)" -gt 2000000 ]; then
    outputs="/dev/shm/kelpex-bench-$$ $outputs"
fi
for out in $outputs; do
    rm -rf "$out"; mkdir -p "$out"
    for corpus in small large; do
        # Rounds of A B C D D C B A: two Runs a round.
        rounds=2; [ "$corpus" = large ] && rounds=4
        echo "=== extraction, $corpus corpus (i686), written to $out"
        wine "$build/i686/bench/extract_bench.exe" "$(zpath "$build/corpus/$corpus")" "$(zpath "$out")" $rounds </dev/null | iconv -c -f cp932 -t utf-8
    done
    rm -rf "$out"
done
echo "=== names the code page cannot hold: the Japanese corpus under 1252 against 932 (i686)"
route_out=$build/bench-route
[ -d /dev/shm ] && route_out=/dev/shm/kelpex-bench-$$-route
sh bench/route-bench.sh "$build/corpus/japanese" "$route_out" "$build/i686/bench/extract_bench.exe" 3
echo "=== long texts (i686)"
wine "$build/i686/bench/text_bench.exe" "$(zpath "$build/text-bench")" </dev/null | iconv -c -f cp932 -t utf-8
rm -rf "$build/text-bench"
bash bench/pack-bench.sh "$build/corpus" "$build" 3
