#!/bin/bash
# Builds the program's CRC-32 for this Linux host, with the address and
# undefined-behaviour sanitizers, and compares it with Python's zlib.crc32.
#   crc32_zlib.sh BUILD_DIR
set -euo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
out=$1/host
mkdir -p "$out"
flags=(-std=c++11 -O1 -g -Wall -Wextra -Werror -fsanitize=address,undefined -fno-sanitize-recover=all -I"$root/src")
sources=("$root/tests/host/crc32_main.cpp" "$root/src/staging/crc32.cpp")
g++ "${flags[@]}" -o "$out/crc32_main" "${sources[@]}"
python3 "$root/tests/host/crc32_zlib.py" "$out/crc32_main"
