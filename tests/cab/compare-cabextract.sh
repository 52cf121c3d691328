#!/bin/sh
# What kelpex wrote from a series other tools' way (cab_tests leaves it in
# DIR/kelpex) against what cabextract writes from the same series: the same
# files, byte for byte, with the same times.
set -eu
dir=$1
[ -d "$dir/kelpex" ] || { echo "no extraction by kelpex in $dir"; exit 1; }
rm -rf "$dir/cabextract"
cabextract -q -d "$dir/cabextract" "$dir/split-1.cab"
listing() { (cd "$1" && find . -type f -printf '%P %s %TY-%Tm-%Td %TH:%TM:%.2TS\n' | sort); }
listing "$dir/kelpex" > "$dir/kelpex.list"
listing "$dir/cabextract" > "$dir/cabextract.list"
diff "$dir/cabextract.list" "$dir/kelpex.list"
diff -r "$dir/cabextract" "$dir/kelpex"
echo "$(wc -l < "$dir/kelpex.list") files as cabextract writes them, times included:"
cat "$dir/kelpex.list"
