#!/usr/bin/env bash
# Times quillet-thumb against ImageMagick's `-sample` (mogrify) and libvips' `vipsthumbnail` on
# a corpus of large photo-like JPEGs, as users run them: one process per tool for the whole
# batch, one thread each, the three tools taking turns, with the ratios printed; and
# measures peak memory, the gain of two jobs over one, and the peak of four jobs on large
# progressive photos under the default memory limit and a generous one.
#
#   bash bench/thumbnail_speed.sh [BUILD_DIR] [ROUNDS]
#
# Needs: imagemagick, libvips-tools, time, bc (installed when missing).
set -euo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$root/build-release}
rounds=${2:-5}
source "$root/bench/prelude.sh"

need_tools /usr/bin/convert:imagemagick /usr/bin/vipsthumbnail:libvips-tools /usr/bin/time:time /usr/bin/bc:bc

if [ ! -x "$build/cli/quillet-thumb" ]; then
    cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DQUILLET_GUI=OFF -DQUILLET_TESTS=OFF
    cmake --build "$build" --target quillet-thumb
fi
thumb=$build/cli/quillet-thumb
export VIPS_CONCURRENCY=1 MAGICK_THREAD_LIMIT=1

# Photo-like content: a smooth fractal with fine grain, so the files have real detail;
# colour files use the 4:2:0 chroma subsampling that cameras write.
echo "Making the corpus in $work ..."
corpus=$work/corpus
mkdir -p "$corpus" "$work/out"
make_photo() { # size name extra-options...
    local size=$1 name=$2
    shift 2
    "$convert" -size "$size" -seed 7 plasma:fractal -attenuate 0.3 +noise Gaussian "$@" "$corpus/$name.jpg"
}
make_photo 4000x3000 12mp-baseline -quality 90 -sampling-factor 2x2
make_photo 4000x3000 12mp-progressive -quality 90 -sampling-factor 2x2 -interlace JPEG
make_photo 4000x3000 12mp-grey -colorspace Gray -quality 90
make_photo 6000x4000 24mp-baseline -quality 90 -sampling-factor 2x2
make_photo 6000x4000 24mp-progressive -quality 90 -sampling-factor 2x2 -interlace JPEG
make_photo 6000x4000 24mp-grey -colorspace Gray -quality 90
ls -l "$corpus"

now() { date +%s.%N; }
run_quillet() { "$thumb" -q -j1 -s 160x180 --overwrite -o "$work/out" "$@"; }
run_convert() { /usr/bin/mogrify -path "$work/out" -sample 160x180 "$@"; }
run_vips() { vipsthumbnail "$@" -s 160x180 -o "$work/out/%s.vips.jpg"; }

# Seconds for one process of a tool over the files given.
pass() {
    local tool=$1 start
    shift
    start=$(now)
    "run_$tool" "$@"
    echo "$(now) - $start" | bc -l
}

median() { sort -g | awk '{a[NR]=$1} END {m=(NR%2)?a[(NR+1)/2]:(a[NR/2]+a[NR/2+1])/2; printf "%.3f", m}'; }

compare() { # label files...
    local label=$1
    shift
    local q=() c=() v=() r
    for _ in $(seq "$rounds"); do
        q+=("$(pass quillet "$@")")
        c+=("$(pass convert "$@")")
        v+=("$(pass vips "$@")")
    done
    local mq mc mv
    mq=$(printf '%s\n' "${q[@]}" | median)
    mc=$(printf '%s\n' "${c[@]}" | median)
    mv=$(printf '%s\n' "${v[@]}" | median)
    printf '%-22s quillet %7.3fs  mogrify -sample %7.3fs  vipsthumbnail %7.3fs  ratio to convert %.2f  to vips %.2f\n' \
        "$label" "$mq" "$mc" "$mv" "$(echo "$mq / $mc" | bc -l)" "$(echo "$mq / $mv" | bc -l)"
}

echo
echo "Median of $rounds rounds, one process per tool for each batch, tools alternating:"
compare "whole corpus" "$corpus"/*.jpg
compare "baseline colour" "$corpus"/*-baseline.jpg
compare "progressive" "$corpus"/*-progressive.jpg
compare "greyscale" "$corpus"/*-grey.jpg

echo
echo "Peak memory (maximum resident set size):"
for name in 24mp-baseline 24mp-progressive 24mp-grey; do
    f=$corpus/$name.jpg
    q=$(/usr/bin/time -f %M "$thumb" -q -j1 -s 160x180 --overwrite -o "$work/out" "$f" 2>&1 >/dev/null | tail -1)
    c=$(/usr/bin/time -f %M /usr/bin/mogrify -path "$work/out" -sample 160x180 "$f" 2>&1 >/dev/null | tail -1)
    v=$(/usr/bin/time -f %M vipsthumbnail "$f" -s 160x180 -o "$work/out/%s.v.jpg" 2>&1 >/dev/null | tail -1)
    printf '%-18s quillet %6.1f MiB  convert %6.1f MiB  vipsthumbnail %6.1f MiB\n' "$name" \
        "$(echo "$q / 1024" | bc -l)" "$(echo "$c / 1024" | bc -l)" "$(echo "$v / 1024" | bc -l)"
done

echo
echo "Throughput of two jobs against one (16 files, one process):"
batch=()
for i in $(seq 0 15); do
    src=("$corpus"/*.jpg)
    cp "${src[$((i % ${#src[@]}))]}" "$work/batch-$i.jpg"
    batch+=("$work/batch-$i.jpg")
done
one=() two=()
for _ in $(seq "$rounds"); do
    s=$(now); "$thumb" -q -j1 -s 160x180 --overwrite -o "$work/out" "${batch[@]}"; one+=("$(echo "$(now) - $s" | bc -l)")
    s=$(now); "$thumb" -q -j2 -s 160x180 --overwrite -o "$work/out" "${batch[@]}"; two+=("$(echo "$(now) - $s" | bc -l)")
done
m1=$(printf '%s\n' "${one[@]}" | median)
m2=$(printf '%s\n' "${two[@]}" | median)
printf -- '-j1 %.3fs  -j2 %.3fs  speed-up %.2fx\n' "$m1" "$m2" "$(echo "$m1 / $m2" | bc -l)"

echo
echo "Decoder memory across jobs (four 6000x6000 progressive 4:4:4 photos of about 220 MiB"
echo "of coefficient buffers each, -j4; ImageMagick's resource policy keeps them this small):"
"$convert" -size 6000x6000 gradient:navy-orange -attenuate 0.3 +noise Gaussian -quality 85 \
    -sampling-factor 1x1 -interlace JPEG "$work/huge-0.jpg"
huge=("$work/huge-0.jpg")
for i in 1 2 3; do
    cp "$work/huge-0.jpg" "$work/huge-$i.jpg"
    huge+=("$work/huge-$i.jpg")
done
for limit in 256M 512M 8G; do
    r=$(/usr/bin/time -f '%e %M' "$thumb" -q -j4 --memory-limit "$limit" -s 160x180 --overwrite \
        -o "$work/out" "${huge[@]}" 2>&1 >/dev/null | tail -1)
    printf -- '--memory-limit %-4s %6.2fs  peak %7.1f MiB\n' "$limit" "${r% *}" \
        "$(echo "${r#* } / 1024" | bc -l)"
done
