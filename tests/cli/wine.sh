#!/usr/bin/env bash
# SPDX-License-Identifier: Apache-2.0
# Runs the Windows build's orvfields.exe (ORVFIELDS_CLI_EXE) under wine as if it were the
# Linux program: the same arguments, standard streams, working folder and exit status.
# tst_cli runs its suite through this when ORVFIELDS_CLI_EXE is set.
#
# A 32-bit program runs in the Windows tests' prefix (tests/windows/wine.sh,
# ORVFIELDS_WINEPREFIX); a 64-bit one in a 64-bit prefix, ORVFIELDS_WINEPREFIX64 or
# /tmp/orvfields-wine-<uid>-win64, made on first use. In either, \\orvfields\root is
# the Linux root folder, for the tests of UNC paths; a Linux path ("/tmp/a.pdf") names a
# file on Z:, which is the root folder in every prefix.
set -euo pipefail
exe=${ORVFIELDS_CLI_EXE:?the Windows orvfields.exe to run}
if [[ $(objdump -f "$exe") == *pei-x86-64* ]]; then
    export WINEARCH=win64 WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
    export WINEPREFIX=${ORVFIELDS_WINEPREFIX64:-/tmp/orvfields-wine-$(id -u)-win64}
    if [ ! -f "$WINEPREFIX/system.reg" ]; then
        "$(dirname "${BASH_SOURCE[0]}")/../../scripts/wine-setup.sh" "$WINEPREFIX" x86_64 >&2
    fi
else
    source "$(dirname "${BASH_SOURCE[0]}")/../windows/wine.sh"
fi
if [ ! -e "$WINEPREFIX/dosdevices/unc/orvfields/root" ]; then
    mkdir -p "$WINEPREFIX/dosdevices/unc/orvfields"
    ln -sfn / "$WINEPREFIX/dosdevices/unc/orvfields/root"
fi
exec wine "$exe" "$@"
