#!/usr/bin/env bash
# SPDX-License-Identifier: Apache-2.0
# Saves of large files, measured: `orvfields write` of one book of about 100 MB and 1 GB
# as a plain file and encrypted with AES-256 (both get an appended revision), and as an
# AES-128 file with bytes after its end, which only a whole rewrite can save (qpdf's
# writer, then the proof that the copy reads back as the same document), next to qpdf's
# own command line copying that file (the writer alone). Median of RUNS runs, seconds and
# peak memory, each on a fresh copy whose pages are on disk. Prints Markdown. Not part of
# ./test.
#
#   bench/transaction/rewrite.sh [WORKDIR]      (default /tmp/orvfields-rewrite)
#   SIZES="100 1024" RUNS=3 bench/transaction/rewrite.sh
set -euo pipefail
source "$(dirname "$0")/../../scripts/setup.sh"
orv_build >/dev/null || { echo "build failed" >&2; exit 1; }
orv_packages time

work=${1:-/tmp/orvfields-rewrite}
sizes=${SIZES:-100 1024}
runs=${RUNS:-3}
bin="$orv_root/build/bin"
mkdir -p "$work"

# median SECONDS and peak KB of `runs` runs of "$@", each on a fresh copy.
measure() {
    for _ in $(seq "$runs"); do
        cp --reflink=never "$src" "$copy" && sync "$copy"
        /usr/bin/time -f "%e %M" "$@" 2>&1 >/dev/null | tail -n 1
    done | sort -n | awk '{t[NR]=$1; m[NR]=$2} END {i=int((NR+1)/2); printf "%.2f s, %d MB", t[i], m[i]/1024}'
}

echo "Machine: $(nproc) cores, $(uname -sr); load average at the start: $(cut -d' ' -f1-3 /proc/loadavg)"
echo
echo "| file | plain, appended | AES-256, appended | AES-128 with bytes after its end: written anew and proved | qpdf copy of it |"
echo "|---|---|---|---|---|"
copy="$work/copy.pdf"
write=("$bin/orvfields" write -q "$copy" --title "New title" --set "Custom1=new")
for size in $sizes; do
    plain="$work/plain-$size.pdf" aes256="$work/aes256-$size.pdf" aes128="$work/aes128-$size.pdf"
    if [ ! -f "$aes128" ]; then
        "$bin/makepdf" "$plain" "$size"
        qpdf --encrypt "" owner 256 -- "$plain" "$aes256"
        qpdf --encrypt "" owner 128 --use-aes=y -- "$plain" "$aes128"
        printf '\n%% left by another tool\n' >>"$aes128"
    fi
    src=$plain
    w_plain=$(measure "${write[@]}")
    src=$aes256
    w_256=$(measure "${write[@]}")
    src=$aes128
    w_128=$(measure "${write[@]}")
    w_qpdf=$(measure qpdf "$copy" "$work/out.pdf")
    echo "| $(du -h "$plain" | cut -f1) | $w_plain | $w_256 | $w_128 | $w_qpdf |"
done
echo
echo "Load average at the end: $(cut -d' ' -f1-3 /proc/loadavg)"
rm -f "$copy" "$work/out.pdf"
