#!/usr/bin/env bash
# SPDX-License-Identifier: Apache-2.0
# The whole-file rewrite of encrypted PDFs, measured: `orvfields write` (qpdf's writer,
# then the proof that the copy reads back as the same document) next to qpdf's own
# command line copying the file with its encryption (the writer alone), on AES-128 files
# of about 100 MB and 1 GB. Median of RUNS runs, seconds, each on a fresh copy whose pages
# are on disk. Prints Markdown. Not part of ./test.
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
echo "| file | orvfields write (rewrite and proof) | qpdf copy (writer only) |"
echo "|---|---|---|"
copy="$work/copy.pdf"
for size in $sizes; do
    src="$work/aes-$size.pdf"
    if [ ! -f "$src" ]; then
        "$bin/makepdf" "$work/plain.pdf" "$size"
        qpdf --encrypt "" owner 128 --use-aes=y -- "$work/plain.pdf" "$src"
        rm -f "$work/plain.pdf"
    fi
    w_orv=$(measure "$bin/orvfields" write -q "$copy" --title "New title" --set "Custom1=new")
    w_qpdf=$(measure qpdf "$copy" "$work/out.pdf")
    echo "| $(du -h "$src" | cut -f1), AES-128 | $w_orv | $w_qpdf |"
done
echo
echo "Load average at the end: $(cut -d' ' -f1-3 /proc/loadavg)"
rm -f "$copy" "$work/out.pdf"
