#!/usr/bin/env bash
# Quillet's main window on X11: its class is the desktop entry's StartupWMClass, and it carries
# the program's icon in sizes up to 128 pixels (the largest Qt hands to X11).
# usage: window_identity_x11.sh QUILLET DESKTOP_ENTRY
set -uo pipefail
if [ -z "${DISPLAY:-}" ] || ! command -v xdotool >/dev/null || ! command -v xprop >/dev/null; then
    echo "needs an X server, xdotool and xprop: skipped"
    exit 77
fi
home=$(mktemp -d)
trap 'rm -rf "$home"' EXIT
HOME=$home QT_QPA_PLATFORM=xcb "$1" 2>/dev/null &
pid=$!
window=$(timeout 30 xdotool search --sync --pid "$pid" --name '^Quillet$' | head -n1)
class=$(xprop -id "${window:-0}" WM_CLASS 2>/dev/null | sed -n 's/.*= "[^"]*", "\([^"]*\)"/\1/p')
icon=$(xprop -id "${window:-0}" _NET_WM_ICON 2>/dev/null)
kill "$pid"
wait "$pid" || { echo "FAIL: quillet ended with status $?"; exit 1; }
wanted=$(sed -n 's/^StartupWMClass=//p' "$2")
[[ -n $class && $class == "$wanted" ]] ||
    { echo "FAIL: window class '$class', the desktop entry names '$wanted'"; exit 1; }
for size in 16 48 128; do
    grep -q "Icon ($size x $size)" <<<"$icon" || { echo "FAIL: no $size x $size icon"; exit 1; }
done
echo "the window's class and icon are the desktop entry's"
