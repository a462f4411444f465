# Sourced by the bench scripts once prelude.sh is: makes camera-sized JPEGs from real
# photographs in Debian's wallpaper packages (foliage, water, sky, sand, wood, architecture)
# and names them in `photos` (colour, baseline 4:2:0 at quality 92), `progressive` and `greys`.
# The wallpapers are 2-15 MP; camera sizes come from joining several into a mosaic and
# mirroring the edges out, which keeps their real texture at the pixel level. Some get a
# light sensor-like grain. Made once, kept in $build/bench-real-photos; never part of the tree.
real=$build/bench-real-photos
if [ ! -f "$real/.complete" ]; then
    rm -rf "$real" && mkdir -p "$real/debs" "$real/x"
    (cd "$real/debs" && apt-get download mate-backgrounds plasma-workspace-wallpapers)
    for deb in "$real"/debs/*.deb; do dpkg-deb -x "$deb" "$real/x"; done
    nature=$real/x/usr/share/backgrounds/mate/nature
    plasma=$real/x/usr/share/wallpapers
    pl() { echo "$plasma/$1/contents/images/$2.jpg"; }
    # tile WxH source [extra...]: the source's centre cut to WxH, mirrored out where smaller
    tile() {
        local size=$1 src=$2
        shift 2
        "$convert" "$src" "$@" -gravity center -crop "$size+0+0" +repage \
            \( +clone -flop \) +append \( +clone -flip \) -append \
            -gravity northwest -crop "$size+0+0" +repage "$work/tile-$((++tiles)).ppm"
    }
    # mosaic name WxH tileWxH grain quality extra-options -- sources (two rows of two)
    mosaic() {
        local name=$1 size=$2 tsize=$3 grain=$4
        shift 4
        local opts=()
        while [ "$1" != -- ]; do opts+=("$1"); shift; done
        shift
        tiles=0
        for src; do tile "$tsize" "$src"; done
        "$convert" \( "$work/tile-1.ppm" "$work/tile-2.ppm" +append \) \
            \( "$work/tile-3.ppm" "$work/tile-4.ppm" +append \) -append \
            \( +clone -flop \) +append \( +clone -flip \) -append \
            -crop "$size+0+0" +repage -attenuate "$grain" +noise Gaussian \
            "${opts[@]}" "$real/$name.jpg"
    }
    camera=(-quality 92 -sampling-factor 2x2)
    mosaic 24mp-foliage 6000x4000 2560x1600 0.25 "${camera[@]}" -- \
        "$nature/LadyBird.jpg" "$nature/Garden.jpg" "$nature/TwoWings.jpg" "$nature/YellowFlower.jpg"
    mosaic 24mp-water 6000x4000 2560x1600 0 "${camera[@]}" -- \
        "$(pl BytheWater 2560x1600)" "$(pl summer_1am 2560x1600)" "$(pl ColdRipple 2560x1600)" \
        "$(pl EveningGlow 2560x1600)"
    mosaic 20mp-forest-portrait 5472x3648 2560x1600 0.3 -rotate 90 "${camera[@]}" -- \
        "$(pl Path 2560x1600)" "$(pl OneStandsOut 2560x1600)" "$(pl FallenLeaf 2560x1600)" \
        "$(pl ColorfulCups 2560x1600)"
    mosaic 12mp-wood-text 4000x3000 2000x1500 0 "${camera[@]}" \
        -font /usr/share/fonts/truetype/dejavu/DejaVuSans.ttf -fill white -stroke black \
        -pointsize 36 -annotate +300+700 'Platform 4: trains to the coast every 20 minutes' \
        -pointsize 90 -annotate +300+2300 'MARKET  STREET  ->' -- \
        "$nature/Aqua.jpg" "$(pl DarkestHour 2560x1600)" "$nature/Wood.jpg" "$(pl Grey 2560x1600)"
    mosaic 16mp-sky 4608x3456 1920x1200 0.2 "${camera[@]}" -- \
        "$nature/Storm.jpg" "$nature/Dune.jpg" "$nature/Blinds.jpg" "$nature/RainDrops.jpg"
    "$convert" "$(pl Volna 5120x2880)" \( +clone -flop \) +append \( +clone -flip \) -append \
        -crop 6000x4000+0+0 +repage "${camera[@]}" "$real/24mp-beach.jpg"
    "$convert" "$(pl Shell 5120x2880)" -crop 4608x2880+256+0 +repage \( +clone -flip \) -append \
        -crop 4608x3456+0+0 +repage -attenuate 0.2 +noise Gaussian "${camera[@]}" \
        "$real/16mp-shell.jpg"
    "$convert" "$real/24mp-foliage.jpg" "${camera[@]}" -interlace JPEG "$real/24mp-foliage.progressive.jpeg"
    "$convert" "$real/24mp-water.jpg" -colorspace Gray -quality 92 "$real/24mp-water.grey.jpeg"
    "$convert" "$real/16mp-shell.jpg" -colorspace Gray -quality 92 "$real/16mp-shell.grey.jpeg"
    "$convert" "$real/20mp-forest-portrait.jpg" -colorspace Gray -quality 92 "$real/20mp-forest.grey.jpeg"
    "$convert" "$real/12mp-wood-text.jpg" -colorspace Gray -quality 92 "$real/12mp-wood-text.grey.jpeg"
    rm -rf "$real/debs" "$real/x"
    touch "$real/.complete"
fi
photos=("$real"/*.jpg)
progressive=("$real"/*.progressive.jpeg)
greys=("$real"/*.grey.jpeg)
