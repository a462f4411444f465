#!/bin/sh
# Runs a checker that may not be installed; its absence skips the test (status 77).
command -v "$1" >/dev/null 2>&1 || {
    echo "$1 is not installed: skipped"
    exit 77
}
exec "$@"
