#!/bin/bash
# Mounts (or unmounts) the drives of the fault-injection runs, which the Wine
# bench maps to drive letters:
#   U: an 8 MiB drive: room enough to pass the free-space check with a
#      small patch, too little for a large one, whose writes then fall short
#      when the check cannot know its size;
#   R: a read-only view of the folder that W: maps, so a product folder can
#      be laid out through W: and patched through R:.
# It runs inside the bench's private namespace (scripts/bench32.sh), which
# owns its mounts, so no real root is needed.
set -u
action=$1
prefix=$(realpath -m "$2")
drives=$prefix.drives
case $action in
mount)
    mkdir -p "$drives/u" "$drives/r" "$drives/w"
    mountpoint -q "$drives/u" || mount -t tmpfs -o size=8m tmpfs "$drives/u" ||
        { echo "drive U: cannot be mounted"; exit 1; }
    if ! mountpoint -q "$drives/r"; then
        mount --bind "$drives/w" "$drives/r" && mount -o remount,bind,ro "$drives/r" ||
            { mountpoint -q "$drives/r" && umount "$drives/r"; echo "drive R: cannot be mounted read-only"; exit 1; }
    fi
    ;;
unmount)
    for d in u r; do
        mountpoint -q "$drives/$d" && umount "$drives/$d"
        rm -f "$prefix/dosdevices/$d:"
    done
    rm -f "$prefix/dosdevices/w:"
    rm -rf "$drives/w"
    ;;
esac
exit 0
