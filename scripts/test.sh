#!/usr/bin/env bash
# Builds every tree and runs every test: native (ASan/UBSan, real JVM), win32 (the 32-bit tray),
# win64 (the launcher) and tray64 (the tray's 64-bit twin) under Wine, the fuzz targets for a
# bounded time, and the check of the release archive and its installer package (under Wine too).
# Installs what it needs first. How the win32 tree's tests run depends on how this machine runs i386
# programs (scripts/host-i386.sh); the summary says, per tree, which path ran.
set -uo pipefail
# Job control off, whoever starts this: with it on, a background job leads a process group of its
# own, so `setsid` below forks, its parent returns 0 at once and ctest's exit code is lost.
set +m
cd "$(dirname "$0")/.."
bash scripts/setup.sh || exit 1

trees=(native fuzz win32 win64 tray64)
wine_trees=(win32 win64 tray64)
# A tree's tests run while the next tree builds, and the last tree's while the release archive is
# built: most of a Wine test's time is spent waiting on Wine, and the build keeps the cores busy
# meanwhile. Two trees' tests never run at once. Tests that keep the cores busy themselves run alone:
# the fuzz tree's, and the win32 tree's where i386 code is emulated, whose waits are stretched for
# emulation alone.
testing=""
testing_pid=""
stop_tests() { [ -z "$testing_pid" ] || { kill -TERM -- "-$testing_pid" 2>/dev/null; wait "$testing_pid" 2>/dev/null; }; }
stop_wine() {
    for t in "${wine_trees[@]}"; do scripts/wine-session.sh down "build/$t/wine" >/dev/null 2>&1; done
    scripts/wine-session.sh down build/package-msi-wine >/dev/null 2>&1
}
trap 'stop_tests; stop_wine' EXIT

i386=$(scripts/host-i386.sh) || exit 1
logs=$(mktemp -d)
failed=()
skipped=()
summary=()

how_tree_runs() {
    case "$1" in
    native) echo "host g++ with ASan/UBSan, real JVM" ;;
    win32)
        case "$i386" in
        native) echo "native i386" ;;
        emulated) echo "emulated i386 (program test only)" ;;
        none) echo "header check only: no i386 execution here" ;;
        esac ;;
    win64 | tray64) echo "wine64" ;;
    fuzz) echo "libFuzzer, each target for a bounded time" ;;
    esac
}

is_wine_tree() { [[ " ${wine_trees[*]} " == *" $1 "* ]]; }
runs_alone() { [ "$1" = fuzz ] || { [ "$1" = win32 ] && [ "$i386" = emulated ]; }; }
declare -A started

# record TREE OK RESULT: the tree's line in the summary, its time from the start of its configure.
record() {
    [ "$2" -eq 1 ] || failed+=("$1")
    summary+=("$(printf '%-8s %-45s %-36s %4d s%s' "$1:" "$(how_tree_runs "$1")" "$3" $((SECONDS - started[$1])) \
        "$([ "$2" -eq 1 ] || echo '  FAILED')")")
}

# Waits for the tests running in the background, shows their output and records their tree.
finish_tests() {
    [ -n "$testing" ] || return 0
    local t=$testing ok=1 result
    wait "$testing_pid" || ok=0
    testing="" testing_pid=""
    echo "=== $t: tests ==="
    cat "$logs/$t.log"
    result=$(scripts/ctest-counts.sh "$logs/$t.log")
    case "$result" in
    *" 0 not run") ;;
    "0 passed, 0 failed, "*) skipped+=("$t (none of its tests)") ;;
    *) skipped+=("$t (${result##* failed, })") ;;
    esac
    is_wine_tree "$t" && scripts/wine-session.sh down "build/$t/wine" >/dev/null 2>&1
    record "$t" $ok "$result"
}

for t in "${trees[@]}"; do
    echo "=== $t: $(how_tree_runs "$t") ==="
    [ "$t" = win32 ] && scripts/host-i386.sh --describe
    started[$t]=$SECONDS
    # Afresh: a hand configure of the same tree leaves its choices (VW_PARTS, say) in the cache, and
    # the tree would then build and test only part of itself.
    configure=(cmake --preset "$t" --fresh)
    is_wine_tree "$t" && configure+=("-DVW_I386_MODE=$i386")
    if ! "${configure[@]}" || ! cmake --build --preset "$t"; then
        finish_tests
        record "$t" 0 "build failed"
        continue
    fi
    finish_tests
    [ "$t" = win32 ] && [ "$i386" = none ] &&
        echo "win32: the 32-bit tray and its tests were built; only the check of the tray's header runs, the tests cannot run on this machine, so ctest lists them as not run"
    echo "=== $t: tests started, their output follows when they end ==="
    # A session of its own, so that stopping the tests stops every program they started.
    setsid ctest --preset "$t" >"$logs/$t.log" 2>&1 </dev/null &
    testing=$t testing_pid=$!
    runs_alone "$t" && finish_tests
done

# The release archive and installer package: both programs built in release mode, signed with a
# throw-away certificate, packed, unpacked and checked; the package installed, upgraded and removed
# under Wine's 64-bit loader.
echo "=== package ==="
start=$SECONDS
package_ok=1
bash scripts/package_test.sh || package_ok=0
package_time=$((SECONDS - start))
finish_tests
rm -rf "$logs"
if [ $package_ok -eq 1 ]; then result="archive and MSI made and checked"; else result="FAILED"; failed+=(package); fi
summary+=("$(printf '%-8s %-45s %-36s %4d s' "package:" "release archive and MSI (scripts/package.sh)" "$result" $package_time)")

echo
echo "=== summary ==="
scripts/host-i386.sh --describe
printf '%s\n' "${summary[@]}"
echo "total: $SECONDS s"
if [ ${#failed[@]} -ne 0 ]; then
    echo "FAILED trees: ${failed[*]}"
    exit 1
fi
# Tests that did not run did not pass: the last line says which trees skipped some.
if [ ${#skipped[@]} -ne 0 ]; then
    echo "All trees passed the tests they ran; not run on this machine: $(printf '%s, ' "${skipped[@]}" | sed 's/, $//')."
else
    echo "All trees passed."
fi
