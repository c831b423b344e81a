#!/bin/bash
# Demonstration: the shipping ZARIZED.EXE, from disk 1 of patch media of three
# disks made by the media builder, patches a sample installation of release
# 1.0 in a 32-bit Wine prefix of its own, where Wine acts as Windows 95.
# Every message box is printed and answered; a before/after report of the
# product folder and the registry follows. A refused release is shown first.
# The run ends as on Windows 95: Patch.pif is started (a stand-in for Wine's
# DOS launcher records what it was asked to start) and the program ends with 1.
# Then Windows restarts in MS-DOS mode: DOSBox runs what Patch.pif names, and
# PATCH.BAT runs the sample patch engine and deletes what it no longer needs.
# Last, the download build of the same patch (1-to-95B.EXE, one file) patches
# a second sample installation.
# The programs run on a 640 x 480 Windows desktop that Wine draws on a virtual
# X server (scripts/screen.sh); what it shows at each box and progress window
# is saved in build/demo/screens/.
set -eu
root=$(cd "$(dirname "$0")/.." && pwd)
[ -e /proc/sys/fs/binfmt_misc/qemu-i386 ] || exec "$root/scripts/bench32.sh" "$0" "$@"
[ "${ZARIZED_WINE_GRAPHICS:-}" = x11 ] || exec "$root/scripts/screen.sh" "$0" "$@"
build=$root/build/i686
demo=$root/build/demo
prefix=$demo/wineprefix
drive_c=$prefix/drive_c
screens=$demo/screens
export ZARIZED_DOS_LAUNCHER=$build/DOSLAUNCH.EXE
export ZARIZED_LAUNCH_LOG='C:\launches.txt'

wine() { "$root/scripts/wine-run.sh" "$prefix" "$@"; }
# runboxes STEP OPTIONS... PROGRAM WORKDIR [COMMAND TEXT]: on the desktop,
# with the screens of the step saved as screens/STEP-NN-<what>.png.
runboxes() {
    local step=$1
    shift
    wine explorer /desktop=ZARIZED,640x480 "Z:${build//\//\\}\\tests\\runboxes.exe" --screens "$screens/$step" "$@"
}
# The media builder keeps its own, headless prefix.
make_media() { ZARIZED_WINE_GRAPHICS=null "$root/scripts/make-media.sh" "$@"; }
section() { printf '\n=== %s ===\n' "$*"; }

section "setting up a fresh Wine prefix with a sample installation"
rm -rf "$demo"
mkdir -p "$demo" "$screens"
wine cmd /c exit >/dev/null 2>&1 || true
product="$drive_c/Program Files/Kelvane Palomid"
mkdir -p "$product"
cp "$build/fixtures/release_1_0_0/ZELFSV4.DLL" "$product/"
printf 'old control library\n' >"$product/ctl3d32.dll"
cp "$root/scripts/demo/sample.reg" "$demo/sample.reg"
wine regedit /S 'Z:'"$(sed 's#/#\\#g' <<<"$demo/sample.reg")" >/dev/null
echo "product folder C:\\Program Files\\Kelvane Palomid, release 1.0.0 (its ZELFSV4.DLL says so)"

section "making patch media with the media builder: disks of 100,000 bytes"
work=$demo/build-input
mkdir -p "$work"
head -c 150000 /dev/urandom >"$work/Patch.rtp"
# The engine is the sample one, a stand-in for a real patch engine.
cp "$build/ENGINE.COM" "$work/engine.bin"
MEDIA_WINEPREFIX=$demo/media-prefix MEDIA_DOWNLOAD=1 make_media "$work/engine.bin" "$work/Patch.rtp" 1.0 \
    "$demo/disks" 100000
# The other build of the patch: pieces of the same names and sizes, other bytes.
head -c 150000 /dev/urandom >"$work/Other.rtp"
MEDIA_WINEPREFIX=$demo/media-prefix make_media "$work/engine.bin" "$work/Other.rtp" 95.0.a \
    "$demo/other-disks" 100000 >/dev/null
echo "also made: the disks of the 95.0.a build, in $demo/other-disks"
echo "disk 1's patch.ini, with the record of the pieces that every disk is checked against:"
sed 's/\r$//; s/^/  | /' "$demo/disks/DISK1/patch.ini"
# The disks as the drive sees them: disk 1 holds the shipping program.
media=$drive_c/PatchMedia
mkdir -p "$media"
cp -r "$demo/disks"/DISK* "$media/"
cp -r "$demo/other-disks" "$drive_c/OtherBuild"

section "a refused release: the 95.0.a build of the patch on this 1.0 installation"
refused=$drive_c/WrongPatch
cp -r "$media/DISK1" "$refused"
printf '[VERSION]\r\nVersion=95.0.a\r\n' >"$refused/patch.ini"
runboxes 1-refused "C:\\WrongPatch\\ZARIZED.EXE" "C:\\WrongPatch"

snapshot() {
    {
        echo "product folder:"
        (cd "$product" && ls -l | awk 'NR > 1 { printf "  %-14s %8s bytes\n", $9, $5 }')
        for key in 'HKLM\Software\Quorvel' 'HKCU\Software\Quorvel' 'HKLM\SOFTWARE\Microsoft\Windows\CurrentVersion\Run'; do
            wine reg query "$key" /s 2>/dev/null | tr -d '\r' | sed '/^$/d'
        done
    } >"$1"
}

