#!/bin/bash
# Builds the patch media: disk folders OUT/DISK1, OUT/DISK2, ... for one build
# of the patch, then verifies the set by running a patch from it.
#   make-media.sh ENGINE DATA RELEASE OUT [DISK_BYTES]
# ENGINE is the patch engine (shipped as PATCH.DLL), DATA the patch data (cut
# into PATCH.0, PATCH.1, ...), RELEASE the release this build serves ("1.0" or
# "95.0.a"), DISK_BYTES the room on one disk (default 1,457,664: a formatted
# 1.44 MB floppy). Disk 1 holds ZARIZED.EXE, PATCH.DLL, PATCH.PIF, patch.ini and
# PATCH.0; disk k + 1 holds PATCH.k. The pieces are cut by the program's own
# "/b" mode, recorded with their sizes and CRCs in patch.ini, and joined back
# by the program's own patch run for the check.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
usage() { echo "usage: make media ENGINE=<file> DATA=<file> RELEASE=<1.0|95.0.a> OUT=<folder> [DISK=<bytes>]" >&2; exit 2; }
[ $# -ge 4 ] || usage
engine=$1 data=$2 release=$3 out=$4 disk=${5:-1457664}
cluster=${MEDIA_CLUSTER:-512}  # a floppy's allocation unit: files take whole clusters
i686=${MEDIA_I686_BUILD:-$root/build/i686}
x64=${MEDIA_X64_BUILD:-$root/build/x64}
shipping=$i686/ZARIZED.EXE
pif=$i686/PATCH.PIF
tester=$x64/ZARIZED.EXE
runboxes=$x64/tests/runboxes.exe
prefix=${MEDIA_WINEPREFIX:-$root/build/media/wineprefix}

fail() { echo "make media: $*" >&2; exit 1; }
case $release in
1.0) fixture=release_1_0_0 ;;
95.0.a) fixture=release_95_0_a ;;
*) fail "RELEASE must be 1.0 or 95.0.a, not '$release'" ;;
esac
[ -f "$engine" ] || fail "no engine file '$engine'"
[ -f "$data" ] || fail "no data file '$data'"
[[ $disk =~ ^[0-9]+$ ]] && [ "$disk" -gt 0 ] || fail "DISK must be a number of bytes"
[ "$disk" -le 2147483647 ] || fail "DISK must be below 2 GiB (piece sizes are signed 32-bit)"
for f in "$shipping" "$pif" "$tester" "$runboxes"; do [ -f "$f" ] || fail "$f is not built (run make build)"; done

wine() { "$root/scripts/wine-run.sh" "$prefix" "$@"; }
winpath() { echo "Z:$(realpath -m "$1" | sed 's#/#\\#g')"; }
on_disk() { echo $(( ($1 + cluster - 1) / cluster * cluster )); }

out=$(realpath -m "$out")
rm -rf "$out"
mkdir -p "$out/DISK1"
cp "$shipping" "$out/DISK1/ZARIZED.EXE"
cp "$engine" "$out/DISK1/PATCH.DLL"
cp "$pif" "$out/DISK1/PATCH.PIF"
printf '[VERSION]\r\nVersion=%s\r\n' "$release" >"$out/DISK1/patch.ini"

