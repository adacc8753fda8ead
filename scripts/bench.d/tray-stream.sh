#!/usr/bin/env bash
# A peer that never stops writing, through the tray under Wine: for 30 s a loopback "engine" writes
# frames as fast as the connection takes them, changing the record every 250 ms, while the icon is
# double-clicked every 200 ms. Three streams: the record alone; the record after a copy of it that
# shows activity, so the activity flag alternates at every frame; and 7-byte alert counts with the
# record once in every 1,024 frames. Figures: how far the tooltip lags behind the record (the
# largest lag; target at most 250 ms), how long the slowest click takes to be answered, and the
# most messages the window's queue held ahead of a click (the peak memory for the largest bodies is
# scripts/bench.d/tray.sh's). The tray's controller runs inside tray_stream_bench.exe, built from the
# tray's sources in each tray build that runs here (scripts/bench-tray-build.sh). No floor: the
# figures are bounds, not costs.
set -euo pipefail
cd "$(dirname "$0")/../.."
repo=$(pwd)
# shellcheck source=../bench-figures.sh
. scripts/bench-figures.sh
# shellcheck source=../bench-tray-build.sh
. scripts/bench-tray-build.sh
seconds=${VW_STREAM_SECONDS:-30}

echo "a peer writing frames without pause for $seconds s, through the tray under Wine:"
for preset in $(tray_bench_presets); do
    for stream in records activity tiny; do
        VW_BENCH_EXE=${VW_STREAM_EXE:-} tray_bench_figures "$preset" tray_stream_bench tip_lag_max_ms "$seconds" "$stream" || exit 1
        printf '  %-8s %-8s tooltip behind by at most %s ms (median %s ms, %s changes never shown); clicks answered within %s ms (median %s ms, %s unanswered, %s refused by a full queue); at most %s messages queued ahead of a click; %s MB/s taken\n' \
            "$preset" "$stream" "$(bench_value tip_lag_max_ms)" "$(bench_value tip_lag_median_ms)" "$(bench_value tip_changes_never_shown)" \
            "$(bench_value click_max_ms)" "$(bench_value click_median_ms)" "$(bench_value clicks_unanswered)" "$(bench_value clicks_refused)" \
            "$(bench_value queue_ahead_max)" "$(bench_value mb_per_s)"
        changes=$(bench_value record_changes)
        clicks=$(bench_value clicks)
        bench_figure "tray under an endless stream ($stream), tooltip lag, largest, $preset" "$(bench_value tip_lag_max_ms)" ms "" "$changes"
        bench_figure "tray under an endless stream ($stream), slowest click, $preset" "$(bench_value click_max_ms)" ms "" "$clicks"
        bench_figure "tray under an endless stream ($stream), messages queued ahead of a click, most, $preset" \
            "$(bench_value queue_ahead_max)" messages "" "$clicks"
    done
done
