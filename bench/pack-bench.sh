#!/usr/bin/env bash
# Packs the corpora's trees with kelpack build (under Wine), with a bare FCI
# loop under the same Wine (bench/FciBench.cpp: the fair floor, which opens
# each file as kelpack does) and with gcab -z, kelpack and the floor side by
# side in the order A B B A (the first of two back-to-back runs is often the
# slow one here), and times kelpack verify against the bare extraction loop on
# the same series. Prints medians, sizes and ratios; fails loudly when a
# tool fails.
#   pack-bench.sh CORPUS_DIR BUILD_DIR RUNS
set -euo pipefail
corpus=$(cd "$1" && pwd) build=$(cd "$2" && pwd) runs=$3
kelpack=$build/i686/publisher/kelpack/kelpack.exe
fci=$build/i686/bench/fci_bench.exe
zpath() { echo "Z:$1" | tr / '\\'; }
now() { date +%s.%N; }
median() { sort -g | awk '{v[NR]=$1} END {print v[int((NR+1)/2)]}'; }
work=$build/pack-bench
for name in small large; do
    tree=$corpus/tree/$name
    rm -rf "$work"; mkdir -p "$work"
    : > "$work/kelpack.t"; : > "$work/gcab.t"; : > "$work/fci.t"
    for run in $(seq 1 "$runs"); do
        rm -rf "$work/k" "$work/g.cab" "$work/f"
        for side in $([ $((run % 2)) = 1 ] && echo "k f g" || echo "g f k"); do
            t0=$(now)
            if [ "$side" = f ]; then
                wine "$fci" "$(zpath "$tree")" "$(zpath "$work/f")" </dev/null >"$work/f.log" 2>&1 \
                    || { cat "$work/f.log"; echo "pack-bench: the bare FCI loop failed" >&2; exit 1; }
                echo "$(now) - $t0" | bc >> "$work/fci.t"
            elif [ "$side" = k ]; then
                wine "$kelpack" build "$(zpath "$tree")" "$(zpath "$work/k")" </dev/null >"$work/k.log" 2>&1 \
                    || { cat "$work/k.log"; echo "pack-bench: kelpack build failed" >&2; exit 1; }
                echo "$(now) - $t0" | bc >> "$work/kelpack.t"
            else
                (cd "$tree" && find . -type f | sed 's|^\./||' | LC_ALL=C sort > "$work/list" && gcab -c -z "$work/g.cab" $(cat "$work/list")) \
                    || { echo "pack-bench: gcab failed" >&2; exit 1; }
                echo "$(now) - $t0" | bc >> "$work/gcab.t"
            fi
        done
    done
    k=$(median < "$work/kelpack.t"); g=$(median < "$work/gcab.t"); f=$(median < "$work/fci.t")
    ksize=$(cat "$work"/k/data*.cab | wc -c); gsize=$(wc -c < "$work/g.cab")
    echo "=== packing, $name corpus ($runs runs)"
    printf 'kelpack build: median %.2f s, %d bytes in %d cabinet(s)\n' "$k" "$ksize" "$(ls "$work"/k/data*.cab | wc -l)"
    printf 'bare FCI loop: median %.2f s, %d bytes\n' "$f" "$(cat "$work"/f/data*.cab | wc -c)"
    printf 'gcab -z:       median %.2f s, %d bytes\n' "$g" "$gsize"
    printf 'ratio time kelpack / bare FCI loop: %.3f (each round: %s)\n' "$(echo "$k / $f" | bc -l)" \
        "$(paste -d/ "$work/kelpack.t" "$work/fci.t" | tr '\n' ' ')"
    printf 'ratio time kelpack / gcab: %.3f, size: %.4f\n' "$(echo "$k / $g" | bc -l)" "$(echo "$ksize / $gsize" | bc -l)"
    if [ "$name" = large ]; then
        : > "$work/verify.t"
        for run in $(seq 1 "$runs"); do
            t0=$(now)
            wine "$kelpack" verify "$(zpath "$work/k")" </dev/null >"$work/v.log" 2>&1 \
                || { cat "$work/v.log"; echo "pack-bench: kelpack verify failed" >&2; exit 1; }
            echo "$(now) - $t0" | bc >> "$work/verify.t"
        done
        # What starting a program under Wine costs, measured here: verify
        # runs as a program of its own, the bare loop inside a running one.
        : > "$work/start.t"
        for run in $(seq 1 "$runs"); do
            t0=$(now)
            wine "$kelpack" </dev/null >/dev/null 2>&1 || true
            echo "$(now) - $t0" | bc >> "$work/start.t"
        done
        start=$(median < "$work/start.t")
        v=$(echo "$(median < "$work/verify.t") - $start" | bc)
        mkdir -p "$work/x"
        bare=$(wine "$build/i686/bench/extract_bench.exe" "$(zpath "$work/k")" "$(zpath "$work/x")" "$runs" </dev/null \
               | iconv -c -f cp932 -t utf-8 | tr -d '\r' | tee "$work/x.log" | sed -n 's/^A bare SetupIterateCabinetA loop: *median \([0-9.]*\) s.*/\1/p')
        if [ -z "$bare" ] || grep -q "did not succeed" "$work/x.log" || [ "$(echo "$bare > 0" | bc)" != 1 ]; then
            cat "$work/x.log"; echo "pack-bench: the bare extraction loop failed" >&2; exit 1
        fi
        printf 'kelpack verify: median %.2f s beyond the %.2f s a program takes to start; bare extraction loop: median %.2f s; ratio %.3f\n' \
            "$v" "$start" "$bare" "$(echo "$v / $bare" | bc -l)"
    fi
done
rm -rf "$work"
