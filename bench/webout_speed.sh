#!/usr/bin/env bash
# Times quillet-thumb writing WebP and AVIF (smooth, 160x180, quality 90) against vipsthumbnail
# writing the same formats at the same encoder settings: one process per side for the whole
# batch, one thread each, the sides taking turns; prints the medians, their ratio and the
# mean bytes per thumbnail. Then the fidelity and sizes of the quality scale itself
# (bench/quality_calibration.cpp).
#
#   bash bench/webout_speed.sh [BUILD_DIR] [ROUNDS] [PHOTO...]
#
# Photos: the photographs of Debian's lomiri-wallpapers-16.04 unless given.
# Needs: libvips-tools, bc (installed when missing).
set -euo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$root/build-release}
rounds=${2:-5}
shift $(($# < 2 ? $# : 2))
source "$root/bench/prelude.sh"

need_tools /usr/bin/vipsthumbnail:libvips-tools /usr/bin/bc:bc
photos=("$@")
if [ ${#photos[@]} -eq 0 ]; then
    need_tools /usr/share/backgrounds/sunset_by_Aitzol_Berasategi.jpg:lomiri-wallpapers-16.04
    photos=(/usr/share/backgrounds/*_by_*.jpg)
fi

if [ ! -x "$build/cli/quillet-thumb" ]; then
    cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DQUILLET_GUI=OFF -DQUILLET_TESTS=OFF
    cmake --build "$build" --target quillet-thumb
fi
thumb=$build/cli/quillet-thumb
export VIPS_CONCURRENCY=1

# The encoders' own settings for quality 90 (thumbnail/qualityscale.cpp): WebP quality 94;
# AV1 quantizer 21, which is libheif's quality 67 (its quantizer is (100 - Q) * 63 / 100).
vips_webp='[Q=94,effort=4]'
vips_avif='[Q=67,compression=av1]'

now() { date +%s.%N; }
median() { sort -g | awk '{a[NR]=$1} END {m=(NR%2)?a[(NR+1)/2]:(a[NR/2]+a[NR/2+1])/2; printf "%.3f", m}'; }
mean_bytes() { find "$1" -type f -printf '%s\n' | awk '{s+=$1} END {printf "%.0f", s/NR}'; }

compare() { # format vips-suffix
    local format=$1 suffix=$2 q=() v=() start
    for _ in $(seq "$rounds"); do
        rm -rf "$work/q" "$work/v" && mkdir -p "$work/q" "$work/v"
        start=$(now)
        "$thumb" -q -j1 --smooth --format "$format" -s 160x180 -o "$work/q" "${photos[@]}"
        q+=("$(echo "$(now) - $start" | bc -l)")
        start=$(now)
        vipsthumbnail "${photos[@]}" -s 160x180 -o "$work/v/%s.$format$suffix"
        v+=("$(echo "$(now) - $start" | bc -l)")
    done
    local mq mv
    mq=$(printf '%s\n' "${q[@]}" | median)
    mv=$(printf '%s\n' "${v[@]}" | median)
    printf '%-5s quillet %7.3fs  vipsthumbnail %7.3fs  ratio %.2f   bytes: quillet %s  vips %s\n' \
        "$format" "$mq" "$mv" "$(echo "$mq / $mv" | bc -l)" "$(mean_bytes "$work/q")" \
        "$(mean_bytes "$work/v")"
}

echo "${#photos[@]} photos, median of $rounds rounds, one process per side, one thread:"
compare webp "$vips_webp"
compare avif "$vips_avif"

echo
# The calibration calls the encoders themselves, linked in.
cmake --build "$build" --target quillet_formats_linked >/dev/null
g++ -std=c++20 -O2 "$root/bench/quality_calibration.cpp" -o "$work/calibration" \
    -I"$root/thumbnail" -I"$root/platform" "$build/thumbnail/libquillet_formats_linked.a" \
    "$build/thumbnail/libquillet_thumbnail.a" \
    "$build/platform/libquillet_platform.a" \
    $(pkg-config --libs libwebp libwebpmux libwebpdemux libavif libpng lcms2 libheif libtiff-4) \
    -ljpeg -pthread
"$work/calibration" 160 180 "${photos[@]}"
