#!/usr/bin/env bash
# Builds kelpex for i686 and x86_64 and runs every test under Wine.
# On a fresh Debian 12 machine (as root) it first installs what it needs.
#
# The two architectures' tests run side by side, each in a Wine prefix, a
# display and a set of test drives of its own: a Wine server per prefix
# keeps kelpex's single-instance claim, its windows and its drive letters
# apart, so neither sees the other. Within one architecture the suites that
# hold the desktop run one after another, as they always have.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD

if [ "$(id -u)" = 0 ]; then bash .ci/install-deps; fi

build=$root/build
werror=${KELPEX_WERROR:-ON}
arches=(i686 x86_64)
# The benchmarks and the screenshot driver run as i686 programs only:
# built there, where they are kept compiling, and not twice.
configure() {
    local tools=ON
    [ "$1" = i686 ] || tools=OFF
    cmake -S . -B "$build/$1" -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-w64-$1.cmake" \
          -DCMAKE_BUILD_TYPE=Release -DKELPEX_WERROR="$werror" -DKELPEX_WINEPREFIX="$build/wine-$1" \
          -DKELPEX_TOOLS="$tools" >/dev/null
}

# One architecture's tests, in a subshell of its own: its own Xvfb (DISPLAY
# unset), prefix and drives, all taken down on the way out.
run_arch() {
    local arch=$1
    unset DISPLAY
    export KELPEX_DISPLAY_FIRST=$2
    . tools/wine-env.sh
    trap 'kelpex_wine_down; kelpex_drives_down "$build/drives-$arch"' EXIT
    kelpex_wine_up "$build/wine-$arch"
    kelpex_wine_check
    kelpex_drives_up "$build/drives-$arch"
    # As root every test drive is there: a test that skips for want of one fails.
    if [ "$(id -u)" = 0 ]; then export KELPEX_NO_SKIP=1; fi
    echo "=== tests: $arch"
    # Two at once: the suites that hold the desktop one after another, the
    # console suites (kelpack, the fuzz target) beside them.
    ctest --test-dir "$build/$arch" --output-on-failure --no-tests=error --timeout 600 -j2
}

# Both architectures are built first, each with both processors; then
# their tests run side by side. (Starting one architecture's tests beside
# the other's build took about as long here, and a failed build then had
# tests running to wait for.)
start=$(date +%s)
for arch in "${arches[@]}"; do
    configure "$arch"
    cmake --build "$build/$arch" -j"$(nproc)"
done
pids=()
first=91
for arch in "${arches[@]}"; do
    (run_arch "$arch" "$first") >"$build/tests-$arch.log" 2>&1 &
    pids+=($!)
    first=$((first + 25))
done
status=0
for i in "${!arches[@]}"; do
    if ! wait "${pids[$i]}"; then status=1; fi
done
# Each architecture's output whole, one after the other, with CTest's own
# closing lines.
for arch in "${arches[@]}"; do cat "$build/tests-$arch.log"; done
echo "build and tests of both architectures took $(( $(date +%s) - start )) s"
exit $status
