#!/usr/bin/env bash
# Tray protocol: reassembly and decoding throughput against memcpy, time per byte by stream
# length, and peak memory. Release build in a tree of its own.
set -euo pipefail
cd "$(dirname "$0")/../.."
tree=build/bench-protocol
cmake --preset bench -B "$tree" -DVW_PARTS="tray/messages;tray/app" >/dev/null
cmake --build "$tree" -j2 --target tray_protocol_bench >/dev/null
# shellcheck source=../bench-figures.sh
. scripts/bench-figures.sh
out=$("$tree/tray/messages/tray_protocol_bench")
printf '%s\n' "$out"
# "<mix> <n> MB <f> frames/s <m> MB/s memcpy <c> MB/s ...": the decoding throughput beside memcpy's.
while read -r mix _ _ frames _ mbs _ _ copy _; do
    bench_figure "protocol decoding, $mix frames" "$mbs" MB/s "$copy"
    bench_figure "protocol decoding, $mix frames per second" "$frames" frames/s
done < <(printf '%s\n' "$out" | grep -E '^[a-z0-9]+ +[0-9]+ MB ')
