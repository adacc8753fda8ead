#!/usr/bin/env bash
# A burst through the tray under Wine: 10,000 statistics frames written at once by a loopback
# "engine"; the time from the start of the write until the tray hands the shell the tooltip of the
# last frame (median of rounds), the frames per second, and the working set before and after. The
# tray's controller runs inside tray_burst_bench.exe, built from the tray's sources in each tray
# build that runs here (scripts/bench-tray-build.sh). The floor: the same bytes over loopback read
# by a plain blocking loop in the same process, with no tray behind it.
set -euo pipefail
cd "$(dirname "$0")/../.."
repo=$(pwd)
# shellcheck source=../bench-figures.sh
. scripts/bench-figures.sh
# shellcheck source=../bench-tray-build.sh
. scripts/bench-tray-build.sh
frames=${VW_BURST_FRAMES:-10000}
rounds=${VW_BURST_ROUNDS:-5}

echo "a burst of $frames statistics frames through the tray under Wine:"
for preset in $(tray_bench_presets); do
    VW_BENCH_EXE=${VW_BURST_EXE:-} tray_bench_figures "$preset" tray_burst_bench burst_ms "$frames" "$rounds" || exit 1
    printf '  %-8s %s frames: %s ms to the last tooltip (median of %s; rounds: %s), %s frames/s;\n' \
        "$preset" "$frames" "$(bench_value burst_ms)" "$rounds" "$(printf '%s\n' "$bench_out" | sed -n 's/^frames=[0-9]* rounds=[0-9]* //p')" \
        "$(bench_value frames_per_s)"
    printf '  %-8s floor (the same bytes, plain blocking reads) %s ms; working set %s -> %s KiB (target: under 1000 ms)\n' \
        "" "$(bench_value floor_ms)" "$(bench_value ws_before_kib)" "$(bench_value ws_after_kib)"
    bench_figure "tray burst of $frames statistics frames to the tooltip, $preset" "$(bench_value burst_ms)" ms "$(bench_value floor_ms)" "$rounds"
    bench_figure "tray burst frames per second, $preset" "$(bench_value frames_per_s)" frames/s "" "$rounds"
done
