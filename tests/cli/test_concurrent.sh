#!/usr/bin/env bash
# Several quillet-thumb processes over overlapping lists of photos, all writing into one
# folder, as a collection spread with GNU parallel over cores or machines is: no thumbnail is
# ever damaged, no photo changes, and a rerun skips what is done without touching it.
# usage: test_concurrent.sh QUILLET_THUMB
set -euo pipefail
thumb=$1
for tool in convert identify cmp sha256sum; do
    command -v "$tool" >/dev/null || {
        echo "$tool is not installed: skipped"
        exit 77
    }
done
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$work"
mkdir photos reference out
convert -size 800x600 -seed 7 plasma:fractal base.ppm
for i in $(seq -w 1 24); do
    convert base.ppm -roll "+$((10#$i * 31))+$((10#$i * 17))" -quality 88 "photos/p$i.jpg"
done
sha256sum photos/*.jpg >photos.sha256
photos=(photos/*.jpg)
"$thumb" -q -j1 -o reference "${photos[@]}"

status=0
fail() {
    echo "FAIL: $*"
    status=1
}

# Four processes: every photo forwards, every photo backwards, every second one, and a
# shuffled half; each converts two at a time.
run_overlapping() { # extra options
    local lists=(
        "${photos[*]}"
        "$(printf '%s\n' "${photos[@]}" | tac | xargs)"
        "$(printf '%s\n' "${photos[@]}" | sed -n 'p;n' | xargs)"
        "$(printf '%s\n' "${photos[@]}" | shuf --random-source=base.ppm | head -n 12 | xargs)"
    )
    local pids=() list pid code
    for list in "${lists[@]}"; do
        # shellcheck disable=SC2086 # the list is split into file names on purpose
        "$thumb" -q -j2 "$@" -o out $list 2>>errors.log &
        pids+=($!)
    done
    for pid in "${pids[@]}"; do
        code=0
        wait "$pid" || code=$?
        # 1 only says some photo was skipped or lost a race; anything else is a fault.
        [ $code -le 1 ] || fail "a process ended with status $code"
    done
}

# While the processes run, every target read must be whole: the reference thumbnail or the
# placeholder it replaces, never a partly written file.
watch_targets() {
    local target seen=$work/seen
    while [ -e running ]; do
        for target in out/*.thumb.jpg; do
            cat "$target" >"$seen" 2>/dev/null || continue
            cmp -s "$seen" "reference/${target#out/}" || cmp -s "$seen" placeholder.jpg ||
                cp "$seen" "partial.${target#out/}"
        done
    done
}
watched() { # command...
    touch running
    watch_targets &
    local watcher=$!
    "$@"
    rm running
    wait "$watcher"
    ! ls partial.* >/dev/null 2>&1 || fail "partly written targets seen: $(ls partial.*)"
}

check_targets() { # round name
    local photo name
    for photo in "${photos[@]}"; do
        name=$(basename "$photo").thumb.jpg
        cmp -s "out/$name" "reference/$name" || fail "$1: out/$name differs from the reference"
        identify -regard-warnings "out/$name" >/dev/null 2>&1 || fail "$1: out/$name does not decode"
    done
    [ "$(ls -A out | wc -l)" -eq ${#photos[@]} ] || fail "$1: stray files in out: $(ls -A out)"
    sha256sum --quiet -c photos.sha256 || fail "$1: a photo changed"
}

cp reference/p01.jpg.thumb.jpg placeholder.jpg
watched run_overlapping
check_targets "first run"

# Every target is first replaced by a placeholder, so each must be written again.
for photo in "${photos[@]}"; do
    cp placeholder.jpg "out/$(basename "$photo").thumb.jpg"
done
watched run_overlapping --overwrite
check_targets "overwriting run"

ls -i out >inodes.before
code=0
"$thumb" -q -o out "${photos[@]}" 2>rerun.log || code=$?
[ $code -eq 1 ] || fail "the rerun ended with status $code, not 1 (skipped)"
[ "$(grep -c 'already exists' rerun.log)" -eq ${#photos[@]} ] || fail "the rerun did not skip every photo"
ls -i out | cmp -s - inodes.before || fail "the rerun replaced targets"
check_targets "rerun"

[ $status -eq 0 ] && echo "${#photos[@]} photos, 4 processes: every thumbnail whole and exact"
exit $status
