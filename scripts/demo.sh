#!/usr/bin/env bash
# The main job: builds the programs and shows them working against the reference engine.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh
for part in scripts/demo.d/*.sh; do
    [ -e "$part" ] || continue
    echo "=== $(basename "$part" .sh) ==="
    bash "$part"
done
