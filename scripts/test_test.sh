#!/usr/bin/env bash
# Checks what the test command counts as passed, on a made-up ctest project: commands that print
# gtest's summary and then exit 1 or crash fail, one that prints it and exits 0 passes, and the Wine
# session's fixtures are left out of the counts (scripts/ctest-counts.sh). Then runs the test command
# itself with stand-ins for cmake, ctest and the scripts it calls: one tree's tests at a time, the
# fuzz tree's alone, each tree's failure kept, and stopping it stops the tests and every Wine session.
#   scripts/test_test.sh
set -uo pipefail
repo="$(cd "$(dirname "$0")/.." && pwd)"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

cat >"$work/CMakeLists.txt" <<EOF2
cmake_minimum_required(VERSION 3.25)
project(made_up LANGUAGES NONE)
include($repo/cmake/VwTesting.cmake)
enable_testing()
add_test(NAME wine_up COMMAND true)
add_test(NAME wine_down COMMAND true)
set_tests_properties(wine_up PROPERTIES FIXTURES_SETUP WINE)
set_tests_properties(wine_down PROPERTIES FIXTURES_CLEANUP WINE)
set(summary "\\\\[  PASSED  \\\\] 1 test\\\\.")
foreach(case IN ITEMS "exit 0" "exit 1" "kill -SEGV \\\$\\\$")
    vw_command_expecting_output(command "\${summary}" sh -c "echo '[  PASSED  ] 1 test.' && \${case}")
    string(MAKE_C_IDENTIFIER "summary then \${case}" name)
    add_test(NAME \${name} COMMAND \${command})
endforeach()
vw_command_expecting_output(command "\${summary}" sh -c "echo '[  PASSED  ] 0 tests.'")
add_test(NAME no_case_ran COMMAND \${command})
add_test(NAME disabled COMMAND true)
set_tests_properties(disabled PROPERTIES DISABLED TRUE)
set_tests_properties(summary_then_exit_0 summary_then_exit_1 no_case_ran PROPERTIES FIXTURES_REQUIRED WINE)
EOF2
cmake -S "$work" -B "$work/build" >"$work/configure.log" 2>&1 || { cat "$work/configure.log"; exit 1; }
(cd "$work/build" && ctest) >"$work/ctest.log" 2>&1
counts=$(bash "$repo/scripts/ctest-counts.sh" "$work/ctest.log")
if [ "$counts" != "1 passed, 3 failed, 1 not run" ]; then
    echo "test_test: FAIL: counted \"$counts\", not \"1 passed, 3 failed, 1 not run\", from:" >&2
    cat "$work/ctest.log" >&2
    exit 1
fi
grep -q 'summary_then_exit_0 .*Passed' "$work/ctest.log" || { cat "$work/ctest.log" >&2; exit 1; }

# The test command on stand-ins, which log when each tree's build and tests start and end.
fake=$work/fake
mkdir -p "$fake/scripts" "$fake/bin"
cp "$repo/scripts/test.sh" "$repo/scripts/ctest-counts.sh" "$fake/scripts/"
printf '#!/bin/sh\n' >"$fake/scripts/setup.sh"
printf '#!/bin/sh\necho build-start package >>"$EVENTS"; sleep 0.2; echo build-end package >>"$EVENTS"\n' \
    >"$fake/scripts/package_test.sh"
printf '#!/bin/sh\n[ "$1" = --describe ] || echo "$I386"\n' >"$fake/scripts/host-i386.sh"
printf '#!/bin/sh\necho "$1 $2" >>"$EVENTS"\n' >"$fake/scripts/wine-session.sh"
cat >"$fake/bin/cmake" <<'EOF2'
#!/usr/bin/env bash
[ "$1" = --build ] || exit 0
echo "build-start $3" >>"$EVENTS"; sleep 0.2; echo "build-end $3" >>"$EVENTS"
EOF2
cat >"$fake/bin/ctest" <<'EOF2'
#!/usr/bin/env bash
echo "test-start $2" >>"$EVENTS"
if [ "$2" = "$HANGS" ]; then sleep 300 & echo $! >"$EVENTS.hung"; wait; fi
sleep 0.5
echo "test-end $2" >>"$EVENTS"
[ "$2" = "$FAILS" ] && { echo " 1/1 Test #1: t ...***Failed  0.1 sec"; exit 8; }
echo " 1/1 Test #1: t ...   Passed    0.10 sec"
EOF2
chmod +x "$fake/bin/"* "$fake/scripts/"*
export PATH="$fake/bin:$PATH" EVENTS=$work/events
# Started with job control on, as from an interactive shell on a terminal (`script` makes one), a
# tree's failure must still count.
I386=emulated FAILS=win64 HANGS="" script -qec "bash -m '$fake/scripts/test.sh'" /dev/null </dev/null 2>&1 |
    tr -d '\r' >"$work/run.log"
order=$(sed -n '/=== summary ===/,$p' "$work/run.log" | grep -v '^total:' | grep -o '^[a-z0-9]*:' | tr -d '\n')
[ "$order" = "native:fuzz:win32:win64:tray64:package:" ] || { echo "test_test: FAIL: summary lists $order" >&2; cat "$work/run.log" >&2; exit 1; }
grep -q '^win64: .*0 passed, 1 failed.*FAILED$' "$work/run.log" && tail -1 "$work/run.log" | grep -q '^FAILED trees: win64$' ||
    { echo "test_test: FAIL: the failed tree is not reported" >&2; cat "$work/run.log" >&2; exit 1; }
# One tree's tests at a time, nothing built while the fuzz tree's or emulated win32 tests run, and
# the next tree built while the tests of one run (what makes the command faster).
awk '/^test-start/ { if (running != "") bad = bad " two at once: " running "+" $2; running = $2 }
     /^test-end/ { running = "" }
     /^build-start/ { if (running ~ /^(fuzz|win32)$/) bad = bad " a build beside " running; if (running != "") overlapped = 1 }
     END { if (!overlapped) bad = bad " no tests beside a build"; if (bad != "") { print bad; exit 1 } }' "$EVENTS" ||
    { echo "test_test: FAIL: trees' tests and builds ran together as they should not" >&2; cat "$EVENTS" >&2; exit 1; }

# Stopped while a tree's tests run: they stop, and so does every Wine session.
rm -f "$EVENTS"
I386=native FAILS="" HANGS=win64 bash "$fake/scripts/test.sh" >"$work/run.log" 2>&1 &
command_pid=$!
for _ in $(seq 100); do [ -s "$EVENTS.hung" ] && break; sleep 0.1; done
kill -TERM "$command_pid"; wait "$command_pid"
sleep 0.2
hung=$(cat "$EVENTS.hung")
# A killed process whose parent is gone may stay a zombie here: only a live one outlived the command.
case "$(ps -o stat= -p "$hung")" in
"" | Z*) ;;
*) kill "$hung"; echo "test_test: FAIL: a tree's tests outlived the command" >&2; exit 1 ;;
esac
for t in win32 win64 tray64; do
    grep -q "^down build/$t/wine$" "$EVENTS" || { echo "test_test: FAIL: $t's Wine session left up" >&2; exit 1; }
done
echo "test_test: only a clean exit with the summary passed, fixtures were not counted, trees' tests ran one at a time beside the builds"
