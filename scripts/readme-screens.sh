#!/bin/bash
# Makes the README's pictures again from the screens `make demo` saved in
# build/demo/screens/ (running the demo first when there are none): each
# picture cut down to its windows, with a margin of the desktop around them,
# into docs/screens/.
set -eu
root=$(cd "$(dirname "$0")/.." && pwd)
screens=$root/build/demo/screens
[ -f "$screens/2-patch-05-progress.png" ] || make -C "$root" demo >/dev/null
mkdir -p "$root/docs/screens"
while read -r shot picture; do
    [ -f "$screens/$shot" ] || { echo "readme-screens: the demo saved no $shot" >&2; exit 1; }
    # The desktop's colour is that of the picture's corner.
    desktop=$(convert "$screens/$shot" -format '%[pixel:p{0,0}]' info:)
    convert "$screens/$shot" -trim +repage -bordercolor "$desktop" -border 12 "$root/docs/screens/$picture"
    echo "docs/screens/$picture from $shot"
done <<'PICTURES'
1-refused-01-update-cancelled.png refused-release.png
2-patch-05-progress.png progress-window.png
2-patch-04-zarized.png wrong-disk.png
2-patch-07-kelvane-palomid-950b-maintenance-release.png restart.png
PICTURES
