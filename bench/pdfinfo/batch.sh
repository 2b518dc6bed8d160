#!/usr/bin/env bash
# SPDX-License-Identifier: Apache-2.0
# Reads the information of many small PDFs (COUNT, half with a classic cross-reference
# table, half with streams; a few kilobytes each, 28 Info entries) in one call, side by
# side in one run: orvfields read --json (threads: one per processor, then one),
# exiftool -j, pikepdf in one Python process; and, for scale, one call per file of
# orvfields and pdfinfo. Median of RUNS runs (seconds). Prints a Markdown table. Not
# part of ./test.
#
#   bench/pdfinfo/batch.sh [WORKDIR]          (default /tmp/orvfields-batch)
#   COUNT=2000 RUNS=5 bench/pdfinfo/batch.sh
set -euo pipefail
source "$(dirname "$0")/../../scripts/setup.sh"
orv_build >/dev/null || { echo "build failed" >&2; exit 1; }
orv_packages libimage-exiftool-perl python3-pikepdf

work=${1:-/tmp/orvfields-batch}
count=${COUNT:-2000}
runs=${RUNS:-5}
bin="$orv_root/build/bin"
mkdir -p "$work/files"

"$bin/makepdf" "$work/classic.pdf" 0 --small
"$bin/makepdf" "$work/xref-stream.pdf" 0 --small --xref-stream
rm -f "$work"/files/*.pdf
for i in $(seq 1 $((count / 2))); do
    cp "$work/classic.pdf" "$work/files/classic-$i.pdf"
    cp "$work/xref-stream.pdf" "$work/files/xref-stream-$i.pdf"
done
files=("$work"/files/*.pdf)

# Debian's Python, where python3-pikepdf is installed.
pikepdf_read() {
    /usr/bin/python3 - "$@" <<'PYTHON'
import json, sys
import pikepdf
out = []
for name in sys.argv[1:]:
    with pikepdf.open(name) as pdf:
        out.append({str(k): str(v) for k, v in pdf.docinfo.items()})
json.dump(out, sys.stdout)
PYTHON
}
each_orvfields() { for f in "$@"; do "$bin/orvfields" read "$f"; done; }
each_pdfinfo() { for f in "$@"; do pdfinfo "$f"; done; }

# median SECONDS of `runs` runs of "$@"; a failing run stops the script.
median() {
    local start end
    for _ in $(seq "$runs"); do
        start=$EPOCHREALTIME
        "$@" >/dev/null 2>"$work/errors" || { cat "$work/errors" >&2; return 1; }
        end=$EPOCHREALTIME
        echo "$end $start" | awk '{print $1 - $2}'
    done | sort -n | awk '{a[NR]=$1} END {printf "%.3f", a[int((NR+1)/2)]}'
}

# Every tool read every file.
[ "$("$bin/orvfields" read --json "${files[@]}" | grep -c '"Title":"Benchmark book"')" -eq "$count" ]
[ "$(exiftool -j "${files[@]}" | grep -c '"Title": "Benchmark book"')" -eq "$count" ]

echo "Machine: $(nproc) cores, $(uname -sr); load average at the start: $(cut -d' ' -f1-3 /proc/loadavg)"
echo "Tools: orvfields $("$bin/orvfields" --version | cut -d' ' -f2), exiftool $(exiftool -ver), pikepdf $(/usr/bin/python3 -c 'import pikepdf; print(pikepdf.__version__)'), $(pdfinfo -v 2>&1 | head -1)"
echo "$count PDFs of $(du -h "$work/classic.pdf" | cut -f1) (classic) and $(du -h "$work/xref-stream.pdf" | cut -f1) (streams); median of $runs runs, seconds."
echo
t_orv=$(median "$bin/orvfields" read --json "${files[@]}")
t_orv1=$(median "$bin/orvfields" read --json -j 1 "${files[@]}")
t_exif=$(median exiftool -j "${files[@]}")
t_pike=$(median pikepdf_read "${files[@]}")
t_each_orv=$(median each_orvfields "${files[@]}")
t_each_pdfinfo=$(median each_pdfinfo "${files[@]}")
echo "| tool | seconds | exiftool -j / tool |"
echo "|---|---|---|"
for row in "orvfields read --json (one thread per processor):$t_orv" \
    "orvfields read --json -j 1:$t_orv1" "exiftool -j:$t_exif" \
    "pikepdf, one Python process:$t_pike" "orvfields read, one call per file:$t_each_orv" \
    "pdfinfo, one call per file:$t_each_pdfinfo"; do
    echo "| ${row%%:*} | ${row##*:} | $(echo "$t_exif ${row##*:}" | awk '{printf "%.1f", $1 / $2}') |"
done
echo
echo "Load average at the end: $(cut -d' ' -f1-3 /proc/loadavg)"
