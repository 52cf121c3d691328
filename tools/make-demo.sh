#!/usr/bin/env bash
# Makes a demo folder: kelpex.exe beside a kelpex.qcf and a series of three
# cabinets (data01.cab .. data03.cab) built with gcab from generated files,
# large enough that a Run takes a few seconds.
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
    mkdir -p "$d/docs/manual" "$d/data/sounds" "$d/data/images"
    printf 'kelpex demo, part %s\r\n' "$n" > "$d/docs/readme$n.txt"
    seq 1 2000 | sed "s/^/line $n-/" > "$d/docs/manual/chapter$n.txt"
    # Many small files: a Run of a few seconds, for the progress dialog.
    head -c $((1800 * 3000)) /dev/urandom | split -b 3000 -d -a 4 --additional-suffix=.ogg - "$d/data/sounds/voice${n}_"
    for i in 1 2; do head -c 4000000 /dev/urandom > "$d/data/images/album${n}_$i.pak"; done
    (cd "$d" && find . -type f | sed 's|^\./||' | LC_ALL=C sort > ../list$n && gcab -c -z "$out/data0$n.cab" $(cat ../list$n))
done
size=$(du -sm "$src" | cut -f1)
cp "$exe" "$out/kelpex.exe"
# The configuration is Shift_JIS text, as the publisher writes it. The
# opening text is shown as it is; the outcome text (mes1) takes colours.
iconv -f utf-8 -t cp932 > "$out/kelpex.qcf" <<QCF
; kelpex demo configuration
caption=サンプルアプリ インストール
fname=data*.cab,2,1,3,1
size=$size
makerName=KelpSoft
appName=サンプルアプリ
flags=0
mes0=サンプルアプリをインストールします。\n必要な空き容量は約 $size MB です。\n展開先を選んで「実行」を押してください。
mes1=【0x00C000,B】インストールが完了しました。【-1】\nインストール先：\n【0xC00000】%dest%【-1】\nスタートメニューからお楽しみください。
QCF
