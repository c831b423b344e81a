#!/bin/bash
# The media builder's floppy images, read back with mtools and by DOS: sets of
# 720 KB and 1.44 MB images for one payload (the second replacing the first
# whole), refusals that leave OUT as it was (more than 50 pieces, an OUT
# holding other files, missing mtools or DOSBox), a DISK size of no standard
# format, images whose files do not fit, and the labels of sets past nine
# disks.
#   media_images.sh BUILD_DIR
set -euo pipefail
export LC_ALL=C
root=$(cd "$(dirname "$0")/.." && pwd)
build=$(realpath -m "$1")
base=$build/media-images
rm -rf "$base"
mkdir -p "$base"
export MEDIA_BUILD=$build MEDIA_WINEPREFIX=$build/media-prefix

fail() { echo "FAILED: $*" >&2; exit 1; }
section() { echo "== $*"; }
# make-media.sh with images; its output in $base/last.txt, its status in $status.
media() {
    status=0
    MEDIA_IMAGES=1 "$root/scripts/make-media.sh" "$@" >"$base/last.txt" 2>&1 || status=$?
}
show_last() { sed 's/^/  | /' "$base/last.txt" >&2; }
expect_success() { [ "$status" -eq 0 ] || { show_last; fail "$1: make-media.sh ended with $status"; }; }
expect_refusal() {
    [ "$status" -ne 0 ] || { show_last; fail "$1: make-media.sh succeeded"; }
    grep -qF -- "$2" "$base/last.txt" || { show_last; fail "$1: no message \"$2\""; }
}
# A listing of everything under a folder, with sizes and checksums.
snapshot() { (cd "$1" && find . -printf '%p %s\n' | sort && find . -type f -exec md5sum {} + | sort); }
no_leftovers() {
    local left
    left=$(find "$(dirname "$1")" -maxdepth 1 -name ".$(basename "$1").*")
    [ -z "$left" ] || fail "$2: half-written sets left beside OUT: $left"
}

head -c 6000 /dev/urandom >"$base/engine.bin"
head -c 3000000 /dev/urandom >"$base/data.bin"

# Checks the set in OUT for the payload above: COUNT disks, each DISKn.IMG a
# KB-kilobyte image listing exactly its files under the label "PATCH DISKn";
# the files copied out of the images are the inputs' bytes (the program, the
# engine, patch.ini, and pieces that join back to the data), and every disk
# but the last is full.
check_set() {
    local out=$1 kb=$2 count=$3 n img expected listed label copies entries
    entries=$(cd "$out" && ls -A | sort | tr '\n' ' ')
    expected=$(for ((n = 1; n <= count; n++)); do echo "DISK$n"; echo "DISK$n.IMG"; done | sort | tr '\n' ' ')
    [ "$entries" = "$expected" ] || fail "$kb KB set: OUT holds [$entries] instead of [$expected]"
    copies=$base/copies-$kb
    rm -rf "$copies"
    for ((n = 1; n <= count; n++)); do
        img=$out/DISK$n.IMG
        [ "$(stat -c %s "$img")" -eq $((kb * 1024)) ] || fail "DISK$n.IMG is $(stat -c %s "$img") bytes, not $kb KB"
        if [ "$n" -eq 1 ]; then
            expected=$(printf '%s\n' PATCH.0 PATCH.DLL PATCH.PIF READNOW.TXT ZARIZED.EXE patch.ini | sort)
        else
            expected="PATCH.$((n - 1))"
        fi
        listed=$(mdir -b -i "$img" :: | sed 's#^::/##' | sort)
        [ "$listed" = "$expected" ] || fail "DISK$n.IMG lists [${listed//$'\n'/ }] instead of [${expected//$'\n'/ }]"
        label=$(mdir -i "$img" :: | sed -n 's/^ Volume in drive : is //p')
        [ "$label" = "PATCH DISK$n" ] || fail "DISK$n.IMG is labelled '$label'"
        mkdir -p "$copies/DISK$n"
        mcopy -n -i "$img" '::*' "$copies/DISK$n/"
        for f in $expected; do
            cmp -s "$copies/DISK$n/$f" "$out/DISK$n/$f" || fail "DISK$n.IMG gives back $f with other bytes than DISK$n/$f"
        done
        free=$(mdir -i "$img" :: | sed -n 's/ bytes free$//p' | tr -dc 0-9)
        echo "  DISK$n.IMG: $(stat -c %s "$img") bytes, $free bytes free"
        [ "$n" -eq "$count" ] || [ "$free" -eq 0 ] || fail "DISK$n.IMG has $free bytes free, so its piece could have been longer"
    done
    cmp -s "$copies/DISK1/ZARIZED.EXE" "$build/ZARIZED.EXE" || fail "$kb KB set: ZARIZED.EXE is not the shipping build"
    cmp -s "$copies/DISK1/PATCH.DLL" "$base/engine.bin" || fail "$kb KB set: PATCH.DLL is not the engine"
    cmp -s "$copies/DISK1/PATCH.PIF" "$build/PATCH.PIF" || fail "$kb KB set: PATCH.PIF is not the built one"
    [ "$(head -2 "$copies/DISK1/patch.ini")" = "$(printf '[VERSION]\r\nVersion=1.0\r')" ] ||
        fail "$kb KB set: patch.ini does not name release 1.0"
    grep -q '^\[PIECES\]' "$copies/DISK1/patch.ini" || fail "$kb KB set: patch.ini holds no record of the pieces"
    [ "$(od -An -tu4 -N4 "$copies/DISK1/PATCH.0" | tr -d ' ')" -eq "$count" ] ||
        fail "$kb KB set: PATCH.0 does not count $count pieces"
    { tail -c +5 "$copies/DISK1/PATCH.0"; for ((n = 2; n <= count; n++)); do cat "$copies/DISK$n/PATCH.$((n - 1))"; done; } |
        cmp -s - "$base/data.bin" || fail "$kb KB set: the pieces copied out of the images do not join back to the data"
}

