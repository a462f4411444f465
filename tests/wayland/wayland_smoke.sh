#!/usr/bin/env bash
# Quillet as a native Wayland client (under run_in_weston.sh): its protocol log shows the main
# window mapped with the desktop entry's app id and its title; SIGTERM closes it cleanly.
# usage: wayland_smoke.sh QUILLET
set -uo pipefail
quillet=$1
log=$(mktemp)
trap 'rm -f "$log"' EXIT
WAYLAND_DEBUG=client "$quillet" 2>"$log" &
pid=$!

mapped() {
    grep -q 'xdg_toplevel@[0-9]*\.set_app_id("io.github.quillet.Quillet")' "$log" &&
        grep -q 'xdg_toplevel@[0-9]*\.set_title("Quillet")' "$log" &&
        grep -q 'xdg_surface@[0-9]*\.ack_configure' "$log" &&
        grep -q 'wl_surface@[0-9]*\.attach(wl_buffer@' "$log"
}
for _ in $(seq 300); do
    mapped && break
    kill -0 "$pid" 2>/dev/null || break
    sleep 0.1
done
status=0
fail() {
    echo "FAIL: $*"
    grep -v '^\[' "$log" | tail -n 20
    status=1
}
mapped || fail "no main window with the app id io.github.quillet.Quillet was mapped"
kill -TERM "$pid" 2>/dev/null
wait "$pid" || fail "quillet ended with status $?"
[ $status -eq 0 ] && echo "the main window was mapped on Wayland as io.github.quillet.Quillet"
exit $status
