# SPDX-License-Identifier: Apache-2.0
# Shared by ./run and ./test: installs the Debian packages that are missing, then
# configures and builds the project in build/. Sourced, not run.

orv_root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)

# orv_packages PACKAGE...: installs those of the packages that are not installed.
orv_packages() {
    local missing=() package
    for package in "$@"; do
        dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q 'install ok installed' ||
            missing+=("$package")
    done
    [ ${#missing[@]} -eq 0 ] && return 0
    echo "Installing ${missing[*]} ..."
    local sudo=
    [ "$(id -u)" -ne 0 ] && sudo=sudo
    export DEBIAN_FRONTEND=noninteractive
    $sudo apt-get update -qq &&
        $sudo apt-get install -y -qq --no-install-recommends -o DPkg::Lock::Timeout=300 "${missing[@]}" >/dev/null
}

# orv_build [CMAKE_OPTION...]: configures (the first time, or when options are given)
# and builds.
orv_build() {
    orv_packages cmake g++ make pkg-config qt6-base-dev libqpdf-dev libgnutls28-dev \
        libexempi-dev nlohmann-json3-dev doctest-dev qpdf poppler-utils \
        fonts-dejavu-core fonts-dejavu-extra || return 1
    cd "$orv_root" || return 1
    if [ ! -f build/CMakeCache.txt ] || [ $# -gt 0 ]; then
        cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo "$@" >/dev/null || return 1
    fi
    # Progress lines dropped; warnings and errors stay.
    cmake --build build -j"$(nproc)" -- --no-print-directory 2>&1 |
        grep -vE '^\[ *[0-9]+%\] (Building|Linking|Built|Automatic|Generating)|^Consolidate|^Scanning'
    return "${PIPESTATUS[0]}"
}

# orv_build_windows [CMAKE_OPTION...]: the Windows builds, 64-bit in build-win64, then
# 32-bit (the component's architecture) in build-win, whose installer carries both DLLs:
# the mingw-w64 toolchains and the cross-built dependencies (scripts/windows-deps.sh,
# cached outside the builds), wine with a prefix of each bitness (scripts/wine-setup.sh:
# its stdole2.tlb goes into the type library), NSIS for the installer.
orv_build_windows() {
    "$orv_root/scripts/wine-setup.sh" "$orv_root/build/wine" i686 || return 1
    "$orv_root/scripts/wine-setup.sh" "$orv_root/build/wine64" x86_64 || return 1
    orv_packages nsis || return 1
    orv_build_windows_arch x86_64 build-win64 "$@" &&
        orv_build_windows_arch i686 build-win -DORVFIELDS_WINDOWS64_BUILD="$orv_root/build-win64" "$@"
}

# orv_build_windows_arch i686|x86_64 FOLDER [CMAKE_OPTION...]
orv_build_windows_arch() {
    local arch=$1 folder=$2 deps
    shift 2
    deps=$("$orv_root/scripts/windows-deps.sh" "$arch" | tail -n 1) || return 1
    cd "$orv_root" || return 1
    local first=()
    [ -f "$folder/CMakeCache.txt" ] ||
        first=(-DCMAKE_TOOLCHAIN_FILE=cmake/toolchain-mingw.cmake -DORVFIELDS_MINGW_ARCH="$arch")
    cmake -S . -B "$folder" "${first[@]}" -DORVFIELDS_WIN_DEPS="$deps" "$@" >/dev/null || return 1
    cmake --build "$folder" -j"$(nproc)" -- --no-print-directory 2>&1 |
        grep -vE '^\[ *[0-9]+%\] (Building|Linking|Built|Generating|Making)|^Consolidate|^Scanning'
    return "${PIPESTATUS[0]}"
}