out=$base/out
section "720 KB images (DISK=730112) for 3,000,000 bytes of data: five disks"
media "$base/engine.bin" "$base/data.bin" 1.0 "$out" 730112
expect_success "720 KB set"
grep -q '^verified: the 5 pieces join back' "$base/last.txt" || { show_last; fail "720 KB set: not verified as 5 pieces"; }
grep -q '^floppy images, each read back by mtools and by DOS' "$base/last.txt" || { show_last; fail "720 KB set: not read back by DOS"; }
check_set "$out" 720 5

section "1.44 MB images (the default) for the same data, replacing the 720 KB set whole: three disks"
media "$base/engine.bin" "$base/data.bin" 1.0 "$out"
expect_success "1.44 MB set"
check_set "$out" 1440 3
no_leftovers "$out" "1.44 MB set"

section "data over the 50-piece limit: refused with the program's message, the set in OUT kept"
before=$(snapshot "$out")
truncate -s 40000000 "$base/huge.bin"
media "$base/engine.bin" "$base/huge.bin" 1.0 "$out" 730112
expect_refusal "over 50 pieces" "These piece sizes cannot hold the whole file in 50 pieces.  No piece was written."
[ "$(snapshot "$out")" = "$before" ] || fail "over 50 pieces: the set in OUT changed"
no_leftovers "$out" "over 50 pieces"

section "an OUT holding other files: refused and left as it was"
mkdir -p "$base/busy/DISK1"
echo "keep me" >"$base/busy/notes.txt"
before=$(snapshot "$base/busy")
media "$base/engine.bin" "$base/data.bin" 1.0 "$base/busy"
expect_refusal "foreign OUT" "holds notes.txt, which is no part of a media set: not replacing it"
[ "$(snapshot "$base/busy")" = "$before" ] || fail "foreign OUT: its contents changed"
no_leftovers "$base/busy" "foreign OUT"

