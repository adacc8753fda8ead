#!/usr/bin/env bash
# Builds every tree and runs every test: native (ASan/UBSan, real JVM), win32 and win64 (under Wine),
# and the fuzz targets for a bounded time. Installs what it needs first.
set -uo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh || exit 1

trees=(native win32 win64 fuzz)
stop_wine() { for t in win32 win64; do scripts/wine-session.sh down "build/$t/wine" >/dev/null 2>&1; done; }
trap stop_wine EXIT

failed=()
for t in "${trees[@]}"; do
    echo "=== $t ==="
    if ! cmake --workflow --preset "$t"; then
        failed+=("$t")
    fi
    [[ $t == win* ]] && scripts/wine-session.sh down "build/$t/wine" >/dev/null 2>&1
done

if [ ${#failed[@]} -ne 0 ]; then
    echo "FAILED trees: ${failed[*]}"
    exit 1
fi
echo "All trees passed."
