#!/usr/bin/env bash
# Quillet's main window on X11: its class is the desktop entry's StartupWMClass, and it carries
# the program's icon in sizes up to 128 pixels (the largest Qt hands to X11).
# usage: window_identity_x11.sh QUILLET DESKTOP_ENTRY
set -uo pipefail
quillet=$1 entry=$2
skip() {
    echo "$*: skipped"
    exit 77
}
[ -n "${DISPLAY:-}" ] || skip "no X server"
for tool in xdotool xprop; do
    command -v "$tool" >/dev/null || skip "$tool is not installed"
done
home=$(mktemp -d)
trap 'rm -rf "$home"' EXIT
HOME=$home QT_QPA_PLATFORM=xcb "$quillet" 2>/dev/null &
pid=$!
window=$(timeout 30 xdotool search --sync --pid "$pid" --name '^Quillet$' | head -n1)
status=0
fail() {
    echo "FAIL: $*"
    status=1
}
if [ -z "$window" ]; then
    fail "no main window"
else
    class=$(xprop -id "$window" WM_CLASS | sed -n 's/.*= "[^"]*", "\([^"]*\)"/\1/p')
    wanted=$(sed -n 's/^StartupWMClass=//p' "$entry")
    [ -n "$class" ] && [ "$class" = "$wanted" ] ||
        fail "window class '$class', the desktop entry names '$wanted'"
    icon=$(xprop -id "$window" _NET_WM_ICON)
    for size in 16 48 128; do
        grep -q "Icon ($size x $size)" <<<"$icon" || fail "no $size x $size icon"
    done
fi
kill "$pid"
wait "$pid" || fail "quillet ended with status $?"
[ $status -eq 0 ] && echo "the window's class and icon are the desktop entry's"
exit $status
