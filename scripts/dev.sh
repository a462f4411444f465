#!/usr/bin/env bash
# The two commands of the README:
#   scripts/dev.sh run    install what is missing, build, start Quillet
#   scripts/dev.sh test   install what is missing, build, run every test (also sanitized)
# Works as root or as a user with sudo, from a clean clone, on Debian 12.
set -euo pipefail

cmd=${1:-run}
root=$(cd "$(dirname "$0")/.." && pwd)
build="$root/build"

# shellcheck source=packages.sh
source "$root/scripts/packages.sh"

build_all() { # tests: ON or OFF
    # Built as the Debian package is, so the package test checks what a user installs.
    debian_cmake_flags
    cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DQUILLET_TESTS="$1" \
        "${debian[@]}"
    cmake --build "$build" --parallel "$(nproc)"
}

xvfb_pid=
start_xvfb() {
    local fdfile
    fdfile=$(mktemp)
    Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp 3>"$fdfile" 2>/dev/null &
    xvfb_pid=$!
    for _ in $(seq 100); do
        [ -s "$fdfile" ] && break
        sleep 0.1
    done
    if [ -s "$fdfile" ]; then
        export DISPLAY=":$(head -n1 "$fdfile")"
        echo "Xvfb started on $DISPLAY"
    else
        # The OpenGL and pointer tests would only skip, and a run without them proves little.
        echo "Xvfb did not start: the tests that need an X server cannot run" >&2
        kill "$xvfb_pid" 2>/dev/null || true
        xvfb_pid=
        rm -f "$fdfile"
        exit 1
    fi
    rm -f "$fdfile"
}
stop_xvfb() {
    if [ -n "$xvfb_pid" ]; then
        kill "$xvfb_pid" 2>/dev/null || true
        wait "$xvfb_pid" 2>/dev/null || true
        xvfb_pid=
    fi
}

run_program() {
    if [ -n "${DISPLAY:-}${WAYLAND_DISPLAY:-}" ]; then
        exec "$build/app/quillet"
    fi
    # No desktop to show a window on: show the engine at work from the shell instead.
    echo "No display found, so the Quillet window cannot open here."
    echo "Converting sample photos with quillet-thumb, the same engine from a shell:"
    local samples="$build/samples" out="$build/thumbnails" size source
    mkdir -p "$samples" "$out"
    for size in 1600x1200 1200x1600 2000x1000; do
        case $size in
        1600x1200) source=gradient:orange-navy ;;
        1200x1600) source=plasma:fractal ;;
        *) source=radial-gradient:yellow-green ;;
        esac
        [ -f "$samples/sample-$size.jpg" ] ||
            convert -size "$size" -seed 3 "$source" -quality 92 "$samples/sample-$size.jpg"
    done
    "$build/cli/quillet-thumb" --overwrite -o "$out" -s 160x180 "$samples"/*.jpg
    echo "Thumbnails of the sample photos are in $out"
    echo "On a desktop, the same command opens the Quillet window."
}

# The fuzz targets, built with clang and libFuzzer, from their seeds: the engine and the INI
# reader for a minute each, the photo decoders for twenty seconds each. A fuzz
# build that no longer compiles, or a crash found quickly, fails the test command. What they
# find new stays in build-fuzz/corpus for the next run.
run_fuzzers() {
    local fuzzing="$root/build-fuzz" target
    CC=clang CXX=clang++ cmake -S "$root" -B "$fuzzing" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
        -DQUILLET_FUZZ=ON -DQUILLET_GUI=OFF -DQUILLET_SERVER=OFF
    cmake --build "$fuzzing" --parallel "$(nproc)" --target fuzz_thumbnail fuzz_inifile make_fuzz_seeds \
        make_format_seeds fuzz_png fuzz_webp fuzz_heif fuzz_tiff
    "$fuzzing/fuzz/make_fuzz_seeds" "$fuzzing/seeds/thumbnail"
    "$fuzzing/fuzz/make_format_seeds" "$fuzzing/seeds"
    for target in thumbnail inifile; do
        mkdir -p "$fuzzing/corpus/$target"
    done
    # thumbnail-regressions holds inputs that once failed: each run replays them first.
    "$fuzzing/fuzz/fuzz_thumbnail" -max_total_time=60 -print_final_stats=1 \
        "$fuzzing/corpus/thumbnail" "$fuzzing/seeds/thumbnail" "$root/fuzz/thumbnail-regressions"
    "$fuzzing/fuzz/fuzz_inifile" -max_total_time=60 -print_final_stats=1 \
        "$fuzzing/corpus/inifile" "$root/fuzz/inifile-seeds"
    # Most of a decoder's code is its library's, already fuzzed where it is made.
    for target in png webp heif tiff; do
        mkdir -p "$fuzzing/corpus/$target"
        "$fuzzing/fuzz/fuzz_$target" -max_total_time=20 -rss_limit_mb=1024 -print_final_stats=1 \
            "$fuzzing/corpus/$target" "$fuzzing/seeds/$target"
    done
}

run_tests() {
    start_xvfb
    trap stop_xvfb EXIT
    ctest --test-dir "$build" --output-on-failure --parallel "$(nproc)" --timeout 600
    run_fuzzers
    # The same tests again, built with AddressSanitizer and UndefinedBehaviorSanitizer.
    local sanitized="$root/build-asan"
    cmake -S "$root" -B "$sanitized" -G Ninja -DCMAKE_BUILD_TYPE=Debug -DQUILLET_SANITIZE=ON
    cmake --build "$sanitized" --parallel "$(nproc)"
    ctest --test-dir "$sanitized" --output-on-failure --parallel "$(nproc)" --timeout 900
}

case "$cmd" in
run)
    install_missing
    build_all OFF
    run_program
    ;;
test)
    install_missing
    build_all ON
    run_tests
    ;;
*)
    echo "usage: $0 run|test" >&2
    exit 2
    ;;
esac
