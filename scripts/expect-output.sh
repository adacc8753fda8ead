#!/usr/bin/env bash
# Runs a test program and passes only when it exits 0 and its output (standard output and error) has
# a line matching the extended regular expression; ctest's own output patterns ignore the exit code,
# so a program that prints gtest's summary and then crashes or fails gmock's leak check would pass.
#   expect-output.sh REGEX COMMAND [ARGS...]
set -u
pattern=${1:?regular expression}
shift
log=$(mktemp)
trap 'rm -f "$log"' EXIT
# Into a file, not a pipe: a Wine program's helper processes may keep a pipe open after it ends.
"$@" >"$log" 2>&1
status=$?
cat "$log"
if [ "$status" -ne 0 ]; then
    echo "expect-output: $1 exited with $status"
    exit 1
fi
grep -qE -- "$pattern" "$log" || { echo "expect-output: no line matches: $pattern"; exit 1; }
