#!/usr/bin/env bash
# SPDX-License-Identifier: Apache-2.0
# A client of the component registered for it, under a virtual X server (the field list
# is a window): comcheck, or contract.vbs by cscript. wine's cscript reports nothing and
# ends with 0 when a script fails outside "On Error Resume Next": the test wants the
# client's own last line, "NAME: N checks, 0 failed", as well as its status.
#   client.sh NAME ORVFIELDS.DLL PROGRAM FILE [ARG...]   (FILE by its Windows name)
source "$(dirname "$0")/../wine.sh"
orv_registered "$2"
output=$(orv_wine_x "$3" "$(orv_winpath "$4")" "${@:5}" | tr -d '\r') && status=0 || status=$?
echo "$output"
[ "$status" -eq 0 ] && grep -q "^$1: [0-9]* checks, 0 failed\$" <<<"$output"
