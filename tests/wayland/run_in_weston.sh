#!/usr/bin/env bash
# Runs a command on Qt's Wayland platform under a headless weston of its own (with OpenGL
# where it starts with it), then stops weston. Skips (77) when weston is missing or won't start.
# usage: run_in_weston.sh COMMAND [ARG]...
set -uo pipefail
command -v weston >/dev/null || {
    echo "weston is not installed: skipped"
    exit 77
}
work=$(mktemp -d)
weston_pid=
stop_weston() {
    [ -z "$weston_pid" ] || { kill "$weston_pid" 2>/dev/null; wait "$weston_pid" 2>/dev/null; }
    weston_pid=
}
trap 'stop_weston; rm -rf "$work"' EXIT
mkdir -m 700 "$work/runtime" "$work/home"
export XDG_RUNTIME_DIR=$work/runtime HOME=$work/home
socket=quillet-test-$$

start_weston() { # extra weston options
    weston --backend=headless-backend.so --socket="$socket" --idle-time=0 --no-config \
        --width=1280 --height=1024 "$@" >"$work/weston.log" 2>&1 &
    weston_pid=$!
    for _ in $(seq 100); do
        [ -S "$XDG_RUNTIME_DIR/$socket" ] && return 0
        kill -0 "$weston_pid" 2>/dev/null || break
        sleep 0.1
    done
    stop_weston
    return 1
}
if ! start_weston --use-gl && ! start_weston; then
    echo "weston did not start: skipped"
    tail -n 5 "$work/weston.log"
    exit 77
fi
grep -q "GL renderer" "$work/weston.log" && echo "weston runs with OpenGL" ||
    echo "weston runs without OpenGL"

unset DISPLAY
WAYLAND_DISPLAY=$socket QT_QPA_PLATFORM=wayland "$@"
status=$?
stop_weston
exit $status
