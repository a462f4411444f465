#!/usr/bin/env bash
# The probe's status and its buffered reports come through EndProgram on the platform given.
# In a sanitized build a leak ends it with the leak check's status instead.
# usage: end_program.sh PROBE PLATFORM SANITIZED(ON|OFF)
set -uo pipefail
probe=$1 platform=$2 sanitized=$3
failures=0
# status asked for, "leak" or not
for row in "0 -" "3 -" "0 leak"; do
    read -r status leak <<<"$row"
    output=$("$probe" "$status" "$leak" 2>/dev/null)
    got=$?
    want="stream report on $platform, stdio report"
    if [ "$leak" = leak ] && [ "$sanitized" = ON ]; then
        [ "$got" -ne 0 ] && status=$got || status="not 0"
    fi
    if [ "$got" != "$status" ] || [ "$output" != "$want" ]; then
        echo "FAIL: $row: status $got, want $status, output '$output' (want '$want')"
        failures=$((failures + 1))
    fi
done
[ $failures -eq 0 ] && echo "statuses and reports came through on $platform"
exit $((failures > 0))
