#!/bin/bash
# Builds the program's pure routines for this Linux host, with the address and
# undefined-behaviour sanitizers, and runs random inputs through them. That
# they build here at all keeps them free of Win32.
#   pure_fuzz.sh BUILD_DIR [ROUNDS]
set -euo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
out=$1/host
mkdir -p "$out"
pure=(
    src/driver/classify_release.cpp src/driver/release_text.cpp src/driver/splitter_command.cpp
    src/handoff/build_handoff_batch_text.cpp src/handoff/build_launch_command_line.cpp src/handoff/fill_pif_field.cpp
    src/migrate/build_loader_command.cpp src/migrate/dialog_text_reader.cpp src/migrate/match_startup_entry.cpp
    src/migrate/pad_fixed_text.cpp src/migrate/parse_old_dialog_definition.cpp src/migrate/password_scramble.cpp
    src/runtime/memory_ops.cpp src/runtime/scan_long.cpp src/runtime/split_path.cpp src/runtime/string_ops.cpp
    src/runtime/tokenize.cpp src/staging/crc32.cpp src/staging/piece_name.cpp src/staging/piece_record.cpp
    src/staging/split_plan.cpp
)
g++ -std=c++11 -O1 -g -Wall -Wextra -Werror -fsanitize=address,undefined -fno-sanitize-recover=all \
    -I"$root/src" -o "$out/pure_fuzz" "$root/tests/host/pure_fuzz.cpp" "${pure[@]/#/$root/}"
"$out/pure_fuzz" "${2:-20000}"
