#!/bin/sh
# Packs the three corpora into cabinet series with gcab (MSZIP), each with a
# kelpex.qcf: small/data01..05.cab, large/data01..04.cab and
# japanese/data01..02.cab. The trees stay in tree/ for the packing benchmark.
#   make-corpus.sh OUTDIR
set -eu
out=$1
[ -f "$out/.done-3" ] && exit 0
rm -rf "$out"
mkdir -p "$out"
python3 "$(dirname "$0")/make-corpus.py" "$out/tree"
for corpus in small large japanese; do
    mkdir -p "$out/$corpus"
    n=0
    for part in "$out/tree/$corpus"/part*; do
        n=$((n + 1))
        (cd "$part" && find . -type f | sed 's|^\./||' | sort > ../list$n && gcab -c -z "$out/$corpus/data0$n.cab" $(cat ../list$n))
    done
    size=$(du -sm "$out/tree/$corpus" | cut -f1)
    printf 'fname=data*.cab,2,1,%s,1\nsize=%s\n' "$n" "$size" > "$out/$corpus/kelpex.qcf"
done
touch "$out/.done-3"
