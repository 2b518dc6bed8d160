#!/usr/bin/env bash
# SPDX-License-Identifier: Apache-2.0
# Installs the build into a temporary DESTDIR and moves the installed tree out of reach
# of the build tree. Then, from the moved tree only: no RUNPATH leads anywhere but
# into the tree itself; orvfields reads a PDF; orvfields-regsvr registers the
# component and describes its classes; the component finds its texts in the tree's
# share/orvfields; the host opens the dialog on the installed sample; and a host of
# another project, built against the tree's CMake package, creates OrvFields.MainForm
# through the registry.
#   tst_install.sh CMAKE BUILD_DIR SOURCE_DIR INSTALL_PREFIX LIBDIR
set -euo pipefail
cmake=$1 build=$2 source=$3 prefix=$4 libdir=$5
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
failures=0
fail() {
    echo "FAIL: $*" >&2
    failures=$((failures + 1))
}

DESTDIR=$work/stage "$cmake" --install "$build" >"$work/install.log"
tree=$work/moved
mv "$work/stage$prefix" "$tree"
rm -rf "$work/stage"
component=$tree/$libdir/orvfields/libOrvFields.so

# What no step below uses.
for file in share/orvfields/OrvFields.fre share/applications/org.orvfields.OrvFieldsHost.desktop \
    share/icons/hicolor/48x48/apps/org.orvfields.OrvFieldsHost.png \
    share/metainfo/org.orvfields.OrvFieldsHost.metainfo.xml share/man/man1/orvfields.1.gz \
    share/bash-completion/completions/orvfields; do
    [ -e "$tree/$file" ] || fail "$file is not installed"
done
zgrep -l '@PROJECT_VERSION@' "$tree"/share/man/man1/*.gz && fail "a manual page lacks the version"

# Every search path of every binary is relative to the binary, and leads into the tree.
while IFS= read -r -d '' elf; do
    head -c4 "$elf" | grep -q 'ELF' || continue
    paths=$(readelf -d "$elf" | sed -n 's/.*(\(RPATH\|RUNPATH\)).*\[\(.*\)\]/\2/p')
    for path in ${paths//:/ }; do
        case $path in
        '$ORIGIN' | '$ORIGIN/'*) ;;
        *) fail "${elf#"$tree"/} searches $path" ;;
        esac
    done
    # Every library of ours from the tree, not just one of them.
    outside=$(ldd "$elf" | grep -E 'libOrv' | grep -vF "=> $tree/" || true)
    if [ -n "$outside" ]; then
        fail "${elf#"$tree"/} does not load the tree's libraries: $outside"
    fi
done < <(find "$tree" -type f -print0)

# Nor does any text file of the tree (the CMake package above all) name the build.
for file in $(grep -rlIF "$build" "$tree" || true); do
    fail "${file#"$tree"/} names the build folder"
done

# The command line on a real PDF.
cp "$tree/share/orvfields/sample/books/release-notes.pdf" "$work/notes.pdf"
"$tree/bin/orvfields" read "$work/notes.pdf" >"$work/read.txt" || fail "orvfields read failed"
grep -qx 'Title: Release notes' "$work/read.txt" || fail "orvfields read: $(cat "$work/read.txt")"

# Registered from the tree, into a registry of this test's own.
export ORVFIELDS_REGISTRY=$work/registry.ini
"$tree/bin/orvfields-regsvr" "$component" >/dev/null || fail "orvfields-regsvr failed"
grep -qx "@=$component" "$ORVFIELDS_REGISTRY" || fail "the registry does not name $component"
# Its classes described from their class factories (the format is tst_automation's).
"$tree/bin/orvfields-regsvr" --describe OrvFields.VrnFieldList >"$work/describe.txt" ||
    fail "orvfields-regsvr --describe failed"
grep -qxF "  ProgID     OrvFields.MainForm" "$work/describe.txt" ||
    fail "--describe lacks MainForm: $(cat "$work/describe.txt")"

# Texts come from the tree's share/orvfields: a changed one shows.
sed -i 's/^PluginName = .*/PluginName = PDF fields from share/' "$tree/share/orvfields/OrvFields.eng"

# The installed host, on the installed sample.
"$tree/bin/orvfields-host" --language en --select "User guide" --screenshot "$work/dialog.png" \
    >"$work/host.log" 2>&1 || fail "orvfields-host: $(cat "$work/host.log")"
[ "$(head -c 4 "$work/dialog.png" | tail -c 3)" = PNG ] ||
    fail "orvfields-host wrote no screenshot of the dialog"

# A host of another project, built against the moved tree.
if "$cmake" -S "$source/examples/external-host" -B "$work/host" -DCMAKE_PREFIX_PATH="$tree" \
    -DCMAKE_COMPILE_WARNING_AS_ERROR=ON >"$work/host-build.log" 2>&1 &&
    "$cmake" --build "$work/host" >>"$work/host-build.log" 2>&1; then
    grep -q "^OrvFields_DIR:PATH=$tree/" "$work/host/CMakeCache.txt" ||
        fail "the external host found another OrvFields package"
    "$work/host/external-host" --show >"$work/host.txt" 2>&1 || true
    expected=("created OrvFields.MainForm, class {DF1F9393-7797-4F8A-8277-02B50C3F1C8F}"
        "InputNeed: XML TREEVIEW"
        "message: PDF fields from share: There is no publication or the publication have no book. This plugin need an open and valid publication.")
    for line in "${expected[@]}"; do
        grep -qxF "$line" "$work/host.txt" || fail "external-host: expected \"$line\", got: $(cat "$work/host.txt")"
    done
else
    fail "the external host does not build: $(tail -20 "$work/host-build.log")"
fi

[ "$failures" -eq 0 ] && echo "installed tree moved to $tree and used from there: all good"
exit $((failures > 0))
