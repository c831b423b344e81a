#!/bin/bash
# Runs one Windows program under a private, headless Wine prefix, creating the
# prefix on first use. Usage: wine-run.sh PREFIX PROGRAM [ARGUMENTS...]
# The prefix is a 32-bit one, as Windows 95 is, and this must run inside
# scripts/bench32.sh, where qemu runs Wine's i386 loader. ZARIZED_WINE_ARCH=win64
# gives a 64-bit prefix under wine64 instead (the x86_64 staging benchmark).
# The program's output goes to a file and is printed once it has exited, so
# Wine's own daemons never hold the caller's pipes open.
set -u
root=$(cd "$(dirname "$0")/.." && pwd)
prefix=$(realpath -m "$1")
shift
export WINEPREFIX=$prefix
export WINEDEBUG=-all
export TMPDIR=$prefix.tmp
arch=${ZARIZED_WINE_ARCH:-win32}
if [ "$arch" = win64 ]; then
    WINE=/usr/lib/wine/wine64
    WINESERVER=/usr/lib/wine/wineserver64
    [ -x "$WINESERVER" ] || WINESERVER=/usr/lib/wine/wineserver
    export WINEDLLOVERRIDES="mscoree,mshtml="
else
    if [ ! -e /proc/sys/fs/binfmt_misc/qemu-i386 ]; then
        echo "wine-run: 32-bit programs run only inside scripts/bench32.sh (no qemu-i386 handler here)" >&2
        exit 125
    fi
    export WINEARCH=win32
    WINE=/usr/lib/wine/wine
    WINESERVER=/usr/lib/wine/wineserver32
    [ -x "$WINESERVER" ] || WINESERVER=/usr/lib/wine/wineserver
    # Wine's DOS launcher never returns in a 32-bit prefix: a .pif is started
    # by the recording stand-in installed as winevdm.exe (see
    # ZARIZED_DOS_LAUNCHER below), or refused at once when there is none.
    export WINEDLLOVERRIDES="mscoree,mshtml=;winevdm.exe=d"
fi
mkdir -p "$TMPDIR"

quiet() { "$@" </dev/null >/dev/null 2>&1 9>&-; }

prepare_prefix() {
    rm -rf "$prefix"
    quiet "$WINE" wineboot -i
    # No display here: windows and message boxes need the null driver. A
    # prefix for the screen (ZARIZED_WINE_GRAPHICS=x11) draws on the X server
    # of DISPLAY instead.
    quiet "$WINE" reg add 'HKCU\Software\Wine\Drivers' /v Graphics /d "${ZARIZED_WINE_GRAPHICS:-null}" /f
    # A crash must end the program, not wait on a debugger's dialog.
    quiet "$WINE" reg add 'HKCU\Software\Wine\WineDbg' /v ShowCrashDialog /t REG_DWORD /d 0 /f
    # The program meets Windows 95, as on the disk it ships on.
    quiet "$WINE" reg add 'HKCU\Software\Wine\AppDefaults\ZARIZED.EXE' /v Version /d win95 /f
    quiet "$WINESERVER" -k
    quiet "$WINESERVER" -w
    # A prefix made without a working loader has no system files: never mark it ready.
    [ -f "$prefix/drive_c/windows/system32/kernel32.dll" ] || return 1
    touch "$prefix/.zarized-ready"
}

if [ ! -f "$prefix/.zarized-ready" ]; then
    (
        flock 9
        [ -f "$prefix/.zarized-ready" ] || prepare_prefix
    ) 9>"$prefix.lock" || { echo "wine-run: the Wine prefix $prefix could not be made" >&2; exit 125; }
fi

# The command shell where Windows 95 keeps it, so that the PIF's program field
# names a real shell that a DOS can start: DOSBox's own, which its shell copies
# out of its Z: drive (once per prefix).
if [ "$arch" = win32 ] && [ ! -s "$prefix/drive_c/windows/COMMAND.COM" ]; then
    (
        flock 9
        [ -s "$prefix/drive_c/windows/COMMAND.COM" ] && exit 0
        printf 'mount c "%s"\ncopy Z:\\COMMAND.COM C:\\COMMAND.COM\n' "$prefix/drive_c/windows" >"$TMPDIR/shell.autoexec"
        "$root/scripts/dosbox.sh" "$TMPDIR/shell.autoexec" && [ -s "$prefix/drive_c/windows/COMMAND.COM" ]
    ) 9>"$prefix.lock" || { echo "wine-run: DOSBox's shell could not be put in $prefix as C:\windows\COMMAND.COM" >&2; exit 125; }
fi

# Wine's menu builder is taken out of the prefix: the shell starts it for
# every shortcut a program saves, waits for it, and it copies the shortcut
# into the desktop menus of this machine's own user. Without it a save is
# just the save.
rm -f "$prefix/drive_c/windows/system32/winemenubuilder.exe"

# A prefix that draws on a screen gets the fonts Windows drew its frames and
# captions with: Marlett's glyphs for the caption buttons (without it a
# close button shows the letter "r", Marlett's code for its cross) and
# Tahoma. Wine loads only the bitmap faces of fonts-wine's own folder, so the
# outlines go into the prefix's Fonts folder, where it loads them whole.
if [ "${ZARIZED_WINE_GRAPHICS:-null}" = x11 ]; then
    mkdir -p "$prefix/drive_c/windows/Fonts"
    for font in marlett.ttf tahoma.ttf tahomabd.ttf; do
        [ -s "/usr/share/wine/fonts/$font" ] ||
            { echo "wine-run: /usr/share/wine/fonts/$font is missing (fonts-wine: see scripts/install-deps.sh)" >&2; exit 125; }
        cmp -s "/usr/share/wine/fonts/$font" "$prefix/drive_c/windows/Fonts/$font" ||
            cp "/usr/share/wine/fonts/$font" "$prefix/drive_c/windows/Fonts/$font"
    done
fi

# ZARIZED_DOS_LAUNCHER names an i686 program that stands in for Wine's DOS
# launcher: it is started for every .pif, and records the launch.
if [ "$arch" = win32 ] && [ -n "${ZARIZED_DOS_LAUNCHER:-}" ]; then
    launcher=$prefix/drive_c/windows/system32/winevdm.exe
    cmp -s "$ZARIZED_DOS_LAUNCHER" "$launcher" || cp "$ZARIZED_DOS_LAUNCHER" "$launcher"
    export WINEDLLOVERRIDES="mscoree,mshtml=;winevdm.exe=n"
fi

# Drive letters the tests use: M: for media folders at a drive root.
mkdir -p "$prefix.drives/m"
[ -e "$prefix/dosdevices/m:" ] || ln -s "$prefix.drives/m" "$prefix/dosdevices/m:"
# A network share, \\SERVER\SHARE, as a logon script reaches patch media on
# a file server: Wine finds it through the prefix's dosdevices/unc folder.
mkdir -p "$prefix.drives/share" "$prefix/dosdevices/unc/server"
[ -e "$prefix/dosdevices/unc/server/share" ] || ln -s "$prefix.drives/share" "$prefix/dosdevices/unc/server/share"
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
