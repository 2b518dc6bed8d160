# SPDX-License-Identifier: Apache-2.0
# Sourced by the tests of this folder: the private 32-bit wine prefix (made by
# scripts/wine-setup.sh on first use), and how to run in it.
#   orv_wine PROGRAM ARG...     wine, quietly, with a time limit
#   orv_wine_x PROGRAM ARG...   the same under a virtual X server, for programs that
#                               make windows (without one, wine ends at the first)
#   orv_winpath PATH            the Windows name of a Linux path
# The prefix's server is left to finish before the next step, so that the registry
# one program wrote is the one the next reads.
set -euo pipefail
export WINEARCH=win32 WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
export WINEPREFIX=${ORVFIELDS_WINEPREFIX:-/tmp/orvfields-wine-$(id -u)-win32}
if [ ! -f "$WINEPREFIX/system.reg" ]; then
    "$(dirname "${BASH_SOURCE[0]}")/../../../scripts/wine-setup.sh" "$WINEPREFIX" i686 >&2
fi

orv_wine() {
    timeout 120 wine "$@"
}

orv_wine_x() {
    # The program's status, once the server (which holds the display) has ended.
    timeout 180 xvfb-run -a sh -c 'wine "$@"; status=$?; wineserver -w; exit $status' \
        wine "$@" 2> >(grep -v '^X connection to .* broken' >&2)
}

orv_winpath() {
    winepath -w "$1" 2>/dev/null
}
