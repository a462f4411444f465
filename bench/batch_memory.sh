#!/usr/bin/env bash
# Peak memory of batches of very large photos: the main window's run (its own code, driven
# without a display by bench/batch_harness.cpp) with 1, 2 and 4 workers against quillet-thumb
# with 8 jobs, on four progressive 16000 x 16000 photos, then one 20000 x 14000 baseline photo.
# All decoders share one budget (1 GiB by default), so the progressive batch peaks near one
# photo's coefficient buffers (about 770 MB) however many workers run; a baseline photo is
# decoded row by row in a few MB.
#
#   bash bench/batch_memory.sh [BUILD_DIR]
#
# Needs: libvips-tools, time, pkg-config and the Qt 6 development files.
set -euo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$root/build-release}
source "$root/bench/prelude.sh"
source "$root/bench/build_harness.sh"

mkdir "$work/progressive" "$work/baseline"
vips black "$work/progressive/p1.jpg[Q=50,interlace]" 16000 16000 --bands 3
for i in 2 3 4; do cp "$work/progressive/p1.jpg" "$work/progressive/p$i.jpg"; done
vips black "$work/baseline/b.jpg[Q=50]" 20000 14000 --bands 3

peak() { # command...: the peak resident memory in MB
    /usr/bin/time -v "$@" 2>"$work/time.txt" >/dev/null || { cat "$work/time.txt" >&2; exit 1; }
    awk -F': ' '/Maximum resident/ { printf "%d MB", $2 / 1024 }' "$work/time.txt"
}
for photos in progressive baseline; do
    line="$photos:"
    for workers in 1 2 4; do
        rm -rf "$work/out" && mkdir "$work/out"
        line="$line window ${workers}w $(peak "$harness" "$workers" "$work/out" "$work/$photos"/*.jpg),"
    done
    rm -rf "$work/out" && mkdir "$work/out"
    line="$line quillet-thumb -j8 $(peak "$build/cli/quillet-thumb" -q -j8 -o "$work/out" \
        "$work/$photos"/*.jpg)"
    echo "$line"
done
