#!/bin/bash
# Throughput and peak memory of the splitter mode and the joiner, against a
# plain Win32 copy of the same bytes under the same Wine (and cat, for
# reference), the joiner's time with the media's record of the pieces checked
# against its time without, and the check and extraction of a 10 MiB download
# build against a plain Win32 copy of it. Usage: bench/staging_bench.sh [BUILD_DIR] [DATA_DIR] [MIB]
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
    "$build/libzarized_core.a" "$build/libzarized_base.a" -o "$build/JOINBENCH.EXE" -static \
    -lkernel32 -luser32 -ladvapi32 -lversion -lole32 -luuid -lshell32
# The download extractor's check and extraction, linked from its own library,
# and the plain Win32 copy everything is measured against.
x86_64-w64-mingw32-g++-posix -O2 -I"$root/src" -DWIN32_LEAN_AND_MEAN "$root/bench/unpack_bench.cpp" \
    "$build/libzarized_extractor.a" "$build/libzarized_base.a" -o "$build/UNPACKBENCH.EXE" -static \
    -lkernel32 -luser32
x86_64-w64-mingw32-g++-posix -O2 "$root/bench/win32_copy.cpp" -o "$build/WIN32COPY.EXE" -static
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
# A download build of 10 MiB of patch data, as the media builder packs one.
download_bytes=$((10 * 1024 * 1024))
mkdir -p "$data/download"
head -c "$download_bytes" /dev/urandom >"$data/download/PATCH.0"
cp "$build/ZARIZED.EXE" "$data/download/ZARIZED.EXE"
printf '[VERSION]\r\nVersion=1.0\r\n' >"$data/download/patch.ini"
python3 "$root/scripts/make_download.py" "$build/EXTRACT.EXE" "$data/DL.EXE" \
    "$data/download"/{ZARIZED.EXE,patch.ini,PATCH.0}
echo "download: $(stat -c %s "$data/DL.EXE") bytes, checked and unpacked as /x does"

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
    python3 - "${1:-$pieces}" <<'PIECES'
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
unpack_idle=$(idle_rss "$WINE" "$build/UNPACKBENCH.EXE")

