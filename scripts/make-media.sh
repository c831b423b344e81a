#!/bin/bash
# Builds the patch media: disk folders OUT/DISK1, OUT/DISK2, ... for one build
# of the patch, then verifies the set by running a patch from it.
#   make-media.sh ENGINE DATA RELEASE OUT [DISK_BYTES]
# ENGINE is the patch engine (shipped as PATCH.DLL), DATA the patch data (cut
# into PATCH.0, PATCH.1, ...), RELEASE the release this build serves ("1.0" or
# "95.0.a"), DISK_BYTES the room on one disk (default 1,457,664: a formatted
# 1.44 MB floppy). Disk 1 holds ZARIZED.EXE, PATCH.DLL, PATCH.PIF, patch.ini,
# READNOW.TXT (res/readnow.txt filled for this build) and PATCH.0; disk k + 1
# holds PATCH.k. The pieces are cut by the program's own
# "/b" mode, recorded with their sizes and CRCs in patch.ini, and joined back
# by the program's own patch run for the check: the shipping build does both,
# in a 32-bit Wine prefix (scripts/bench32.sh).
# With MEDIA_IMAGES=1 it also writes floppy images OUT/DISK1.IMG, ... (see
# make-images.sh): DISK_BYTES must then be the room of a standard format, and
# the check joins the pieces read back out of the images. With
# MEDIA_DOWNLOAD=1 it also writes the download build OUT/1-to-95B.EXE (release
# 1.0) or OUT/A-to-95B.EXE (95.0.a): the extractor program with disk 1's files
# and the data's pieces, each at most a 1.44 MB floppy's room, behind it
# (scripts/make_download.py), checked by a patch run of its own. OUT is replaced whole, and only once the new set
# is verified.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
[ -e /proc/sys/fs/binfmt_misc/qemu-i386 ] || exec "$root/scripts/bench32.sh" "$0" "$@"
usage() { echo "usage: make media ENGINE=<file> DATA=<file> RELEASE=<1.0|95.0.a> OUT=<folder> [DISK=<bytes>] [IMAGES=1] [DOWNLOAD=1]" >&2; exit 2; }
[ $# -ge 4 ] || usage
engine=$1 data=$2 release=$3 out=$4 disk=${5:-1457664}
cluster=${MEDIA_CLUSTER:-512}  # a floppy's allocation unit: files take whole clusters
build=${MEDIA_BUILD:-$root/build/i686}
shipping=$build/ZARIZED.EXE
pif=$build/PATCH.PIF
extractor=$build/EXTRACT.EXE
runboxes=$build/tests/runboxes.exe
prefix=${MEDIA_WINEPREFIX:-$root/build/media/wineprefix}

fail() { echo "make media: $*" >&2; exit 1; }
# Each build of the patch, and the download that holds it, serves one release.
case $release in
1.0) fixture=release_1_0_0 download=1-to-95B.EXE other=95.0.a other_download=A-to-95B.EXE ;;
95.0.a) fixture=release_95_0_a download=A-to-95B.EXE other=1.0 other_download=1-to-95B.EXE ;;
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
for f in "$shipping" "$pif" "$extractor" "$runboxes"; do [ -f "$f" ] || fail "$f is not built (run make build)"; done
with_download=${MEDIA_DOWNLOAD:-0}
# A download carries the data in pieces of at most a floppy's room, so that
# the run it starts holds no more of it in memory than a floppy set's run.
floppy=1457664
[ "$with_download" = 0 ] || [ "$(stat -c %s "$data")" -le $((50 * floppy - 4)) ] ||
    fail "a download holds at most 50 pieces of $floppy bytes: $((50 * floppy - 4)) bytes of data, not $(stat -c %s "$data")"

wine() { "$root/scripts/wine-run.sh" "$prefix" "$@"; }
winpath() { echo "Z:$(realpath -m "$1" | sed 's#/#\\#g')"; }
on_disk() { echo $(( ($1 + cluster - 1) / cluster * cluster )); }

