#!/usr/bin/env bash
# Times how long the main window takes from launch until it is visible, and how much memory
# it holds once idle, against a bare Qt window of the same size built with the same Qt, and
# against that window showing one caption (the font set-up any window with text needs).
# Runs on its own Xvfb server (no window manager), median of RUNS launches each.
#
#   bash bench/startup.sh [BUILD_DIR] [RUNS] [DISPLAY_NUMBER]
#
# Needs: xvfb, xdotool, pkg-config, libx11-dev and the Qt 6 development files.
set -euo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$root/build-release}
runs=${2:-15}
display=${3:-}
work=$(mktemp -d)

# Built as Debian builds the package a user installs: its flags, bind-now included.
if [ ! -x "$build/app/quillet" ]; then
    source "$root/scripts/packages.sh"
    debian_cmake_flags
    cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DQUILLET_TESTS=OFF \
        "${debian[@]}"
    cmake --build "$build" --target quillet
fi
# A copy in a folder of its own, so the settings file it writes on exit lands there.
cp "$build/app/quillet" "$work/quillet"
g++ -std=c++20 -O2 -fPIC "$root/bench/bare_window.cpp" -o "$work/bare_window" \
    $(pkg-config --cflags --libs Qt6Widgets)
g++ -std=c++20 -O2 "$root/bench/map_probe.cpp" -o "$work/map_probe" -lX11

xvfb_pid=
cleanup() {
    [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null
    rm -rf "$work"
}
trap cleanup EXIT
if [ -z "$display" ]; then
    Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp -noreset 3>"$work/display" 2>/dev/null &
    xvfb_pid=$!
    for _ in $(seq 100); do [ -s "$work/display" ] && break; sleep 0.05; done
    display=$(cat "$work/display")
else
    Xvfb ":$display" -screen 0 1280x1024x24 -nolisten tcp -noreset 2>/dev/null &
    xvfb_pid=$!
fi
export DISPLAY=":$display" QT_QPA_PLATFORM=xcb
for _ in $(seq 100); do xdotool getdisplaygeometry >/dev/null 2>&1 && break; sleep 0.05; done

# CPU time the process has used so far, all threads, in microseconds: unlike the wall-clock
# time it hardly depends on what else the machine is doing.
cpu_us() {
    cat /proc/"$1"/task/*/schedstat 2>/dev/null | awk '{ns += $1} END {print int(ns / 1000)}'
}

# One launch: prints "milliseconds-to-visible rss-kB-when-idle cpu-microseconds-to-visible".
# The probe is a single X client waiting for the window's map event, so the timing is not
# blurred by polling, nor is the second core busy with it; it stops the program at the event,
# so the CPU time read is what the program spent until then, not what it does next.
measure() { # window-title program [argument...]
    local line pid
    line=$("$work/map_probe" "$@" 2>"$work/stderr") || { cat "$work/stderr" >&2; exit 1; }
    pid=${line#* }
    local cpu
    cpu=$(cpu_us "$pid")
    kill -CONT "$pid"
    sleep 1 # idle: the first paint and the start-up work are over
    local rss
    rss=$(awk '/^VmRSS:/ {print $2}' "/proc/$pid/status")
    kill "$pid"
    # The program outlives the probe, so it is no child of ours: wait until it is gone or a zombie.
    while [ "$(awk '{print $3}' "/proc/$pid/stat" 2>/dev/null || echo Z)" != Z ]; do sleep 0.01; done
    echo "${line% *} $rss $cpu"
}

median() { sort -n | awk '{v[NR] = $1} END {print (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2}'; }

# Warm the caches (fonts, libraries) once, then let the programs take turns.
bare=("Quillet bare window" "$work/bare_window")
measure "${bare[@]}" >/dev/null
measure Quillet "$work/quillet" >/dev/null
: >"$work/bare" >"$work/caption" >"$work/main"
for _ in $(seq "$runs"); do
    measure "${bare[@]}" >>"$work/bare"
    measure "${bare[@]}" --caption >>"$work/caption"
    measure Quillet "$work/quillet" >>"$work/main"
done

column() { cut -d' ' -f"$1" "$work/$2" | median; }
row() { # label file
    printf '%-16s %10s %10.1f %10.1f\n' "$1" "$(column 1 "$2")" \
        "$(echo "$(column 3 "$2") / 1000" | bc -l)" "$(echo "$(column 2 "$2") / 1024" | bc -l)"
}
ratio() { echo "$(column "$1" "$2") / $(column "$1" "$3")" | bc -l; }
printf '%-16s %10s %10s %10s\n' "" "visible ms" "CPU ms" "RSS MB"
row "bare window" bare
row "with a caption" caption
row "quillet" main
printf 'quillet / bare window:   %.2f (time), %.2f (CPU), %.2f (memory)\n' \
    "$(ratio 1 main bare)" "$(ratio 3 main bare)" "$(ratio 2 main bare)"
printf 'quillet / with caption:  %.2f (time), %.2f (CPU), %.2f (memory)\n' \
    "$(ratio 1 main caption)" "$(ratio 3 main caption)" "$(ratio 2 main caption)"
printf 'medians of %d runs each\n' "$runs"
