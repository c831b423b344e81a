#!/bin/bash
# Throughput and peak memory of the splitter mode and the joiner, against cat
# moving the same bytes, and the joiner's time with the media's record of the
# pieces checked against its time without. Usage: bench/staging_bench.sh [BUILD_DIR] [DATA_DIR] [MIB]
# BUILD_DIR: an x86_64 build (default build/x64); DATA_DIR: where the
# input, pieces and outputs go (default BUILD_DIR/bench-data, removed at the
# end); MIB: the input size in MiB (default 1024). Needs about 4 x MIB of disk.
set -eu
root=$(cd "$(dirname "$0")/.." && pwd)
build=$(realpath "${1:-$root/build/x64}")
data=$(realpath -m "${2:-$build/bench-data}")
mib=${3:-1024}
pieces=50
runs=3

export WINEPREFIX=$build/bench-wineprefix
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml="
export TMPDIR=$WINEPREFIX.tmp
WINE=/usr/lib/wine/wine64
WINESERVER=/usr/lib/wine/wineserver64
[ -x "$WINESERVER" ] || WINESERVER=/usr/lib/wine/wineserver

# The joiner, linked from the program's own library.
x86_64-w64-mingw32-g++-posix -O2 -I"$root/src" -DWIN32_LEAN_AND_MEAN "$root/bench/join_bench.cpp" \
    "$build/libzarized_core.a" -o "$build/JOINBENCH.EXE" -static \
    -lkernel32 -luser32 -ladvapi32 -lversion -lole32 -luuid -lshell32
# Creates and prepares the prefix (headless) on first use.
ZARIZED_WINE_ARCH=win64 "$root/scripts/wine-run.sh" "$WINEPREFIX" "$build/JOINBENCH.EXE" >/dev/null || true
"$WINESERVER" -p600 </dev/null >/dev/null 2>&1 9>&- || true

mkdir -p "$data/out"
cleanup() { rm -rf "$data"; "$WINESERVER" -k 2>/dev/null || true; }
trap cleanup EXIT
cp "$build/ZARIZED.EXE" "$data/ZARIZED.EXE"

bytes=$((mib * 1024 * 1024))
# Piece size: the smallest that holds the file and its 4-byte count in 50 pieces.
size=$(((bytes + 4 + pieces - 1) / pieces))
echo "input: $bytes bytes, $pieces pieces of $size bytes (the last one cut)"
head -c "$bytes" /dev/urandom >"$data/PATCH.RTP"
cat "$data/PATCH.RTP" >/dev/null

now() { date +%s%N; }
# Runs a command with nothing dirty in the page cache; prints microseconds,
# peak RSS (KiB), exit status, and the CPU time (user and system, in
# milliseconds) of the command's own processes, which other load on the
# machine does not lengthen as it does the elapsed time.
measure() {
    sync
    local start end status=0 rss user system
    start=$(now)
    /usr/bin/time -f '%M %U %S' -o "$data/rss" "$@" </dev/null >/dev/null 2>&1 9>&- || status=$?
    end=$(now)
    read -r rss user system < <(tail -1 "$data/rss")
    echo "$(((end - start) / 1000)) $rss $status $(awk -v u="$user" -v s="$system" 'BEGIN { printf "%d", (u + s) * 1000 }')"
}
# The splitter mode always ends with 1, the bench joiner with 0 on success.
expect() { [ "$1" -eq "$2" ] || { echo "FAIL: $3 ended with $1"; exit 1; }; }
best() { sort -n | head -1; }
idle_rss() { /usr/bin/time -f %M -o "$data/rss" "$@" </dev/null >/dev/null 2>&1 9>&- || true; tail -1 "$data/rss"; }

# The record as the media builder writes it, for the pieces just cut.
write_record() {
    python3 - "$pieces" <<'PIECES'
import sys, zlib
count = int(sys.argv[1])
lines = ["[PIECES]", "Count=%d" % count]
for k in range(count):
    with open("PATCH.%d" % k, "rb") as piece:
        data = piece.read()
    lines.append("%d=%d,%08X" % (k, len(data), zlib.crc32(data)))
sys.stdout.write("".join(line + "\r\n" for line in lines))
PIECES
}

cd "$data"
split_idle=$(idle_rss "$WINE" ZARIZED.EXE /b)
join_idle=$(idle_rss "$WINE" "$build/JOINBENCH.EXE")

