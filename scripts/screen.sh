#!/bin/bash
# Runs a command with a screen: a virtual X server (Xvfb, 640 x 480 in
# 24-bit colour, as a VGA screen shows, with its colours kept exact) for
# Wine's X11 driver to draw on. Usage: screen.sh COMMAND [ARGUMENTS...]
# The command sees DISPLAY, and ZARIZED_WINE_GRAPHICS=x11, so that a Wine
# prefix it makes through wine-run.sh draws there; a program shown with
#   wine-run.sh PREFIX explorer /desktop=ZARIZED,640x480 PROGRAM...
# gets a Windows desktop of its own, frames and captions drawn by Wine, and
# ImageMagick's import takes what it shows. The server ends with the command.
set -u
for tool in Xvfb import; do
    command -v "$tool" >/dev/null ||
        { echo "screen: $tool is missing (xvfb, imagemagick: see scripts/install-deps.sh)" >&2; exit 1; }
done
ready=$(mktemp)
# Xvfb picks a free display and writes its number to the descriptor given.
Xvfb -displayfd 3 -screen 0 640x480x24 -nolisten tcp 3>"$ready" </dev/null >/dev/null 2>&1 &
server=$!
for _ in $(seq 100); do [ -s "$ready" ] && break; sleep 0.05; done
display=$(tr -d '\n' <"$ready")
rm -f "$ready"
if [ -z "$display" ]; then
    kill "$server" 2>/dev/null
    echo "screen: Xvfb did not start" >&2
    exit 1
fi
export DISPLAY=:$display ZARIZED_WINE_GRAPHICS=x11
"$@"
status=$?
kill "$server" 2>/dev/null
wait "$server" 2>/dev/null
exit $status
