#!/usr/bin/env bash
# SPDX-License-Identifier: Apache-2.0
# Times `orvfields read` and `orvfields write` against other tools, side by side in one
# run, on generated PDFs of about 1 MB, 10 MB, 100 MB and 1 GB (classic cross-reference
# table, and cross-reference and object streams), each with 28 Info entries. Prints two
# Markdown tables. Not part of ./test.
#
# Reads: orvfields, `mutool show FILE trailer/Info` and pdfinfo run in turn, READ_RUNS
# times each, so that all meet the machine in the same state; the median wall time of
# each, and the instructions each executes (callgrind, deterministic). Writes: the median of RUNS runs, each on a fresh
# copy whose pages are already on disk.
#
#   bench/pdfinfo/compare.sh [WORKDIR]          (default /tmp/orvfields-bench)
#   SIZES="1 100" RUNS=3 READ_RUNS=21 bench/pdfinfo/compare.sh
set -euo pipefail
source "$(dirname "$0")/../../scripts/setup.sh"
orv_build >/dev/null || { echo "build failed" >&2; exit 1; }
orv_packages libimage-exiftool-perl pdftk-java bc valgrind mupdf-tools

work=${1:-/tmp/orvfields-bench}
sizes=${SIZES:-1 10 100 1024}
runs=${RUNS:-5}
read_runs=${READ_RUNS:-31}
bin="$orv_root/build/bin"
mkdir -p "$work"

# exiftool writes only the Info entries it knows; these make Custom1..Custom20 known.
cat >"$work/exiftool.config" <<'CONFIG'
%Image::ExifTool::UserDefined = ('Image::ExifTool::PDF::Info' => {
    map { ("Custom$_" => { }) } 1..20
});
1;
CONFIG
{
    echo "InfoBegin"; echo "InfoKey: Title"; echo "InfoValue: New title"
    echo "InfoBegin"; echo "InfoKey: Author"; echo "InfoValue: Ana Été"
    echo "InfoBegin"; echo "InfoKey: Subject"; echo "InfoValue: New subject"
    echo "InfoBegin"; echo "InfoKey: Keywords"; echo "InfoValue: new, words"
    for i in $(seq 1 20); do echo "InfoBegin"; echo "InfoKey: Custom$i"; echo "InfoValue: new $i"; done
} >"$work/pdftk-info.txt"

orv_args=(--title "New title" --author "Ana Été" --subject "New subject" --keywords "new, words")
exif_args=(-config "$work/exiftool.config" -overwrite_original -Title="New title"
    -Author="Ana Été" -Subject="New subject" -Keywords="new, words")
qpdf_args=("Title=New title" "Author=Ana Été" "Subject=New subject" "Keywords=new, words")
for i in $(seq 1 20); do
    orv_args+=(--set "Custom$i=new $i")
    exif_args+=("-Custom$i=new $i")
    qpdf_args+=("Custom$i=new $i")
done

# The median of the numbers on standard input, with DECIMALS decimals (3).
median_of() { sort -n | awk -v d="${1:-3}" '{a[NR]=$1} END {printf "%.*f", d, a[int((NR+1)/2)]}'; }

# median SECONDS of `runs` runs of "$@", each after `$prepare` (not timed).
prepare=true
median() {
    local start end
    for _ in $(seq "$runs"); do
        $prepare
        start=$EPOCHREALTIME
        "$@" >/dev/null 2>&1 || true
        end=$EPOCHREALTIME
        echo "$end $start" | awk '{print $1 - $2}'
    done | median_of
}

# Reads FILE with orvfields, mutool and pdfinfo in turn; prints the three median times
# in ms.
read_three() {
    local start orv mutool end
    for _ in $(seq "$read_runs"); do
        start=$EPOCHREALTIME
        "$bin/orvfields" read "$1" >/dev/null 2>&1 || true
        orv=$EPOCHREALTIME
        mutool show "$1" trailer/Info >/dev/null 2>&1 || true
        mutool=$EPOCHREALTIME
        pdfinfo "$1" >/dev/null 2>&1 || true
        end=$EPOCHREALTIME
        echo "$start $orv $mutool $end"
    done >"$work/times"
    for column in 2 3 4; do
        awk -v c=$column '{print ($c - $(c - 1)) * 1000}' "$work/times" | median_of 1
        echo -n " "
    done
}

