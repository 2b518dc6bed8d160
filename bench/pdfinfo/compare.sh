#!/usr/bin/env bash
# SPDX-License-Identifier: Apache-2.0
# Times `orvfields read` and `orvfields write` against other tools, side by side, on
# generated PDFs of about 1 MB, 100 MB and 1 GB (classic cross-reference table, and
# cross-reference and object streams), each with 28 Info entries. Prints a Markdown
# table. Not part of ./test.
#
#   bench/pdfinfo/compare.sh [WORKDIR]          (default /tmp/orvfields-bench)
#   SIZES="1 100" RUNS=3 bench/pdfinfo/compare.sh
set -euo pipefail
source "$(dirname "$0")/../../scripts/setup.sh"
orv_build >/dev/null || { echo "build failed" >&2; exit 1; }
orv_packages libimage-exiftool-perl pdftk-java bc

work=${1:-/tmp/orvfields-bench}
sizes=${SIZES:-1 100 1024}
runs=${RUNS:-5}
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

# A fresh copy to write, its pages on disk, so that no tool pays for flushing the copy.
fresh_copy() {
    cp --reflink=never "$src" "$copy" && sync "$copy"
}

echo "Machine: $(nproc) cores, $(awk '/MemTotal/ {printf "%.0f GiB", $2/1048576}' /proc/meminfo), $(uname -sr)"
echo "Tools: $(pdfinfo -v 2>&1 | head -1), exiftool $(exiftool -ver), qpdf $(qpdf --version | head -1 | awk '{print $3}'), $(pdftk --version 2>/dev/null | head -1)"
echo "Median of $runs runs, seconds (write: 4 standard and 20 custom fields, on a fresh copy each run)."
echo
echo "| file | size | orvfields read | pdfinfo | exiftool read | orvfields write | exiftool write | qpdf (library rewrite) | pdftk update_info_utf8 |"
echo "|---|---|---|---|---|---|---|---|---|"
for variant in classic xref-stream; do
    for size in $sizes; do
        src="$work/$variant-$size.pdf"
        if [ ! -f "$src" ]; then
            flag=; [ "$variant" = xref-stream ] && flag=--xref-stream
            "$bin/makepdf" "$src" "$size" $flag
        fi
        copy="$work/copy.pdf"
        prepare=true
        r_orv=$(median "$bin/orvfields" read "$src")
        r_pdfinfo=$(median pdfinfo "$src")
        r_exif=$(median exiftool -PDF:all "$src")
        prepare=fresh_copy
        w_orv=$(median "$bin/orvfields" write "$copy" "${orv_args[@]}")
        w_exif=$(median exiftool "${exif_args[@]}" "$copy")
        w_qpdf=$(median "$bin/setinfo-qpdf" "$copy" "${qpdf_args[@]}")
        w_pdftk=$(median pdftk "$copy" update_info_utf8 "$work/pdftk-info.txt" output "$work/out.pdf")
        echo "| $variant | $(du -h "$src" | cut -f1) | $r_orv | $r_pdfinfo | $r_exif | $w_orv | $w_exif | $w_qpdf | $w_pdftk |"
    done
done
rm -f "$work/copy.pdf" "$work/out.pdf"
