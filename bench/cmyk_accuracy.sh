#!/usr/bin/env bash
# How close quillet-thumb --srgb comes to ImageMagick's conversion of CMYK TIFF photos through
# their own profile: photos made CMYK and tagged with a press profile, in 8 and 16 bits, in
# strips and tiles (ImageMagick writes no separate planes; the tests cover those), are made
# into PNG thumbnails at their own size (so no pixel is resampled) with --srgb, and converted
# by ImageMagick (-profile srgb.icc); prints the mean and largest CIE76 colour difference, and
# that of the plain conversion (no --srgb), which shows what the profile is worth.
#
#   bash bench/cmyk_accuracy.sh [BUILD_DIR] [PHOTO...]
set -euo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
build=$(realpath -m "${1:-$root/build-release}")
shift $(($# < 1 ? $# : 1))
source "$root/bench/prelude.sh"
need_tools /usr/bin/python3:python3
photos=("$@")
if [ ${#photos[@]} -eq 0 ]; then
    need_tools /usr/share/backgrounds/sunset_by_Aitzol_Berasategi.jpg:lomiri-wallpapers-16.04
    photos=(/usr/share/backgrounds/*_by_*.jpg)
    photos=("${photos[@]:0:4}")
fi
if [ ! -x "$build/cli/quillet-thumb" ]; then
    cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DQUILLET_GUI=OFF -DQUILLET_TESTS=OFF
    cmake --build "$build" --target quillet-thumb
fi
cd "$work"
g++ -O2 "$root/bench/cmyk_profile.cpp" -o profile -llcms2 && ./profile
declare -A layouts=(
    [contig8]=""
    [contig16]="-depth 16"
    [tiles8]="-define tiff:tile-geometry=64x64"
    [tiles16]="-depth 16 -define tiff:tile-geometry=64x64"
)
mkdir -p tagged converted plain reference
for photo in "${photos[@]}"; do
    name=$(basename "$photo" .jpg)
    # A CMYK picture without a profile takes the first -profile as its own, unconverted.
    "$convert" "$photo" -strip -resize 480x480 -colorspace CMYK -profile press.icc base.tif
    for layout in "${!layouts[@]}"; do
        # shellcheck disable=SC2086
        "$convert" base.tif ${layouts[$layout]} -compress zip "tagged/${name}_$layout.tif"
    done
done
for tiff in tagged/*.tif; do
    size=$("$convert" "$tiff" -format '%wx%h' info:)
    "$build/cli/quillet-thumb" -q --srgb --format png -s "$size" -o converted "$tiff"
    "$build/cli/quillet-thumb" -q --format png -s "$size" -o plain "$tiff"
    "$convert" "$tiff" -profile srgb.icc -depth 8 "reference/$(basename "$tiff").thumb.png"
done

/usr/bin/python3 - "${!layouts[@]}" <<'PY'
import glob, os, subprocess, sys

def pixels(path):
    data = subprocess.run(['/usr/bin/convert', path, '-depth', '8', 'ppm:-'],
                          capture_output=True, check=True).stdout
    return data.split(b'\n', 3)[3]

def lab(r, g, b):
    def linear(c):
        c /= 255
        return c / 12.92 if c <= 0.04045 else ((c + 0.055) / 1.055) ** 2.4
    r, g, b = linear(r), linear(g), linear(b)
    x = (0.4124 * r + 0.3576 * g + 0.1805 * b) / 0.95047
    y = 0.2126 * r + 0.7152 * g + 0.0722 * b
    z = (0.0193 * r + 0.1192 * g + 0.9505 * b) / 1.08883
    f = lambda t: t ** (1 / 3) if t > 0.008856 else 7.787 * t + 16 / 116
    return 116 * f(y) - 16, 500 * (f(x) - f(y)), 200 * (f(y) - f(z))

cache = {}
def difference(a, b):
    key = a + b
    if key not in cache:
        cache[key] = sum((u - v) ** 2 for u, v in zip(lab(*a), lab(*b))) ** 0.5
    return cache[key]

for layout in sorted(sys.argv[1:]):
    for folder in ('converted', 'plain'):
        total = count = worst = 0
        for thumb in sorted(glob.glob(f'{folder}/*_{layout}.tif.thumb.png')):
            ours, ref = pixels(thumb), pixels('reference/' + os.path.basename(thumb))
            for i in range(0, len(ours), 3):
                d = difference(ours[i:i + 3], ref[i:i + 3])
                total, count, worst = total + d, count + 1, max(worst, d)
        what = '--srgb' if folder == 'converted' else 'plain'
        print(f'{layout:14} {what:7} mean dE76 {total / count:5.2f}  max {worst:5.1f}')
PY
