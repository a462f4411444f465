#!/usr/bin/env bash
# What a screen reader learns of the main window over AT-SPI: Qt's accessibility bridge on a
# session bus of its own, read back with pyatspi as Orca would.
# usage: screen_reader_atspi.sh QUILLET
set -uo pipefail
launcher=/usr/libexec/at-spi-bus-launcher
if [ -z "${DISPLAY:-}" ] || ! command -v dbus-run-session >/dev/null || [ ! -x "$launcher" ] ||
    ! /usr/bin/python3 -c 'import pyatspi' 2>/dev/null; then
    echo "needs an X server, dbus, at-spi2-core and python3-pyatspi: skipped"
    exit 77
fi
home=$(mktemp -d)
trap 'rm -rf "$home"' EXIT
export HOME=$home XDG_RUNTIME_DIR=$home QT_QPA_PLATFORM=xcb QT_LINUX_ACCESSIBILITY_ALWAYS_ON=1
export QUILLET=$1
exec dbus-run-session -- bash -c '
    "$0" --launch-immediately >/dev/null 2>&1 &
    bus=$!
    "$QUILLET" 2>/dev/null &
    app=$!
    /usr/bin/python3 "$1"
    status=$?
    kill "$app" "$bus"
    exit $status' "$launcher" "$(dirname "$0")/screen_reader_atspi.py"
