#!/usr/bin/env bash
# SPDX-License-Identifier: Apache-2.0
# How every Windows test runs: in a private wine prefix, ORVFIELDS_WINEPREFIX (32-bit, or
# 64-bit with ORVFIELDS_WINEARCH=win64; scripts/wine-setup.sh makes it on first use).
#   wine.sh [--console] PROGRAM ARG...  runs it under a virtual X server, or without windows
#   source wine.sh                      in a test's script, for the functions below
# wine's launcher starts a program named by its Windows path (regsvr32, reg, cscript) with
# the loader of the prefix's bitness: a 32-bit process of a 64-bit prefix finds syswow64's
# programs, of the 32-bit registry view ($orv_system32_x86). Programs that follow one
# another share one wine server, and with it the registry; a program with windows has a
# server of its own, which holds the display. CTest runs the tests of one prefix one at a
# time (RESOURCE_LOCK): they share it.
set -euo pipefail
orv_source_root=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
export WINEARCH=${ORVFIELDS_WINEARCH:-win32} WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
export WINEPREFIX=${ORVFIELDS_WINEPREFIX:?the wine prefix of the Windows tests}
if [ ! -f "$WINEPREFIX/system.reg" ]; then
    "$orv_source_root/scripts/wine-setup.sh" "$WINEPREFIX" \
        "$([ "$WINEARCH" = win64 ] && echo x86_64 || echo i686)" >&2
fi
orv_bits=32 # the bitness under test
orv_loader=wine
orv_system32_x86='C:\windows\system32'
if [ "$WINEARCH" = win64 ]; then
    orv_bits=64
    orv_loader=$(command -v wine64 || echo /usr/lib/wine/wine64)
    orv_system32_x86='C:\windows\syswow64'
fi
export orv_loader

orv_wine() { # quietly, with a time limit
    timeout 120 "$orv_loader" "$@"
}

orv_wine_x() {
    # A server started without the display (regsvr32 just before) would keep the
    # program's windows off it: it ends first. The status once the program's has ended.
    wineserver -w
    timeout 300 xvfb-run -a -s '-screen 0 1024x768x24' \
        sh -c '"$orv_loader" "$@"; status=$?; wineserver -w; exit $status' wine "$@" \
        2> >(grep -v '^X connection to .* broken' >&2)
}

orv_winpath() { winepath -w "$1" 2>/dev/null; }

orv_at_exit_commands=()
orv_at_exit() {
    orv_at_exit_commands+=("$1")
    trap 'for command in "${orv_at_exit_commands[@]}"; do eval "$command" || true; done' EXIT
}

orv_registered() { # DLL: registered now, unregistered when the script ends
    orv_registered_dll=$(orv_winpath "$1")
    orv_wine regsvr32 /s "$orv_registered_dll"
    orv_at_exit 'orv_wine regsvr32 /u /s "$orv_registered_dll"'
}

if [ "${BASH_SOURCE[0]}" = "$0" ] && [ "$1" = --console ]; then
    timeout 290 "$orv_loader" "${@:2}"
elif [ "${BASH_SOURCE[0]}" = "$0" ]; then
    orv_wine_x "$@"
fi
