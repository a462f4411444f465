#!/usr/bin/env bash
# Smooth scaling, exact-mode speed and memory of quillet-thumb on real photographs at camera
# size (bench/real_photos.sh), run as users run the tools: one process per side for the
# whole batch, one thread each (-j1, VIPS_CONCURRENCY=1), the sides taking turns.
#  - quality: smooth thumbnails and vipsthumbnail's, padded into 160 x 180 and cropped into
#    320 x 320, PSNR of the picture of each against ImageMagick's Lanczos-3 reduction of the
#    full decoded picture to the same size, and the files' sizes;
#  - time: smooth against vipsthumbnail; exact greyscale against djpeg's full decode (one
#    djpeg per photo: that is how it runs); exact colour against the entropy-decode floor
#    (bench/entropy_floor.cpp, one process);
#  - memory: peak resident size of each mode.
#
#   bash bench/extras_bench.sh [BUILD_DIR] [ROUNDS]
#
# Needs: imagemagick, libvips-tools, libjpeg-turbo-progs, time, bc, g++ (installed when missing).
set -euo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$root/build-release}
rounds=${2:-5}
source "$root/bench/prelude.sh"

need_tools /usr/bin/convert:imagemagick /usr/bin/vipsthumbnail:libvips-tools /usr/bin/time:time \
    /usr/bin/bc:bc /usr/bin/djpeg:libjpeg-turbo-progs /usr/bin/g++:g++
compare=/usr/bin/compare
export VIPS_CONCURRENCY=1
# One thread for ImageMagick too: its OpenMP threads crawl on a busy machine.
export MAGICK_THREAD_LIMIT=1

if [ ! -x "$build/cli/quillet-thumb" ]; then
    cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DQUILLET_GUI=OFF -DQUILLET_TESTS=OFF
    cmake --build "$build" --target quillet-thumb
fi
thumb=$build/cli/quillet-thumb
floor=$work/entropy_floor
g++ -std=c++20 -O2 "$root/bench/entropy_floor.cpp" -o "$floor" -ljpeg

source "$root/bench/real_photos.sh"
ls -l "$real"
mkdir -p "$work/out" "$real/refs"

size_of() { /usr/bin/identify -format '%wx%h' "$1"; }
psnr() { "$compare" -metric PSNR "$1" "$2" null: 2>&1 | cut -d' ' -f1 || true; }
# The Lanczos-3 reduction of the full picture, kept beside the photos: it takes a while.
reference() { # photo WxH
    local ref=$real/refs/$(basename "$1" .jpg)-$2.png
    [ -f "$ref" ] || "$convert" "$1" -filter Lanczos -resize "$2!" "$ref"
    echo "$ref"
}
# The picture rectangle of a padded thumbnail: WxH+X+Y (halves of the rounding to even).
padded_picture() { # photo box-width box-height
    /usr/bin/identify -format '%w %h' "$1" | awk -v bw="$2" -v bh="$3" '{
        if ($1 > $2) { w = bw; h = sprintf("%.0f", bw * $2 / $1) } else { h = bh; w = sprintf("%.0f", bh * $1 / $2) }
        printf "%dx%d+%d+%d", w, h, int((bw - w) / 2), int((bh - h) / 2) }'
}