# Millions of instructions "$@" executes, counted by callgrind.
instructions() {
    valgrind --tool=callgrind --callgrind-out-file=/dev/null "$@" 2>&1 >/dev/null |
        sed -n 's/.*Collected : *//p' | awk '{printf "%.1f", $1 / 1e6}'
}

# A fresh copy to write, its pages on disk, so that no tool pays for flushing the copy.
fresh_copy() {
    cp --reflink=never "$src" "$copy" && sync "$copy"
}

echo "Machine: $(nproc) cores, $(awk '/MemTotal/ {printf "%.0f GiB", $2/1048576}' /proc/meminfo), $(uname -sr); load average at the start: $(cut -d' ' -f1-3 /proc/loadavg)"
echo "Tools: orvfields $("$bin/orvfields" --version | cut -d' ' -f2), $(mutool -v 2>&1 | head -1), $(pdfinfo -v 2>&1 | head -1), exiftool $(exiftool -ver), qpdf $(qpdf --version | head -1 | awk '{print $3}'), $(pdftk --version 2>/dev/null | head -1)"
for variant in classic xref-stream; do
    for size in $sizes; do
        src="$work/$variant-$size.pdf"
        if [ ! -f "$src" ]; then
            flag=; [ "$variant" = xref-stream ] && flag=--xref-stream
            "$bin/makepdf" "$src" "$size" $flag
        fi
    done
done

echo
echo "Reads: median wall time of $read_runs runs each, orvfields, mutool and pdfinfo in turn (ms); instructions counted by callgrind (millions); exiftool: median of $runs runs (ms)."
echo
echo "| file | size | orvfields read | mutool show trailer/Info | pdfinfo | pdfinfo / orvfields | orvfields instructions | mutool instructions | pdfinfo instructions | exiftool read |"
echo "|---|---|---|---|---|---|---|---|---|---|"
for variant in classic xref-stream; do
    for size in $sizes; do
        src="$work/$variant-$size.pdf"
        read -r t_orv t_mutool t_pdfinfo <<<"$(read_three "$src")"
        i_orv=$(instructions "$bin/orvfields" read "$src")
        i_mutool=$(instructions mutool show "$src" trailer/Info)
        i_pdfinfo=$(instructions pdfinfo "$src")
        t_exif=$(median exiftool -PDF:all "$src" | awk '{printf "%.0f", $1 * 1000}')
        ratio=$(echo "$t_pdfinfo $t_orv" | awk '{printf "%.2f", $1 / $2}')
        echo "| $variant | $(du -h "$src" | cut -f1) | $t_orv | $t_mutool | $t_pdfinfo | $ratio | $i_orv | $i_mutool | $i_pdfinfo | $t_exif |"
    done
done

echo
echo "Writes: median of $runs runs (seconds): 4 standard and 20 custom fields, on a fresh copy each run."
echo
echo "| file | size | orvfields write | exiftool write | qpdf (library rewrite) | pdftk update_info_utf8 |"
echo "|---|---|---|---|---|---|"
copy="$work/copy.pdf"
for variant in classic xref-stream; do
    for size in $sizes; do
        src="$work/$variant-$size.pdf"
        prepare=fresh_copy
        w_orv=$(median "$bin/orvfields" write -q "$copy" "${orv_args[@]}")
        w_exif=$(median exiftool "${exif_args[@]}" "$copy")
        w_qpdf=$(median "$bin/setinfo-qpdf" "$copy" "${qpdf_args[@]}")
        w_pdftk=$(median pdftk "$copy" update_info_utf8 "$work/pdftk-info.txt" output "$work/out.pdf")
        prepare=true
        echo "| $variant | $(du -h "$src" | cut -f1) | $w_orv | $w_exif | $w_qpdf | $w_pdftk |"
    done
done
echo
echo "Load average at the end: $(cut -d' ' -f1-3 /proc/loadavg)"
rm -f "$work/copy.pdf" "$work/out.pdf" "$work/times"
