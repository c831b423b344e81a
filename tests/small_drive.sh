#!/bin/bash
# Mounts (or unmounts) a 4 MiB drive that the Wine bench maps to T:, for the
# low free space path. It runs inside the bench's private namespace
# (scripts/bench32.sh), which owns its mounts, so no real root is needed.
set -u
action=$1
prefix=$(realpath -m "$2")
dir=$prefix.drives/t
case $action in
mount)
    mkdir -p "$dir"
    mountpoint -q "$dir" || mount -t tmpfs -o size=4m tmpfs "$dir" ||
        { echo "small drive T: cannot be mounted"; exit 1; }
    ;;
unmount)
    mountpoint -q "$dir" && umount "$dir"
    rm -f "$prefix/dosdevices/t:"
    ;;
esac
exit 0
