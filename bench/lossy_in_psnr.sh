#!/usr/bin/env bash
# Smooth thumbnails of lossy photos (HEIC as phones write it, with a 320-pixel thumbnail
# inside; AVIF; lossy WebP), against vipsthumbnail's: the PSNR of each against ImageMagick's
# Lanczos-3 reduction of the same decoded picture, 160 x 180 padded and 320 x 320 cropped.
#
#   bash bench/lossy_in_psnr.sh [BUILD_DIR]
#
# Needs: imagemagick, libvips-tools, libheif-examples, libavif-bin, webp, and the real
# photographs of real_photos.sh.
set -euo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$root/build}
source "$root/bench/prelude.sh"
need_tools /usr/bin/vipsthumbnail:libvips-tools /usr/bin/heif-enc:libheif-examples \
    /usr/bin/avifenc:libavif-bin /usr/bin/cwebp:webp /usr/bin/bc:bc
thumb=$build/cli/quillet-thumb
export VIPS_CONCURRENCY=1
source "$root/bench/real_photos.sh"

mkdir -p "$work/in" "$work/out"
lossy=()
for photo in "${photos[@]:0:5}"; do
    name=$(basename "$photo" .jpg)
    "$convert" "$photo" -resize 4032x3024^ -gravity center -extent 4032x3024 "$work/$name.png"
    heif-enc -q 90 -t 320 -o "$work/in/$name.heic" "$work/$name.png" >/dev/null
    avifenc --min 14 --max 22 -s 8 "$work/$name.png" "$work/in/$name.avif" >/dev/null
    cwebp -quiet -q 90 "$work/$name.png" -o "$work/in/$name.webp"
    rm "$work/$name.png"
    lossy+=("$work/in/$name.heic" "$work/in/$name.avif" "$work/in/$name.webp")
done

psnr() { "$convert" "$1" "$2" -metric PSNR -compare -format '%[distortion]' info: 2>/dev/null; }

# A thumbnail's picture is fitted to the box; padded, it sits in the middle of the box, and
# cropped to the picture, it is the whole thumbnail.
quality() { # box crop|pad
    local box=$1 mode=$2 flag=() sum=0 n=0 worst=99
    [ "$mode" = crop ] && flag=(--crop)
    "$thumb" -q -j1 --smooth "${flag[@]}" -s "$box" --overwrite --suffix ".$mode.jpg" \
        -o "$work/out" "${lossy[@]}"
    echo
    echo "PSNR (dB) against the Lanczos-3 reduction of the decoded picture, $box $mode:"
    printf '%-28s %8s %8s %8s\n' photo ours vips ours-vips
    for f in "${lossy[@]}"; do
        local name dims picture s v d
        name=$(basename "$f")
        dims=$("$convert" "$f" -format '%w %h' info: | awk -v b="$box" '{
            split(b, m, "x"); r = ($1 / $2 > m[1] / m[2]) ? m[1] / $1 : m[2] / $2
            printf "%dx%d", int($1 * r + 0.5), int($2 * r + 0.5) }')
        picture=$dims+0+0
        [ "$mode" = pad ] &&
            picture=$dims+$(((${box%x*} - ${dims%x*}) / 2))+$(((${box#*x} - ${dims#*x}) / 2))
        "$convert" "$f" -filter Lanczos -resize "$dims!" "$work/ref.png"
        vipsthumbnail "$f" -s "$dims!" -o "$work/out/%s.vips.jpg[Q=90]" 2>/dev/null
        s=$(psnr "$work/out/$name.$mode.jpg[$picture]" "$work/ref.png")
        v=$(psnr "$work/out/${name%.*}.vips.jpg" "$work/ref.png")
        d=$(echo "$s - $v" | bc -l)
        printf '%-28s %8.2f %8.2f %+8.2f\n' "$name" "$s" "$v" "$d"
        sum=$(echo "$sum + $d" | bc -l)
        worst=$(echo "if ($d < $worst) $d else $worst" | bc -l)
        n=$((n + 1))
    done
    printf 'average difference %+.2f dB, smallest %+.2f dB\n' "$(echo "$sum / $n" | bc -l)" "$worst"
}
quality 160x180 pad
quality 320x320 crop
