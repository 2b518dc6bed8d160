#!/usr/bin/env bash
# SPDX-License-Identifier: Apache-2.0
# How every Windows test runs: in a private 32-bit wine prefix, ORVFIELDS_WINEPREFIX
# (the Linux build's wine/ folder; scripts/wine-setup.sh makes it on first use).
#
#   wine.sh PROGRAM ARG...      runs the program under a virtual X server
#   source wine.sh              in a test's script, for these:
#     orv_wine PROGRAM ARG...     wine, quietly, with a time limit
#     orv_wine_x PROGRAM ARG...   the same under a virtual X server, for programs that
#                                 make windows (without one, wine ends at the first)
#     orv_winpath PATH            the Windows name of a Linux path
#     orv_registered DLL          regsvr32 /s now, regsvr32 /u /s when the script ends
#     orv_at_exit COMMAND         runs the command when the script ends
# Programs that follow one another share one wine server, and with it the registry; a
# program with windows has a server of its own, which holds the display. CTest
# runs these tests one at a time (RESOURCE_LOCK wine): they share the prefix.
set -euo pipefail
orv_source_root=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
export WINEARCH=win32 WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
export WINEPREFIX=${ORVFIELDS_WINEPREFIX:?the wine prefix of the Windows tests}
if [ ! -f "$WINEPREFIX/system.reg" ]; then
    "$orv_source_root/scripts/wine-setup.sh" "$WINEPREFIX" i686 >&2
fi

orv_wine() {
    timeout 120 wine "$@"
}

orv_wine_x() {
    # A server started without the display (regsvr32 just before) would keep the
    # program's windows off it: it ends first. The program's status, once the server
    # (which holds the display) has ended.
    wineserver -w
    timeout 300 xvfb-run -a -s '-screen 0 1024x768x24' \
        sh -c 'wine "$@"; status=$?; wineserver -w; exit $status' wine "$@" \
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
    orv_wine_x "$@"
fi
