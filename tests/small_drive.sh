#!/bin/bash
# Mounts (or unmounts) a 4 MiB drive that the Wine bench maps to T:, for the
# low free space path. Mounting needs root; without it the tests that need the
# drive skip themselves.
set -u
action=$1
prefix=$(realpath -m "$2")
dir=$prefix.drives/t
case $action in
mount)
    mkdir -p "$dir"
    mountpoint -q "$dir" || mount -t tmpfs -o size=4m tmpfs "$dir" 2>/dev/null ||
        echo "small drive not mounted (needs root): its tests will skip"
    ;;
unmount)
    mountpoint -q "$dir" && umount "$dir"
    rm -f "$prefix/dosdevices/t:"
    ;;
esac
exit 0
