#!/usr/bin/env bash
# SPDX-License-Identifier: Apache-2.0
# The server through its vtables from C++ (ServerCheck.cpp), under a virtual X server:
# the field list is a window.
#   server.sh COMCHECK.EXE ORVFIELDS.DLL
source "$(dirname "$0")/wine.sh"
output=$(orv_wine_x "$1" "$(orv_winpath "$2")" | tr -d '\r') && status=0 || status=$?
echo "$output"
[ "$status" -eq 0 ] && grep -q '^comcheck: [0-9]* checks, 0 failed$' <<<"$output"