section "the patch run, from disk 1 (disks 2 and 3 are inserted when asked for; disk 2 of the 95.0.a build first)"
snapshot "$demo/before.txt"
ZARIZED_DOS_PHASE=$root/scripts/dos-phase.sh runboxes 2-patch --disks "C:\\PatchMedia" --other-first "C:\\OtherBuild" "C:\\PatchMedia\\DISK1\\ZARIZED.EXE" \
    "C:\\PatchMedia\\DISK1" | tee "$demo/run.txt"
# The program does not wait for what it starts; Windows restarts in MS-DOS
# mode once it has ended.
launches=$drive_c/launches.txt
for _ in $(seq 300); do grep -q '^dos end' "$launches" 2>/dev/null && break; sleep 0.2; done
snapshot "$demo/after.txt"

section "what changed (before -> after, the MS-DOS-mode part included)"
# The 40 built-in dialog definitions are summed up in one line; the
# definitions converted from the old lists are shown whole.
diff -u "$demo/before.txt" "$demo/after.txt" | tail -n +3 | awk '
    BEGIN { dialogs = "+HKEY_CURRENT_USER\\Software\\Quorvel\\Palomid\\FileSteward\\Dialogs\\" }
    index($0, dialogs) == 1 && $0 !~ /(My Editor|Old Viewer)$/ {
        builtins++; skipping = 1; next
    }
    skipping && /^\+    / { next }
    { skipping = 0; print }
    END { if (builtins) printf "+(and %d built-in dialog definitions under ...\\FileSteward\\Dialogs, one key each)\n", builtins }
' || true

section "outcome of the Windows part"
code=$(awk '/^exit code/ { print $3 }' "$demo/run.txt")
echo "exit code $code"
if [ -f "$product/PATCH.BAT" ]; then
    echo "PATCH.BAT, which the DOS-mode hand-off runs:"
    sed 's/\r$//; s/^/  | /' "$product/PATCH.BAT"
fi
if [ -f "$launches" ]; then
    echo "the launch of Patch.pif, as the DOS launcher read it:"
    sed -n 's/\r$//; /^end$/q; s/^/  | /p' "$launches"
else
    echo "no launch was recorded"
fi

# What DOS did in the DOS phase recorded in the launch log $1, for the
# product folder $2.
report_dos_phase() {
    local log=$1 folder=$2 reported made
    if ! grep -q '^dos end' "$log" 2>/dev/null; then
        echo "DOS did not run: no DOS phase was recorded"
        return
    fi
    field() { sed -n "s/^dos $1=//p" "$log" | tr -d '\r'; }
    echo "DOS phase: $(field phase)"
    echo "current folder: $(field startup)"
    echo "ran: $(field run)"
    echo "the screen:"
    field screen | sed 's/^/  | /'
    echo "the engine's log, $(field 'engine log'):"
    field engine | sed 's/^/  | /'
    reported=$(field engine | sed -n 's/^Patch.rtp: .*CRC-32 //p')
    made=$(python3 -c 'import sys, zlib; print("%08X" % zlib.crc32(open(sys.argv[1], "rb").read()))' "$work/Patch.rtp")
    if [ "$reported" = "$made" ]; then
        echo "the engine's CRC-32 $reported is that of the data the media were made from: it read Patch.rtp whole"
    else
        echo "the engine's CRC-32 '$reported' is not $made, that of the data the media were made from"
    fi
    echo "the product folder after the batch (Patch.exe, Patch.rtp and Patch.pif deleted, PATCH.BAT kept):"
    (cd "$folder" && ls -l | awk 'NR > 1 { printf "  %-14s %8s bytes\n", $9, $5 }')
}

section "restart in MS-DOS mode: what DOS did"
report_dos_phase "$launches" "$product"

section "the download build: 1-to-95B.EXE patches a second sample installation"
second="$drive_c/KP2/PALOMID"
mkdir -p "$second" "$drive_c/Downloads"
cp "$build/fixtures/release_1_0_0/ZELFSV4.DLL" "$second/"
wine reg add 'HKLM\Software\Quorvel\InstalledApps' /v 'Kelvane Palomid' /d 'C:\KP2\PALOMID' /f >/dev/null
echo "product folder C:\\KP2\\PALOMID, release 1.0.0; the download, one file:"
cp "$demo/disks/1-to-95B.EXE" "$drive_c/Downloads/"
echo "  C:\\Downloads\\1-to-95B.EXE  $(stat -c %s "$drive_c/Downloads/1-to-95B.EXE") bytes"
ZARIZED_LAUNCH_LOG='C:\download-launches.txt' ZARIZED_DOS_PHASE=$root/scripts/dos-phase.sh \
    runboxes 3-download "C:\\Downloads\\1-to-95B.EXE" "C:\\Downloads" | tee "$demo/download-run.txt"
for _ in $(seq 300); do grep -q '^dos end' "$drive_c/download-launches.txt" 2>/dev/null && break; sleep 0.2; done
left=$(find "$drive_c/users" -maxdepth 4 -type d -name 'ZAR[0-9][0-9][0-9][0-9][0-9]' | wc -l)
if [ "$left" -eq 0 ]; then
    echo "the download removed what it unpacked: no ZARnnnnn folder is left below the temporary folder"
else
    echo "the download left $left ZARnnnnn folders below the temporary folder"
fi
report_dos_phase "$drive_c/download-launches.txt" "$second"