# The set is built beside OUT and replaces it whole once verified; OUT may
# hold only an earlier set (DISKn folders, DISKn.IMG images, a download).
final=$(realpath -m "$out")
if [ -e "$final" ]; then
    [ -d "$final" ] || fail "OUT '$final' is a file, not a folder"
    for entry in "$final"/* "$final"/.[!.]*; do
        [ -e "$entry" ] || continue
        name=$(basename "$entry")
        { [[ $name =~ ^DISK[0-9]+$ ]] && [ -d "$entry" ]; } ||
            { [[ $name =~ ^(DISK[0-9]+\.IMG|1-to-95B\.EXE|A-to-95B\.EXE)$ ]] && [ -f "$entry" ]; } ||
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
# READNOW.TXT for a user of Notepad or of DOS's TYPE: CR LF line ends, at most
# 76 columns, plain ASCII.
sed -e "s/@OTHER_RELEASE@/$other/g; s/@OTHER_BUILD@/$other_download/g" \
    -e "s/@RELEASE@/$release/g; s/@BUILD@/$download/g; s/\$/\r/" "$root/res/readnow.txt" >"$out/DISK1/READNOW.TXT"
LC_ALL=C awk '{ sub(/\r$/, "") } length($0) > 76 || /[^ -~]/ || /@[A-Z_]*@/ { print "line " NR ": " $0; bad = 1 } END { exit bad }' \
    "$out/DISK1/READNOW.TXT" >&2 || fail "READNOW.TXT has lines above that are longer than 76 columns, not plain ASCII or not filled in"

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
record_pieces() {
    python3 - "$@" <<'PIECES'
import sys, zlib
lines = ["[PIECES]", "Count=%d" % (len(sys.argv) - 1)]
for k, path in enumerate(sys.argv[1:]):
    with open(path, "rb") as piece:
        data = piece.read()
    lines.append("%d=%d,%08X" % (k, len(data), zlib.crc32(data)))
sys.stdout.write("".join(line + "\r\n" for line in lines))
PIECES
}
pieces=()
for ((k = 0; k < count; k++)); do pieces+=("$out/DISK$((k + 1))/PATCH.$k"); done
record_pieces "${pieces[@]}" >>"$out/DISK1/patch.ini"

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
#   verify_run WHAT PROGRAM WORKDIR [RUNBOXES OPTIONS...]
verify_run() {
    local what=$1 program=$2 workdir=$3 product product_win
    shift 3
    echo "verifying: a patch run from $what on a sample $release installation"
    # The sample installation lies on the prefix's drive C:, near its top, as
    # a product would on Windows 95: a folder that MS-DOS mode can reach.
    product=$(mktemp -d "$prefix/drive_c/KP.XXXXXX")
    temps+=("$product")
    cp "$build/fixtures/$fixture/ZELFSV4.DLL" "$product/"
    product_win="C:\\$(basename "$product")"
    wine reg add 'HKLM\Software\Quorvel\InstalledApps' /v 'Kelvane Palomid' /d "$product_win" /f >/dev/null
    # The run ends as on Windows 95: Patch.pif is started (by the recording
    # stand-in for Wine's DOS launcher) and the program ends with 1. The check
    # stops there: the engine given is not run.
    ZARIZED_DOS_PHASE= ZARIZED_DOS_LAUNCHER=$build/DOSLAUNCH.EXE wine "$runboxes" "$@" \
        "$(winpath "$program")" "$(winpath "$workdir")" >"$check/run.txt" || true
    wine reg delete 'HKLM\Software\Quorvel' /f >/dev/null 2>&1 || true
    if ! cmp -s "$data" "$product/Patch.rtp"; then
        sed 's/^/  /' "$check/run.txt" >&2
        fail "$what: the joined patch data differs from $data"
    fi
    if ! tr -d '\r' <"$check/run.txt" | grep -qx 'exit code 1'; then
        sed 's/^/  /' "$check/run.txt" >&2
        fail "$what: the verifying patch run did not reach its hand-off"
    fi
    cmp -s "$engine" "$product/Patch.exe" || fail "$what: the staged engine differs from $engine"
}
check=$(mktemp -d "$build/media-work/check.XXXXXX")
temps+=("$check")
mkdir -p "$check/drive"
cp "$disks/DISK1"/* "$check/drive/"
verify_run "the new disks" "$check/drive/ZARIZED.EXE" "$check/drive" --disks "$(winpath "$disks")"

# The download build: disk 1's files and the pieces behind the extractor,
# recorded in patch.ini as on disk 1. The set's own pieces go in when each
# fits a floppy; the pieces of larger disks are cut again for it, by the
# program's own "/b" mode, at a floppy's room.
if [ "$with_download" != 0 ]; then
    one=$(mktemp -d "$build/media-work/download.XXXXXX")
    temps+=("$one")
    mkdir "$one/files"
    largest=$(stat -c %s "${pieces[@]}" | sort -n | tail -1)
    download_pieces=()
    if [ "$largest" -le "$floppy" ]; then
        for ((k = 0; k < count; k++)); do download_pieces+=("$one/files/PATCH.$k"); done
        cp "${pieces[@]}" "$one/files/"
        cp "$out/DISK1/patch.ini" "$one/files/patch.ini"
    else
        cp "$data" "$one/Patch.rtp"
        cp "$shipping" "$one/ZARIZED.EXE"
        wine "$runboxes" "$(winpath "$one/ZARIZED.EXE")" "$(winpath "$one")" \
            "/b$(winpath "$one/Patch.rtp"),$floppy" >"$one/split.txt"
        [ -f "$one/Patch.0" ] || fail "the program did not cut the data into floppy pieces for the download"
        cut=$(od -An -tu4 -N4 "$one/Patch.0" | tr -d ' ')
        for ((k = 0; k < cut; k++)); do
            mv "$one/Patch.$k" "$one/files/PATCH.$k"
            download_pieces+=("$one/files/PATCH.$k")
        done
        { printf '[VERSION]\r\nVersion=%s\r\n' "$release"; record_pieces "${download_pieces[@]}"; } >"$one/files/patch.ini"
    fi
    cp "$shipping" "$one/files/ZARIZED.EXE"
    cp "$engine" "$one/files/PATCH.DLL"
    cp "$pif" "$one/files/PATCH.PIF"
    cp "$out/DISK1/READNOW.TXT" "$one/files/"
    python3 "$root/scripts/make_download.py" "$extractor" "$out/$download" \
        "$one/files"/{ZARIZED.EXE,PATCH.DLL,PATCH.PIF,patch.ini} "${download_pieces[@]}" "$one/files/READNOW.TXT" ||
        fail "the download could not be packed"
    temp_folders() { find "$prefix/drive_c" -maxdepth 6 -type d -name 'ZAR[0-9][0-9][0-9][0-9][0-9]' | sort; }
    before=$(temp_folders)
    verify_run "the download $download" "$out/$download" "$one"
    [ "$(temp_folders)" = "$before" ] || fail "the download $download left its temporary folder behind"
    ! grep -q 'Please insert disk' "$check/run.txt" || fail "the download $download asked for a disk"
fi

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
if [ "$with_download" != 0 ]; then
    echo "  $download: $(stat -c %s "$out/$download") bytes, of which $(stat -c %s "$extractor") the extractor program,"
    echo "  with the data in ${#download_pieces[@]} pieces of at most $(stat -c %s "${download_pieces[@]}" | sort -n | tail -1) bytes;"
    echo "  verified: it patches to its hand-off without asking for a disk and leaves no temporary folder behind"
fi
