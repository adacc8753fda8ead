#!/usr/bin/env bash
# Builds every tree and runs every test: native (ASan/UBSan, real JVM), win32 (the 32-bit tray),
# win64 (the launcher) and tray64 (the tray's 64-bit twin) under Wine, the fuzz targets for a
# bounded time, and the release archive's check. Installs what it needs first. How the win32 tree's tests run depends on how this
# machine runs i386 programs (scripts/host-i386.sh); the summary says, per tree, which path ran.
set -uo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh || exit 1

trees=(native win32 win64 tray64 fuzz)
wine_trees=(win32 win64 tray64)
stop_wine() { for t in "${wine_trees[@]}"; do scripts/wine-session.sh down "build/$t/wine" >/dev/null 2>&1; done; }
trap stop_wine EXIT

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

for t in "${trees[@]}"; do
    echo "=== $t: $(how_tree_runs "$t") ==="
    [ "$t" = win32 ] && scripts/host-i386.sh --describe
    start=$SECONDS
    # Afresh: a hand configure of the same tree leaves its choices (VW_PARTS, say) in the cache, and
    # the tree would then build and test only part of itself.
    configure=(cmake --preset "$t" --fresh)
    [[ " ${wine_trees[*]} " == *" $t "* ]] && configure+=("-DVW_I386_MODE=$i386")
    ok=1
    if ! "${configure[@]}" || ! cmake --build --preset "$t"; then
        ok=0
        result="build failed"
    else
        [ "$t" = win32 ] && [ "$i386" = none ] &&
            echo "win32: the 32-bit tray and its tests were built; only the check of the tray's header runs, the tests cannot run on this machine, so ctest lists them as not run"
        ctest --preset "$t" 2>&1 | tee "$logs/$t.log"
        [ "${PIPESTATUS[0]}" -eq 0 ] || ok=0
        result=$(scripts/ctest-counts.sh "$logs/$t.log")
        case "$result" in
        *" 0 not run") ;;
        "0 passed, 0 failed, "*) skipped+=("$t (none of its tests)") ;;
        *) skipped+=("$t (${result##* failed, })") ;;
        esac
    fi
    [[ " ${wine_trees[*]} " == *" $t "* ]] && scripts/wine-session.sh down "build/$t/wine" >/dev/null 2>&1
    [ $ok -eq 1 ] || failed+=("$t")
    summary+=("$(printf '%-8s %-45s %-36s %4d s%s' "$t:" "$(how_tree_runs "$t")" "$result" $((SECONDS - start)) \
        "$([ $ok -eq 1 ] || echo '  FAILED')")")
done
rm -rf "$logs"

# The release archive: both programs built in release mode, packed, unpacked and checked.
echo "=== package ==="
start=$SECONDS
if bash scripts/package_test.sh; then result="archive made and checked"; else result="FAILED"; failed+=(package); fi
summary+=("$(printf '%-8s %-45s %-36s %4d s' "package:" "release archive (scripts/package.sh)" "$result" $((SECONDS - start)))")

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
