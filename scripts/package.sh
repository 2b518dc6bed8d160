#!/usr/bin/env bash
# SPDX-License-Identifier: Apache-2.0
# Makes the Debian packages and checks them with lintian:
#
#   scripts/package.sh [BUILD_FOLDER]        (default: build-deb)
#
# Configures its own build folder for /usr with Debian's hardening flags (no tests,
# no benchmarks), builds, runs `cpack -G DEB` and lintian over the packages. The .deb
# files stay in BUILD_FOLDER, lintian's report in BUILD_FOLDER/lintian.txt. Exit
# status 1 when anything fails or lintian reports an error.
set -uo pipefail
source "$(dirname "$0")/setup.sh"
orv_packages cmake g++ make pkg-config qt6-base-dev libqpdf-dev libgnutls28-dev libexempi-dev \
    qpdf poppler-utils \
    dpkg-dev file lintian || exit 1
build=${1:-$orv_root/build-deb}

export DEB_BUILD_MAINT_OPTIONS=hardening=+all
ldflags=$(dpkg-buildflags --get LDFLAGS)
cmake -S "$orv_root" -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_INSTALL_PREFIX=/usr \
    -DBUILD_TESTING=OFF -DORVFIELDS_BUILD_BENCH=OFF \
    -DCMAKE_CXX_FLAGS="$(dpkg-buildflags --get CPPFLAGS) $(dpkg-buildflags --get CXXFLAGS)" \
    -DCMAKE_EXE_LINKER_FLAGS="$ldflags" -DCMAKE_SHARED_LINKER_FLAGS="$ldflags" >/dev/null || exit 1
cmake --build "$build" -j"$(nproc)" -- --no-print-directory 2>&1 |
    grep -vE '^\[ *[0-9]+%\] (Building|Linking|Built|Automatic|Generating)|^Consolidate|^Scanning'
[ "${PIPESTATUS[0]}" -eq 0 ] || exit 1

cd "$build" || exit 1
rm -f ./*.deb
cpack -G DEB >cpack.log 2>&1 || {
    cat cpack.log >&2
    exit 1
}
ls ./*.deb
echo "lintian (errors E, warnings W, information I):"
lintian --display-info ./*.deb 2>&1 | tee lintian.txt
status=${PIPESTATUS[0]}
[ -s lintian.txt ] || echo "(nothing to report)"
exit "$status"
