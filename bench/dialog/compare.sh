#!/usr/bin/env bash
# SPDX-License-Identifier: Apache-2.0
# The dialog's open and Apply times on Linux (Qt, offscreen) and under wine, 32- and
# 64-bit, side by side (ms, medians of ORVFIELDS_BENCH_RUNS runs, 3 by default):
#
#   bench/dialog/compare.sh [FIELDS...]        (default 10 100 1000)
#
# Needs the Linux build (build/) and both Windows builds (build-win, build-win64).
set -euo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
[ $# -gt 0 ] || set -- 10 100 1000

# "| fields | open | Apply |..." rows as "fields open Apply".
times() { sed -n 's/^| \([0-9][0-9]*\) | \([0-9.]*\) | \([0-9.]*\) |.*/\1 \2 \3/p'; }

echo "Machine: $(nproc) cores, Linux $(uname -r), $(wine --version 2>/dev/null); load average at the start: $(cut -d' ' -f1-3 /proc/loadavg)"
linux=$(QT_QPA_PLATFORM=offscreen "$root/build/bin/bench_apply" "$@" 2>/dev/null | times)
win32=$("$root/bench/dialog/win32/wine-bench.sh" "$@" | times)
win64=$("$root/bench/dialog/win32/wine-bench.sh" --64 "$@" | times)
echo
echo "| custom fields | Linux open | Linux Apply | 32-bit open | 32-bit Apply | 64-bit open | 64-bit Apply |"
echo "|---|---|---|---|---|---|---|"
join <(sort -k1,1 <<<"$linux") <(sort -k1,1 <<<"$win32") | join - <(sort -k1,1 <<<"$win64") |
    sort -n | awk '{ printf "| %s | %s | %s | %s | %s | %s | %s |\n", $1, $2, $3, $4, $5, $6, $7 }'
echo
echo "Load average at the end: $(cut -d' ' -f1-3 /proc/loadavg)"
