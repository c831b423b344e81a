#!/bin/bash
# Builds, with the patch-media builder, the two media sets (one per release
# served), each with its download build, that the end-to-end patch scenarios
# run from; a set of floppies for 21,000,000 bytes of data, whose download is
# also packed with the programs' twins (ZARPROBE.EXE, XPROBE.EXE) in place of
# the programs, to watch the blocks they take; each release's download
# behind the extractor's twin, to stop it anywhere; and a download of the
# earlier form, with the whole data as one piece.
#   scenario_media.sh BUILD_DIR
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=$(realpath -m "$1")
out=$build/scenario
rm -rf "$out"
mkdir -p "$out"
# The engine is the sample one, so that a run can go on through the DOS phase.
cp "$build/ENGINE.COM" "$out/engine.bin"
# Each build of the patch has data of its own, of the same size: the two sets
# have pieces of the same names and sizes, and only their bytes tell them apart.
for release in 1.0 95.0.a; do
    head -c 450000 /dev/urandom >"$out/data-$release.bin"
    MEDIA_BUILD=$build MEDIA_WINEPREFIX=$build/media-prefix MEDIA_DOWNLOAD=1 \
        "$root/scripts/make-media.sh" "$out/engine.bin" "$out/data-$release.bin" "$release" "$out/media-$release" 200000
done

# 21,000,000 bytes on floppies: 15 pieces of at most 1,457,664 bytes.
head -c 21000000 /dev/urandom >"$out/data-large.bin"
MEDIA_BUILD=$build MEDIA_WINEPREFIX=$build/media-prefix MEDIA_DOWNLOAD=1 \
    "$root/scripts/make-media.sh" "$out/engine.bin" "$out/data-large.bin" 1.0 "$out/media-large" >/dev/null
# pack FOLDER EXTRACTOR DOWNLOAD: FOLDER's files, in a download's order.
pack() {
    local files=("$1"/{ZARIZED.EXE,PATCH.DLL,PATCH.PIF,patch.ini}) k
    for ((k = 0; k < 50; k++)); do [ -f "$1/PATCH.$k" ] && files+=("$1/PATCH.$k"); done
    python3 "$root/scripts/make_download.py" "$2" "$3" "${files[@]}" "$1/READNOW.TXT"
}
# repack DOWNLOAD FOLDER EXTRACTOR OUTPUT [PROGRAM]: the download as the
# builder made it, unpacked by its own "/x" into FOLDER, packed again behind
# EXTRACTOR, with PROGRAM as its ZARIZED.EXE when given.
winpath() { echo "Z:$(realpath -m "$1" | sed 's#/#\\#g')"; }
repack() {
    "$root/scripts/wine-run.sh" "$build/media-prefix" "$build/tests/runboxes.exe" \
        "$(winpath "$1")" "$(winpath "$out")" "/x$(winpath "$2")" >/dev/null
    [ -z "${5:-}" ] || cp "$5" "$2/ZARIZED.EXE"
    pack "$2" "$3" "$4"
}
# The large download with the twins in place of both programs.
repack "$out/media-large/1-to-95B.EXE" "$out/twin-files" "$build/XPROBE.EXE" "$out/twin-1-to-95B.EXE" \
    "$build/ZARPROBE.EXE"
# Each release's download behind the extractor's twin, for the stopped downloads.
for release in 1.0 95.0.a; do
    download=$(basename "$out/media-$release"/?-to-95B.EXE)
    repack "$out/media-$release/$download" "$out/extractor-twin-$release" "$build/XPROBE.EXE" \
        "$out/extractor-twin-$download"
done
# The earlier form of each download: the whole data as one piece, recorded so.
for release in 1.0 95.0.a; do
    media=$out/media-$release
    download=$(basename "$media"/?-to-95B.EXE)
    one=$out/one-piece-$release
    mkdir "$one"
    cp "$media/DISK1"/{ZARIZED.EXE,PATCH.DLL,PATCH.PIF,READNOW.TXT} "$one/"
    { printf '\001\000\000\000'; cat "$out/data-$release.bin"; } >"$one/PATCH.0"
    python3 -c 'import sys, zlib; d = open(sys.argv[1], "rb").read()
sys.stdout.write("[VERSION]\r\nVersion=%s\r\n[PIECES]\r\nCount=1\r\n0=%d,%08X\r\n" % (sys.argv[2], len(d), zlib.crc32(d)))' \
        "$one/PATCH.0" "$release" >"$one/patch.ini"
    pack "$one" "$build/EXTRACT.EXE" "$out/one-piece-$download"
done
