#!/usr/bin/env bash
# Takes the README's screenshots under a virtual X server of its own: the main window after a
# run, the About window and the gallery, into docs/screenshots/. Run it whenever a window
# changes, after building (scripts/dev.sh or cmake --build build).
#   bash scripts/screenshots.sh [BUILD_DIR]      (default: build)
set -euo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
build=$(cd "${1:-$root/build}" && pwd)
shots="$root/docs/screenshots"
for tool in Xvfb xdotool import convert; do
    command -v "$tool" >/dev/null ||
        { echo "$tool is not installed (Debian: xvfb xdotool imagemagick)" >&2; exit 1; }
done

# A fixed folder, as its paths show in the window's list and log.
work=/tmp/quillet-screenshots
rm -rf "$work"
mkdir -p "$work/photos" "$work/thumbs" "$work/program" "$work/home"
pids=()
cleanup() {
    for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null || true; done
    rm -rf "$work"
}
trap cleanup EXIT

Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp 3>"$work/display" 2>/dev/null &
pids+=($!)
for _ in $(seq 100); do
    [ -s "$work/display" ] && break
    sleep 0.1
done
[ -s "$work/display" ] || { echo "Xvfb did not start" >&2; exit 1; }
DISPLAY=":$(head -n1 "$work/display")"
export DISPLAY QT_QPA_PLATFORM=xcb HOME="$work/home"
unset WAYLAND_DISPLAY XDG_CONFIG_HOME

convert -size 1600x1200 -seed 3 plasma:fractal -quality 92 "$work/photos/beach.jpg"
convert -size 1200x1600 gradient:orange-navy -quality 92 "$work/photos/garden.jpg"
convert -size 400x300 radial-gradient:yellow-green -quality 92 "$work/photos/small.jpg"
# A subfolder, listed by its path under the folder ("Include subfolders" is on).
mkdir -p "$work/photos/2024/Rome"
convert -size 1024x768 -seed 5 plasma:tomato-steelblue -quality 92 "$work/photos/2024/Rome/forum.jpg"
# The program reads its settings beside itself: a copy of it, with the first start's values
# a target folder, folders walked with their subfolders and a preset.
cp "$build/app/quillet" "$work/program/"
printf '[settings]\nwidth=160\nheight=180\ntargetfolder=%s\ntransparent=0\nsubfolders=1\n%b' \
    "$work/thumbs" '[preset web]\nsizes=320x320\nformat=webp\nquality=80\nsmooth=1\n' \
    >"$work/program/Quillet.ini"

shoot() { # WINDOW FILE: the window alone, without the screen's canvas around it
    import -window "$1" png:- | convert - +repage "$shots/$2"
    echo "wrote docs/screenshots/$2"
}

"$work/program/quillet" "$work/photos" 2>/dev/null &
pids+=($!)
main=$(timeout 30 xdotool search --sync --pid "${pids[-1]}" --name '^Quillet$' | head -n1)
# Without a window manager the window sits at the screen's corner: its own coordinates are the
# screen's. The first row shows its preview; Convert runs the batch.
xdotool mousemove 40 32 click 1
xdotool mousemove 48 485 click 1
sleep 3
xdotool mousemove 200 300
sleep 0.5
shoot "$main" main-window.png

xdotool mousemove 368 211 click 1
about=$(timeout 30 xdotool search --sync --name '^About Quillet$' | head -n1)
sleep 2 # the scene's first frames
shoot "$about" about-window.png

"$build/gallery/quillet-gallery" --screenshot "$shots/gallery.png" 2>/dev/null
echo "wrote docs/screenshots/gallery.png"
