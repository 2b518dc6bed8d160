#!/usr/bin/env bash
# SPDX-License-Identifier: Apache-2.0
# The save as one transaction, measured: read and one-field write of Info dictionaries
# with 1 000 and 100 000 entries next to exiftool, a write with and without XMP metadata
# to keep in step or to make, the dialog's Apply with 1 000 custom fields, and saves killed at random moments (each must leave the file as it was or
# with the whole save). Prints Markdown. Not part of ./test.
#
#   bench/transaction/scale.sh [WORKDIR]        (default /tmp/orvfields-scale)
#   RUNS=5 KILLS=1000 EXIFTOOL_MAX=1000 bench/transaction/scale.sh
set -euo pipefail
source "$(dirname "$0")/../../scripts/setup.sh"
orv_build >/dev/null || { echo "build failed" >&2; exit 1; }
orv_packages libimage-exiftool-perl bc

work=${1:-/tmp/orvfields-scale}
runs=${RUNS:-5}
kills=${KILLS:-1000}
# exiftool takes minutes on the largest dictionary; above this it is left out.
exiftool_max=${EXIFTOOL_MAX:-1000}
bin="$orv_root/build/bin"
mkdir -p "$work"
cat >"$work/exiftool.config" <<'CONFIG'
%Image::ExifTool::UserDefined = ('Image::ExifTool::PDF::Info' => { Custom5 => { } });
1;
CONFIG

# median SECONDS of `runs` runs of "$@", each after `$prepare` (not timed).
prepare=true
median() {
    local times=() start end
    for _ in $(seq "$runs"); do
        $prepare
        start=$EPOCHREALTIME
        "$@" >/dev/null 2>&1 || true
        end=$EPOCHREALTIME
        times+=("$(echo "$end - $start" | bc)")
    done
    printf '%s\n' "${times[@]}" | sort -n | awk '{a[NR]=$1} END {printf "%.3f", a[int((NR+1)/2)]}'
}
fresh_copy() { cp "$src" "$copy" && sync "$copy"; }

echo "Machine: $(nproc) cores, $(uname -sr); exiftool $(exiftool -ver). Median of $runs runs, seconds."
echo
echo "| Info entries | orvfields read | exiftool read | orvfields write one field | exiftool write one field | write ratio |"
echo "|---|---|---|---|---|---|"
for entries in 1000 100000; do
    src="$work/entries-$entries.pdf"
    copy="$work/copy.pdf"
    [ -f "$src" ] || "$bin/makepdf" "$src" 1 --entries "$entries"
    prepare=true
    r_orv=$(median "$bin/orvfields" read "$src")
    prepare=fresh_copy
    w_orv=$(median "$bin/orvfields" write "$copy" --set Custom5=new)
    r_exif=-; w_exif=-; ratio=-
    if [ "$entries" -le "$exiftool_max" ]; then
        prepare=true
        r_exif=$(median exiftool -PDF:all "$src")
        prepare=fresh_copy
        w_exif=$(median exiftool -config "$work/exiftool.config" -overwrite_original -Custom5=new "$copy")
        ratio=$(echo "scale=3; $w_orv / $w_exif" | bc)
    fi
    echo "| $entries | $r_orv | $r_exif | $w_orv | $w_exif | $ratio |"
done
rm -f "$work/copy.pdf"

echo
echo "| XMP metadata | orvfields write (4 standard fields) |"
echo "|---|---|"
for variant in without with made; do
    src="$work/xmp-${variant/made/without}.pdf"
    copy="$work/copy.pdf"
    flag=; [ "$variant" = with ] && flag=--xmp
    [ -f "$src" ] || "$bin/makepdf" "$src" 1 $flag
    # made: the file has none and the write makes one (--xmp create).
    mode=update; [ "$variant" = made ] && mode=create
    prepare=fresh_copy
    echo "| $variant | $(median "$bin/orvfields" write "$copy" --xmp "$mode" --title "T" --author "A" --subject "S" --keywords "K") |"
done
rm -f "$work/copy.pdf"

echo
QT_QPA_PLATFORM=offscreen "$bin/bench_apply" 1000 2>/dev/null

echo
echo "Saves killed at random moments ($kills trials per way of writing):"
if [ -x "$orv_root/build/bin/tst_tagorafailures" ]; then
    ORVFIELDS_KILL_TRIALS=$kills "$bin/tst_tagorafailures" -tc="a killed save*" 2>&1 |
        grep -E 'MESSAGE|encrypted :=|rewrite :=|Status' | sed 's/^.*MESSAGE: /    /; s/^ */    /'
else
    echo "    (build the tests to run them)"
fi