# A PATH holding every tool of this machine but the ones named.
path_without() {
    local dir=$base/path-without-$1 tool name
    mkdir -p "$dir"
    for tool in /usr/bin/* /usr/sbin/* /bin/* /sbin/*; do
        name=${tool##*/}
        [[ " $* " == *" $name "* ]] && continue
        [ -e "$dir/$name" ] || ln -s "$tool" "$dir/$name"
    done
    echo "$dir"
}
for missing in "mtools mcopy mdir minfo mformat mlabel|mcopy, mdir, minfo" "dosbox|dosbox"; do
    tools=${missing%|*} lacks=${missing#*|}
    section "${tools%% *} missing: refused before anything is written"
    status=0
    PATH=$(path_without $tools) MEDIA_IMAGES=1 "$root/scripts/make-media.sh" "$base/engine.bin" "$base/data.bin" 1.0 \
        "$base/fresh" >"$base/last.txt" 2>&1 || status=$?
    expect_refusal "no ${tools%% *}" "this machine lacks $lacks: run make deps"
    [ ! -e "$base/fresh" ] || fail "no ${tools%% *}: OUT was created"
    no_leftovers "$base/fresh" "no ${tools%% *}"
done

section "DISK=200000, no standard format: folders only, and the reason"
head -c 300000 /dev/urandom >"$base/small.bin"
media "$base/engine.bin" "$base/small.bin" 1.0 "$base/folders" 200000
expect_success "DISK=200000"
grep -qF "DISK=200000 is the room of no standard floppy format (1440 KB: 1457664, 720 KB: 730112, 2880 KB: 2931712 bytes): writing disk folders only, no images" \
    "$base/last.txt" || { show_last; fail "DISK=200000: no reason given"; }
[ "$(cd "$base/folders" && ls -A | tr '\n' ' ')" = "DISK1 DISK2 " ] || fail "DISK=200000: OUT holds $(ls -A "$base/folders")"

section "images whose files do not fit, or whose names are no 8.3 names: refused, no image written"
set_dir=$base/overfull
mkdir -p "$set_dir/DISK1" "$set_dir/DISK2"
head -c 1000 /dev/urandom >"$set_dir/DISK1/PATCH.0"
head -c 1457665 /dev/urandom >"$set_dir/DISK2/PATCH.1"
status=0
"$root/scripts/make-images.sh" write "$set_dir" 1440 "$base/overfull-copies" >"$base/last.txt" 2>&1 || status=$?
expect_refusal "overfull disk" "DISK2.IMG: PATCH.1 (1457665 bytes) does not fit: the files up to it take 1458176 bytes of the 1457664 a 1440 KB disk has; no image was written"
[ "$(cd "$set_dir" && ls -A | tr '\n' ' ')" = "DISK1 DISK2 " ] || fail "overfull disk: the set now holds $(ls -A "$set_dir")"
truncate -s 1457664 "$set_dir/DISK2/PATCH.1"
mv "$set_dir/DISK1/PATCH.0" "$set_dir/DISK1/PATCH.RTP0"
status=0
"$root/scripts/make-images.sh" write "$set_dir" 1440 "$base/overfull-copies" >"$base/last.txt" 2>&1 || status=$?
expect_refusal "long name" "DISK1/PATCH.RTP0 is no 8.3 file name"
[ "$(cd "$set_dir" && ls -A | tr '\n' ' ')" = "DISK1 DISK2 " ] || fail "long name: the set now holds $(ls -A "$set_dir")"

section "a set of eleven disks: labels past DISK9 drop the blank to stay within 11 characters"
set_dir=$base/eleven
for ((n = 1; n <= 11; n++)); do
    mkdir -p "$set_dir/DISK$n"
    head -c $((n * 1000)) /dev/urandom >"$set_dir/DISK$n/PATCH.$((n - 1))"
done
status=0
"$root/scripts/make-images.sh" write "$set_dir" 720 "$base/eleven-copies" >"$base/last.txt" 2>&1 || status=$?
expect_success "eleven disks"
for n in 9 10 11; do
    label=$(mdir -i "$set_dir/DISK$n.IMG" :: | sed -n 's/^ Volume in drive : is //p')
    expected=$([ "$n" -lt 10 ] && echo "PATCH DISK$n" || echo "PATCHDISK$n")
    [ "$label" = "$expected" ] || fail "eleven disks: DISK$n.IMG is labelled '$label', not '$expected'"
    [ "$(mdir -b -i "$set_dir/DISK$n.IMG" ::)" = "::/PATCH.$((n - 1))" ] || fail "eleven disks: DISK$n.IMG lists other files"
done

echo "all floppy image checks passed"