split_runs=() cat_split_runs=() join_runs=() cat_join_runs=() dd_runs=() checked_runs=() join_cpu=() checked_cpu=()
split_peak=0 join_peak=0 checked_peak=0
piece_list=()
for i in $(seq 0 $((pieces - 1))); do piece_list+=("PATCH.$i"); done
for r in $(seq $runs); do
    rm -f PATCH.[0-9]* out/*
    read -r t m st _ < <(measure "$WINE" ZARIZED.EXE "/bPATCH.RTP,$size"); expect "$st" 1 split
    split_runs+=("$t"); [ "$m" -gt "$split_peak" ] && split_peak=$m
    read -r t m st _ < <(measure sh -c 'cat PATCH.RTP >out/CAT.RTP'); cat_split_runs+=("$t")
    rm -f out/CAT.RTP
    # For reference: the same bytes through user space, one piece-sized buffer.
    read -r t m st _ < <(measure dd if=PATCH.RTP of=out/DD.RTP bs="$size" status=none); dd_runs+=("$t")
    rm -f out/DD.RTP
    read -r t m st c < <(measure "$WINE" "$build/JOINBENCH.EXE" PATCH.RTP . out); expect "$st" 0 join
    join_runs+=("$t"); join_cpu+=("$c"); [ "$m" -gt "$join_peak" ] && join_peak=$m
    cmp PATCH.RTP out/PATCH.RTP || { echo "FAIL: the joined file differs from the input"; exit 1; }
    [ "$(ls PATCH.[0-9]* | wc -l)" -eq "$pieces" ] || { echo "FAIL: not $pieces pieces"; exit 1; }
    # The same join with the media's record of the pieces in patch.ini:
    # every piece's size and CRC-32 checked before it is written.
    [ -f record.ini ] || write_record >record.ini
    cp record.ini patch.ini
    rm -f out/PATCH.RTP
    read -r t m st c < <(measure "$WINE" "$build/JOINBENCH.EXE" PATCH.RTP . out); expect "$st" 0 "checked join"
    checked_runs+=("$t"); checked_cpu+=("$c"); [ "$m" -gt "$checked_peak" ] && checked_peak=$m
    rm -f patch.ini
    cmp PATCH.RTP out/PATCH.RTP || { echo "FAIL: the checked join differs from the input"; exit 1; }
    read -r t m st _ < <(measure sh -c "cat ${piece_list[*]} >out/CAT.RTP"); cat_join_runs+=("$t")
    rm -f out/*
done

ratio() { awk -v a="$1" -v b="$2" 'BEGIN { printf "%.2f", a / b }'; }
rate() { awk -v n="$bytes" -v us="$1" 'BEGIN { printf "%.0f MiB/s", n / 1048576 / (us / 1e6) }'; }
s=$(printf '%s\n' "${split_runs[@]}" | best); cs=$(printf '%s\n' "${cat_split_runs[@]}" | best)
j=$(printf '%s\n' "${join_runs[@]}" | best); cj=$(printf '%s\n' "${cat_join_runs[@]}" | best)
d=$(printf '%s\n' "${dd_runs[@]}" | best)
jc=$(printf '%s\n' "${checked_runs[@]}" | best)
jcpu=$(printf '%s\n' "${join_cpu[@]}" | best); jccpu=$(printf '%s\n' "${checked_cpu[@]}" | best)
limit=$((size / 1024 + 4096))
split_mem=$((split_peak - split_idle)); join_mem=$((join_peak - join_idle)); checked_mem=$((checked_peak - join_idle))
added=$(awk -v a="$jc" -v b="$j" 'BEGIN { printf "%.1f", (a / b - 1) * 100 }')
added_cpu=$(awk -v a="$jccpu" -v b="$jcpu" 'BEGIN { printf "%.1f", (a / b - 1) * 100 }')
verdict() { [ "$1" = ok ] && echo "meets" || echo "MISSES"; }
echo "split: $(rate "$s") vs cat $(rate "$cs"): ratio $(ratio "$cs" "$s") (target >= 0.80) [best of $runs]"
echo "join:  $(rate "$j") vs cat $(rate "$cj"): ratio $(ratio "$cj" "$j") (target >= 0.80) [best of $runs]"
echo "join with the record checked: $(rate "$jc") vs $(rate "$j") without: $added % more time [best of $runs]"
echo "  its CPU time: $jccpu ms vs $jcpu ms without: $added_cpu % more (target <= 10 %) [best of $runs]"
echo "for reference, dd with a piece-sized buffer: $(rate "$d") (cat copies inside the kernel)"
echo "split peak memory above Wine's idle: $split_mem KiB (idle $split_idle KiB, limit $limit KiB)"
echo "join peak memory above Wine's idle: $join_mem KiB (idle $join_idle KiB, limit $limit KiB)"
echo "checked join peak memory above Wine's idle: $checked_mem KiB (limit $limit KiB)"
ok=ok
awk -v a="$cs" -v b="$s" 'BEGIN { exit !(a / b >= 0.8) }' || ok=no
awk -v a="$cj" -v b="$j" 'BEGIN { exit !(a / b >= 0.8) }' || ok=no
[ "$split_mem" -le "$limit" ] && [ "$join_mem" -le "$limit" ] && [ "$checked_mem" -le "$limit" ] || ok=no
awk -v a="$jccpu" -v b="$jcpu" 'BEGIN { exit !(a / b <= 1.10) }' || ok=no
echo "bytes identical after split and join; targets: $(verdict $ok)"
[ $ok = ok ]
