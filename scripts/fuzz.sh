#!/bin/bash
# Coverage-guided fuzzing of the program's pure text and number routines on
# this Linux host: one libFuzzer target per routine (tests/fuzz/fuzz_*.cpp),
# each built with clang-14 from the program's own source files under the
# address and undefined-behaviour sanitizers.
#   fuzz.sh [--smoke] [BUILD_DIR]      (BUILD_DIR defaults to build/fuzz)
# Each target runs FUZZ_SECONDS seconds (default 30) on a copy of its seed
# corpus, tests/fuzz/corpus/<target>/, which is never grown. --smoke runs each
# target over its seeds and 2000 further inputs, for CI. Prints, per target,
# the inputs executed and the crash, leak, timeout and out-of-memory files
# written, and exits 1 if any target found anything.
set -uo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
smoke=0
if [ "${1:-}" = --smoke ]; then
    smoke=1
    shift
fi
out=$(mkdir -p "${1:-$root/build/fuzz}" && cd "${1:-$root/build/fuzz}" && pwd)
seconds=${FUZZ_SECONDS:-30}
cxx=${FUZZ_CXX:-clang++-14}

# The program's source files each target is built from.
declare -A sources=(
    [splitter_command]="src/driver/splitter_command.cpp src/runtime/tokenize.cpp src/runtime/scan_long.cpp
                        src/runtime/string_ops.cpp"
    [packed_definition]="src/migrate/parse_old_dialog_definition.cpp"
    [dialog_text]="src/migrate/dialog_text_reader.cpp"
    [split_plan]="src/staging/split_plan.cpp"
    [release_text]="src/driver/classify_release.cpp src/driver/release_text.cpp src/runtime/string_ops.cpp"
    [password_scramble]="src/migrate/password_scramble.cpp src/runtime/string_ops.cpp"
    [piece_record]="src/staging/piece_record.cpp"
    [crc32]="src/staging/crc32.cpp"
)
targets=(splitter_command packed_definition dialog_text split_plan release_text password_scramble piece_record
         crc32)
flags=(-std=c++11 -O1 -g -Wall -Wextra -Werror -fsanitize=fuzzer,address,undefined -fno-sanitize-recover=all
       -I"$root/src")

# Rebuilds a target when it is missing or older than any file it is made of.
build() {
    local name=$1 binary=$out/fuzz_$1 file stale=0
    local files=("tests/fuzz/fuzz_$name.cpp" tests/fuzz/fuzz_support.h ${sources[$name]})
    [ -x "$binary" ] || stale=1
    for file in "${files[@]}" scripts/fuzz.sh; do
        [ "$root/$file" -nt "$binary" ] && stale=1
    done
    [ $stale = 0 ] && return 0
    local compiled=()
    for file in "${files[@]}"; do
        [[ $file == *.cpp ]] && compiled+=("$root/$file")
    done
    "$cxx" "${flags[@]}" -o "$binary" "${compiled[@]}"
}

status=0
start=$SECONDS
for name in "${targets[@]}"; do
    if ! build "$name"; then
        echo "fuzz_$name: build failed"
        status=1
        continue
    fi
    work=$out/work/$name
    rm -rf "$work"
    mkdir -p "$work/corpus" "$work/findings"
    cp "$root/tests/fuzz/corpus/$name/"* "$work/corpus/" 2>/dev/null
    if [ $smoke = 1 ]; then
        limits=(-runs=2000 -max_total_time=10)
    else
        limits=(-max_total_time="$seconds")
    fi
    # Leak checking stays on (the default); one input may take 5 s at most.
    "$out/fuzz_$name" "${limits[@]}" -timeout=5 -rss_limit_mb=2048 -use_value_profile=1 -print_final_stats=1 \
        -artifact_prefix="$work/findings/" "$work/corpus" >"$work/log" 2>&1
    rc=$?
    executed=$(sed -n 's/^stat::number_of_executed_units: *//p' "$work/log" | tail -n 1)
    findings=$(cd "$work/findings" && ls 2>/dev/null | grep -E '^(crash|leak|timeout|oom)-' | tr '\n' ' ')
    line="fuzz_$name: ${executed:-?} executions, "
    if [ -n "$findings" ]; then
        line+="findings: $findings(log: $work/log)"
        status=1
    elif [ $rc != 0 ]; then
        line+="stopped with status $rc and no finding file (log: $work/log)"
        status=1
    else
        line+="no findings"
    fi
    echo "$line"
done
echo "fuzzing took $((SECONDS - start)) s"
exit $status