quality() { # label box crop|pad
    local label=$1 box=$2 mode=$3 flag=() sum_s=0 sum_v=0 n=0 worst=99
    [ "$mode" = crop ] && flag=(--crop)
    "$thumb" -q -j1 --smooth "${flag[@]}" -s "$box" --overwrite --suffix ".$mode.jpg" \
        -o "$work/out" "${photos[@]}"
    echo
    echo "PSNR (dB) against the Lanczos-3 reduction of the full picture, $label:"
    printf '%-24s %8s %8s %8s %14s\n' photo smooth vips smooth-vips 'bytes/vips'
    local sizes=0 vsizes=0
    for f in "${photos[@]}"; do
        local name ours picture dims s v d
        name=$(basename "$f")
        ours=$work/out/$name.$mode.jpg
        if [ "$mode" = crop ]; then
            picture=$(size_of "$ours")+0+0
        else
            picture=$(padded_picture "$f" "${box%x*}" "${box#*x}")
        fi
        dims=${picture%%+*}
        vipsthumbnail "$f" -s "$dims!" -o "$work/out/%s.vips.jpg[Q=90]"
        s=$(psnr "$ours[$picture]" "$(reference "$f" "$dims")")
        v=$(psnr "$work/out/${name%.jpg}.vips.jpg" "$(reference "$f" "$dims")")
        d=$(echo "$s - $v" | bc -l)
        local bytes vbytes
        bytes=$(stat -c %s "$ours")
        vbytes=$(stat -c %s "$work/out/${name%.jpg}.vips.jpg")
        sizes=$((sizes + bytes))
        vsizes=$((vsizes + vbytes))
        printf '%-24s %8.2f %8.2f %+8.2f %14.2f\n' "${name%.jpg}" "$s" "$v" "$d" \
            "$(echo "$bytes / $vbytes" | bc -l)"
        sum_s=$(echo "$sum_s + $s" | bc -l)
        sum_v=$(echo "$sum_v + $v" | bc -l)
        worst=$(echo "if ($d < $worst) $d else $worst" | bc -l)
        n=$((n + 1))
    done
    printf 'average: smooth %.2f, vips %.2f, difference %+.2f (goal > 0); smallest %+.2f (goal >= -0.2)\n' \
        "$(echo "$sum_s / $n" | bc -l)" "$(echo "$sum_v / $n" | bc -l)" \
        "$(echo "($sum_s - $sum_v) / $n" | bc -l)" "$worst"
    # Padded thumbnails carry their fill as well, which costs few bytes.
    printf 'bytes: %d against %d, ratio %.2f\n' "$sizes" "$vsizes" "$(echo "$sizes / $vsizes" | bc -l)"
}
quality "160x180 padded" 160x180 pad
quality "320x320 cropped" 320x320 crop

now() { date +%s.%N; }
timed() { # command...: seconds it took
    local start
    start=$(now)
    "$@" >/dev/null
    echo "$(now) - $start" | bc -l
}
median() { sort -g | awk '{a[NR]=$1} END {m=(NR%2)?a[(NR+1)/2]:(a[NR/2]+a[NR/2+1])/2; printf "%.3f", m}'; }
smooth() { "$thumb" -q -j1 --smooth -s 160x180 --overwrite -o "$work/out" "$@"; }
exact() { "$thumb" -q -j1 -s 160x180 --overwrite -o "$work/out" "$@"; }
vips() { vipsthumbnail "$@" -s 160x180 -o "$work/out/%s.vips.jpg[Q=90]"; }
djpegs() { for f; do djpeg -outfile /dev/null "$f"; done; }
race() { # label goal ours peer files...: the two sides take turns, medians compared
    local label=$1 goal=$2 ours=$3 peer=$4 q=() p=()
    shift 4
    for _ in $(seq "$rounds"); do
        q+=("$(timed "$ours" "$@")")
        p+=("$(timed "$peer" "$@")")
    done
    local mq mp
    mq=$(printf '%s\n' "${q[@]}" | median)
    mp=$(printf '%s\n' "${p[@]}" | median)
    printf '%-44s %7.3fs against %7.3fs  ratio %.2f%s\n' "$label" "$mq" "$mp" \
        "$(echo "$mq / $mp" | bc -l)" "${goal:+ (goal <= $goal)}"
}

echo
echo "Time, one process per side for ${#photos[@]} colour and ${#greys[@]} grey photos," \
    "one thread, median of $rounds rounds, into 160x180:"
race "smooth / vipsthumbnail" 0.60 smooth vips "${photos[@]}"
race "exact greyscale / djpeg full decode" 1.25 exact djpegs "${greys[@]}"
race "exact colour / entropy-decode floor" 1.25 exact "$floor" "${photos[@]}"
race "exact colour / vipsthumbnail" "" exact vips "${photos[@]}"

echo
echo "Peak memory (maximum resident set size, MiB):"
peak() { /usr/bin/time -f %M "$thumb" -q -j1 "$@" -s 160x180 --overwrite -o "$work/out" 2>&1 >/dev/null | tail -1; }
for f in "${photos[-1]}" "${progressive[@]}" "${greys[-1]}"; do
    printf '%-36s exact %6.1f  smooth %6.1f\n' "$(basename "$f")" \
        "$(echo "$(peak "$f") / 1024" | bc -l)" "$(echo "$(peak --smooth "$f") / 1024" | bc -l)"
done
