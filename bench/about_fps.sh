#!/usr/bin/env bash
# Frames per second of the About window's animation and the processor share it costs, on a
# software renderer (Mesa llvmpipe under Xvfb). The window is the program's own Tfabout,
# opened by a small harness that counts the frames drawn (thread ticks) and shown (buffer
# swaps) and reads the process's CPU time; the X server's share is measured beside it.
# Goal: close to 100 frames per second at under 15% of one core.
#
#   bash bench/about_fps.sh [BUILD_DIR] [SECONDS]
#
# Needs: xvfb, pkg-config and the Qt 6, GL and GLU development files.
set -euo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$root/build-release}
seconds=${2:-10}
work=$(mktemp -d)

if [ ! -f "$build/about/libquillet_about.a" ]; then
    cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DQUILLET_TESTS=OFF
fi
cmake --build "$build" --target quillet_about
g++ -std=c++20 -O2 -fPIC "$root/bench/about_fps.cpp" -o "$work/about_fps" \
    -I"$root/about" -I"$root/controls" -I"$root/platform" \
    "$build/about/libquillet_about.a" "$build/controls/libquillet_controls.a" \
    "$build/platform/libquillet_platform.a" \
    $(pkg-config --cflags --libs Qt6OpenGLWidgets Qt6Widgets Qt6OpenGL Qt6Gui Qt6Core glu gl)

xvfb_pid=
cleanup() {
    [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null
    rm -rf "$work"
}
trap cleanup EXIT
Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp -noreset 3>"$work/display" 2>/dev/null &
xvfb_pid=$!
for _ in $(seq 100); do [ -s "$work/display" ] && break; sleep 0.05; done
export DISPLAY=":$(cat "$work/display")" QT_QPA_PLATFORM=xcb

ticks() { awk '{print $14 + $15}' "/proc/$1/stat"; }
hz=$(getconf CLK_TCK)
"$work/about_fps" "$seconds" &
harness=$!
sleep 1 # the harness settles for one second before it measures
x_start=$(ticks "$xvfb_pid")
wait "$harness"
x_end=$(ticks "$xvfb_pid")
awk -v t=$((x_end - x_start)) -v hz="$hz" -v s="$seconds" \
    'BEGIN {printf "X server: %.1f%% of one core\n", 100 * t / hz / s}'
