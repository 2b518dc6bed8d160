#!/usr/bin/env bash
# SPDX-License-Identifier: Apache-2.0
# Runs a Windows program under wine: a private prefix of the program's kind (32-bit
# win32 or 64-bit win64, made on first use in about 10 s) and a virtual X server,
# without which wine ends at the first window.
#   wine-run.sh PROGRAM [ARGUMENT...]
# ORVFIELDS_WINEPREFIX chooses the prefix (default /tmp/orvfields-wine-<uid>-<kind>).
set -euo pipefail
# The machine field of the PE header: 0x8664 for x86-64, else a 32-bit program.
header=$(od -An -tu4 -j60 -N4 "$1" | tr -d ' ')
machine=$(od -An -tx2 -j$((header + 4)) -N2 "$1" | tr -d ' ')
kind=win32
[ "$machine" = 8664 ] && kind=win64
export WINEARCH=$kind WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
export WINEPREFIX=${ORVFIELDS_WINEPREFIX:-/tmp/orvfields-wine-$(id -u)-$kind}
if [ ! -f "$WINEPREFIX/system.reg" ]; then
    wineboot -i
    wineserver -w
fi
exec timeout 150 xvfb-run -a wine "$@"
