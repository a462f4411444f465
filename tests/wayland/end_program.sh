#!/usr/bin/env bash
# The probe's status and its buffered reports come through EndProgram on the platform given.
# usage: end_program.sh PROBE PLATFORM
set -uo pipefail
probe=$1 platform=$2
failures=0
for status in 0 3; do
    output=$("$probe" "$status")
    got=$?
    want="stream report on $platform, stdio report"
    if [ "$got" -ne "$status" ] || [ "$output" != "$want" ]; then
        echo "FAIL: asked for status $status, got $got with output '$output' (want '$want')"
        failures=$((failures + 1))
    fi
done
[ $failures -eq 0 ] && echo "statuses and reports came through on $platform"
exit $((failures > 0))
