#!/bin/bash
# Runs one Windows program under a private, headless Wine prefix, creating the
# prefix on first use. Usage: wine-run.sh PREFIX PROGRAM [ARGUMENTS...]
# The program's output goes to a file and is printed once it has exited, so
# Wine's own daemons never hold the caller's pipes open.
set -u
prefix=$(realpath -m "$1")
shift
export WINEPREFIX=$prefix
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml="
export TMPDIR=$prefix.tmp
WINE=/usr/lib/wine/wine64
WINESERVER=/usr/lib/wine/wineserver64
[ -x "$WINESERVER" ] || WINESERVER=/usr/lib/wine/wineserver
mkdir -p "$TMPDIR"

quiet() { "$@" </dev/null >/dev/null 2>&1 9>&-; }

prepare_prefix() {
    quiet "$WINE" wineboot -i
    # No display here: windows and message boxes need the null driver.
    quiet "$WINE" reg add 'HKCU\Software\Wine\Drivers' /v Graphics /d null /f
    # A crash must end the program, not wait on a debugger's dialog.
    quiet "$WINE" reg add 'HKCU\Software\Wine\WineDbg' /v ShowCrashDialog /t REG_DWORD /d 0 /f
    quiet "$WINESERVER" -k
    quiet "$WINESERVER" -w
    touch "$prefix/.zarized-ready"
}

if [ ! -f "$prefix/.zarized-ready" ]; then
    (
        flock 9
        [ -f "$prefix/.zarized-ready" ] || prepare_prefix
    ) 9>"$prefix.lock"
fi

# Drive letters the tests use: M: for media folders at a drive root.
mkdir -p "$prefix.drives/m"
[ -e "$prefix/dosdevices/m:" ] || ln -s "$prefix.drives/m" "$prefix/dosdevices/m:"
# T:, U: and R: are small or read-only drives, when a test fixture has mounted
# them; W: is the writable folder behind R:.
for letter in t u r; do
    if mountpoint -q "$prefix.drives/$letter" 2>/dev/null; then
        ln -sfn "$prefix.drives/$letter" "$prefix/dosdevices/$letter:"
    else
        rm -f "$prefix/dosdevices/$letter:"
    fi
done
if [ -e "$prefix/dosdevices/r:" ]; then
    ln -sfn "$prefix.drives/w" "$prefix/dosdevices/w:"
else
    rm -f "$prefix/dosdevices/w:"
fi

# A server that outlives single runs keeps each start fast.
quiet "$WINESERVER" -p30

output=$(mktemp "$TMPDIR/run.XXXXXX")
timeout -k 5 "${ZARIZED_RUN_TIMEOUT:-600}" "$WINE" "$@" >"$output" 2>&1 </dev/null 9>&-
status=$?
cat "$output"
rm -f "$output"
exit $status
