#!/usr/bin/env bash
# SPDX-License-Identifier: Apache-2.0
# Writers side by side on one file, with a reader reading all along: three
# `orvfields write` runs at once, each setting ten fields of its own in one call, while
# `orvfields read` reads in a loop. Every read must show each writer's fields all or
# none (never part of a save), and at the end every field a writer reported written
# must be there, with the entries nobody touched. Prints the counts. Not part of ./test.
#
#   bench/transaction/concurrency.sh [ROUNDS]      (default 100)
set -uo pipefail
source "$(dirname "$0")/../../scripts/setup.sh"
orv_build >/dev/null || { echo "build failed" >&2; exit 1; }
rounds=${1:-100}
bin="$orv_root/build/bin"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
file="$work/book.pdf"
lost=0 partial=0 reads=0 failed=0
for round in $(seq "$rounds"); do
    "$bin/makepdf" "$file" 1 --entries 5
    pids=()
    for w in 1 2 3; do
        args=()
        for i in $(seq 10); do args+=(--set "W${w}F$i=$round"); done
        "$bin/orvfields" write "$file" --wait 60 "${args[@]}" >/dev/null 2>"$work/err$w" &
        pids+=($!)
    done
    # Read while the writers run.
    while kill -0 "${pids[@]}" 2>/dev/null; do
        "$bin/orvfields" read "$file" >"$work/read" 2>/dev/null || continue
        reads=$((reads + 1))
        for w in 1 2 3; do
            n=$(grep -c "^W${w}F" "$work/read")
            [ "$n" -eq 0 ] || [ "$n" -eq 10 ] || partial=$((partial + 1))
        done
    done
    for pid in "${pids[@]}"; do wait "$pid" || failed=$((failed + 1)); done
    "$bin/orvfields" read "$file" >"$work/read"
    for w in 1 2 3; do
        [ "$(grep -c "^W${w}F[0-9]*: $round\$" "$work/read")" -eq 10 ] || lost=$((lost + 1))
    done
    [ "$(grep -c '^Custom[1-5]: value' "$work/read")" -eq 5 ] || lost=$((lost + 1))
done
echo "$rounds rounds, 3 writers each: writers failed $failed, writes lost $lost;" \
    "$reads reads during the writes, partial saves seen $partial"
