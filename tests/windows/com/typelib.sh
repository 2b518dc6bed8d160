#!/usr/bin/env bash
# SPDX-License-Identifier: Apache-2.0
# The type library in OrvFields.dll, read by the system's type library reader, states
# what the class tables state: library, classes, interfaces, every member's name, kind,
# type and dispatch identifier in slot order, the events.
#   typelib.sh CLASSTABLES TYPELIB-DUMP.EXE ORVFIELDS.DLL
source "$(dirname "$0")/../wine.sh"
tables=$1 dump=$2 dll=$3
expected=$("$tables")
actual=$(orv_wine "$dump" "$(orv_winpath "$dll")" | tr -d '\r')
if [ "$expected" != "$actual" ]; then
    echo "The type library differs from the class tables (- tables, + type library):"
    diff -u <(echo "$expected") <(echo "$actual") | tail -n +3
    exit 1
fi
echo "type library = class tables: $(grep -c ' 0x' <<<"$expected") members and events"
