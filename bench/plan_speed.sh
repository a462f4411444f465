#!/usr/bin/env bash
# Times quillet-thumb planning and reporting a large batch whose targets all exist (every
# photo is skipped, so nothing is decoded): the time must grow with the count, not its square.
# Prints seconds for each count and the ratio per photo against the smallest count.
#
#   bash bench/plan_speed.sh [BUILD_DIR] [COUNTS...]      (default counts: 5000 20000 50000)
set -euo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$root/build}
shift || true
counts=("${@:-5000 20000 50000}")
read -ra counts <<<"${counts[*]}"
source "$root/bench/prelude.sh"
thumb=$build/cli/quillet-thumb

"$convert" -size 8x8 xc:gray "$work/tiny.jpg"
first=""
for n in "${counts[@]}"; do
    rm -rf "$work/p" "$work/t"
    mkdir -p "$work/p" "$work/t"
    # Each photo its own file, each target already there.
    /usr/bin/python3 -c '
import sys
work, n = sys.argv[1], int(sys.argv[2])
tiny = open(work + "/tiny.jpg", "rb").read()
for i in range(n):
    open(f"{work}/p/{i}.jpg", "wb").write(tiny)
    open(f"{work}/t/{i}.jpg.thumb.jpg", "wb").close()
' "$work" "$n"
    cd "$work/p"
    start=$(date +%s.%N)
    "$thumb" -q -o "$work/t" ./*.jpg >/dev/null 2>&1 || true
    end=$(date +%s.%N)
    seconds=$(echo "$end - $start" | bc -l)
    cd "$root"
    [ -z "$first" ] && first="$n $seconds"
    read -r n0 s0 <<<"$first"
    printf '%6d photos: %6.2f s   per photo vs %d: %.2fx\n' "$n" "$seconds" "$n0" \
        "$(echo "($seconds / $n) / ($s0 / $n0)" | bc -l)"
done
