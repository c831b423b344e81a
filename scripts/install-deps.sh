#!/bin/bash
# Installs, once, what the build and the Wine test bench need (Debian 12, as root).
# The tests run the shipping 32-bit program under Debian's 32-bit Wine, whose
# i386 loader qemu-i386 runs: the i386 architecture, wine32:i386, and
# qemu-user 10 from the backports suite (bookworm's 7.2 takes about a minute to
# start each 32-bit process). The backports entry copies the URI and key of
# the Debian source the machine already has. DOSBox runs the MS-DOS-mode half
# of a patch, and nasm assembles the sample patch engine it runs. Xvfb gives
# Wine's X11 driver a screen to draw on, and ImageMagick takes it as pictures;
# fonts-wine has the fonts Windows drew frames and captions with.
set -e
packages=(cmake ninja-build g++-mingw-w64-x86-64-posix g++-mingw-w64-i686-posix wine64 wine32:i386 googletest
          python3 g++ clang-14 libclang-rt-14-dev mtools dosfstools locales-all dosbox nasm xvfb imagemagick
          fonts-wine)
backports_source=/etc/apt/sources.list.d/zarized-backports.sources

installed() { dpkg-query -W -f='${Status}' "$1" 2>/dev/null | grep -q 'install ok installed'; }
qemu_ready() {
    installed qemu-user && [ -x /usr/libexec/qemu-binfmt/i386-binfmt-P ] &&
        dpkg --compare-versions "$(dpkg-query -W -f='${Version}' qemu-user)" ge 1:10
}

missing=()
for p in "${packages[@]}"; do installed "$p" || missing+=("$p"); done
if [ ${#missing[@]} -eq 0 ] && qemu_ready; then
    exit 0
fi
export DEBIAN_FRONTEND=noninteractive
update=0
if ! dpkg --print-foreign-architectures | grep -qx i386; then
    dpkg --add-architecture i386
    update=1
fi
if ! qemu_ready && [ ! -f "$backports_source" ]; then
    debian=/etc/apt/sources.list.d/debian.sources
    [ -f "$debian" ] || { echo "install-deps: no $debian to take the Debian source from" >&2; exit 1; }
    uri=$(awk '/^URIs:/ { print $2; exit }' "$debian")
    key=$(awk '/^Signed-By:/ { print $2; exit }' "$debian")
    [ -n "$uri" ] || { echo "install-deps: no URI in $debian" >&2; exit 1; }
    {
        echo "Types: deb"
        echo "URIs: $uri"
        echo "Suites: bookworm-backports"
        echo "Components: main"
        [ -n "$key" ] && echo "Signed-By: $key"
    } >"$backports_source"
    update=1
fi
[ ${#missing[@]} -gt 0 ] && echo "installing: ${missing[*]}"
if [ $update -eq 1 ] || [ ${#missing[@]} -gt 0 ] || ! qemu_ready; then
    # A mirror caught mid-sync fails one index or another; the install below
    # still fails, with its own reason, if what it needs cannot be had.
    apt-get update -qq || echo "install-deps: apt-get update reported errors; going on with the indexes it has" >&2
fi
install_missing() { apt-get install -y -qq --no-install-recommends "$@" "${missing[@]}" >/dev/null; }
if [ ${#missing[@]} -gt 0 ] && ! install_missing; then
    # With one architecture's index of a suite missing (the security suite's
    # i386 list, mid-sync), its amd64 updates have no i386 partner of the same
    # version; the release's own suite has both.
    codename=$(. /etc/os-release && echo "$VERSION_CODENAME")
    echo "install-deps: trying again with the packages of $codename itself" >&2
    install_missing -t "$codename"
fi
if ! qemu_ready; then
    echo "installing: qemu-user (bookworm-backports)"
    # Backports has a low priority: only qemu-user comes from it.
    apt-get install -y -qq --no-install-recommends -t bookworm-backports qemu-user >/dev/null
fi
