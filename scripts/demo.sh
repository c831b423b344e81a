#!/bin/bash
# Demonstration: the test build of ZARIZED patches a sample installation of
# release 1.0 in a Wine prefix of its own, from patch media of three disks.
# Every message box is printed and answered; a before/after report of the
# product folder and the registry follows. A refused release is shown first.
set -eu
root=$(cd "$(dirname "$0")/.." && pwd)
build=$root/build/x64
demo=$root/build/demo
prefix=$demo/wineprefix
drive_c=$prefix/drive_c

wine() { "$root/scripts/wine-run.sh" "$prefix" "$@"; }
runboxes() { wine "$build/tests/runboxes.exe" "$@"; }
section() { printf '\n=== %s ===\n' "$*"; }

section "setting up a fresh Wine prefix with a sample installation"
rm -rf "$demo"
mkdir -p "$demo"
wine cmd /c exit >/dev/null 2>&1 || true
product="$drive_c/Program Files/Kelvane Palomid"
mkdir -p "$product"
cp "$build/fixtures/release_1_0_0/ZELFSV4.DLL" "$product/"
printf 'old control library\n' >"$product/ctl3d32.dll"
cp "$root/scripts/demo/sample.reg" "$demo/sample.reg"
wine regedit /S 'Z:'"$(sed 's#/#\\#g' <<<"$demo/sample.reg")" >/dev/null
echo "product folder C:\\Program Files\\Kelvane Palomid, release 1.0.0 (its ZELFSV4.DLL says so)"

section "making patch media: three disks of at most 4,000 bytes each"
work=$drive_c/PatchBuild
media=$drive_c/PatchMedia
mkdir -p "$work" "$media/DISK1" "$media/DISK2" "$media/DISK3"
head -c 9000 /dev/urandom >"$work/Patch.rtp"
head -c 1500 /dev/urandom >"$media/DISK1/PATCH.DLL"
if [ -f "$root/build/x64/PATCH.PIF" ]; then cp "$root/build/x64/PATCH.PIF" "$media/DISK1/PATCH.PIF"; else head -c 967 /dev/zero >"$media/DISK1/PATCH.PIF"; fi
printf '[VERSION]\r\nVersion=1.0\r\n' >"$media/DISK1/patch.ini"
cp "$build/ZARIZED.EXE" "$work/ZARIZED.EXE"
runboxes "C:\\PatchBuild\\ZARIZED.EXE" "C:\\PatchBuild" "/bC:\\PatchBuild\\Patch.rtp,4000"
mv "$work/Patch.0" "$media/DISK1/PATCH.0"
mv "$work/Patch.1" "$media/DISK2/PATCH.1"
mv "$work/Patch.2" "$media/DISK3/PATCH.2"
cp "$build/ZARIZED.EXE" "$media/DISK1/ZARIZED.EXE"
(cd "$media" && for d in DISK*; do printf '%s:' "$d"; ls -l "$d" | awk 'NR > 1 { printf " %s (%s bytes)", $9, $5 }'; echo; done)

section "a refused release: the 95.0.a build of the patch on this 1.0 installation"
refused=$drive_c/WrongPatch
cp -r "$media/DISK1" "$refused"
printf '[VERSION]\r\nVersion=95.0.a\r\n' >"$refused/patch.ini"
runboxes "C:\\WrongPatch\\ZARIZED.EXE" "C:\\WrongPatch"

snapshot() {
    {
        echo "product folder:"
        (cd "$product" && ls -l | awk 'NR > 1 { printf "  %-14s %8s bytes\n", $9, $5 }')
        for key in 'HKLM\Software\Quorvel' 'HKCU\Software\Quorvel' 'HKLM\SOFTWARE\Microsoft\Windows\CurrentVersion\Run'; do
            wine reg query "$key" /s 2>/dev/null | tr -d '\r' | sed '/^$/d'
        done
    } >"$1"
}

section "the patch run, from disk 1 (disks 2 and 3 are inserted when asked for)"
snapshot "$demo/before.txt"
runboxes --disks "C:\\PatchMedia" "C:\\PatchMedia\\DISK1\\ZARIZED.EXE" "C:\\PatchMedia\\DISK1" | tee "$demo/run.txt"
snapshot "$demo/after.txt"
for d in 2 3; do rm -f "$media/DISK1/PATCH.$((d - 1))"; done

section "what changed (before -> after)"
diff -u "$demo/before.txt" "$demo/after.txt" | tail -n +3 || true

section "outcome"
code=$(awk '/^exit code/ { print $3 }' "$demo/run.txt")
echo "exit code $code"
if [ -f "$product/PATCH.BAT" ]; then
    echo "PATCH.BAT, which the DOS-mode hand-off runs:"
    sed 's/\r$//; s/^/  | /' "$product/PATCH.BAT"
fi
echo "Wine cannot start a .pif (it has no DOS mode), so the last step's launch is refused here;"
echo "on Windows 95 Patch.pif would now leave Windows and run PATCH.BAT."
