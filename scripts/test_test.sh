#!/usr/bin/env bash
# Checks what the test command counts as passed, on a made-up ctest project: commands that print
# gtest's summary and then exit 1 or crash fail, one that prints it and exits 0 passes, and the Wine
# session's fixtures are left out of the counts (scripts/ctest-counts.sh).
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
echo "test_test: only a clean exit with the summary passed, and fixtures were not counted"
