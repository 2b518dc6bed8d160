#!/usr/bin/env bash
# SPDX-License-Identifier: Apache-2.0
# The contract as a script host sees it: the component registered, contract.vbs run by
# cscript under a virtual X server, the component unregistered. wine's cscript reports
# nothing and ends with 0 when a script fails outside "On Error Resume Next": the test
# wants the script's own last line as well as its status.
#   script.sh ORVFIELDS.DLL CONTRACT.VBS
source "$(dirname "$0")/../wine.sh"
orv_registered "$1"
output=$(orv_wine_x cscript //nologo "$(orv_winpath "$2")" | tr -d '\r') && status=0 || status=$?
echo "$output"
[ "$status" -eq 0 ] && grep -q '^contract: [0-9]* checks, 0 failed$' <<<"$output"
