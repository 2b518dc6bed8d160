#!/usr/bin/env bash
# SPDX-License-Identifier: Apache-2.0
# Compiles every source of the portable folders (the rows of docs/architecture.md
# marked portable) with the compiler alone: the project's include roots, qpdf's and
# exempi's headers, qpdf's one definition, and nothing else: no Qt include path, no
# definition of a platform. A file that needs more is not portable.
#   portable.sh ROOT CXX QPDF_INCLUDE EXEMPI_INCLUDE
set -uo pipefail
root=$1 cxx=$2 qpdf=$3 exempi=$4
folders=$(grep -E '^\| `[a-z0-9/]+` \|.*\| yes \|' "$root/docs/architecture.md" |
    sed -E 's/^\| `([a-z0-9/]+)`.*/\1/')
[ -n "$folders" ] || { echo "no portable folder in docs/architecture.md" >&2; exit 1; }
sources=()
for folder in $folders; do
    sources+=("$root/$folder"/*.cpp)
done
# The libraries' folders, unless they are the compiler's own (naming /usr/include again
# would reorder the C library's headers).
libraries=""
for folder in $qpdf $exempi; do
    case "$folder" in /usr/include | /usr/local/include | "") ;; *) libraries="$libraries -isystem $folder" ;; esac
done
printf '%s\n' "${sources[@]}" | grep -v '\*' |
    xargs -P "$(nproc)" -I{} sh -c '
        "$0" -std=c++20 -fsyntax-only -Wall -Wextra -Werror -I"$1/src" -I"$1/components" -I"$1" \
            $2 -DPOINTERHOLDER_TRANSITION=4 "{}" ||
            { echo "not portable: {}" >&2; exit 255; }' "$cxx" "$root" "$libraries"
status=$?
[ $status -eq 0 ] && echo "${#sources[@]} portable sources compile without Qt or a platform"
exit $status
