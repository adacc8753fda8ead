#!/usr/bin/env bash
# Tray protocol: reassembly and decoding throughput against memcpy, time per byte by stream
# length, and peak memory. Release build in a tree of its own.
set -euo pipefail
cd "$(dirname "$0")/../.."
tree=build/bench-protocol
cmake --preset bench -B "$tree" -DVW_PARTS="tray/messages;tray/app" >/dev/null
cmake --build "$tree" -j2 --target tray_protocol_bench >/dev/null
"$tree/tray/messages/tray_protocol_bench"
