#!/usr/bin/env bash
# Takes a screenshot of a kelpex window under Xvfb, to check the look by eye.
#   tools/screenshot.sh yesno  [out.png]   the Yes/No dialog with a marked-up text
# (tools/demo.sh takes the main window's.)
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
what=${1:-yesno}
out=${2:-$root/build/screenshot-$what.png}
arch=i686
build=$root/build
if [ "$(id -u)" = 0 ]; then bash .ci/install-deps; fi
cmake -S . -B "$build/$arch" -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-w64-$arch.cmake" \
      -DCMAKE_BUILD_TYPE=Release -DKELPEX_WINEPREFIX="$build/wine" >/dev/null
case "$what" in
    yesno) target=ui_preview; exe=$build/$arch/tests/ui/ui_preview.exe ;;
    *) echo "unknown window: $what" >&2; exit 2 ;;
esac
cmake --build "$build/$arch" -j"$(nproc)" --target "$target" >/dev/null

unset DISPLAY
. tools/wine-env.sh
trap kelpex_wine_down EXIT
kelpex_wine_up "$build/wine"
wine "$exe" </dev/null >/dev/null 2>&1 &
sleep 4   # a screenshot for the eye, not a test: the dialog has long been drawn by then
import -window root -crop 800x600+240+212 "$out"
wineserver -k >/dev/null 2>&1 || true
echo "screenshot: $out"
