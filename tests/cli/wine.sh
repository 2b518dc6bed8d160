#!/usr/bin/env bash
# SPDX-License-Identifier: Apache-2.0
# Runs the Windows build's orvfields.exe (ORVFIELDS_CLI_EXE) under wine as if it were the
# Linux program: the same arguments, standard streams, working folder and exit status.
# tst_cli runs its suite through this when ORVFIELDS_CLI_EXE is set.
#
# The prefix is ORVFIELDS_WINEPREFIX or /tmp/orvfields-wine-<uid>-<win32|win64>, after
# the program's architecture; scripts/wine-setup.sh makes it on first use. In it,
# \\orvfields\root is the Linux root folder, for the tests of UNC paths (Z: is the root
# folder in every prefix). A Linux path ("/tmp/a.pdf") names a file on Z:.
set -euo pipefail
exe=${ORVFIELDS_CLI_EXE:?the Windows orvfields.exe to run}
case $(objdump -f "$exe" 2>/dev/null) in
    *pei-x86-64*) arch=x86_64 winearch=win64 ;;
    *) arch=i686 winearch=win32 ;;
esac
export WINEARCH=$winearch WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
export WINEPREFIX=${ORVFIELDS_WINEPREFIX:-/tmp/orvfields-wine-$(id -u)-$winearch}
if [ ! -f "$WINEPREFIX/system.reg" ]; then
    "$(dirname "${BASH_SOURCE[0]}")/../../scripts/wine-setup.sh" "$WINEPREFIX" "$arch" >&2
fi
if [ ! -e "$WINEPREFIX/dosdevices/unc/orvfields/root" ]; then
    mkdir -p "$WINEPREFIX/dosdevices/unc/orvfields"
    ln -sfn / "$WINEPREFIX/dosdevices/unc/orvfields/root"
fi
exec wine "$exe" "$@"
