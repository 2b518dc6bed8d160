#!/usr/bin/env bash
# SPDX-License-Identifier: Apache-2.0
# Cross-builds the static Windows dependencies (libjpeg-turbo, qpdf, expat, exempi)
# from Debian's source packages, once, into a cache outside every build tree:
#
#   scripts/windows-deps.sh i686|x86_64        prints the prefix on its last line
#   source scripts/windows-deps.sh; prefix=$(orv_windows_deps i686)
#
# The prefix is ${ORVFIELDS_WIN_CACHE:-/var/cache/orvfields}/<arch>-<key>; the key
# comes from the Debian source versions built, so a new version builds into a new
# folder. A run that finds its prefix complete reads the package lists, and takes no
# apt-get, no network, no compiler: about a second.
# zlib is Debian's libz-mingw-w64-dev. Use the prefix with cmake/toolchain-mingw.cmake
# (-DORVFIELDS_WIN_DEPS=<prefix>). Only stdout's last line is for callers.

source "$(dirname "${BASH_SOURCE[0]}")/setup.sh"

# Source package -> a binary package of it whose Version the machine's own lists know.
orv_win_sources=(
    "libjpeg-turbo libjpeg62-turbo-dev"
    "qpdf libqpdf-dev"
    "expat libexpat1-dev"
    "exempi libexempi-dev"
)

orv_windows_deps() (
    set -euo pipefail
    exec 3>&1 1>&2

    local arch=${1:-} gxx
    case $arch in
        i686) gxx=g++-mingw-w64-i686 ;;
        x86_64) gxx=g++-mingw-w64-x86-64 ;;
        *) echo "usage: windows-deps.sh i686|x86_64"; exit 2 ;;
    esac
    local triplet=$arch-w64-mingw32 root repo sudo=
    root=$(realpath -m "${ORVFIELDS_WIN_CACHE:-/var/cache/orvfields}")
    repo=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
    [ "$(id -u)" -ne 0 ] && sudo=sudo

    # exempi's tarball carries its configure script: no autotools needed. widl reads
    # the system's IDL files from libwine-dev when it makes the component's type library;
    # icotool (icoutils) makes the dialog's icon.
    orv_packages "$gxx" mingw-w64-tools libz-mingw-w64-dev cmake make pkg-config \
        dpkg-dev xz-utils libwine-dev icoutils

    # The versions the machine's lists offer now are the ones to build.
    local wanted versions key prefix
    wanted=$(orv_win_versions) || {
        $sudo apt-get update -qq
        wanted=$(orv_win_versions)
    }
    versions=$(orv_win_resolve "$root" <<<"$wanted")
    key=$(sha256sum <<<"$versions" | cut -c1-10)
    prefix=$root/$arch-$key
    if [ "$(cat "$prefix/stamp" 2>/dev/null)" = "$versions" ]; then
        echo "$prefix" >&3
        exit 0
    fi

    mkdir -p "$root" 2>/dev/null || $sudo install -d -o "$(id -u)" -g "$(id -g)" "$root"
    # Runs for both architectures, or from two checkouts, share the downloads.
    exec 4>"$root/lock"
    flock 4
    local source version started=$SECONDS
    while read -r source version; do
        orv_win_fetch "$root" "$source" "$version"
    done <<<"$wanted"
    versions=$(orv_win_resolve "$root" <<<"$wanted")
    key=$(sha256sum <<<"$versions" | cut -c1-10)
    prefix=$root/$arch-$key
    if [ "$(cat "$prefix/stamp" 2>/dev/null)" = "$versions" ]; then
        echo "$prefix" >&3
        exit 0
    fi

    echo "Building the Windows dependencies for $triplet into $prefix"
    local build=$root/build/$arch-$key log=
    trap '[ $? -eq 0 ] || [ -z "$log" ] || { tail -n 30 "$log"; echo "Failed; the whole log: $log"; }' EXIT
    rm -rf "$prefix" "$build"
    mkdir -p "$prefix" "$build"
    while read -r source version; do
        local t=$SECONDS
        log=$build/$source.log
        rm -rf "${build:?}/$source"
        dpkg-source --no-check -x "$root/src/${source}_${version#*:}.dsc" "$build/$source" >"$log" 2>&1
        "orv_win_build_${source//-/_}" "$build/$source" "$build/$source-build" >>"$log" 2>&1
        echo "$source $version: $((SECONDS - t)) s"
    done <<<"$versions"
    log=
    echo "$versions" >"$prefix/stamp"
    rm -rf "$build"
    echo "Done in $((SECONDS - started)) s"
    echo "$prefix" >&3
)

