#!/usr/bin/env bash
# Installs what is needed, then runs every script of one folder in name order (the demo's and the
# benchmarks' parts), stopping at the first that fails.   run-parts.sh FOLDER
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh
for part in "${1:?folder}"/*.sh; do
    [ -e "$part" ] || continue
    echo "=== $(basename "$part" .sh) ==="
    bash "$part"
done
