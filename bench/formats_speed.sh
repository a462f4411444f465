#!/usr/bin/env bash
# Times quillet-thumb against libvips' vipsthumbnail on the other photo formats, as users run
# them: one process per tool for the whole batch, one thread each, the tools taking turns,
# ratios printed. HEIC (made by heif-enc with a 320-pixel thumbnail, as phones write them) in
# smooth and exact mode, PNG 24 MP in exact mode; then the peak memory of a 100 MP PNG.
#
#   bash bench/formats_speed.sh [BUILD_DIR] [ROUNDS]
#
# Needs: libvips-tools, libheif-examples, imagemagick, time, bc (installed when missing), and
# the real photographs of real_photos.sh.
set -euo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$root/build-release}
rounds=${2:-5}
source "$root/bench/prelude.sh"

need_tools /usr/bin/convert:imagemagick /usr/bin/vipsthumbnail:libvips-tools \
    /usr/bin/heif-enc:libheif-examples /usr/bin/time:time /usr/bin/bc:bc

if [ ! -x "$build/cli/quillet-thumb" ]; then
    cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DQUILLET_GUI=OFF -DQUILLET_TESTS=OFF
    cmake --build "$build" --target quillet-thumb
fi
thumb=$build/cli/quillet-thumb
export VIPS_CONCURRENCY=1
source "$root/bench/real_photos.sh"

echo "Making the corpus in $work ..."
mkdir -p "$work/heic" "$work/heic-plain" "$work/png" "$work/out"
for photo in "${photos[@]:0:6}"; do
    name=$(basename "$photo" .jpg)
    # 12 MP, the size of a phone's photo; with a thumbnail inside, as phones write it, and
    # without, as an editor may.
    "$convert" "$photo" -resize 4032x3024^ -gravity center -extent 4032x3024 "$work/$name.png"
    heif-enc -q 90 -t 320 -o "$work/heic/$name.heic" "$work/$name.png" >/dev/null
    heif-enc -q 90 -o "$work/heic-plain/$name.heic" "$work/$name.png" >/dev/null
    "$convert" "$photo" -resize 6000x4000^ -gravity center -extent 6000x4000 "$work/png/$name.png"
    rm "$work/$name.png"
done
du -sh "$work/heic" "$work/heic-plain" "$work/png"

now() { date +%s.%N; }
run_quillet() { "$thumb" -q -j1 -s 160x180 --overwrite -o "$work/out" "$@"; }
run_quillet_smooth() { run_quillet --smooth "$@"; }
run_vips() { vipsthumbnail "$@" -s 160x180 -o "$work/out/%s.vips.jpg"; }
pass() {
    local tool=$1 start
    shift
    start=$(now)
    "run_$tool" "$@"
    echo "$(now) - $start" | bc -l
}
median() { sort -g | awk '{a[NR]=$1} END {m=(NR%2)?a[(NR+1)/2]:(a[NR/2]+a[NR/2+1])/2; printf "%.3f", m}'; }

compare() { # label quillet-runner files...
    local label=$1 runner=$2
    shift 2
    local q=() v=()
    for _ in $(seq "$rounds"); do
        q+=("$(pass "$runner" "$@")")
        v+=("$(pass vips "$@")")
    done
    local mq mv
    mq=$(printf '%s\n' "${q[@]}" | median)
    mv=$(printf '%s\n' "${v[@]}" | median)
    printf '%-26s quillet %7.3fs  vipsthumbnail %7.3fs  ratio %.2f\n' "$label" "$mq" "$mv" \
        "$(echo "$mq / $mv" | bc -l)"
}

echo
echo "Median of $rounds rounds, one process per tool for each batch, tools alternating:"
compare "HEIC 12 MP, smooth" quillet_smooth "$work"/heic/*.heic
# Exact mode samples the full picture; vipsthumbnail takes a HEIC's thumbnail when it has one
# large enough, so the fair comparison is on photos without one.
compare "HEIC 12 MP, exact" quillet "$work"/heic-plain/*.heic
compare "HEIC 12 MP, exact; vips: thumb" quillet "$work"/heic/*.heic
compare "PNG 24 MP, exact" quillet "$work"/png/*.png

echo
echo "Peak memory of a 100 MP PNG (maximum resident set size):"
# ImageMagick's default resource policy refuses a picture this large; vips makes it.
vips resize "${photos[0]}" "$work/100mp.png" "$(echo "12248 / $(vipsheader -f width "${photos[0]}")" | bc -l)"
q=$(/usr/bin/time -f %M "$thumb" -q -j1 -s 160x180 --overwrite -o "$work/out" "$work/100mp.png" 2>&1 >/dev/null | tail -1)
v=$(/usr/bin/time -f %M vipsthumbnail "$work/100mp.png" -s 160x180 -o "$work/out/%s.v.jpg" 2>&1 >/dev/null | tail -1)
printf 'quillet %6.1f MiB  vipsthumbnail %6.1f MiB\n' "$(echo "$q / 1024" | bc -l)" "$(echo "$v / 1024" | bc -l)"
