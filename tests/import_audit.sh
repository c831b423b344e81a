#!/bin/bash
# Audits the shipping program's PE file: a 32-bit Windows GUI program for
# Windows 4.0 whose every import is on the allow-list of functions that
# Windows 95 provides, and whose allow-list holds nothing it does not use.
set -u
exe=$1
objdump=$2
allow=$3
[ -f "$exe" ] || { echo "FAIL: $exe not built"; exit 1; }
dump=$(mktemp)
"$objdump" -p "$exe" >"$dump" || { echo "FAIL: $objdump cannot read $exe"; exit 1; }
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }

field() { awk -v f="$1" '$1 == f { print $2; exit }' "$dump"; }
[ "$(field Magic)" = "010b" ] || fail "not a PE32 (32-bit) image: Magic $(field Magic)"
for f in MajorOSystemVersion MajorSubsystemVersion; do
    [ "$(field $f)" = "4" ] || fail "$f is $(field $f), not 4"
done
for f in MinorOSystemVersion MinorSubsystemVersion; do
    [ "$(field $f)" = "0" ] || fail "$f is $(field $f), not 0"
done
[ "$(field Subsystem)" = "00000002" ] || fail "subsystem $(field Subsystem) is not Windows GUI (2)"

# "DLL function" pairs actually imported.
imports=$(awk '
    /DLL Name:/ { dll = toupper($3); next }
    /^[[:space:]]*$/ { dll = "" }
    dll != "" && $1 ~ /^[0-9a-f]+$/ && NF >= 3 { print dll, $3 }
' "$dump" | sort -u)
allowed=$(sed -e 's/#.*//' -e '/^[[:space:]]*$/d' "$allow" | awk '{ print toupper($1), $2 }' | sort -u)
[ -n "$imports" ] || fail "no imports found"

while read -r dll fn; do
    [ -n "$dll" ] || continue
    case $dll in KERNEL32.DLL|USER32.DLL|ADVAPI32.DLL|VERSION.DLL|OLE32.DLL) ;; *) fail "imports from $dll" ;; esac
    grep -qx "$dll $fn" <<<"$allowed" || fail "$dll $fn is not on the Windows 95 allow-list"
done <<<"$imports"
while read -r dll fn; do
    [ -n "$dll" ] || continue
    grep -qx "$dll $fn" <<<"$imports" || fail "allow-list entry $dll $fn is not used: remove it"
done <<<"$allowed"
rm -f "$dump"
count=$(wc -l <<<"$imports")
if [ $failures -eq 0 ]; then
    echo "import audit: $count imports, all on the Windows 95 allow-list; OS and subsystem 4.0"
    exit 0
fi
exit 1
