#!/bin/bash
# Floppy images of a media set, made with dosfstools (mkfs.fat) and read back
# with mtools (mcopy, mdir, minfo); the file system is theirs, not ours.
#
#   make-images.sh format [DISK_BYTES]
#     Prints "KB ROOM CLUSTER" for the standard floppy format (1440, 720 or
#     2880 KB) whose freshly formatted image has DISK_BYTES free (the 1440 KB
#     format when DISK_BYTES is empty): ROOM is that image's free bytes and
#     CLUSTER its allocation unit, both as mtools reports them. Exits 3, saying
#     why, when no standard format has that room.
#
#   make-images.sh write SET KB COPIES
#     Writes SET/DISK1.IMG, SET/DISK2.IMG, ... from the folders SET/DISK1,
#     SET/DISK2, ..., each a KB-kilobyte FAT12 image labelled after its disk,
#     then reads each one back: its listing and label must be exactly the
#     folder's files and the disk's label, and its files, copied out into
#     COPIES/DISK1, COPIES/DISK2, ..., must equal the folder's byte for byte.
#     Then a DOS reads them: DOSBox mounts each image as drive A: and copies
#     its files out with DOS's COPY, and those too must be the folder's files,
#     under their 8.3 names, byte for byte. The images appear in SET only once
#     all of them are verified.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
export LC_ALL=C  # mdir's figures and listings in one fixed form
formats=(1440 720 2880)

fail() { echo "make media: $*" >&2; exit 1; }