split_runs=() cat_split_runs=() join_runs=() cat_join_runs=() dd_runs=() checked_runs=() join_cpu=() checked_cpu=()
copy_split_runs=() copy_join_runs=() unpack_runs=() copy_download_runs=()
split_peak=0 join_peak=0 checked_peak=0 unpack_peak=0
piece_list=()
for i in $(seq 0 $((pieces - 1))); do piece_list+=("PATCH.$i"); done
for r in $(seq $runs); do
    rm -f PATCH.[0-9]* out/*
    read -r t m st _ < <(measure "$WINE" ZARIZED.EXE "/bPATCH.RTP,$size"); expect "$st" 1 split
    split_runs+=("$t"); [ "$m" -gt "$split_peak" ] && split_peak=$m
    read -r t m st _ < <(measure sh -c 'cat PATCH.RTP >out/CAT.RTP'); cat_split_runs+=("$t")
    rm -f out/CAT.RTP
    read -r t m st _ < <(measure "$WINE" "$build/WIN32COPY.EXE" "$size" out/COPY.RTP PATCH.RTP); expect "$st" 0 "Win32 copy"
    copy_split_runs+=("$t")
    rm -f out/COPY.RTP
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
    read -r t m st _ < <(measure "$WINE" "$build/WIN32COPY.EXE" "$size" out/COPY.RTP "${piece_list[@]}")
    expect "$st" 0 "Win32 copy"; copy_join_runs+=("$t")
    rm -f out/*
    # The download: every byte checked against its CRC-32, then unpacked,
    # against a plain copy of the same file.
    mkdir -p out/unpacked
    read -r t m st _ < <(measure "$WINE" "$build/UNPACKBENCH.EXE" DL.EXE out/unpacked); expect "$st" 0 unpack
    unpack_runs+=("$t"); [ "$m" -gt "$unpack_peak" ] && unpack_peak=$m
    cmp download/PATCH.0 out/unpacked/PATCH.0 || { echo "FAIL: the unpacked data differs"; exit 1; }
    read -r t m st _ < <(measure "$WINE" "$build/WIN32COPY.EXE" 65536 out/DL.COPY DL.EXE); expect "$st" 0 "Win32 copy"
    copy_download_runs+=("$t")
    rm -rf out/*
done

# A stopped run's Patch.rtp kept: 20 MiB of data in floppy pieces with their
# record, joined from one folder, then joined again with the joined file kept
# whole, which is then only checked against the record. Both are the join
# call's own time, as the joiner prints it (Wine's start-up apart).
kept_bytes=$((20 * 1024 * 1024))
mkdir -p kept/out
head -c "$kept_bytes" /dev/urandom >kept/PATCH.RTP
(cd kept && "$WINE" ../ZARIZED.EXE "/bPATCH.RTP,1457664" </dev/null >/dev/null 2>&1 9>&-) || true
kept_pieces=$(ls kept/PATCH.[0-9]* | wc -l)
(cd kept && write_record "$kept_pieces" >patch.ini)
kept_join_runs=() kept_check_runs=()
for r in $(seq 5); do
    rm -f kept/out/PATCH.RTP
    kept_join_runs+=("$(cd kept && "$WINE" "$build/JOINBENCH.EXE" PATCH.RTP . out </dev/null 2>/dev/null 9>&- | tr -d '\r')")
    cmp -s kept/PATCH.RTP kept/out/PATCH.RTP || { echo "FAIL: the 20 MiB join differs from its input"; exit 1; }
    kept_check_runs+=("$(cd kept && "$WINE" "$build/JOINBENCH.EXE" PATCH.RTP . out </dev/null 2>/dev/null 9>&- | tr -d '\r')")
    cmp -s kept/PATCH.RTP kept/out/PATCH.RTP || { echo "FAIL: the kept file differs from the input after its check"; exit 1; }
done
kj=$(printf '%s\n' "${kept_join_runs[@]}" | best); kc=$(printf '%s\n' "${kept_check_runs[@]}" | best)

ratio() { awk -v a="$1" -v b="$2" 'BEGIN { printf "%.2f", a / b }'; }
rate() { awk -v n="${2:-$bytes}" -v us="$1" 'BEGIN { printf "%.0f MiB/s", n / 1048576 / (us / 1e6) }'; }
s=$(printf '%s\n' "${split_runs[@]}" | best); cs=$(printf '%s\n' "${cat_split_runs[@]}" | best)
j=$(printf '%s\n' "${join_runs[@]}" | best); cj=$(printf '%s\n' "${cat_join_runs[@]}" | best)
d=$(printf '%s\n' "${dd_runs[@]}" | best)
jc=$(printf '%s\n' "${checked_runs[@]}" | best)
ws=$(printf '%s\n' "${copy_split_runs[@]}" | best); wj=$(printf '%s\n' "${copy_join_runs[@]}" | best)
u=$(printf '%s\n' "${unpack_runs[@]}" | best); wd=$(printf '%s\n' "${copy_download_runs[@]}" | best)
unpack_mem=$((unpack_peak - unpack_idle))
jcpu=$(printf '%s\n' "${join_cpu[@]}" | best); jccpu=$(printf '%s\n' "${checked_cpu[@]}" | best)
limit=$((size / 1024 + 4096))
split_mem=$((split_peak - split_idle)); join_mem=$((join_peak - join_idle)); checked_mem=$((checked_peak - join_idle))
added=$(awk -v a="$jc" -v b="$j" 'BEGIN { printf "%.1f", (a / b - 1) * 100 }')
added_cpu=$(awk -v a="$jccpu" -v b="$jcpu" 'BEGIN { printf "%.1f", (a / b - 1) * 100 }')
verdict() { [ "$1" = ok ] && echo "meets" || echo "MISSES"; }
echo "split: $(rate "$s") vs a Win32 copy $(rate "$ws"): ratio $(ratio "$ws" "$s") (target >= 0.50) [best of $runs]"
echo "join:  $(rate "$j") vs a Win32 copy $(rate "$wj"): ratio $(ratio "$wj" "$j") (target >= 0.50) [best of $runs]"
echo "  for reference, cat: $(rate "$cs") for the split's bytes, $(rate "$cj") for the join's (inside the kernel)"
echo "join with the record checked: $(rate "$jc") vs a Win32 copy $(rate "$wj"): ratio $(ratio "$wj" "$jc") (target >= 0.50) [best of $runs]"
echo "  $added % more time than without the record; its CPU time $jccpu ms vs $jcpu ms: $added_cpu % more [best of $runs]"
echo "for reference, dd with a piece-sized buffer: $(rate "$d") (cat copies inside the kernel)"
echo "a stopped run's Patch.rtp of 20 MiB ($kept_pieces floppy pieces) kept whole: checked in $((kc / 1000)) ms," \
    "joined from one folder in $((kj / 1000)) ms: $(ratio "$kc" "$kj") of the join (target <= 0.33) [best of 5]"
echo "split peak memory above Wine's idle: $split_mem KiB (idle $split_idle KiB, limit $limit KiB)"
echo "join peak memory above Wine's idle: $join_mem KiB (idle $join_idle KiB, limit $limit KiB)"
echo "checked join peak memory above Wine's idle: $checked_mem KiB (limit $limit KiB)"
echo "download check and extraction: $(rate "$u" "$download_bytes") vs a Win32 copy $(rate "$wd" "$download_bytes"):" \
    "$(ratio "$u" "$wd") times as long (target <= 2.00) [best of $runs]"
echo "  peak memory above Wine's idle: $unpack_mem KiB (idle $unpack_idle KiB, limit 1024 KiB)"
ok=ok
awk -v a="$ws" -v b="$s" 'BEGIN { exit !(a / b >= 0.5) }' || ok=no
awk -v a="$wj" -v b="$j" 'BEGIN { exit !(a / b >= 0.5) }' || ok=no
awk -v a="$u" -v b="$wd" 'BEGIN { exit !(a / b <= 2.0) }' || ok=no
[ "$unpack_mem" -le 1024 ] || ok=no
[ "$split_mem" -le "$limit" ] && [ "$join_mem" -le "$limit" ] && [ "$checked_mem" -le "$limit" ] || ok=no
awk -v a="$wj" -v b="$jc" 'BEGIN { exit !(a / b >= 0.5) }' || ok=no
awk -v a="$kc" -v b="$kj" 'BEGIN { exit !(a / b <= 0.33) }' || ok=no
echo "bytes identical after split and join; targets: $(verdict $ok)"
[ $ok = ok ]
