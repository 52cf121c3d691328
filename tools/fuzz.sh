#!/usr/bin/env bash
# Runs the fuzz target (mutated cabinets and configurations) for as long as
# asked, each round with a new seed, and keeps what it finds under
# build/fuzz-found/: found-*.bin for a broken invariant, crash-SEED.bin for
# the input a crash left behind.
#   tools/fuzz.sh [SECONDS] [CASES PER ROUND]
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
seconds=${1:-300}
cases=${2:-50000}
build=$root/build
if [ "$(id -u)" = 0 ]; then bash .ci/install-deps; fi
cmake -S . -B "$build/i686" -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-w64-i686.cmake" \
      -DCMAKE_BUILD_TYPE=Release -DKELPEX_WINEPREFIX="$build/wine" >/dev/null
cmake --build "$build/i686" -j"$(nproc)" --target fuzz_tests >/dev/null
found=$build/fuzz-found
mkdir -p "$found"
. tools/wine-env.sh
trap kelpex_wine_down EXIT
kelpex_wine_up "$build/wine"
zpath() { echo "Z:$1" | tr / '\\'; }
end=$(( $(date +%s) + seconds ))
rounds=0 failures=0
while [ "$(date +%s)" -lt "$end" ]; do
    seed=$(od -An -N4 -tu4 /dev/urandom | tr -d ' ')
    rounds=$((rounds + 1))
    if ! out=$(KELPEX_FUZZ_SEED=$seed KELPEX_FUZZ_CASES=$cases KELPEX_FUZZ_FOUND=$(zpath "$found") \
               wine "$build/i686/tests/fuzz/fuzz_tests.exe" </dev/null 2>&1) || ! grep -q "KELPEX-GTEST-END" <<<"$out"; then
        failures=$((failures + 1))
        [ -f "$found/current.bin" ] && mv "$found/current.bin" "$found/crash-$seed.bin"
        echo "fuzz: seed $seed failed"; grep -a "Failure\|fuzz:" <<<"$out" | head -5 || true
    fi
    rm -f "$found/current.bin"
done
echo "fuzz: $rounds rounds of $cases cases each, $failures failed; findings in $found"
[ "$failures" = 0 ]
