#!/usr/bin/env bash
# Installs what is needed, then runs every script of one folder in name order (the demo's and the
# benchmarks' parts), stopping at the first that fails, with each part's time and the total.
#   run-parts.sh FOLDER
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh
start=$SECONDS
for part in "${1:?folder}"/*.sh; do
    [ -e "$part" ] || continue
    echo "=== $(basename "$part" .sh) ==="
    part_start=$SECONDS
    bash "$part"
    echo "--- $(basename "$part" .sh): $((SECONDS - part_start)) s"
done
echo "=== $1: every part done in $((SECONDS - start)) s ==="
