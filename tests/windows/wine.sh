#!/usr/bin/env bash
# SPDX-License-Identifier: Apache-2.0
# How every Windows test runs: in a private wine prefix, ORVFIELDS_WINEPREFIX (the Linux
# build's wine/ folder, 32-bit; wine64/ for the 64-bit build's tests, with
# ORVFIELDS_WINEARCH=win64; scripts/wine-setup.sh makes it on first use).
#
#   wine.sh PROGRAM ARG...      runs the program under a virtual X server
#   wine.sh --console PROGRAM ARG...  runs a program without windows
#   source wine.sh              in a test's script, for these:
#     orv_wine PROGRAM ARG...     wine, quietly, with a time limit; a program of the
#                                 system (regsvr32, reg, cscript) is the prefix's own
#                                 bitness's (see below)
#     orv_wine_x PROGRAM ARG...   the same under a virtual X server, for programs that
#                                 make windows (without one, wine ends at the first)
#     orv_winpath PATH            the Windows name of a Linux path
#     orv_registered DLL          regsvr32 /s now, regsvr32 /u /s when the script ends
#     orv_at_exit COMMAND         runs the command when the script ends
#     $orv_bits                   32 or 64: the prefix's bitness, the build's under test
#     $orv_system32_x86           the folder of the system's 32-bit programs (system32
#                                 in a 32-bit prefix, syswow64 in a 64-bit one)
# wine's own launcher starts a program named by its Windows path with the 32-bit loader
# when wine32 is installed, and in a 64-bit prefix a 32-bit process finds the 32-bit
# system32 (regsvr32, reg and cscript of the 32-bit registry view): a 64-bit prefix's
# programs run with the 64-bit loader, which hands 32-bit programs to the other.
# Programs that follow one another share one wine server, and with it the registry; a
# program with windows has a server of its own, which holds the display. CTest
# runs the tests of one prefix one at a time (RESOURCE_LOCK): they share it.
set -euo pipefail
orv_source_root=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
export WINEARCH=${ORVFIELDS_WINEARCH:-win32} WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
export WINEPREFIX=${ORVFIELDS_WINEPREFIX:?the wine prefix of the Windows tests}
if [ ! -f "$WINEPREFIX/system.reg" ]; then
    "$orv_source_root/scripts/wine-setup.sh" "$WINEPREFIX" \
        "$([ "$WINEARCH" = win64 ] && echo x86_64 || echo i686)" >&2
fi
orv_bits=32
orv_loader=wine
orv_system32_x86='C:\windows\system32'
if [ "$WINEARCH" = win64 ]; then
    orv_bits=64
    orv_loader=$(command -v wine64 || echo /usr/lib/wine/wine64)
    orv_system32_x86='C:\windows\syswow64'
fi
export orv_loader

orv_wine() {
    timeout 120 "$orv_loader" "$@"
}

orv_wine_x() {
    # A server started without the display (regsvr32 just before) would keep the
    # program's windows off it: it ends first. The program's status, once the server
    # (which holds the display) has ended.
    wineserver -w
    timeout 300 xvfb-run -a -s '-screen 0 1024x768x24' \
        sh -c '"$orv_loader" "$@"; status=$?; wineserver -w; exit $status' wine "$@" \
        2> >(grep -v '^X connection to .* broken' >&2)
}

orv_winpath() {
    winepath -w "$1" 2>/dev/null
}

orv_at_exit_commands=()
orv_at_exit() {
    orv_at_exit_commands+=("$1")
    trap 'for command in "${orv_at_exit_commands[@]}"; do eval "$command" || true; done' EXIT
}

orv_registered() {
    orv_registered_dll=$(orv_winpath "$1")
    orv_wine regsvr32 /s "$orv_registered_dll"
    orv_at_exit 'orv_wine regsvr32 /u /s "$orv_registered_dll"'
}

if [ "${BASH_SOURCE[0]}" = "$0" ]; then
    if [ "$1" = --console ]; then
        shift
        timeout 290 "$orv_loader" "$@"
    else
        orv_wine_x "$@"
    fi
fi
