#!/bin/bash
# Configures the host project (tests/host/CMakeLists.txt) in DIR, once, and
# builds the given targets, or all of them, with at most two jobs.
#   build.sh DIR [TARGET...]        (HOST_CXX overrides clang++-14)
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
dir=$1
shift
if [ ! -f "$dir/build.ninja" ]; then
    cmake -S "$here" -B "$dir" -G Ninja -DCMAKE_CXX_COMPILER="${HOST_CXX:-clang++-14}" >/dev/null
fi
targets=()
for target in "$@"; do
    targets+=(--target "$target")
done
cmake --build "$dir" -j2 "${targets[@]}" >"$dir/build.log" 2>&1 || { cat "$dir/build.log"; exit 1; }
