#!/usr/bin/env bash
# SPDX-License-Identifier: Apache-2.0
# The server from C++ (ServerCheck.cpp), registered for createObject, under a virtual X
# server: the field list is a window.
#   server.sh COMCHECK.EXE ORVFIELDS.DLL
source "$(dirname "$0")/../wine.sh"
orv_registered "$2"
output=$(orv_wine_x "$1" "$orv_registered_dll" | tr -d '\r') && status=0 || status=$?
echo "$output"
[ "$status" -eq 0 ] && grep -q '^comcheck: [0-9]* checks, 0 failed$' <<<"$output"
