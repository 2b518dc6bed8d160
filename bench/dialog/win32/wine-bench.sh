#!/usr/bin/env bash
# SPDX-License-Identifier: Apache-2.0
# Runs bench_apply.exe of the Windows build under wine, on a virtual X server, with the
# build's OrvFields.dll registered for the run, in the wine prefix of the Linux build:
#
#   bench/dialog/win32/wine-bench.sh [--64] [FIELDS...]
#
# build-win in build/wine; with --64, the x86_64 build build-win64 in build/wine64.
set -euo pipefail
root=$(cd "$(dirname "$0")/../../.." && pwd)
build=$root/build-win
export ORVFIELDS_WINEPREFIX=$root/build/wine
if [ "${1:-}" = --64 ]; then
    shift
    build=$root/build-win64
    export ORVFIELDS_WINEARCH=win64 ORVFIELDS_WINEPREFIX=$root/build/wine64
fi
source "$root/tests/windows/wine.sh"
orv_registered "$build/bin/OrvFields.dll"
orv_wine_x "$build/bin/bench_apply.exe" "$@" | tr -d '\r'