# Prints "source version" lines, from the binary packages' entries in the machine's
# lists (a binNMU's Source field names the source version in brackets). One apt-cache
# call: without a package cache on disk each call reads every list again.
orv_win_versions() {
    local pair binaries=() records line
    for pair in "${orv_win_sources[@]}"; do
        binaries+=("${pair#* }")
    done
    records=$(apt-cache show --no-all-versions "${binaries[@]}" 2>/dev/null | awk '
        /^Package: / { package = $2; source = $2; version = ""; built = "" }
        /^Source: / { source = $2; if ($3 != "") { built = $3; gsub(/[()]/, "", built) } }
        /^Version: / { version = $2 }
        /^$/ && package != "" { print package, source, (built != "" ? built : version); package = "" }
        END { if (package != "") print package, source, (built != "" ? built : version) }') ||
        return 1
    for pair in "${orv_win_sources[@]}"; do
        line=$(grep -m1 "^${pair#* } ${pair%% *} " <<<"$records") || return 1
        echo "${line#* }"
    done
}

# Reads "source version" lines and prints them with the version that replaced each one
# the archive could not deliver (see orv_win_fetch).
orv_win_resolve() {
    local root=$1 source version
    while read -r source version; do
        local marker=$root/src/${source}_${version#*:}.unavailable
        [ -f "$marker" ] && version=$(cat "$marker")
        echo "$source $version"
    done
}

# orv_win_fetch ROOT SOURCE VERSION: downloads the source package into ROOT/src unless
# it is there. Through a private apt configuration in ROOT/apt, which lists the
# machine's own archives as deb-src: the machine's sources and lists stay untouched.
# When the archive lists a version but cannot deliver it (a mirror without the
# security archive's sources), the newest older one it delivers is taken, loudly, and
# remembered in ROOT/src/SOURCE_VERSION.unavailable (delete that file to try again).
orv_win_fetch() {
    local root=$1 source=$2 version=$3
    if [ -f "$root/src/${source}_${version#*:}.dsc" ] ||
        [ -f "$root/src/${source}_${version#*:}.unavailable" ]; then
        return 0
    fi
    local apt=$root/apt file
    local options=(-o Dir::Etc::SourceList="$apt/sources.list"
        -o Dir::Etc::SourceParts="$apt/parts" -o Dir::State::Lists="$apt/lists"
        -o Dir::Cache="$apt/cache")
    if [ -z "${orv_win_updated:-}" ]; then
        mkdir -p "$apt/parts" "$apt/lists/partial" "$apt/cache/archives/partial" "$root/src"
        : >"$apt/sources.list"
        rm -f "$apt/parts/"*
        for file in /etc/apt/sources.list.d/*.sources; do
            [ -f "$file" ] || continue
            sed -E 's/^Types:.*\<deb\>.*/Types: deb-src/' "$file" >"$apt/parts/${file##*/}"
        done
        for file in /etc/apt/sources.list /etc/apt/sources.list.d/*.list; do
            [ -f "$file" ] || continue
            sed -nE 's/^[[:space:]]*deb([[:space:]])/deb-src\1/p' "$file" >"$apt/parts/${file##*/}"
        done
        apt-get "${options[@]}" update -qq
        # Downloads run as _apt when it may write there.
        [ "$(id -u)" -ne 0 ] || chown _apt "$root/src" 2>/dev/null || true
        orv_win_updated=1
    fi
    local candidates=("$version") candidate
    for candidate in $(apt-cache "${options[@]}" showsrc --only-source "$source" |
        sed -n 's/^Version: //p' | sort -ruV); do
        if dpkg --compare-versions "$candidate" lt "$version"; then
            candidates+=("$candidate")
        fi
    done
    for candidate in "${candidates[@]}"; do
        if (cd "$root/src" && apt-get "${options[@]}" source --download-only -qq "$source=$candidate"); then
            if [ "$candidate" != "$version" ]; then
                echo "WARNING: the archive lists $source $version but cannot deliver it; building $candidate"
                echo "$candidate" >"$root/src/${source}_${version#*:}.unavailable"
            fi
            return 0
        fi
    done
    echo "No source of $source $version or older could be downloaded"
    return 1
}

# The builders: orv_win_build_<source> SOURCE_DIR BUILD_DIR, with $arch, $triplet,
# $prefix and $repo of the caller.
orv_win_cmake() {
    cmake -G "Unix Makefiles" -DCMAKE_TOOLCHAIN_FILE="$repo/cmake/toolchain-mingw.cmake" \
        -DORVFIELDS_MINGW_ARCH="$arch" -DORVFIELDS_WIN_DEPS="$prefix" \
        -DCMAKE_BUILD_TYPE=Release -DCMAKE_INSTALL_PREFIX="$prefix" "$@"
}

orv_win_build_libjpeg_turbo() {
    # SIMD needs nasm and buys nothing for the few JPEG images a PDF's fields touch.
    orv_win_cmake -S "$1" -B "$2" -DENABLE_SHARED=OFF -DENABLE_STATIC=ON -DWITH_SIMD=OFF \
        -DWITH_TURBOJPEG=OFF
    cmake --build "$2" -j"$(nproc)"
    cmake --install "$2"
}

orv_win_build_qpdf() {
    # zlib and libjpeg by absolute paths, the static zlib rather than its DLL's import
    # library, so that qpdf's CMake package carries them to every link; pkg-config
    # would leave names only. Windows' own cryptography: no GnuTLS or OpenSSL to
    # carry. rijndael.h uses uint32_t without including <cstdint> (GCC 12).
    PKG_CONFIG_LIBDIR=$2/no-pkg-config orv_win_cmake -S "$1" -B "$2" \
        -DBUILD_SHARED_LIBS=OFF -DBUILD_STATIC_LIBS=ON -DBUILD_DOC=OFF \
        -DINSTALL_MANUAL=OFF -DINSTALL_EXAMPLES=OFF \
        -DREQUIRE_CRYPTO_NATIVE=ON -DUSE_IMPLICIT_CRYPTO=OFF \
        -DZLIB_H_PATH="/usr/$triplet/include" -DZLIB_LIB_PATH="/usr/$triplet/lib/libz.a" \
        -DLIBJPEG_H_PATH="$prefix/include" -DLIBJPEG_LIB_PATH="$prefix/lib/libjpeg.a" \
        -DCMAKE_CXX_FLAGS="-include cstdint"
    # The library alone: the tools, tests, examples and fuzzers are of no use here.
    cmake --build "$2" -j"$(nproc)" --target libqpdf
    # Headers, library and pkg-config file are "dev"; the CMake package has no component.
    cmake --install "$2" --component dev
    cmake --install "$2" --component Unspecified
}

orv_win_build_expat() {
    # Debian's backported security fixes test "#if XML_DTD == 1", which the autotools
    # header defines and CMake's leaves empty.
    sed -i 's/^#cmakedefine XML_DTD$/#cmakedefine XML_DTD 1/' "$1/expat/expat_config.h.cmake"
    orv_win_cmake -S "$1/expat" -B "$2" -DEXPAT_SHARED_LIBS=OFF -DEXPAT_BUILD_TOOLS=OFF \
        -DEXPAT_BUILD_EXAMPLES=OFF -DEXPAT_BUILD_TESTS=OFF -DEXPAT_BUILD_DOCS=OFF
    cmake --build "$2" -j"$(nproc)"
    cmake --install "$2"
}

orv_win_build_exempi() {
    local src=$1 build=$2
    # The XMP Toolkit's Windows build (WIN_ENV), not its POSIX one: the autotools pick
    # the POSIX host files, which need dlopen, realpath and readdir_r, and open files
    # in text mode on Windows. Its Windows host files ship in the same tarball. The
    # toolkit was written for MSVC: it includes <Windows.h>, takes int8_t and friends
    # for granted, is a UNICODE build, expects MSVC's source annotations (mingw's
    # sal.h lacks four of them), and reads an undefined _MSC_VER as an old compiler
    # without std::shared_ptr.
    local cppflags=(-I"$build/include" -I"$prefix/include" -DXML_STATIC -DUNICODE -D_UNICODE
        -include stdint.h -include sal.h -D_Check_return_= -D_Check_return_opt_=
        -D_Check_return_wat_= -D_Deref_prepost_opt_z_=)
    mkdir -p "$build/include"
    echo '#include <windows.h>' >"$build/include/Windows.h"
    sed -i 's/^\([[:space:]]*\)#if _MSC_VER <= 1600/\1#if defined(_MSC_VER) \&\& _MSC_VER <= 1600/' \
        "$src/public/include/XMPCommon/XMPCommonDefines.h"
    # exempi's configure cannot link an iconv test on Windows; the toolkit never
    # calls iconv there. The ASF handler takes GUID_NULL from libuuid. configure
    # adds -lrt -ldl, and libtool wants -all-static (configure's compiler, -static)
    # before it links the exempi tool without libgcc's and libstdc++'s DLLs.
    (cd "$src" && ac_cv_header_iconv_h=yes am_cv_proto_iconv_arg1='' ./configure \
        --host="$triplet" --prefix="$prefix" --disable-shared --disable-unittest \
        --enable-samples=no CC="$triplet-gcc-posix" CXX="$triplet-g++-posix" \
        CFLAGS=-O2 CXXFLAGS=-O2 \
        CPPFLAGS="${cppflags[*]}" \
        LDFLAGS="-L$prefix/lib -static" LIBS=-luuid)
    local makefiles
    mapfile -t makefiles < <(find "$src" -name Makefile)
    sed -i -e 's/-DUNIX_ENV=1/-DWIN_ENV=1/g' -e 's/Host_IO-POSIX/Host_IO-Win/g' \
        -e 's/OS_Utils_Linux/OS_Utils_WIN/g' -e '/^LDFLAGS =/s/ -lrt -ldl//' \
        -e '/^LDFLAGS =/s/ -static/ -all-static/' "${makefiles[@]}"
    make -C "$src" -j"$(nproc)"
    make -C "$src" install
    rm -f "$prefix/lib/libexempi.la"
    orv_win_exempi_package
}

# exempi installs a pkg-config file without what a static link needs beyond -lexempi,
# and no CMake package: both are written here.
orv_win_exempi_package() {
    printf 'Requires.private: expat, zlib\nLibs.private: -luuid\n' \
        >>"$prefix/lib/pkgconfig/exempi-2.0.pc"
    local version
    version=$(sed -n 's/^Version: //p' "$prefix/lib/pkgconfig/exempi-2.0.pc")
    mkdir -p "$prefix/lib/cmake/exempi"
    cat >"$prefix/lib/cmake/exempi/exempi-config.cmake" <<CMAKE
# exempi $version, static, for $triplet (scripts/windows-deps.sh): exempi::exempi.
include(CMakeFindDependencyMacro)
find_dependency(expat CONFIG)
if(NOT TARGET exempi::exempi)
    get_filename_component(_exempi_prefix "\${CMAKE_CURRENT_LIST_DIR}/../../.." ABSOLUTE)
    add_library(exempi::exempi STATIC IMPORTED)
    set_target_properties(exempi::exempi PROPERTIES
        IMPORTED_LOCATION "\${_exempi_prefix}/lib/libexempi.a"
        IMPORTED_LINK_INTERFACE_LANGUAGES CXX
        INTERFACE_INCLUDE_DIRECTORIES "\${_exempi_prefix}/include/exempi-2.0"
        INTERFACE_LINK_LIBRARIES "expat::expat;/usr/$triplet/lib/libz.a;uuid")
    unset(_exempi_prefix)
endif()
CMAKE
    cat >"$prefix/lib/cmake/exempi/exempi-config-version.cmake" <<CMAKE
set(PACKAGE_VERSION $version)
if(PACKAGE_FIND_VERSION VERSION_GREATER PACKAGE_VERSION)
    set(PACKAGE_VERSION_COMPATIBLE FALSE)
else()
    set(PACKAGE_VERSION_COMPATIBLE TRUE)
endif()
CMAKE
}

if [ "${BASH_SOURCE[0]}" = "$0" ]; then
    orv_windows_deps "$@"
fi
