#!/usr/bin/env bash
# Times how long the main window takes from launch until it is visible, and how much memory
# it holds once idle, against a bare Qt window of the same size built with the same Qt.
# Runs on its own Xvfb server (no window manager), median of RUNS launches each.
#
#   bash bench/startup.sh [BUILD_DIR] [RUNS] [DISPLAY_NUMBER]
#
# Needs: xvfb, xdotool, pkg-config and the Qt 6 development files.
set -euo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$root/build-release}
runs=${2:-15}
display=${3:-}
work=$(mktemp -d)

if [ ! -x "$build/app/quillet" ]; then
    cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DQUILLET_TESTS=OFF
    cmake --build "$build" --target quillet
fi
# A copy in a folder of its own, so the settings file it writes on exit lands there.
cp "$build/app/quillet" "$work/quillet"
g++ -std=c++20 -O2 -fPIC "$root/bench/bare_window.cpp" -o "$work/bare_window" \
    $(pkg-config --cflags --libs Qt6Widgets)

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
measure() { # program window-title
    local start end pid
    start=$(date +%s%N)
    "$1" >/dev/null 2>"$work/stderr" &
    pid=$!
    until xdotool search --onlyvisible --name "^$2\$" >/dev/null 2>&1; do
        kill -0 "$pid" 2>/dev/null || { echo "$1 ended before its window showed:" >&2; cat "$work/stderr" >&2; exit 1; }
    done
    end=$(date +%s%N)
    local cpu
    cpu=$(cpu_us "$pid")
    sleep 1 # idle: the first paint and the start-up work are over
    local rss
    rss=$(awk '/^VmRSS:/ {print $2}' "/proc/$pid/status")
    kill "$pid"
    wait "$pid" 2>/dev/null || true
    echo "$(((end - start) / 1000000)) $rss $cpu"
}

median() { sort -n | awk '{v[NR] = $1} END {print (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2}'; }

# Warm the caches (fonts, libraries) once, then let the two programs take turns.
measure "$work/bare_window" "Quillet bare window" >/dev/null
measure "$work/quillet" "Quillet" >/dev/null
: >"$work/bare" >"$work/main"
for _ in $(seq "$runs"); do
    measure "$work/bare_window" "Quillet bare window" >>"$work/bare"
    measure "$work/quillet" "Quillet" >>"$work/main"
done

column() { cut -d' ' -f"$1" "$work/$2" | median; }
bare_ms=$(column 1 bare) main_ms=$(column 1 main)
bare_kb=$(column 2 bare) main_kb=$(column 2 main)
bare_cpu=$(column 3 bare) main_cpu=$(column 3 main)
printf '%-12s %10s %10s %10s\n' "" "visible ms" "CPU ms" "RSS MB"
printf '%-12s %10s %10.1f %10.1f\n' "bare window" "$bare_ms" "$(echo "$bare_cpu / 1000" | bc -l)" \
    "$(echo "$bare_kb / 1024" | bc -l)"
printf '%-12s %10s %10.1f %10.1f\n' "quillet" "$main_ms" "$(echo "$main_cpu / 1000" | bc -l)" \
    "$(echo "$main_kb / 1024" | bc -l)"
printf 'ratio %.2f (time), %.2f (CPU), %.2f (memory); medians of %d runs\n' \
    "$(echo "$main_ms / $bare_ms" | bc -l)" "$(echo "$main_cpu / $bare_cpu" | bc -l)" \
    "$(echo "$main_kb / $bare_kb" | bc -l)" "$runs"