# Later disks hold one piece each, a whole number of clusters.
later=$(( disk / cluster * cluster ))
# patch.ini gets the record of the pieces once they are cut: keep room for
# it, at most 24 bytes a piece and 20 for its first two lines.
most=50
[ "$later" -gt 0 ] && most=$(( ($(stat -c %s "$data") + later - 1) / later + 1 ))
[ "$most" -le 50 ] || most=50
used=0
for f in "$out/DISK1"/*; do
    size=$(stat -c %s "$f")
    [ "$(basename "$f")" = patch.ini ] && size=$((size + 20 + 24 * most))
    used=$((used + $(on_disk "$size")))
done
first=$(( (disk - used) / cluster * cluster ))
[ "$first" -ge 4 ] || fail "disk 1 has no room left for the first piece ($used of $disk bytes taken)"

# Cut the data with the program's own splitter, beside a copy named Patch.rtp
# so the pieces are named Patch.0, Patch.1, ...
mkdir -p "$x64/media-work"
work=$(mktemp -d "$x64/media-work/cut.XXXXXX")
trap 'rm -rf "$work"' EXIT
cp "$data" "$work/Patch.rtp"
cp "$tester" "$work/ZARIZED.EXE"
echo "cutting $(stat -c %s "$data") bytes: first piece $first bytes, then $later bytes a disk"
wine "$runboxes" "$(winpath "$work/ZARIZED.EXE")" "$(winpath "$work")" "/b$(winpath "$work/Patch.rtp"),$first,$later" |
    tee "$work/split.txt"
[ -f "$work/Patch.0" ] ||
    fail "the program cut no pieces (see its message above): the data does not fit 50 pieces of $disk bytes, or could not be read"
count=$(od -An -tu4 -N4 "$work/Patch.0" | tr -d ' ')
[ "$count" -ge 1 ] && [ "$count" -le 50 ] || fail "piece 0 holds an impossible piece count $count"
for ((k = 0; k < count; k++)); do
    [ -f "$work/Patch.$k" ] || fail "piece $k is missing"
    mkdir -p "$out/DISK$((k + 1))"
    mv "$work/Patch.$k" "$out/DISK$((k + 1))/PATCH.$k"
done
for extra in "$work"/Patch.[0-9]*; do
    [ -e "$extra" ] && fail "the program wrote a piece it does not count: $(basename "$extra")"
done

# The record of the pieces, after [VERSION] in patch.ini: each piece file's
# size and CRC-32, which the program checks every disk against.
python3 - "$out" "$count" >>"$out/DISK1/patch.ini" <<'PIECES'
import sys, zlib
out, count = sys.argv[1], int(sys.argv[2])
lines = ["[PIECES]", "Count=%d" % count]
for k in range(count):
    with open("%s/DISK%d/PATCH.%d" % (out, k + 1, k), "rb") as piece:
        data = piece.read()
    lines.append("%d=%d,%08X" % (k, len(data), zlib.crc32(data)))
sys.stdout.write("".join(line + "\r\n" for line in lines))
PIECES

for d in "$out"/DISK*; do
    total=0
    for f in "$d"/*; do total=$((total + $(on_disk "$(stat -c %s "$f")"))); done
    [ "$total" -le "$disk" ] || fail "$(basename "$d") needs $total bytes, more than $disk"
done

# Verify: a patch run from the new media on a sample installation of the
# release, in the builder's own Wine prefix, must rebuild the data exactly.
echo "verifying: a patch run from the new disks on a sample $release installation"
check=$(mktemp -d "$x64/media-work/check.XXXXXX")
trap 'rm -rf "$work" "$check"' EXIT
mkdir -p "$check/product" "$check/drive"
cp "$x64/fixtures/$fixture/ZELFSV4.DLL" "$check/product/"
cp "$out/DISK1"/* "$check/drive/"
cp "$tester" "$check/drive/ZARIZED.EXE"
product_win=$(winpath "$check/product")
wine reg add 'HKLM\Software\Quorvel\InstalledApps' /v 'Kelvane Palomid' /d "$product_win" /f >/dev/null
wine "$runboxes" --disks "$(winpath "$out")" "$(winpath "$check/drive/ZARIZED.EXE")" "$(winpath "$check/drive")" \
    >"$check/run.txt" || true
wine reg delete 'HKLM\Software\Quorvel' /f >/dev/null 2>&1 || true
if ! cmp -s "$data" "$check/product/Patch.rtp"; then
    sed 's/^/  /' "$check/run.txt" >&2
    fail "the joined patch data differs from $data"
fi
cmp -s "$engine" "$check/product/Patch.exe" || fail "the staged engine differs from $engine"
echo "media for release $release in $out:"
for d in "$out"/DISK*; do
    printf '  %s:' "$(basename "$d")"
    for f in "$d"/*; do printf ' %s (%s)' "$(basename "$f")" "$(stat -c %s "$f")"; done
    echo
done
echo "verified: the $count pieces join back to the same $(stat -c %s "$data") bytes"
