#!/usr/bin/env bash
# SPDX-License-Identifier: Apache-2.0
# The whole use case from a host: dialogclient works the dialog on a copy of the sample
# publication (the component registered), then the Linux tools read back the book it
# wrote: exactly the Author and the renamed field changed (and ModDate), a clean file.
#   dialog.sh DIALOGCLIENT.EXE ORVFIELDS.DLL SAMPLE_FOLDER ORVFIELDS SCREENSHOT_FOLDER
source "$(dirname "$0")/../wine.sh"
client=$1 dll=$2 sample=$3 cli=$4 shots=$5
work=$(mktemp -d)
orv_at_exit 'rm -rf "$work"'
cp -r "$sample/." "$work"
mkdir -p "$shots"
book=$work/books/release-notes.pdf
# A Subject longer than an edit control takes from the keyboard by default, different
# everywhere (dialogclient expects the same).
subject=$(seq -s ' ' 0 19999)
subject=${subject:0:100000}
"$cli" write -q --subject "$subject" "$book"
before=$("$cli" read --json "$book")
today=$(date +%Y%m%d)

orv_registered "$dll"
output=$(orv_wine_x "$client" "$(orv_winpath "$work/publication.xml")" "$(orv_winpath "$shots")" |
    tr -d '\r') && status=0 || status=$?
echo "$output"
grep -q '^dialogclient: [0-9]* checks, 0 failed$' <<<"$output" && [ "$status" -eq 0 ] || exit 1

failed=0
fail() { echo "FAIL (Linux): $*"; failed=1; }
after=$("$cli" read --json "$book")
moddate='"ModDate":{"pdf":"[^"]*","iso":"[^"]*"}'
expected=$(sed -e 's/"Author":"Publishing team"/"Author":"Ingrid Åberg ✓"/' \
    -e 's/\({"name":"Version","value":"2.4"}\)/\1,{"name":"Reviewer","value":"Åse Ødegård"}/' \
    -e "s/$moddate/MODDATE/" <<<"$before")
[ "$(sed "s/$moddate/MODDATE/" <<<"$after")" = "$expected" ] ||
    fail "orvfields read --json, expected (ModDate aside) then read:"$'\n'"$expected"$'\n'"$after"
grep -q "\"ModDate\":{\"pdf\":\"D:\\($today\\|$(date +%Y%m%d)\\)" <<<"$after" || fail "ModDate is not today"
info=$(pdfinfo "$book")
grep -qx 'Author: *Ingrid Åberg ✓' <<<"$info" || fail "pdfinfo Author: $(grep Author <<<"$info")"
[ "$(sed -n 's/^Subject: *//p' <<<"$info")" = "$subject" ] || fail "pdfinfo: the long Subject changed"
grep -qx 'Reviewer: *Åse Ødegård' <<<"$(pdfinfo -custom "$book")" || fail "pdfinfo -custom: no Reviewer"
qpdf --check "$book" >/dev/null || fail "qpdf --check"
# A PNG of a blank window would be a few hundred bytes.
for shot in "$shots"/dialog-win-{en,fr}.png; do
    [ "$(head -c 4 "$shot" | od -An -c | tr -d ' ')" = '211PNG' ] && [ "$(stat -c %s "$shot")" -gt 3000 ] ||
        fail "no screenshot $shot"
done
[ $failed -eq 0 ] && echo "read back by orvfields, pdfinfo and qpdf: as written"
exit $failed