# mkfs.fat lives in sbin, which an ordinary user's PATH may lack.
mkfs_fat=$(PATH=$PATH:/usr/sbin:/sbin command -v mkfs.fat || true)
missing=()
[ -n "$mkfs_fat" ] || missing+=(mkfs.fat)
for tool in mcopy mdir minfo dosbox; do command -v "$tool" >/dev/null || missing+=("$tool"); done
[ ${#missing[@]} -eq 0 ] ||
    fail "floppy images need dosfstools (mkfs.fat), mtools (mcopy, mdir, minfo) and DOSBox (dosbox); this machine lacks $(IFS=,; echo "${missing[*]}" | sed 's/,/, /g'): run make deps (scripts/install-deps.sh) as root"

# A blank image of KB kilobytes labelled LABEL, at IMG (which must not exist).
format_image() { "$mkfs_fat" -C -n "$3" "$1" "$2" >/dev/null || fail "mkfs.fat could not format a $2 KB image"; }
free_bytes() { mdir -i "$1" :: | sed -n 's/ bytes free$//p' | tr -dc 0-9; }
minfo_field() { minfo -i "$1" :: | sed -n "s/^$2: \([0-9]*\).*/\1/p" | head -1; }
cluster_bytes() { echo $(( $(minfo_field "$1" "cluster size") * $(minfo_field "$1" "sector size") )); }
root_slots() { minfo_field "$1" "max available root directory slots"; }
# "PATCH DISK1" to "PATCH DISK9"; from disk 10 on the blank goes, as a label
# holds 11 characters.
label_for() { if [ "$1" -lt 10 ]; then echo "PATCH DISK$1"; else echo "PATCHDISK$1"; fi; }

scratch=
trap '[ -z "$scratch" ] || rm -rf "$scratch"' EXIT

case ${1:-} in
format)
    disk=${2:-}
    scratch=$(mktemp -d)
    rooms=()
    for kb in "${formats[@]}"; do
        format_image "$scratch/$kb.img" "$kb" "PATCH DISK1"
        room=$(free_bytes "$scratch/$kb.img")
        [ -n "$room" ] || fail "mdir reports no free bytes for a blank $kb KB image"
        if [ -z "$disk" ] && [ "$kb" = 1440 ] || [ "$disk" = "$room" ]; then
            echo "$kb $room $(cluster_bytes "$scratch/$kb.img")"
            exit 0
        fi
        rooms+=("$kb KB: $room")
    done
    echo "make media: DISK=$disk is the room of no standard floppy format ($(IFS=,; echo "${rooms[*]}" | sed 's/,/, /g') bytes): writing disk folders only, no images" >&2
    exit 3
    ;;
write)
    [ $# -eq 4 ] || fail "usage: make-images.sh write SET KB COPIES"
    set_dir=$(realpath -m "$2") kb=$3 copies=$(realpath -m "$4")
    shopt -s nullglob
    for old in "$set_dir"/DISK*.IMG; do fail "$set_dir already holds images ($(basename "$old"))"; done
    disks=()
    for d in "$set_dir"/DISK*/; do
        d=$(basename "$d")
        [[ $d =~ ^DISK([1-9][0-9]*)$ ]] && disks+=("${BASH_REMATCH[1]}")
    done
    [ ${#disks[@]} -gt 0 ] || fail "$set_dir holds no disk folders"
    mapfile -t disks < <(printf '%s\n' "${disks[@]}" | sort -n)
    # Built beside the set, so that moving them in is a rename.
    scratch=$(mktemp -d "$set_dir/.images.XXXXXX")
    summary=()
    for n in "${disks[@]}"; do
        folder=$set_dir/DISK$n image=DISK$n.IMG label=$(label_for "$n")
        img=$scratch/$image
        format_image "$img" "$kb" "$label"
        room=$(free_bytes "$img") cluster=$(cluster_bytes "$img") slots=$(root_slots "$img")
        files=("$folder"/*)
        [ ${#files[@]} -gt 0 ] || fail "DISK$n holds no files"
        need=0
        for f in "${files[@]}"; do
            name=$(basename "$f")
            [ -f "$f" ] || fail "DISK$n/$name is not a file"
            [[ $name =~ ^[A-Za-z0-9_-]{1,8}(\.[A-Za-z0-9_-]{1,3})?$ ]] ||
                fail "DISK$n/$name is no 8.3 file name, so the disk could not keep it as it is"
            size=$(stat -c %s "$f")
            need=$(( need + (size + cluster - 1) / cluster * cluster ))
            [ "$need" -le "$room" ] ||
                fail "$image: $name ($size bytes) does not fit: the files up to it take $need bytes of the $room a $kb KB disk has; no image was written"
        done
        # The volume label takes a root entry too.
        [ $(( ${#files[@]} + 1 )) -le "$slots" ] ||
            fail "$image: ${#files[@]} files and the label need more than the $slots root entries of a $kb KB disk; no image was written"
        mcopy -m -i "$img" "${files[@]}" :: || fail "$image: mcopy could not copy the files of DISK$n; no image was written"

        # Read back: the listing, the label, and every file's bytes.
        expected=$(cd "$folder" && printf '%s\n' * | sort)
        listed=$(mdir -b -i "$img" :: | sed 's#^::/##' | sort)
        [ "$listed" = "$expected" ] ||
            fail "$image lists [${listed//$'\n'/ }] instead of [${expected//$'\n'/ }]"
        read_label=$(mdir -i "$img" :: | sed -n 's/^ Volume in drive : is //p')
        [ "$read_label" = "$label" ] || fail "$image is labelled '$read_label' instead of '$label'"
        mkdir -p "$copies/DISK$n"
        mcopy -n -m -i "$img" '::*' "$copies/DISK$n/" || fail "$image: mcopy could not copy its files back out"
        [ "$(cd "$copies/DISK$n" && printf '%s\n' * | sort)" = "$expected" ] ||
            fail "$image gave back other files than DISK$n holds"
        for f in "${files[@]}"; do
            cmp -s "$f" "$copies/DISK$n/$(basename "$f")" ||
                fail "$image gives back $(basename "$f") with other bytes than DISK$n/$(basename "$f")"
        done
        summary+=("$image: $(stat -c %s "$img") bytes ($kb KB), label \"$label\", $(basename -a "${files[@]}" | tr '\n' ' ')($(free_bytes "$img") bytes free)")
    done
    # Read back by a DOS: one DOSBox run puts each image in drive A: in turn.
    dos=$scratch/dos
    {
        echo "mount c \"$dos\""
        for n in "${disks[@]}"; do
            mkdir -p "$dos/DISK$n"
            printf 'imgmount a "%s" -t floppy\ncopy A:\\*.* C:\\DISK%s\nimgmount -u a\n' "$scratch/DISK$n.IMG" "$n"
        done
    } >"$scratch/autoexec"
    "$root/scripts/dosbox.sh" "$scratch/autoexec" || fail "DOSBox could not read the images"
    for n in "${disks[@]}"; do
        folder=$set_dir/DISK$n
        expected=$(cd "$folder" && printf '%s\n' * | tr '[:lower:]' '[:upper:]' | sort)
        copied=$(cd "$dos/DISK$n" && find . -type f -printf '%f\n' | sort)
        [ "$copied" = "$expected" ] ||
            fail "DISK$n.IMG, read by DOS, gives [${copied//$'\n'/ }] instead of [${expected//$'\n'/ }]"
        for f in "$folder"/*; do
            name=$(basename "$f")
            cmp -s "$f" "$dos/DISK$n/${name^^}" ||
                fail "DISK$n.IMG, read by DOS, gives $name with other bytes than DISK$n/$name"
        done
    done
    for n in "${disks[@]}"; do mv "$scratch/DISK$n.IMG" "$set_dir/DISK$n.IMG"; done
    echo "floppy images, each read back by mtools and by DOS and equal to its folder:"
    printf '  %s\n' "${summary[@]}"
    ;;
*)
    echo "usage: make-images.sh format [DISK_BYTES] | write SET KB COPIES" >&2
    exit 2
    ;;
esac
