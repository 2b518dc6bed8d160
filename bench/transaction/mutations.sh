#!/usr/bin/env bash
# SPDX-License-Identifier: Apache-2.0
# Saves of slightly damaged encrypted PDFs: the sample's three books encrypted by qpdf
# (RC4-40, RC4-128, AES-128, AES-256; with and without object streams), then COUNT
# copies with one to three bytes changed at random (seeded, so runs compare). Each copy
# that still opens gets `orvfields write --title`; a written file is worse when pdfinfo
# finds fewer pages than before or `qpdf --check` finds more problems. Prints the counts.
# Not part of ./test.
#
#   bench/transaction/mutations.sh [WORKDIR]    (default /tmp/orvfields-mutations)
#   COUNT=3000 SEED=1 bench/transaction/mutations.sh
set -euo pipefail
source "$(dirname "$0")/../../scripts/setup.sh"
orv_build >/dev/null || { echo "build failed" >&2; exit 1; }

work=${1:-/tmp/orvfields-mutations}
count=${COUNT:-3000}
seed=${SEED:-1}
bin="$orv_root/build/bin"
rm -rf "$work" && mkdir -p "$work/bases" "$work/files"
bash "$orv_root/examples/make-sample.sh" "$orv_root/examples" "$work/sample" >/dev/null
for book in "$work"/sample/books/*.pdf; do
    name=$(basename "$book" .pdf)
    for method in "40" "128 --use-aes=n" "128 --use-aes=y" "256"; do
        for streams in disable generate; do
            # shellcheck disable=SC2086 # the method is several arguments
            qpdf --allow-weak-crypto --encrypt "" owner $method -- --object-streams=$streams \
                "$book" "$work/bases/$name-${method%% *}$(tr -dc a-z <<<"${method#* }")-$streams.pdf"
        done
    done
done
/usr/bin/python3 - "$work" "$count" "$seed" <<'PYTHON'
import os, random, sys
work, count, seed = sys.argv[1], int(sys.argv[2]), int(sys.argv[3])
random.seed(seed)
bases = sorted(os.listdir(os.path.join(work, "bases")))
for i in range(count):
    base = bases[i % len(bases)]
    data = bytearray(open(os.path.join(work, "bases", base), "rb").read())
    for _ in range(random.randint(1, 3)):
        data[random.randrange(len(data))] = random.randrange(256)
    open(os.path.join(work, "files", "%05d-%s" % (i, base)), "wb").write(data)
PYTHON

# pages PDF: pdfinfo's page count, or -1; problems PDF: lines of qpdf --check that warn.
pages() { pdfinfo "$1" 2>/dev/null | awk '/^Pages:/ {print $2; found=1} END {if (!found) print -1}'; }
problems() { qpdf --check "$1" 2>&1 | grep -c -i -E 'warning|error' || true; }
one() {
    local file=$1 before_pages before_problems
    before_pages=$(pages "$file")
    before_problems=$(problems "$file")
    if ! "$bin/orvfields" read -q "$file" 2>/dev/null; then
        echo "unreadable"
        return
    fi
    local original
    original=$(stat -c %s "$file")
    if ! "$bin/orvfields" write -q --title "Mutated" "$file" 2>/dev/null; then
        echo "refused"
        return
    fi
    local how=rewritten
    cmp -s -n "$original" "$file" "$file.orig" 2>/dev/null && how=appended
    if [ "$(pages "$file")" -lt "$before_pages" ] || [ "$(problems "$file")" -gt "$before_problems" ]; then
        echo "worse $how $(basename "$file")"
    else
        echo "written $how"
    fi
}
export -f one pages problems
export bin
for file in "$work"/files/*.pdf; do cp "$file" "$file.orig"; done
find "$work/files" -name '*.pdf' -print0 | xargs -0 -P "$(nproc)" -I{} bash -c 'one "$1"' _ {} >"$work/outcomes"
echo "Of $count mutated encrypted PDFs (seed $seed):"
cut -d' ' -f1,2 "$work/outcomes" | sort | uniq -c | sort -rn
grep '^worse' "$work/outcomes" | head -20 || true
