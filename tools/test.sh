#!/usr/bin/env bash
# Builds kelpex for i686 and x86_64 and runs every test under Wine.
# On a fresh Debian 12 machine (as root) it first installs what it needs.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD

if [ "$(id -u)" = 0 ]; then bash .ci/install-deps; fi

build=$root/build
prefix=$build/wine
werror=${KELPEX_WERROR:-ON}
for arch in i686 x86_64; do
    cmake -S . -B "$build/$arch" -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-w64-$arch.cmake" \
          -DCMAKE_BUILD_TYPE=Release -DKELPEX_WERROR="$werror" -DKELPEX_WINEPREFIX="$prefix" >/dev/null
    cmake --build "$build/$arch" -j"$(nproc)"
done

. tools/wine-env.sh
trap 'kelpex_wine_down; kelpex_drives_down "$build/drives"' EXIT
kelpex_wine_up "$prefix"
kelpex_wine_check
kelpex_drives_up "$build/drives"
# As root every test drive is there: a test that skips for want of one fails.
if [ "$(id -u)" = 0 ]; then export KELPEX_NO_SKIP=1; fi

status=0
for arch in i686 x86_64; do
    echo "=== tests: $arch"
    ctest --test-dir "$build/$arch" --output-on-failure --no-tests=error --timeout 600 || status=1
done
exit $status
