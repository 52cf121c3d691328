#!/usr/bin/env bash
# Makes a demo folder: kelpex.exe beside a kelpex.qcf and a series of three
# cabinets (data01.cab .. data03.cab) built with gcab from generated files.
#   tools/make-demo.sh EXE FOLDER
set -euo pipefail
exe=$1
out=$2
rm -rf "$out"
mkdir -p "$out"
src=$(mktemp -d)
trap 'rm -rf "$src"' EXIT
for n in 1 2 3; do
    d="$src/part$n"
    mkdir -p "$d/docs/manual" "$d/data"
    printf 'kelpex demo, part %s\r\n' "$n" > "$d/docs/readme$n.txt"
    seq 1 2000 | sed "s/^/line $n-/" > "$d/docs/manual/chapter$n.txt"
    head -c $((300000 * n)) /dev/urandom > "$d/data/blob$n.bin"
    (cd "$d" && gcab -c -z "$out/data0$n.cab" docs/readme$n.txt docs/manual/chapter$n.txt data/blob$n.bin)
done
cp "$exe" "$out/kelpex.exe"
# The configuration is Shift_JIS text, as the publisher writes it.
iconv -f utf-8 -t cp932 > "$out/kelpex.qcf" <<'QCF'
; kelpex demo configuration
caption=kelpex デモ
fname=data*.cab,2,1,3,1
size=2
makerName=KelpSoft
appName=Demo
flags=0
mes0=kelpexのデモです。\n展開先を選んで「実行」を押してください。
QCF
