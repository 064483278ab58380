#!/usr/bin/env bash
# Checks the cross-built modules as a Windows loader sees them: a 32-bit plug-in that
# exports the host interface by plain names under the module name "Ferrule.eng", takes
# Func3 by name from Quill32.dll and otherwise needs only system libraries (the C and
# C++ runtimes are linked in). Usage: exports_check.sh OBJDUMP CROSS_BIN_DIR
set -euo pipefail
objdump=$1 bin=$2
fail() { echo "FAIL: $*"; exit 1; }

dump=$("$objdump" -p "$bin/Ferrule.eng")
grep -q 'file format pei-i386' <<<"$dump" || fail "Ferrule.eng is not a 32-bit Windows module"
grep -Eq '^Name[[:space:]]+[0-9a-f]+ Ferrule\.eng$' <<<"$dump" || fail "export module name is not Ferrule.eng"

exports=$(sed -n '/\[Ordinal\/Name Pointer\] Table/,/^$/p' <<<"$dump" | sed -n 's/^[[:space:]]*\[ *\([0-9]*\)\] \(.*\)$/\2/p' | tr '\n' ' ')
expected="Eng1 Eng10 Eng11 Eng12 Eng15 Eng19 Eng2 Eng3 Eng4 Eng5 Eng6 Eng7 Eng8 Eng9 ShowDepth ShowMainline ShowMove ShowNodes "
[ "$exports" = "$expected" ] || fail "exports are '$exports'"

# Imported libraries, each with the names taken from it.
imports() { "$objdump" -p "$1" | sed -n 's/^[[:space:]]*DLL Name: //p' | tr 'A-Z' 'a-z' | sort -u | tr '\n' ' '; }
systemOnly() {
    for library in $(imports "$1"); do
        case $library in
        kernel32.dll | user32.dll | gdi32.dll | msvcrt.dll | quill32.dll) ;;
        *) fail "$(basename "$1") needs $library, which is not a system library" ;;
        esac
    done
}
for module in Ferrule.eng Quill32.dll ferrule-host.exe ferrule-test-engine.exe; do
    systemOnly "$bin/$module"
done
[[ " $(imports "$bin/Ferrule.eng")" == *" quill32.dll "* ]] || fail "Ferrule.eng does not import Quill32.dll"
sed -n '/DLL Name: Quill32.dll/,/^$/p' <<<"$dump" | grep -Eq '^[[:space:]]+[0-9a-f]+[[:space:]]+[0-9]+[[:space:]]+Func3$' ||
    fail "Func3 is not imported by name from Quill32.dll"
[ "$(sed -n '/DLL Name: Quill32.dll/,/^$/p' <<<"$dump" | grep -c '^[[:space:]]\+[0-9a-f]\+[[:space:]]\+[0-9]\+[[:space:]]')" -eq 1 ] ||
    fail "Ferrule.eng takes more than Func3 from Quill32.dll"
# Read whole first: a grep that stops at the first match would leave objdump writing into
# a closed pipe, and under pipefail that lost race reads as a missing export.
quill=$("$objdump" -p "$bin/Quill32.dll")
grep -Eq '^[[:space:]]+\[ *[0-9]+\] Func3$' <<<"$quill" || fail "Quill32.dll does not export Func3"
echo "PASS: exports, module name and imports"
