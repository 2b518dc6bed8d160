#!/usr/bin/env bash
# SPDX-License-Identifier: Apache-2.0
# The host as a user starts it: the sample publication, a book's node selected, "PDF
# fields…" run in French. The host says what each picture shows: its tree, the node
# selected, the dialog on the selected node's book.
#   host.sh ORVFIELDS-HOST.EXE ORVFIELDS.DLL SCREENSHOT_FOLDER
source "$(dirname "$0")/../wine.sh"
host=$1 dll=$2 shots=$3
mkdir -p "$shots"
rm -f "$shots/host-win.png" "$shots/host-dialog-win-fr.png"
orv_registered "$dll"
output=$(orv_wine_x "$host" --language fr --select "Release notes/Version 2.4" \
    --host-screenshot "$(orv_winpath "$shots/host-win.png")" \
    --screenshot "$(orv_winpath "$shots/host-dialog-win-fr.png")" | tr -d '\r') &&
    status=0 || status=$?
echo "$output"
failed=0
fail() { echo "FAIL: $*"; failed=1; }
[ "$status" -eq 0 ] || fail "orvfields-host ended with $status"
grep -q 'host-win.png: the window "Sample publication — orvfields-host", 16 nodes in its tree, "Version 2.4" selected$' \
    <<<"$output" || fail "the host's window"
grep -q 'host-dialog-win-fr.png: the dialog "Définir les champs du document" on the book "Release notes": Title "Release notes"$' \
    <<<"$output" || fail "the dialog"
# A PNG of a blank window would be a few hundred bytes.
for shot in "$shots"/host-win.png "$shots"/host-dialog-win-fr.png; do
    [ "$(head -c 4 "$shot" | od -An -c | tr -d ' ')" = '211PNG' ] && [ "$(stat -c %s "$shot")" -gt 3000 ] ||
        fail "no screenshot $shot"
done
exit $failed
