#!/usr/bin/env bash
# Load on quillet-update-server: 200 clients at once each ask for the build and download a
# 1 MiB installer (every byte checked) while 200 more connections stay open and silent.
# Reports throughput, the slowest request and the server's peak memory.
#   bench/update_load.sh [BUILD_DIR] [CLIENTS] [SILENT]
set -euo pipefail

here=$(cd "$(dirname "$0")" && pwd)
build=${1:-$here/../build}
clients=${2:-200}
silent=${3:-200}
server="$build/server/quillet-update-server"
[ -x "$server" ] || { echo "build quillet-update-server first: $server" >&2; exit 2; }

work=$(mktemp -d)
server_pid=
cleanup() {
    [ -n "$server_pid" ] && kill "$server_pid" 2>/dev/null || true
    rm -rf "$work"
}
trap cleanup EXIT

head -c $((1024 * 1024)) /dev/urandom >"$work/installer.bin"
ulimit -n "$(ulimit -Hn)" 2>/dev/null || true
# Every client here comes from one address: let it hold every place.
"$server" --build 7 --installer "$work/installer.bin" --port 0 --timeout 120 \
    --max-per-address 1024 2>"$work/server.log" &
server_pid=$!
for _ in $(seq 50); do
    grep -q 'listening on' "$work/server.log" && break
    sleep 0.1
done
port=$(sed -n 's/.*listening on [^:]*:\([0-9]*\),.*/\1/p' "$work/server.log")
[ -n "$port" ] || { cat "$work/server.log" >&2; exit 1; }

status=0
python3 "$here/update_load_client.py" "$port" 7 "$work/installer.bin" "$clients" "$silent" ||
    status=$?
echo "server peak memory: $(awk '/VmHWM/ {print $2, $3}' "/proc/$server_pid/status")"
echo "server log lines: $(grep -c ': YES' "$work/server.log") answered requests"
kill -TERM "$server_pid"
wait "$server_pid" || status=1
server_pid=
exit "$status"
