#!/bin/bash
# Installs, once, what the build and the Wine test bench need (Debian 12, as root).
set -e
packages=(cmake ninja-build g++-mingw-w64-x86-64-posix g++-mingw-w64-i686-posix wine64 googletest python3 g++
          clang-14 libclang-rt-14-dev mtools dosfstools)
missing=()
for p in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0
echo "installing: ${missing[*]}"
export DEBIAN_FRONTEND=noninteractive
apt-get update -qq
apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
