#!/bin/bash
# Coverage-guided fuzzing of the program's pure text and number routines on
# this Linux host: one libFuzzer target per routine (tests/fuzz/fuzz_*.cpp),
# each built with clang-14 by the host project (tests/host/CMakeLists.txt),
# linking the program's pure sources under the address and undefined-behaviour
# sanitizers.
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

# The host project builds every target from the sanitized library of the
# program's pure sources (cmake/pure_sources.cmake) and names them in
# fuzz_targets.txt.
if ! HOST_CXX=${FUZZ_CXX:-clang++-14} "$root/tests/host/build.sh" "$out"; then
    echo "the fuzz targets did not build"
    exit 1
fi
mapfile -t targets <"$out/fuzz_targets.txt"

status=0
start=$SECONDS
for name in "${targets[@]}"; do
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
