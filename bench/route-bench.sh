#!/bin/sh
# The route for names the system's code page cannot hold, timed: the same
# Run of the Japanese corpus into a Japanese folder under code page 932
# (every name direct) and under 1252 (every name through the route), in
# separate processes, in rounds of A B B A. Prints each side's median, the
# ratio of the medians and the median of the ratios of neighbouring runs;
# fails when a Run fails.
#   route-bench.sh CORPUS_FOLDER OUTPUT_FOLDER EXE ROUNDS
set -eu
corpus=$1 out=$2 exe=$3 rounds=$4
zpath() { echo "Z:$1" | tr / '\\'; }
times_a="" times_b=""
one() {
    lang=$1
    rm -rf "$out"; mkdir -p "$out"
    t=$(LANG=$lang wine "$exe" "$(zpath "$corpus")" "$(zpath "$out")\\展開先\\" run </dev/null | tr -d '\r' | sed -n 's/^run //p')
    rm -rf "$out"
    [ -n "$t" ] || { echo "route-bench: the Run under $lang failed" >&2; exit 1; }
    echo "$t"
}
r=0
while [ $r -lt "$rounds" ]; do
    for side in A B B A; do
        if [ $side = A ]; then t=$(one ja_JP.UTF-8); times_a="$times_a $t"
        else t=$(one en_US.UTF-8); times_b="$times_b $t"; fi
        echo "round $((r + 1)) $side $t"
    done
    r=$((r + 1))
done
python3 - "$times_a" "$times_b" <<'PY'
import statistics, sys
a = [float(x) for x in sys.argv[1].split()]
b = [float(x) for x in sys.argv[2].split()]
print(f"A Run under 932:  median {statistics.median(a):.3f} s, fastest {min(a):.3f} s")
print(f"B Run under 1252: median {statistics.median(b):.3f} s, fastest {min(b):.3f} s")
print(f"ratio 1252 / 932: medians {statistics.median(b) / statistics.median(a):.3f}, "
      f"neighbours {statistics.median(y / x for x, y in zip(a, b)):.3f}, fastest {min(b) / min(a):.3f}")
PY
