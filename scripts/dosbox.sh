#!/bin/bash
# Runs DOSBox headless: no screen, no sound, a HOME of its own (DOSBox writes
# its default configuration there on first start) and a time limit. The DOS
# side's commands come from AUTOEXEC, a file of lines for the configuration's
# [autoexec] section; "exit" is added after them. DOSBox shows nothing on
# stdout of what DOS programs print: a command that should report something
# writes a file.
#   dosbox.sh AUTOEXEC
# Exits with DOSBox's status, 124 when the time limit (ZARIZED_DOSBOX_SECONDS,
# default 60) ended it, or 1 with one line when DOSBox is missing.
set -u
[ $# -eq 1 ] || { echo "usage: dosbox.sh AUTOEXEC" >&2; exit 2; }
command -v dosbox >/dev/null ||
    { echo "dosbox.sh: DOSBox is missing (Debian's dosbox, see scripts/install-deps.sh)" >&2; exit 1; }
home=$(mktemp -d)
trap 'rm -rf "$home"' EXIT
{
    printf '[sdl]\noutput=surface\n'
    # A 386 or better at full speed: the DOS programs here use 32-bit registers.
    printf '[cpu]\ncore=dynamic\ncycles=fixed 1000000\n'
    printf '[mixer]\nnosound=true\n[midi]\nmpu401=none\nmididevice=none\n'
    printf '[autoexec]\n'
    cat "$1"
    printf '\nexit\n'
} >"$home/zarized.conf"
HOME=$home SDL_VIDEODRIVER=dummy SDL_AUDIODRIVER=dummy \
    timeout -k 5 "${ZARIZED_DOSBOX_SECONDS:-60}" dosbox -userconf -conf "$home/zarized.conf" -noconsole \
    </dev/null >"$home/dosbox.txt" 2>&1
status=$?
[ $status -eq 124 ] && echo "dosbox.sh: DOSBox did not finish within ${ZARIZED_DOSBOX_SECONDS:-60} seconds" >&2
exit $status
