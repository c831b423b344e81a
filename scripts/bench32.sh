#!/bin/bash
# Runs a command where 32-bit Windows programs run: inside a private user,
# mount and process namespace in which binfmt_misc hands 32-bit ELF programs
# (Wine's i386 loader) to qemu-i386. Nothing outside changes: the handler, the
# binfmt_misc mount and every mount made by the command live and die with the
# namespace. Usage: bench32.sh COMMAND [ARGUMENTS...]
set -u
qemu=/usr/libexec/qemu-binfmt/i386-binfmt-P
handler=/proc/sys/fs/binfmt_misc/qemu-i386
if [ "${ZARIZED_BENCH32:-}" = 1 ] && [ -e "$handler" ]; then
    exec "$@"
fi
[ -x "$qemu" ] || { echo "bench32: $qemu is missing (qemu-user 10, see scripts/install-deps.sh)" >&2; exit 1; }
[ -x /usr/lib/wine/wine ] || { echo "bench32: 32-bit Wine is missing (wine32:i386, see scripts/install-deps.sh)" >&2; exit 1; }
export ZARIZED_BENCH32=1
exec unshare --user --map-root-user --mount --pid --fork --kill-child --mount-proc bash -c '
    mount -t binfmt_misc binfmt_misc /proc/sys/fs/binfmt_misc 2>/dev/null ||
        { echo "bench32: binfmt_misc cannot be mounted in a private namespace here" >&2; exit 1; }
    printf "%s" ":qemu-i386:M::\x7fELF\x01\x01\x01\x00\x00\x00\x00\x00\x00\x00\x00\x00\x02\x00\x03\x00:\xff\xff\xff\xff\xff\xfe\xfe\x00\xff\xff\xff\xff\xff\xff\xff\xff\xfe\xff\xff\xff:'"$qemu"':OPF" \
        >/proc/sys/fs/binfmt_misc/register 2>/dev/null ||
        { echo "bench32: the qemu-i386 handler cannot be registered in a private namespace here" >&2; exit 1; }
    "$@"
    status=$?
    # A Wine server writes its registry to the prefix now and then, and as it
    # ends; the end of the namespace would kill it unsaved, leaving a prefix
    # whose registry lags behind what its programs did. Ended by a signal,
    # it saves first.
    servers=()
    for comm in /proc/[0-9]*/comm; do
        case $(cat "$comm" 2>/dev/null) in
        wineserver*) pid=${comm#/proc/}; servers+=("${pid%/comm}") ;;
        esac
    done
    [ ${#servers[@]} -eq 0 ] || kill -TERM "${servers[@]}" 2>/dev/null
    for pid in "${servers[@]}"; do
        for _ in $(seq 100); do kill -0 "$pid" 2>/dev/null || break; sleep 0.1; done
    done
    exit $status' bench32 "$@"
