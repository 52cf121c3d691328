#!/usr/bin/env bash
# Builds the benchmarks and runs them under Wine; each prints its ratios
# against a baseline measured in the same run.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
if [ "$(id -u)" = 0 ]; then bash .ci/install-deps; fi
build=$root/build
for arch in i686 x86_64; do
    cmake -S . -B "$build/$arch" -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-w64-$arch.cmake" \
          -DCMAKE_BUILD_TYPE=Release -DKELPEX_WINEPREFIX="$build/wine" >/dev/null
    cmake --build "$build/$arch" -j"$(nproc)" --target random_bench >/dev/null
done
. tools/wine-env.sh
trap kelpex_wine_down EXIT
kelpex_wine_up "$build/wine"
for arch in i686 x86_64; do
    echo "=== generator ($arch)"
    wine "$build/$arch/bench/random_bench.exe" </dev/null
done
