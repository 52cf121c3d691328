#!/bin/sh
# Runs one test executable under Wine in the private prefix and passes only
# when the program exited 0 and printed the final line of a finished run
# with no failure.
prefix=$1
exe=$2
shift 2
# Japanese (code page 932) unless a test of another code page names its locale.
export WINEPREFIX="$prefix" LANG="${KELPEX_TEST_LANG:-ja_JP.UTF-8}" LC_ALL= WINEDEBUG=-all
if [ -z "$DISPLAY" ]; then
    echo "DISPLAY is not set: start the tests through tools/test.sh" >&2
    exit 1
fi
out=$(mktemp)
wine "$exe" "$@" </dev/null >"$out" 2>&1
rc=$?
# Program output is cp932.
iconv -c -f cp932 -t utf-8 "$out" 2>/dev/null || cat "$out"
end=$(grep -a 'KELPEX-GTEST-END' "$out" | tail -n 1 | tr -d '\r')
rm -f "$out"
case "$end" in
    *"ran=0 "*) echo "launcher: no test ran" >&2; exit 1 ;;
    *"failed=0 skipped=0") [ "$rc" -eq 0 ] && exit 0 ;;
    *"failed=0 skipped="*)
        # A skipped test is never reported as passed: CTest shows the
        # program as skipped (77), and where every test drive is set up
        # (KELPEX_NO_SKIP=1, as under CI) a skip is a failure.
        if [ "$rc" -eq 0 ]; then
            if [ "${KELPEX_NO_SKIP:-0}" = 1 ]; then
                echo "launcher: tests were skipped where none may be ($end)" >&2
                exit 1
            fi
            exit 77
        fi ;;
esac
echo "launcher: exit code $rc, final line '${end:-missing}'" >&2
exit 1
