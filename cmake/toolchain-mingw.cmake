# SPDX-License-Identifier: Apache-2.0
# Cross builds for Windows with Debian's mingw-w64:
#
#   cmake -S . -B build-win -DCMAKE_TOOLCHAIN_FILE=cmake/toolchain-mingw.cmake \
#         -DORVFIELDS_MINGW_ARCH=i686 -DORVFIELDS_WIN_DEPS=$(scripts/windows-deps.sh i686)
#
# ORVFIELDS_MINGW_ARCH is i686 (the default: the component is a 32-bit in-process
# server) or x86_64. ORVFIELDS_WIN_DEPS is the prefix of the cross-built static
# dependencies that scripts/windows-deps.sh prints; their CMake packages and
# pkg-config files are found there.

set(ORVFIELDS_MINGW_ARCH i686 CACHE STRING "mingw-w64 target: i686 or x86_64")
set_property(CACHE ORVFIELDS_MINGW_ARCH PROPERTY STRINGS i686 x86_64)
set(ORVFIELDS_WIN_DEPS "" CACHE PATH "Prefix of the cross-built dependencies")
if(NOT ORVFIELDS_MINGW_ARCH MATCHES "^(i686|x86_64)$")
    message(FATAL_ERROR "ORVFIELDS_MINGW_ARCH must be i686 or x86_64, not '${ORVFIELDS_MINGW_ARCH}'")
endif()
# try_compile projects read this file again; they need the same two answers.
list(APPEND CMAKE_TRY_COMPILE_PLATFORM_VARIABLES ORVFIELDS_MINGW_ARCH ORVFIELDS_WIN_DEPS)

set(ORVFIELDS_MINGW_TRIPLET ${ORVFIELDS_MINGW_ARCH}-w64-mingw32)
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR ${ORVFIELDS_MINGW_ARCH})

# The -posix flavour: the -win32 one has no std::thread or std::mutex.
set(CMAKE_C_COMPILER ${ORVFIELDS_MINGW_TRIPLET}-gcc-posix)
set(CMAKE_CXX_COMPILER ${ORVFIELDS_MINGW_TRIPLET}-g++-posix)
set(CMAKE_RC_COMPILER ${ORVFIELDS_MINGW_TRIPLET}-windres)

# Libraries and headers of the target only; programs (code generators) of the host.
set(CMAKE_FIND_ROOT_PATH /usr/${ORVFIELDS_MINGW_TRIPLET})
if(ORVFIELDS_WIN_DEPS)
    list(APPEND CMAKE_FIND_ROOT_PATH ${ORVFIELDS_WIN_DEPS})
endif()
# A prefix given in CMAKE_PREFIX_PATH holds target files too; as a search prefix alone
# it would be looked for under each root.
list(APPEND CMAKE_FIND_ROOT_PATH ${CMAKE_PREFIX_PATH})
# pkg-config answers for the target too, never with the host's libraries (a caller
# that sets PKG_CONFIG_LIBDIR itself keeps its own).
if(NOT DEFINED ENV{PKG_CONFIG_LIBDIR})
    set(ENV{PKG_CONFIG_LIBDIR} /usr/${ORVFIELDS_MINGW_TRIPLET}/lib/pkgconfig)
    if(ORVFIELDS_WIN_DEPS)
        set(ENV{PKG_CONFIG_LIBDIR} "${ORVFIELDS_WIN_DEPS}/lib/pkgconfig:$ENV{PKG_CONFIG_LIBDIR}")
    endif()
    set(ENV{PKG_CONFIG_PATH} "")
endif()
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# FindZLIB would take the import library of zlib1.dll before the static libz.a.
set(ZLIB_USE_STATIC_LIBS ON)

# The binaries carry libgcc, libstdc++ and winpthread: nothing to ship beside them.
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")
set(CMAKE_SHARED_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")
set(CMAKE_MODULE_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")
