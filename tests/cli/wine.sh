#!/usr/bin/env bash
# SPDX-License-Identifier: Apache-2.0
# Runs the Windows build's orvfields.exe (ORVFIELDS_CLI_EXE) under wine as if it were the
# Linux program: the same arguments, standard streams, working folder and exit status.
# tst_cli runs its suite through this when ORVFIELDS_CLI_EXE is set.
#
# The program runs in the Windows tests' prefix of its bitness (tests/windows/wine.sh):
# ORVFIELDS_WINEPREFIX, or /tmp/orvfields-wine-<uid>-<win32|win64>, made on first use.
# In it, \\orvfields\root is the Linux root folder, for the tests of UNC paths; a Linux
# path ("/tmp/a.pdf") names a file on Z:, which is the root folder in every prefix.
set -euo pipefail
exe=${ORVFIELDS_CLI_EXE:?the Windows orvfields.exe to run}
ORVFIELDS_WINEARCH=win32
[[ $(objdump -f "$exe") == *pei-x86-64* ]] && ORVFIELDS_WINEARCH=win64
export ORVFIELDS_WINEARCH
export ORVFIELDS_WINEPREFIX=${ORVFIELDS_WINEPREFIX:-/tmp/orvfields-wine-$(id -u)-$ORVFIELDS_WINEARCH}
source "$(dirname "${BASH_SOURCE[0]}")/../windows/wine.sh"
if [ ! -e "$WINEPREFIX/dosdevices/unc/orvfields/root" ]; then
    mkdir -p "$WINEPREFIX/dosdevices/unc/orvfields"
    ln -sfn / "$WINEPREFIX/dosdevices/unc/orvfields/root"
fi
exec "$orv_loader" "$exe" "$@"
