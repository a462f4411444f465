#!/usr/bin/env bash
# Times the main window's batch run (its own code, driven without a display by
# bench/batch_harness.cpp) over 100 photos of 12 to 24 megapixels, with one worker against
# one per core, and reports the peak memory of each. The outputs of the two must be equal.
#
#   bash bench/batch_speed.sh [BUILD_DIR] [ROUNDS]
#
# The photos are made once with ImageMagick and kept in BUILD_DIR/bench-photos.
# Needs: imagemagick, time, bc, pkg-config and the Qt 6 development files.
set -euo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$root/build-release}
rounds=${2:-2}
source "$root/bench/prelude.sh"

source "$root/bench/build_harness.sh"

# Six camera-like pictures (grain over a smooth fractal, 4:2:0 like camera files) from 12 to
# 24 megapixels, two of them progressive; the 100 photos are copies of them, each its own file.
photos=$build/bench-photos
if [ "$(ls "$photos" 2>/dev/null | wc -l)" -ne 100 ]; then
    rm -rf "$photos"
    mkdir -p "$photos.new"
    sizes=(4000x3000 4240x3180 4600x3450 5000x3750 5600x4200 6000x4000)
    for k in "${!sizes[@]}"; do
        extra=()
        [ $((k % 3)) -eq 2 ] && extra=(-interlace JPEG)
        "$convert" -size "${sizes[$k]}" -seed "$k" plasma:fractal -attenuate 0.3 +noise Gaussian \
            -quality 90 -sampling-factor 2x2 "${extra[@]}" "$photos.new/base$k.jpg"
    done
    for i in $(seq -w 0 99); do
        cp "$photos.new/base$((10#$i % 6)).jpg" "$photos.new/photo$i.jpg"
    done
    rm "$photos.new"/base*.jpg
    mv "$photos.new" "$photos"
fi
du -sh "$photos"

cores=$(nproc)
echo "load before: $(cut -d' ' -f1-3 /proc/loadavg)"
# One run: seconds of the run itself, then the processor seconds and the peak memory (MB) of
# the whole process.
run() { # workers output-folder
    rm -rf "$2" && mkdir -p "$2"
    /usr/bin/time -v "$harness" "$1" "$2" "$photos"/*.jpg 2>"$work/time.txt" >"$work/out.txt"
    awk -F': ' -v run="$(cut -d' ' -f1 "$work/out.txt")" '
        /User time|System time/ { cpu += $2 }
        /Maximum resident/ { peak = $2 }
        END { printf "%s %.1f %d\n", run, cpu, peak / 1024 }' "$work/time.txt"
}
one_total=0
all_total=0
one_best=
all_best=
min() { if [ -z "$1" ] || [ "$(echo "$2 < $1" | bc -l)" = 1 ]; then echo "$2"; else echo "$1"; fi; }
for r in $(seq "$rounds"); do
    read -r s1 c1 m1 < <(run 1 "$work/one")
    read -r sn cn mn < <(run "$cores" "$work/all")
    cmp -s <(cd "$work/one" && cat *) <(cd "$work/all" && cat *) ||
        { echo "the thumbnails of the two runs differ" >&2; exit 1; }
    echo "round $r: 1 worker ${s1}s (cpu ${c1}s, peak ${m1} MB)," \
        "$cores workers ${sn}s (cpu ${cn}s, peak ${mn} MB)"
    one_total=$(echo "$one_total + $s1" | bc -l)
    all_total=$(echo "$all_total + $sn" | bc -l)
    one_best=$(min "$one_best" "$s1")
    all_best=$(min "$all_best" "$sn")
done
echo "load after: $(cut -d' ' -f1-3 /proc/loadavg)"
# The best round of each is the one least disturbed by other work on the machine.
printf 'all cores take %.2f of the one-worker time over all rounds, %.2f best against best\n' \
    "$(echo "$all_total / $one_total" | bc -l)" "$(echo "$all_best / $one_best" | bc -l)"
echo "(target: at most 0.55 on two cores)"
