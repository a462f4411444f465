#!/usr/bin/env bash
# Times the preview's decoding of photos of 24, 45 and 100 megapixels (baseline, and the
# 24 MP one also progressive) and reports the peak memory of a process that previews each.
#
#   bash bench/preview_speed.sh [BUILD_DIR] [ROUNDS]
#
# The photos are made once with ImageMagick and kept in BUILD_DIR/bench-previews.
# Needs: imagemagick, libvips-tools (vips enlarges the 24 MP photo in a stream, where
# ImageMagick would hold a 100 MP picture in memory).
set -euo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$root/build-release}
rounds=${2:-3}
source "$root/bench/prelude.sh"

if [ ! -f "$build/thumbnail/libquillet_thumbnail.a" ]; then
    cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DQUILLET_TESTS=OFF
fi
cmake --build "$build" --target quillet_thumbnail
harness=$work/preview_harness
g++ -std=c++20 -O2 "$root/bench/preview_harness.cpp" -o "$harness" -I"$root/thumbnail" \
    "$build/thumbnail/libquillet_thumbnail.a" "$build/platform/libquillet_platform.a" -ljpeg

photos=$build/bench-previews
mkdir -p "$photos"
# Camera-like content: a smooth fractal with grain, 4:2:0 like camera files.
if [ ! -f "$photos/24mp.jpg" ]; then
    "$convert" -size 6000x4000 -seed 7 plasma:fractal -attenuate 0.3 +noise Gaussian \
        -sampling-factor 2x2 -quality 90 "$photos/24mp.new.jpg"
    mv "$photos/24mp.new.jpg" "$photos/24mp.jpg"
fi
make_photo() { # name vips-operation arguments...
    local name=$1
    shift
    [ -f "$photos/$name" ] || vips "$@"
}
make_photo 24mp-progressive.jpg copy "$photos/24mp.jpg" "$photos/24mp-progressive.jpg[Q=90,interlace]"
make_photo 45mp.jpg resize "$photos/24mp.jpg" "$photos/45mp.jpg[Q=90]" 1.376
make_photo 100mp.jpg resize "$photos/24mp.jpg" "$photos/100mp.jpg[Q=90]" 2.048

for photo in 24mp.jpg 24mp-progressive.jpg 45mp.jpg 100mp.jpg; do
    "$harness" "$rounds" "$photos/$photo"
done
