#!/bin/sh
# Makes the cabinets the extraction tests read, with gcab, from generated
# files: a series of three (MSZIP) with nested and Japanese folder names, an
# uncompressed one, a long one for Cancel, a huge stored one, and damaged
# copies.
#   make-cabinets.sh OUTDIR
set -eu
out=$1
rm -rf "$out"
mkdir -p "$out/src"
src=$out/src
# Japanese names: gcab stores them as UTF-8 (attribute 0x80).
for n in 1 2 3; do
    d="$src/part$n"
    mkdir -p "$d/docs/表示/ソース" "$d/bin"
    seq 1 $((3000 * n)) | sed "s/^/row $n /" > "$d/docs/表示/ソース/list$n.txt"
    head -c $((70000 * n)) /dev/urandom > "$d/bin/random$n.bin"
    printf 'part %s\r\n' "$n" > "$d/readme$n.txt"
    (cd "$d" && gcab -c -z "$out/data0$n.cab" "docs/表示/ソース/list$n.txt" "bin/random$n.bin" "readme$n.txt")
done
mkdir -p "$src/stored/a/b"
head -c 50000 /dev/urandom > "$src/stored/a/b/stored.bin"
printf 'short' > "$src/stored/a/short.txt"
(cd "$src/stored" && gcab -c "$out/stored.cab" a/b/stored.bin a/short.txt)
mkdir -p "$src/big"
head -c 100000 /dev/urandom > "$src/big/big.bin"
(cd "$src/big" && gcab -c "$out/big.cab" big.bin)
mkdir -p "$src/long"
for i in $(seq 1 400); do head -c 40000 /dev/urandom > "$src/long/f$i.bin"; done
(cd "$src/long" && gcab -c -z "$out/long.cab" $(cd "$src/long" && ls))
# One stored file of 600 MiB: long enough to write that the windows must
# answer, and the bar move, while the platform is inside it.
mkdir -p "$src/huge"
head -c 629145600 /dev/zero | tr '\0' 'h' > "$src/huge/huge.bin"
(cd "$src/huge" && gcab -c "$out/huge.cab" huge.bin)
rm -f "$src/huge/huge.bin"
# Damaged copies: a byte flipped inside the compressed data, and one cut short.
cp "$out/data02.cab" "$out/damaged.cab"
size=$(stat -c %s "$out/damaged.cab")
printf '\377\377\377\377' | dd of="$out/damaged.cab" bs=1 seek=$((size / 2)) conv=notrunc status=none
head -c $((size / 2)) "$out/data02.cab" > "$out/truncated.cab"
printf 'this is not a cabinet\r\n' > "$out/notacab.cab"
echo "cabinets made in $out"
