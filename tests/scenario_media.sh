#!/bin/bash
# Builds, with the patch-media builder, the two media sets (one per release
# served), each with its download build, that the end-to-end patch scenarios
# run from.
#   scenario_media.sh BUILD_DIR
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=$(realpath -m "$1")
out=$build/scenario
rm -rf "$out"
mkdir -p "$out"
# The engine is the sample one, so that a run can go on through the DOS phase.
cp "$build/ENGINE.COM" "$out/engine.bin"
# Each build of the patch has data of its own, of the same size: the two sets
# have pieces of the same names and sizes, and only their bytes tell them apart.
for release in 1.0 95.0.a; do
    head -c 450000 /dev/urandom >"$out/data-$release.bin"
    MEDIA_BUILD=$build MEDIA_WINEPREFIX=$build/media-prefix MEDIA_DOWNLOAD=1 \
        "$root/scripts/make-media.sh" "$out/engine.bin" "$out/data-$release.bin" "$release" "$out/media-$release" 200000
done
