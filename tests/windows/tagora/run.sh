#!/usr/bin/env bash
# SPDX-License-Identifier: Apache-2.0
# Runs tst_wintagora under wine on copies of the sample books, then reads what it wrote
# with the Linux tools: qpdf --check and pdfinfo.
#   run.sh TST_WINTAGORA SOURCE_ROOT
source "$(dirname "$0")/../wine.sh"
program=$1 root=$2
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

bash "$root/examples/make-sample.sh" "$root/examples" "$work/sample" >/dev/null
cp "$work"/sample/books/*.pdf "$work"
qpdf --encrypt "" owner 128 --use-aes=y -- "$work/user-guide.pdf" "$work/encrypted.pdf"
# Bytes after its end: the first save writes it anew, the next appends to it.
printf '\n%% left by another tool\n' >>"$work/encrypted.pdf"

# A zone of half hours east of Greenwich and without daylight saving: a wrong sign or
# a lost bias shows in ModDate.
status=0
TZ=Asia/Kolkata orv_wine "$program" "$(orv_winpath "$work")" || status=$?

passed=0 failed=0
expect() { # WHAT COMMAND...
    if "${@:2}"; then passed=$((passed + 1)); else failed=$((failed + 1)) && echo "FAIL (Linux): $1"; fi
}
has() { grep -qF -- "$2" <<<"$1"; }

for file in annual.pdf notes.pdf secret.pdf; do
    expect "qpdf --check $file" qpdf --check "$work/$file" >/dev/null
done
expect "annual: ModDate in +05:30" has "$(pdfinfo -rawdates "$work/annual.pdf")" "+05'30'"
expect "notes: status" has "$(pdfinfo -custom "$work/notes.pdf")" "Status:          final"
expect "secret: title" has "$(pdfinfo "$work/secret.pdf" 2>/dev/null)" "Title:           Encrypted again ✓"
expect "secret: AES" has "$(qpdf --show-encryption "$work/secret.pdf")" "AESv2"
expect "secret: rewritten, then one revision appended" \
    test "$(grep -c -a '%%EOF' "$work/secret.pdf")" -eq 2
echo "$passed passed, $failed failed (Linux readers)"
[ "$failed" -eq 0 ] && [ "$status" -eq 0 ]
