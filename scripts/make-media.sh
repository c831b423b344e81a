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
# by the program's own patch run for the check: the shipping build does both,
# in a 32-bit Wine prefix (scripts/bench32.sh).
# With MEDIA_IMAGES=1 it also writes floppy images OUT/DISK1.IMG, ... (see
# make-images.sh): DISK_BYTES must then be the room of a standard format, and
# the check joins the pieces read back out of the images. OUT is replaced
# whole, and only once the new set is verified.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
[ -e /proc/sys/fs/binfmt_misc/qemu-i386 ] || exec "$root/scripts/bench32.sh" "$0" "$@"
usage() { echo "usage: make media ENGINE=<file> DATA=<file> RELEASE=<1.0|95.0.a> OUT=<folder> [DISK=<bytes>] [IMAGES=1]" >&2; exit 2; }
[ $# -ge 4 ] || usage
engine=$1 data=$2 release=$3 out=$4 disk=${5:-1457664}
cluster=${MEDIA_CLUSTER:-512}  # a floppy's allocation unit: files take whole clusters
build=${MEDIA_BUILD:-$root/build/i686}
shipping=$build/ZARIZED.EXE
pif=$build/PATCH.PIF
runboxes=$build/tests/runboxes.exe
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
# Images: the room and allocation unit of a disk come from a formatted image.
image_kb=
if [ "${MEDIA_IMAGES:-0}" != 0 ]; then
    status=0
    format=$("$root/scripts/make-images.sh" format "${5:-}") || status=$?
    case $status in
    0) read -r image_kb disk cluster <<<"$format" ;;
    3) ;;  # no standard format: folders only, and make-images.sh said why
    *) exit 1 ;;
    esac
fi
for f in "$shipping" "$pif" "$runboxes"; do [ -f "$f" ] || fail "$f is not built (run make build)"; done

wine() { "$root/scripts/wine-run.sh" "$prefix" "$@"; }
winpath() { echo "Z:$(realpath -m "$1" | sed 's#/#\\#g')"; }
on_disk() { echo $(( ($1 + cluster - 1) / cluster * cluster )); }

# The set is built beside OUT and replaces it whole once verified; OUT may
# hold only an earlier set (DISKn folders and DISKn.IMG images).
final=$(realpath -m "$out")
if [ -e "$final" ]; then
    [ -d "$final" ] || fail "OUT '$final' is a file, not a folder"
    for entry in "$final"/* "$final"/.[!.]*; do
        [ -e "$entry" ] || continue
        name=$(basename "$entry")
        { [[ $name =~ ^DISK[0-9]+$ ]] && [ -d "$entry" ]; } || { [[ $name =~ ^DISK[0-9]+\.IMG$ ]] && [ -f "$entry" ]; } ||
            fail "OUT '$final' holds $name, which is no part of a media set: not replacing it"
    done
fi
mkdir -p "$(dirname "$final")"
out=$(mktemp -d "$(dirname "$final")/.$(basename "$final").new.XXXXXX")
chmod "$(umask -S)" "$out"
temps=("$out")
trap 'rm -rf "${temps[@]}"' EXIT
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
mkdir -p "$build/media-work"
work=$(mktemp -d "$build/media-work/cut.XXXXXX")
temps+=("$work")
cp "$data" "$work/Patch.rtp"
cp "$shipping" "$work/ZARIZED.EXE"
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

# The disks the check runs from: the folders, or the files read back out of
# the images.
disks=$out
if [ -n "$image_kb" ]; then
    disks=$work/from-images
    "$root/scripts/make-images.sh" write "$out" "$image_kb" "$disks"
fi

# Verify: a patch run from the new media on a sample installation of the
# release, in the builder's own Wine prefix, must rebuild the data exactly.
echo "verifying: a patch run from the new disks on a sample $release installation"
check=$(mktemp -d "$build/media-work/check.XXXXXX")
temps+=("$check")
mkdir -p "$check/drive"
# The sample installation lies on the prefix's drive C:, near its top, as a
# product would on Windows 95: a folder that MS-DOS mode can reach.
product=$(mktemp -d "$prefix/drive_c/KP.XXXXXX")
temps+=("$product")
cp "$build/fixtures/$fixture/ZELFSV4.DLL" "$product/"
cp "$disks/DISK1"/* "$check/drive/"
product_win="C:\\$(basename "$product")"
wine reg add 'HKLM\Software\Quorvel\InstalledApps' /v 'Kelvane Palomid' /d "$product_win" /f >/dev/null
# The run ends as on Windows 95: Patch.pif is started (by the recording
# stand-in for Wine's DOS launcher) and the program ends with 1. The check
# stops there: the engine given is not run.
ZARIZED_DOS_PHASE= ZARIZED_DOS_LAUNCHER=$build/DOSLAUNCH.EXE wine "$runboxes" --disks "$(winpath "$disks")" \
    "$(winpath "$check/drive/ZARIZED.EXE")" "$(winpath "$check/drive")" >"$check/run.txt" || true
wine reg delete 'HKLM\Software\Quorvel' /f >/dev/null 2>&1 || true
if ! cmp -s "$data" "$product/Patch.rtp"; then
    sed 's/^/  /' "$check/run.txt" >&2
    fail "the joined patch data differs from $data"
fi
if ! tr -d '\r' <"$check/run.txt" | grep -qx 'exit code 1'; then
    sed 's/^/  /' "$check/run.txt" >&2
    fail "the verifying patch run did not reach its hand-off"
fi
cmp -s "$engine" "$product/Patch.exe" || fail "the staged engine differs from $engine"

# Put the verified set in place of OUT, then let the earlier one go.
if [ -e "$final" ]; then
    earlier=$(mktemp -d "$(dirname "$final")/.$(basename "$final").old.XXXXXX")
    temps+=("$earlier")
    mv "$final" "$earlier/set"
fi
mv "$out" "$final"
out=$final
echo "media for release $release in $out:"
for d in "$out"/DISK*; do
    [ -d "$d" ] || continue
    printf '  %s:' "$(basename "$d")"
    for f in "$d"/*; do printf ' %s (%s)' "$(basename "$f")" "$(stat -c %s "$f")"; done
    echo
done
echo "verified: the $count pieces join back to the same $(stat -c %s "$data") bytes"
