#!/usr/bin/env bash
# A burst through the tray under Wine: 10,000 statistics frames written at once by a loopback
# "engine"; the time from the start of the write until the tray hands the shell the tooltip of the
# last frame (median of rounds), the frames per second, and the working set before and after. The
# tray's controller runs inside tray_burst_bench.exe, built from the tray's sources in each tray
# build that runs here: the real 32-bit one where this machine runs i386 programs natively, and
# always the 64-bit twin. The floor: the same bytes over loopback read by a plain blocking loop in
# the same process, with no tray behind it.
set -euo pipefail
cd "$(dirname "$0")/../.."
repo=$(pwd)
# shellcheck source=../bench-figures.sh
. scripts/bench-figures.sh
frames=${VW_BURST_FRAMES:-10000}
rounds=${VW_BURST_ROUNDS:-5}
presets=tray64
[ "$(scripts/host-i386.sh)" = native ] && presets="win32 tray64"

echo "a burst of $frames statistics frames through the tray under Wine:"
for preset in $presets; do
    build="$repo/build/bench-tray-$preset"
    state="$build/wine"
    cmake --preset "$preset" -B "$build" -DVW_PARTS="tray/messages;tray/ui;tray/resources;tray/app;engine" >/dev/null
    cmake --build "$build" -j2 --target tray_burst_bench >/dev/null
    scripts/wine-session.sh up "$state" >/dev/null
    (
        export WINEPREFIX="$state/prefix" WINEDEBUG=-all
        DISPLAY=$(cat "$state/display")
        export DISPLAY
        # shellcheck source=../wine-loader.sh
        . scripts/wine-loader.sh
        bench=${VW_BURST_EXE:-$build/tray/app/tray_burst_bench.exe}
        out=$("$wine_loader" "$bench" "$frames" "$rounds" </dev/null 2>/dev/null | tr -d '\r')
        line=$(printf '%s\n' "$out" | grep '^burst_ms=' || true)
        if [ -z "$line" ]; then
            printf '  %-8s no figure: %s\n' "$preset" "$out"
            exit 0
        fi
        get() { printf '%s\n' "$line" | sed -n "s/.*$1=\([0-9.]*\).*/\1/p"; }
        printf '  %-8s %s frames: %s ms to the last tooltip (median of %s; rounds: %s), %s frames/s;\n' \
            "$preset" "$frames" "$(get burst_ms)" "$rounds" "$(printf '%s\n' "$out" | sed -n 's/^frames=[0-9]* rounds=[0-9]* //p')" \
            "$(get frames_per_s)"
        printf '  %-8s floor (the same bytes, plain blocking reads) %s ms; working set %s -> %s KiB (target: under 1000 ms)\n' \
            "" "$(get floor_ms)" "$(get ws_before_kib)" "$(get ws_after_kib)"
        bench_figure "tray burst of $frames statistics frames to the tooltip, $preset" "$(get burst_ms)" ms "$(get floor_ms)"
        bench_figure "tray burst frames per second, $preset" "$(get frames_per_s)" frames/s
    )
    scripts/wine-session.sh down "$state" >/dev/null 2>&1 || true
done
