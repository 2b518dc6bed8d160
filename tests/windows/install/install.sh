#!/usr/bin/env bash
# SPDX-License-Identifier: Apache-2.0
# The installer as an administrator deploys it: /S /PATH installs the component where a
# host of each bitness of the prefix finds it, registered in that bitness's registry
# view, and the command line on the PATH; a script of each bitness then creates
# OrvFields.MainForm by its programmatic identifier. The uninstaller, /S, leaves no
# file, no key and no PATH entry behind.
#   install.sh CLASSTABLES SETUP.EXE
source "$(dirname "$0")/../wine.sh"
setup=$2
failed=0
fail() { echo "FAIL: $*"; failed=1; }

# Every identifier the component registers, and its name.
names=$(grep -o '{[0-9A-F-]*}' <<<"$("$1")" | sort -u; echo OrvFields)
# What the prefix holds of it: files under drive_c (temporary ones aside), registry
# lines, once wine has written its registry to disk.
files() { (cd "$WINEPREFIX/drive_c" && find . -path '*/[Tt]emp' -prune -o -print | sort); }
keys() { wineserver -w; cat "$WINEPREFIX"/{system,user}.reg | grep -iF -f <(echo "$names") | sort; }
path_value() {
    orv_wine reg query 'HKLM\SYSTEM\CurrentControlSet\Control\Session Manager\Environment' \
        /v Path | tr -d '\r' | sed -n 's/^ *Path *REG[_A-Z]* *//p'
}
files_before=$(files) keys_before=$(keys) path_before=$(path_value)

orv_wine "$setup" /S /PATH || fail "the installer ended with $?"
wineserver -w
main='C:\Program Files\OrvFields'
declare -A expected=(["$main"]="LICENSE.txt OrvFields.dll OrvFields.eng OrvFields.fre orvfields.exe uninstall.exe")
dll_bits=([32]=i386)
if [ "$orv_bits" = 64 ]; then
    expected['C:\Program Files (x86)\OrvFields']="OrvFields.dll OrvFields.eng OrvFields.fre"
    dll_bits=([64]=x86-64 [32]=i386)
fi
for folder in "${!expected[@]}"; do
    linux=$(winepath -u "$folder" 2>/dev/null)
    [ "$(ls "$linux" 2>/dev/null | sort | xargs)" = "$(xargs -n1 <<<"${expected[$folder]}" | sort | xargs)" ] ||
        fail "$folder holds: $(ls "$linux" 2>/dev/null | xargs)"
done

# Each bitness: the registry view's server is the DLL of that bitness, and a script of
# that bitness creates the component.
vbs=$(mktemp --suffix=.vbs)
orv_at_exit 'rm -f "$vbs"'
printf '%s\r\n' 'Set mf = CreateObject("OrvFields.MainForm")' 'WScript.Echo "created: " & mf.InputNeed' >"$vbs"
clsid=$("$1" | sed -n '/OrvFields.MainForm/{n;s/^ *ClassID //p;q}')
for bits in "${!dll_bits[@]}"; do
    system='C:\windows\system32'
    [ "$bits" = 32 ] && system=$orv_system32_x86
    server=$(orv_wine reg query "HKLM\\Software\\Classes\\CLSID\\$clsid\\InprocServer32" /ve "/reg:$bits" |
        tr -d '\r' | sed -n 's/^ *(Default) *REG_SZ *//p')
    [[ $(objdump -f "$(winepath -u "$server" 2>/dev/null)" 2>/dev/null) == *"${dll_bits[$bits]}"* ]] ||
        fail "the $bits-bit view's server \"$server\" is no ${dll_bits[$bits]} DLL"
    output=$(orv_wine_x "$system\\cscript.exe" //nologo "$(orv_winpath "$vbs")" | tr -d '\r') || true
    [ "$output" = "created: XML TREEVIEW" ] || fail "a $bits-bit script: $output"
done
[[ ";$(path_value);" == *";$main;"* ]] || fail "the PATH lacks $main: $(path_value)"

orv_wine "$main\\uninstall.exe" /S || fail "the uninstaller ended with $?"
wineserver -w
unchanged() { # WHAT BEFORE AFTER
    [ "$2" = "$3" ] || fail "$1 left: $(diff <(echo "$2") <(echo "$3") | grep '^[<>]')"
}
unchanged files "$files_before" "$(files)"
unchanged "registry lines" "$keys_before" "$(keys)"
[ "$(path_value)" = "$path_before" ] || fail "PATH was \"$path_before\", is \"$(path_value)\""
[ $failed -eq 0 ] && echo "installed for ${!dll_bits[*]}-bit hosts, created from scripts, uninstalled without a trace"
exit $failed
