#!/usr/bin/env bash
# Whole-library runs of quillet-thumb and quillet-dask, each side one process for the whole
# batch, rounds alternating, ratios printed against the goals:
#   three sizes from one photo        at most 1.5x the largest size alone
#   --update rerun, 10,000 photos      under 1 s, no photo opened
#   planning 100,000 files in a tree   under 2 s, memory linear (against 50,000)
#   quillet-dask, 2 local workers      within 1.3x of quillet-thumb -j2, identical bytes
#
#   bash bench/library_bench.sh [BUILD_DIR] [ROUNDS]
#
# Needs: imagemagick, time, bc; strace for the "no photo opened" check; python3-distributed
# for the Dask part (skipped without it).
set -euo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$root/build}
rounds=${2:-3}
source "$root/bench/prelude.sh"
thumb=$build/cli/quillet-thumb
dask=$build/cli/quillet-dask
echo "load before: $(cut -d' ' -f1-3 /proc/loadavg)"

seconds() { # command...: the wall time of one run
    local start end
    start=$(date +%s.%N)
    "$@" >/dev/null
    end=$(date +%s.%N)
    echo "$end - $start" | bc -l
}
best() { # the smaller of two numbers ("" counts as none)
    if [ -z "$1" ] || [ "$(echo "$2 < $1" | bc -l)" = 1 ]; then echo "$2"; else echo "$1"; fi
}

# Camera-like photos, 12 to 24 megapixels, 4:2:0, two progressive.
photos=$work/photos
mkdir -p "$photos"
sizes=(4000x3000 4600x3450 5000x3750 6000x4000)
for k in "${!sizes[@]}"; do
    extra=()
    [ $((k % 2)) -eq 1 ] && extra=(-interlace JPEG)
    "$convert" -size "${sizes[$k]}" -seed "$k" plasma:fractal -attenuate 0.3 +noise Gaussian \
        -quality 90 -sampling-factor 2x2 "${extra[@]}" "$photos/base$k.jpg"
done
for i in $(seq -w 0 11); do cp "$photos/base$((10#$i % 4)).jpg" "$photos/photo$i.jpg"; done
rm "$photos"/base*.jpg

echo "== three sizes against the largest alone (12 photos, -j2)"
one= three=
for r in $(seq "$rounds"); do
    rm -rf "$work/a" "$work/b"
    one=$(best "$one" "$(seconds "$thumb" -q -r -j2 -s 1024x1024 -o "$work/a" "$photos")")
    three=$(best "$three" "$(seconds "$thumb" -q -r -j2 -s 160x180 -s 320x320 -s 1024x1024 \
        -o "$work/b" "$photos")")
done
cmp -s "$work/a/photo00.jpg.thumb.jpg" "$work/b/photo00.jpg.thumb-1024x1024.jpg" ||
    echo "DIFFERENT: the 1024 px thumbnail of the three-size run"
printf 'largest alone %.2fs, three sizes %.2fs: ratio %.2f (goal <= 1.5)\n' "$one" "$three" \
    "$(echo "$three / $one" | bc -l)"

echo "== --update rerun over 10,000 unchanged photos"
small=$work/small
mkdir -p "$small"
"$convert" -size 96x64 -seed 9 plasma:fractal "$work/small.jpg"
for f in $(seq 0 99); do
    mkdir "$small/f$f"
    for i in $(seq 0 99); do ln "$work/small.jpg" "$small/f$f/p$i.jpg"; done
done
"$thumb" -q -r --update -s 32x32 -o "$work/smallthumbs" "$small"
rerun=
for r in $(seq "$rounds"); do
    rerun=$(best "$rerun" "$(seconds "$thumb" -q -r --update -s 32x32 -o "$work/smallthumbs" "$small")")
done
printf 'rerun %.2fs (goal < 1 s)\n' "$rerun"
if command -v strace >/dev/null; then
    opened=$(strace -f -e trace=openat -o /dev/stdout "$thumb" -q -r --update -s 32x32 \
        -o "$work/smallthumbs" "$small" | grep -c "$small/f[0-9]*/p[0-9]*.jpg\"" || true)
    echo "photos opened in the rerun: $opened (goal 0)"
fi

echo "== planning 100,000 files in a tree (--dry-run)"
plan() { # files: seconds and peak MB of a dry run over a tree of that many empty photos
    local tree=$work/tree$1
    mkdir -p "$tree"
    (cd "$tree" && for f in $(seq 0 $(($1 / 1000 - 1))); do
        mkdir "d$f" && (cd "d$f" && seq -f 'p%g.jpg' 0 999 | xargs touch)
    done)
    /usr/bin/time -f '%e %M' "$thumb" -q -r -n -o "$work/none" "$tree" 2>&1 >/dev/null | tail -1
}
read -r s100 m100 < <(plan 100000)
read -r s50 m50 < <(plan 50000)
printf '100,000 files %.2fs (goal < 2 s), peak %d MB; 50,000 files peak %d MB\n' "$s100" \
    $((m100 / 1024)) $((m50 / 1024))

# Python and Dask's client take about 0.4 s to start, which a batch of a few seconds hides
# and a batch under a second does not: 192 photos, some 3 s of work on this machine.
echo "== quillet-dask with two local workers against quillet-thumb -j2 (192 photos)"
if ! /usr/bin/python3 -c 'import distributed' 2>/dev/null; then
    echo "python3-distributed is not installed: skipped"
    exit 0
fi
many=$work/many
mkdir -p "$many"
for i in $(seq -w 0 191); do cp "$photos/photo$(printf %02d $((10#$i % 12))).jpg" "$many/p$i.jpg"; done
dask-scheduler --host 127.0.0.1 --port 0 --no-dashboard --scheduler-file "$work/s.json" \
    >/dev/null 2>&1 &
pids=($!)
for w in 1 2; do
    dask-worker --no-nanny --nthreads 1 --no-dashboard --scheduler-file "$work/s.json" \
        >/dev/null 2>&1 &
    pids+=($!)
done
trap 'kill "${pids[@]}" 2>/dev/null; rm -rf "$work"' EXIT
until [ -s "$work/s.json" ]; do sleep 0.2; done
address=$(/usr/bin/python3 -c 'import json,sys; print(json.load(open(sys.argv[1]))["address"])' \
    "$work/s.json")
/usr/bin/python3 -c 'import distributed,sys; distributed.Client(sys.argv[1]).wait_for_workers(2)' \
    "$address"
alone= cluster=
for r in $(seq "$rounds"); do
    rm -rf "$work/l" "$work/c"
    alone=$(best "$alone" "$(seconds "$thumb" -q -r -j2 -o "$work/l" "$many")")
    cluster=$(best "$cluster" "$(seconds "$dask" -q --thumb "$thumb" --scheduler "$address" \
        -r -o "$work/c" "$many")")
done
diff -rq "$work/l" "$work/c" >/dev/null && same=identical || same=DIFFERENT
printf 'quillet-thumb -j2 %.2fs, quillet-dask %.2fs: ratio %.2f (goal <= 1.3), bytes %s\n' \
    "$alone" "$cluster" "$(echo "$cluster / $alone" | bc -l)" "$same"
