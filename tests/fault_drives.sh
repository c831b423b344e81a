#!/bin/bash
# Mounts (or unmounts) the drives of the fault-injection runs, which the Wine
# bench maps to drive letters:
#   U: a 6 MiB drive: room enough to pass the free-space check, too little
#      for a large patch, so writes to it fall short;
#   R: a read-only view of the folder that W: maps, so a product folder can
#      be laid out through W: and patched through R:.
# Mounting needs root; without it the tests that need these drives skip.
set -u
action=$1
prefix=$(realpath -m "$2")
drives=$prefix.drives
case $action in
mount)
    mkdir -p "$drives/u" "$drives/r" "$drives/w"
    mountpoint -q "$drives/u" || mount -t tmpfs -o size=6m tmpfs "$drives/u" 2>/dev/null ||
        echo "drive U: not mounted (needs root): its tests will skip"
    if ! mountpoint -q "$drives/r"; then
        mount --bind "$drives/w" "$drives/r" 2>/dev/null && mount -o remount,bind,ro "$drives/r" 2>/dev/null ||
            { mountpoint -q "$drives/r" && umount "$drives/r"; echo "drive R: not mounted (needs root): its tests will skip"; }
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
