#!/usr/bin/env bash
# SPDX-License-Identifier: Apache-2.0
# Start-up: `orvfields read` beside `mutool show FILE trailer/Info` and `pdfinfo` on the
# sample publication's books and on PDFs of SIZE MB (a classic cross-reference table,
# and cross-reference and object streams). The three run in turn, RUNS times each, so
# that all meet the machine in the same state: the median wall time of each (ms). Then,
# for each tool, the dynamic loader's cycles (LD_DEBUG=statistics, the median of RUNS
# runs), its relocations and the libraries it maps (ldd). Prints two Markdown tables.
# Not part of ./test.
#
#   bench/pdfinfo/startup.sh [WORKDIR]          (default /tmp/orvfields-startup)
#   RUNS=21 SIZE=200 bench/pdfinfo/startup.sh
set -euo pipefail
source "$(dirname "$0")/../../scripts/setup.sh"
orv_packages mupdf-tools poppler-utils
if [ -f "$orv_root/build/CMakeCache.txt" ]; then
    cmake --build "$orv_root/build" --target orvfields makepdf >/dev/null
else
    orv_build >/dev/null
fi || { echo "build failed" >&2; exit 1; }

work=${1:-/tmp/orvfields-startup}
runs=${RUNS:-21}
size=${SIZE:-200}
bin="$orv_root/build/bin"
tools=(orvfields mutool pdfinfo)
mkdir -p "$work"
bash "$orv_root/examples/make-sample.sh" "$orv_root/examples" "$work/sample" >/dev/null
for variant in classic xref-stream; do
    if [ ! -f "$work/$variant-$size.pdf" ]; then
        flag=; [ "$variant" = xref-stream ] && flag=--xref-stream
        "$bin/makepdf" "$work/$variant-$size.pdf" "$size" $flag
    fi
done

# command_of TOOL FILE: the command line in `command`.
command_of() {
    case $1 in
        orvfields) command=("$bin/orvfields" read "$2") ;;
        mutool) command=(mutool show "$2" trailer/Info) ;;
        pdfinfo) command=(pdfinfo "$2") ;;
    esac
}

# The median of the numbers on standard input, with DECIMALS decimals.
median_of() { sort -n | awk -v d="$1" '{a[NR]=$1} END {printf "%.*f", d, a[int((NR+1)/2)]}'; }

# The median wall time (ms) of each tool reading FILE, the tools in turn.
times_of() {
    local start end tool
    for _ in $(seq "$runs"); do
        for tool in "${tools[@]}"; do
            command_of "$tool" "$1"
            start=$EPOCHREALTIME
            "${command[@]}" >/dev/null 2>&1 || true
            end=$EPOCHREALTIME
            echo "$tool $start $end"
        done
    done >"$work/times"
    for tool in "${tools[@]}"; do
        awk -v t="$tool" '$1 == t {print ($3 - $2) * 1000}' "$work/times" | median_of 2
        echo -n " "
    done
}

# The loader's statistic NAME for "$@", the median of `runs` runs.
loader() {
    local name=$1
    shift
    for _ in $(seq "$runs"); do
        LD_DEBUG=statistics "$@" 2>&1 >/dev/null |
            sed -n "s/.*$name: *\([0-9]*\).*/\1/p" | head -1
    done | median_of 0
}

echo "Machine: $(nproc) cores, $(uname -sr); load average at the start: $(cut -d' ' -f1-3 /proc/loadavg)"
echo "Tools: orvfields $("$bin/orvfields" --version | cut -d' ' -f2), $(mutool -v 2>&1 | head -1), $(pdfinfo -v 2>&1 | head -1)"
echo
echo "Reads: median wall time of $runs runs each, the three in turn (ms)."
echo
echo "| file | size | orvfields read | mutool show trailer/Info | pdfinfo | mutool / orvfields |"
echo "|---|---|---|---|---|---|"
for file in "$work"/sample/books/*.pdf "$work/classic-$size.pdf" "$work/xref-stream-$size.pdf"; do
    read -r t_orv t_mutool t_pdfinfo <<<"$(times_of "$file")"
    ratio=$(echo "$t_mutool $t_orv" | awk '{printf "%.2f", $1 / $2}')
    echo "| ${file##*/} | $(du -h "$file" | cut -f1) | $t_orv | $t_mutool | $t_pdfinfo | $ratio |"
done
echo
echo "Start-up, reading the sample's user-guide.pdf: the dynamic loader (LD_DEBUG=statistics, median of $runs runs) and the libraries mapped (ldd)."
echo
echo "| tool | loader cycles | relocations | libraries | Qt libraries |"
echo "|---|---|---|---|---|"
for tool in "${tools[@]}"; do
    command_of "$tool" "$work/sample/books/user-guide.pdf"
    libraries=$(ldd "$(command -v "${command[0]}")")
    echo "| $tool | $(loader 'total startup time in dynamic loader' "${command[@]}") |" \
        "$(loader 'final number of relocations' "${command[@]}") |" \
        "$(grep -c '=>' <<<"$libraries") | $(grep -c 'libQt' <<<"$libraries" || true) |"
done
echo
echo "Load average at the end: $(cut -d' ' -f1-3 /proc/loadavg)"
rm -f "$work/times"
