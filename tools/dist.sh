#!/usr/bin/env bash
# Makes dist/ with the programs kelpex ships, for i686 (the shipped build)
# and x86_64: Release, stripped, unused code dropped. Prints each file's
# size and checks that kelpex.exe (i686) stays below 460 KB and that no
# program imports a DLL that not every Windows has.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
if [ "$(id -u)" = 0 ]; then bash .ci/install-deps; fi
rm -rf dist
for arch in i686 x86_64; do
    build=$root/build/dist-$arch
    cmake -S . -B "$build" -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-w64-$arch.cmake" \
          -DCMAKE_BUILD_TYPE=Release -DKELPEX_TESTS=OFF >/dev/null
    cmake --build "$build" -j"$(nproc)" --target kelpex kelpack qcfscramble >/dev/null
    mkdir -p "dist/$arch"
    cp "$build/app/kelpex.exe" "$build/publisher/kelpack/kelpack.exe" "$build/publisher/qcfscramble/qcfscramble.exe" "dist/$arch/"
    sh cmake/check-imports.sh "$arch-w64-mingw32-objdump" dist/$arch/*.exe >/dev/null
done
for f in dist/*/*.exe; do printf '%8d  %s\n' "$(stat -c %s "$f")" "$f"; done
size=$(stat -c %s dist/i686/kelpex.exe)
if [ "$size" -ge $((460 * 1024)) ]; then
    echo "dist: kelpex.exe (i686) is $size bytes, above 460 KB" >&2
    exit 1
fi
