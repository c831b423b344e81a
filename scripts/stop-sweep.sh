#!/bin/bash
# The stop-anywhere sweep: complete patch runs of both releases, each stopped
# at once before one of its changes (a write also once cut at half), then run
# again with the shipping program from the same media; the end state must be
# that of one uninterrupted run (tests/e2e/patch_scenario_test.cpp,
# RunStoppedAtAnyChangeThenRunAgainEndsAsOneRun).
#   stop-sweep.sh [all|spread] [BUILD_DIR]
# "all" (make stop-sweep) tries every change of both runs, "spread" (make
# test) every change to a file, a folder or a shortcut, the launch, and every
# tenth change to the registry, of release 1.0's run. The points are shared
# among Wine prefixes that run at once, one a core: the test bench's and
# copies of it. It prints every point tried,
# then each point whose end state differs and how, and fails if any does.
set -u
root=$(cd "$(dirname "$0")/.." && pwd)
[ -e /proc/sys/fs/binfmt_misc/qemu-i386 ] || exec "$root/scripts/bench32.sh" "$0" "$@"
points=${1:-all}
build=$(realpath -m "${2:-$root/build/i686}")
if [ ! -f "$build/scenario/media-1.0/DISK3/PATCH.2" ] || [ ! -f "$build/scenario/media-95.0.a/DISK3/PATCH.2" ]; then
    "$root/tests/scenario_media.sh" "$build" >/dev/null || { echo "stop-sweep: the media could not be made" >&2; exit 1; }
fi
# One prefix a core, the test bench's own first: the sweep has the bench to
# itself, and its runs keep the cores busy (qemu's emulation is what they
# wait for, so a third run on two cores only made each slower: the spread
# took 107 s in three prefixes, 88 s in two). The others are copies of the
# bench's prefix, its server ended first so that its registry is on disk: a
# copy takes seconds where Wine takes half a minute to make one, and each
# point starts from an installation of its own anyway.
prefixes=("$build/wineprefix")
for ((shard = 1; shard < $(nproc); shard++)); do prefixes+=("$build/sweep-prefix-$shard"); done
shards=${#prefixes[@]}
"$root/scripts/wine-run.sh" "${prefixes[0]}" cmd /c exit >/dev/null 2>&1
WINEPREFIX=${prefixes[0]} /usr/lib/wine/wineserver32 -k 2>/dev/null
WINEPREFIX=${prefixes[0]} /usr/lib/wine/wineserver32 -w 2>/dev/null
for prefix in "${prefixes[@]:1}"; do
    rm -rf "$prefix" "$prefix.tmp" "$prefix.drives"
    cp -a "${prefixes[0]}" "$prefix"
    # Its M: drive is made again for the copy, not the bench's.
    rm -f "$prefix/dosdevices/m:"
done
rm -f "$build"/stop-sweep-*.txt
started=$(date +%s)
pids=()
for ((shard = 0; shard < shards; shard++)); do
    ZARIZED_RUN_TIMEOUT=3600 ZARIZED_SWEEP=$points ZARIZED_SWEEP_SHARD=$shard/$shards ZARIZED_DOS_LAUNCHER=$build/DOSLAUNCH.EXE \
        "$root/scripts/wine-run.sh" "${prefixes[$shard]}" "$build/tests/patch_scenario_test.exe" \
        --gtest_filter='*StoppedAtAnyChange*' >"$build/stop-sweep-$shard.txt" 2>&1 &
    pids+=($!)
done
status=0
for pid in "${pids[@]}"; do wait "$pid" || status=1; done
logs=()
for ((shard = 0; shard < shards; shard++)); do logs+=("$build/stop-sweep-$shard.txt"); done
lines=$(cat "${logs[@]}" | tr -d '\r')
points_line='^\[ sweep    \] release [^ ]+ (download )?change '
echo "points tried:"
grep -E "$points_line" <<<"$lines" | sed 's/^\[ sweep    \] //' |
    awk '{ download = $3 == "download"; print $2, download, download ? $5 : $4, $0 }' | sort -k1,1 -k2,2n -k3,3n |
    cut -d' ' -f4- | sed 's/^/  /'
echo "points where the end state differs, and how:"
awk '/^\[ sweep    \] release [^ ]+ (download )?change .*: DIFFERS$/ { show = 1; sub(/^\[ sweep    \] /, "  "); print; next }
    /^\[ sweep    \] / { show = 0 } show && /^      / { print }' <<<"$lines" | grep . || echo "  none"
tried=$(grep -cE "$points_line" <<<"$lines")
differ=$(grep -cE "$points_line.*: DIFFERS$" <<<"$lines")
for log in "${logs[@]}"; do
    if ! tr -d '\r' <"$log" | grep -q '^\[==========\] 4 tests from 1 test suite ran'; then
        echo "stop-sweep: $(basename "$log") did not end its sweep:" >&2
        tail -20 "$log" >&2
        status=1
    fi
done
echo "stop sweep ($points): $tried points tried, $differ differ, in $(( $(date +%s) - started )) s"
[ "$differ" -eq 0 ] || status=1
exit $status
