#!/usr/bin/env bash
# SPDX-License-Identifier: Apache-2.0
# regsvr32 writes the in-process server's keys for every class of the class tables, and
# reg query reads them back (that unregistration leaves none is windows_install's). The
# keys are those of the prefix's own registry view (a 64-bit DLL's type library is "win64").
#   registration.sh CLASSTABLES ORVFIELDS.DLL
source "$(dirname "$0")/../wine.sh"
tables=$("$1")
dll=$(orv_winpath "$2")
failed=0

# A subtree as lines "KEY" and "KEY NAME = VALUE"; nothing when the key is missing.
keys() {
    orv_wine reg query "$1" /s 2>/dev/null | tr -d '\r' | awk '
        /^HKEY_/ { key = $0; print key; next }
        /^    / { sub(/^    /, ""); n = split($0, f, /    /)
                  print key " " f[1] " = " (n > 2 ? f[3] : "") }' || true
}

# The keys of one class and its programmatic identifier, as they must read.
expected_class() {
    local name=$1 progid=$2 clsid=$3 control=$4 key="HKEY_CLASSES_ROOT\\CLSID\\$3"
    printf '%s\n' "HKEY_CLASSES_ROOT\\$progid" "HKEY_CLASSES_ROOT\\$progid (Default) = $progid" \
        "HKEY_CLASSES_ROOT\\$progid\\CLSID" "HKEY_CLASSES_ROOT\\$progid\\CLSID (Default) = $clsid"
    printf '%s\n' "$key" "$key (Default) = $name"
    [ "$control" = yes ] && printf '%s\n' "$key\\Control"
    printf '%s\n' "$key\\InprocServer32" "$key\\InprocServer32 (Default) = $dll" \
        "$key\\InprocServer32 ThreadingModel = Apartment" \
        "$key\\ProgID" "$key\\ProgID (Default) = $progid" "$key\\Programmable" \
        "$key\\TypeLib" "$key\\TypeLib (Default) = $libid" \
        "$key\\Version" "$key\\Version (Default) = 1.0"
}

same() { # WHAT EXPECTED ACTUAL: the two sets of lines are equal, in any order
    diff <(sort <<<"$2") <(sort <<<"$3") >/dev/null && return
    echo "$1 (- expected, + registered):"
    diff <(sort <<<"$2") <(sort <<<"$3") | grep '^[<>]' | sed 's/^</-/; s/^>/+/' || true
    failed=1
}

read -r _ library version libid help <<<"$(head -1 <<<"$tables")"
help=${help//\"/}
classes=$(awk '/^class /   { name = $2; progid = $3; gsub(/[()]/, "", progid) }
               /^  ClassID/ { clsid = $2 }
               /^  interface / { print name, progid, clsid, $2, $3 }' <<<"$tables")
controls=$(awk '/^class / { name = $2 } /^  control$/ { print name }' <<<"$tables")

orv_wine regsvr32 /u /s "$dll" || true
orv_registered "$2"
while read -r name progid clsid interface iid; do
    control=no
    grep -qx "$name" <<<"$controls" && control=yes
    same "Class $name" "$(expected_class "$name" "$progid" "$clsid" $control)" \
        "$(keys "HKCR\\$progid"; keys "HKCR\\CLSID\\$clsid")"
    # The type library's registration (RegisterTypeLib) names the interface and library.
    interface_keys=$(keys "HKCR\\Interface\\$iid")
    for line in "HKEY_CLASSES_ROOT\\Interface\\$iid (Default) = $interface" \
        "HKEY_CLASSES_ROOT\\Interface\\$iid\\TypeLib (Default) = $libid"; do
        grep -qxF "$line" <<<"$interface_keys" || { echo "missing: $line"; failed=1; }
    done
done <<<"$classes"
library_keys=$(keys "HKCR\\TypeLib\\$libid")
for line in "HKEY_CLASSES_ROOT\\TypeLib\\$libid\\$version (Default) = $help" \
    "HKEY_CLASSES_ROOT\\TypeLib\\$libid\\$version\\0\\win$orv_bits (Default) = $dll"; do
    grep -qxF "$line" <<<"$library_keys" || { echo "missing: $line"; failed=1; }
done

[ $failed -eq 0 ] && echo "registration of $library: $(wc -l <<<"$classes") classes, keys as expected"
exit $failed
