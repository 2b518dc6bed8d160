#!/usr/bin/env bash
# SPDX-License-Identifier: Apache-2.0
# Installs what running the Windows build under wine needs (wine, a 32-bit wine, an X
# server for windows), then makes a private wine prefix unless it exists (wine brings
# an existing prefix up to date itself when wine changes):
#
#   scripts/wine-setup.sh PREFIX [i686|x86_64]     (default i686: a 32-bit prefix)
#
# Use the prefix as it is made here:
#   WINEPREFIX=PREFIX WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml=" wine prog.exe
set -euo pipefail
source "$(dirname "$0")/setup.sh"

prefix=${1:?usage: wine-setup.sh PREFIX [i686|x86_64]}
case ${2:-i686} in
    i686) winearch=win32 packages=(wine wine32:i386 xvfb xauth) ;;
    x86_64) winearch=win64 packages=(wine wine32:i386 wine64 xvfb xauth) ;;
    *) echo "usage: wine-setup.sh PREFIX [i686|x86_64]" >&2; exit 2 ;;
esac
sudo=
[ "$(id -u)" -ne 0 ] && sudo=sudo
if ! dpkg --print-foreign-architectures | grep -qx i386; then
    echo "Adding the i386 architecture (wine32) ..."
    $sudo dpkg --add-architecture i386
fi
orv_packages "${packages[@]}"

if [ -f "$prefix/system.reg" ]; then
    exit 0
fi
# mscoree and mshtml off: no offer to download Mono or Gecko, which would wait for
# a click. wineserver -w: the prefix is complete only when the server has finished.
mkdir -p "$(dirname "$prefix")"
prefix=$(cd "$(dirname "$prefix")" && pwd)/$(basename "$prefix")
started=$SECONDS
export WINEARCH=$winearch WINEPREFIX=$prefix WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
wineboot -i
wineserver -w
echo "Wine prefix $prefix ($winearch) ready in $((SECONDS - started)) s"
