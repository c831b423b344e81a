#!/bin/bash
# Builds the program's CRC-32 for this Linux host (the host project's
# crc32_main, linking the sanitized pure library) and compares it with
# Python's zlib.crc32.
#   crc32_zlib.sh HOST_BUILD_DIR
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
"$here/build.sh" "$1" crc32_main
python3 "$here/crc32_zlib.py" "$1/crc32_main"
