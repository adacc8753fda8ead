#!/usr/bin/env bash
# Runs every benchmark and prints its figures. Benchmarks measure; they never fail on a figure.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh
for part in scripts/bench.d/*.sh; do
    [ -e "$part" ] || continue
    echo "=== $(basename "$part" .sh) ==="
    bash "$part"
done
