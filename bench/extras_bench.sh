#!/usr/bin/env bash
# Smooth scaling, greyscale speed and memory of quillet-thumb against libvips' vipsthumbnail
# on camera-sized photos made here:
#  - quality: both cropped into 320 x 320, PSNR of each against ImageMagick's Lanczos-3
#    reduction of the full decoded picture to the same size;
#  - time: one thread each (-j1, VIPS_CONCURRENCY=1), one process per file, tools taking
#    turns, into the 160 x 180 box; smooth mode on colour baseline photos, exact mode on
#    greyscale ones;
#  - memory: peak resident size of smooth against exact mode on the same photo.
#
#   bash bench/extras_bench.sh [BUILD_DIR] [ROUNDS]
#
# Needs: imagemagick, libvips-tools, time, bc (installed when missing).
set -euo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$root/build-release}
rounds=${2:-5}
source "$root/bench/prelude.sh"

need_tools /usr/bin/convert:imagemagick /usr/bin/vipsthumbnail:libvips-tools /usr/bin/time:time /usr/bin/bc:bc
compare=/usr/bin/compare
export VIPS_CONCURRENCY=1
# One thread for ImageMagick too: its OpenMP threads crawl on a busy machine.
export MAGICK_THREAD_LIMIT=1

if [ ! -x "$build/cli/quillet-thumb" ]; then
    cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DQUILLET_GUI=OFF -DQUILLET_TESTS=OFF
    cmake --build "$build" --target quillet-thumb
fi
thumb=$build/cli/quillet-thumb

# Camera-like photos: a fractal landscape with fine grain and a fabric-like weave, 4:2:0 at
# quality 92 as cameras write them; baseline and progressive, in two camera sizes.
echo "Making the photos in $work ..."
corpus=$work/corpus
mkdir -p "$corpus" "$work/out"
make_photo() { # size seed name extra-options...
    local size=$1 seed=$2 name=$3
    shift 3
    "$convert" -size "$size" -seed "$seed" plasma:fractal \
        \( -size "$size" -seed "$seed" pattern:crosshatch30 -blur 0x0.6 \) \
        -compose softlight -composite -attenuate 0.4 +noise Gaussian "$@" "$corpus/$name.jpg"
}
for photo in 6000x4000:3:24mp-a 4608x3456:11:16mp-b 4000x3000:5:12mp-c 3000x4000:8:12mp-d; do
    IFS=: read -r size seed name <<<"$photo"
    make_photo "$size" "$seed" "$name-baseline" -quality 92 -sampling-factor 2x2
    make_photo "$size" "$seed" "$name-progressive" -quality 92 -sampling-factor 2x2 -interlace JPEG
done
for photo in 6000x4000:4:24mp-grey 4000x3000:6:12mp-grey; do
    IFS=: read -r size seed name <<<"$photo"
    make_photo "$size" "$seed" "$name" -colorspace Gray -quality 92
done
ls -l "$corpus"

size_of() { /usr/bin/identify -format '%wx%h' "$1"; }

echo
echo "PSNR against ImageMagick's Lanczos-3 reduction of the full picture (cropped into 320x320):"
printf '%-24s %10s %10s %10s %8s\n' photo exact smooth vips smooth-vips
sum_s=0 sum_v=0 n=0 worst=99
for f in "$corpus"/*-baseline.jpg "$corpus"/*-progressive.jpg; do
    name=$(basename "$f" .jpg)
    "$thumb" -q -j1 --crop -s 320x320 --overwrite --suffix .exact.jpg -o "$work/out" "$f"
    "$thumb" -q -j1 --crop --smooth -s 320x320 --overwrite --suffix .smooth.jpg -o "$work/out" "$f"
    dims=$(size_of "$work/out/$name.jpg.smooth.jpg")
    vipsthumbnail "$f" -s "$dims!" -o "$work/out/%s.vips.jpg[Q=90]"
    "$convert" "$f" -filter Lanczos -resize "$dims!" "$work/out/$name.ref.png"
    psnr() { "$compare" -metric PSNR "$1" "$work/out/$name.ref.png" null: 2>&1 | cut -d' ' -f1 || true; }
    e=$(psnr "$work/out/$name.jpg.exact.jpg")
    s=$(psnr "$work/out/$name.jpg.smooth.jpg")
    v=$(psnr "$work/out/$name.vips.jpg")
    d=$(echo "$s - $v" | bc -l)
    printf '%-24s %10.2f %10.2f %10.2f %+8.2f\n' "$name" "$e" "$s" "$v" "$d"
    sum_s=$(echo "$sum_s + $s" | bc -l)
    sum_v=$(echo "$sum_v + $v" | bc -l)
    worst=$(echo "if ($d < $worst) $d else $worst" | bc -l)
    n=$((n + 1))
done
printf 'average: smooth %.2f dB, vips %.2f dB; smallest smooth - vips: %+.2f dB (goal: >= -0.5)\n' \
    "$(echo "$sum_s / $n" | bc -l)" "$(echo "$sum_v / $n" | bc -l)" "$worst"

now() { date +%s.%N; }
run_smooth() { "$thumb" -q -j1 --smooth -s 160x180 --overwrite -o "$work/out" "$1"; }
run_exact() { "$thumb" -q -j1 -s 160x180 --overwrite -o "$work/out" "$1"; }
run_vips() { vipsthumbnail "$1" -s 160x180 -o "$work/out/%s.vips.jpg[Q=90]"; }
pass() { # tool files...
    local tool=$1 start
    shift
    start=$(now)
    for f in "$@"; do "run_$tool" "$f"; done
    echo "$(now) - $start" | bc -l
}
median() { sort -g | awk '{a[NR]=$1} END {m=(NR%2)?a[(NR+1)/2]:(a[NR/2]+a[NR/2+1])/2; printf "%.3f", m}'; }
race() { # label quillet-tool goal files...
    local label=$1 tool=$2 goal=$3 q=() v=()
    shift 3
    for _ in $(seq "$rounds"); do
        q+=("$(pass "$tool" "$@")")
        v+=("$(pass vips "$@")")
    done
    local mq mv
    mq=$(printf '%s\n' "${q[@]}" | median)
    mv=$(printf '%s\n' "${v[@]}" | median)
    printf '%-34s quillet %7.3fs  vipsthumbnail %7.3fs  ratio %.2f (goal <= %s)\n' "$label" \
        "$mq" "$mv" "$(echo "$mq / $mv" | bc -l)" "$goal"
}

echo
echo "Time, one thread, median of $rounds rounds, into 160x180:"
race "smooth, 12-24 MP baseline colour" smooth 0.65 "$corpus"/*-baseline.jpg
race "exact, greyscale" exact 1.0 "$corpus"/*-grey.jpg

echo
echo "Peak memory (maximum resident set size):"
for name in 24mp-a-baseline 24mp-a-progressive 24mp-grey; do
    f=$corpus/$name.jpg
    peak() { /usr/bin/time -f %M "$thumb" -q -j1 "$@" -s 160x180 --overwrite -o "$work/out" "$f" 2>&1 >/dev/null | tail -1; }
    e=$(peak)
    s=$(peak --smooth)
    printf '%-20s exact %6.1f MiB  smooth %6.1f MiB\n' "$name" "$(echo "$e / 1024" | bc -l)" \
        "$(echo "$s / 1024" | bc -l)"
done
