#!/usr/bin/env bash
# How close quillet-thumb --srgb comes to ImageMagick's conversion with the same profiles:
# photos tagged Display P3 and Adobe RGB are made into smooth PNG thumbnails with --srgb, and
# without it and then converted by ImageMagick (-profile ... -profile srgb.icc); prints the
# mean and largest CIE76 colour difference between the two, and that of the unconverted
# thumbnail, which shows what the conversion is worth.
#
#   bash bench/srgb_accuracy.sh [BUILD_DIR] [PHOTO...]
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
fi
if [ ! -x "$build/cli/quillet-thumb" ]; then
    cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DQUILLET_GUI=OFF -DQUILLET_TESTS=OFF
    cmake --build "$build" --target quillet-thumb
fi
cd "$work"
g++ -O2 "$root/bench/srgb_profiles.cpp" -o profiles -llcms2 && ./profiles
mkdir -p tagged converted plain reference
for profile in p3 adobe; do
    for photo in "${photos[@]}"; do
        # A photo without a profile takes the first -profile as its own, unconverted.
        "$convert" "$photo" -strip -profile $profile.icc "tagged/$(basename "$photo" .jpg)_$profile.jpg"
    done
done
"$build/cli/quillet-thumb" -q --srgb --smooth --crop --format png -o converted tagged/*
"$build/cli/quillet-thumb" -q --smooth --crop --format png -o plain tagged/*
for thumb in plain/*; do
    name=$(basename "$thumb")
    profile=p3
    [[ $name == *_adobe.* ]] && profile=adobe
    "$convert" "$thumb" -profile $profile.icc -profile srgb.icc "reference/$name"
done

/usr/bin/python3 - <<'PY'
import glob, os, subprocess

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

for profile in ('p3', 'adobe'):
    for folder in ('converted', 'plain'):
        total = count = worst = 0
        for thumb in sorted(glob.glob(f'{folder}/*_{profile}.jpg.thumb.png')):
            ours, ref = pixels(thumb), pixels('reference/' + os.path.basename(thumb))
            for i in range(0, len(ours), 3):
                d = sum((u - v) ** 2 for u, v in zip(lab(*ours[i:i + 3]), lab(*ref[i:i + 3]))) ** 0.5
                total, count, worst = total + d, count + 1, max(worst, d)
        what = '--srgb' if folder == 'converted' else 'not converted'
        print(f'{profile:5} {what:14} mean dE76 {total / count:5.2f}  max {worst:5.1f}')
PY
