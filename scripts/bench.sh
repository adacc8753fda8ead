#!/usr/bin/env bash
# Runs every benchmark and prints its figures. Benchmarks measure; they never fail on a figure.
# The figures also go to one JSON file, bench-output/bench-<time>.json (and bench-output/latest.json):
# name, value, unit, floor, and the machine and commit they were measured on; the README's
# performance section is rewritten from it.
set -euo pipefail
cd "$(dirname "$0")/.."
mkdir -p bench-output
VW_BENCH_FIGURES=$(mktemp)
export VW_BENCH_FIGURES
trap 'rm -f "$VW_BENCH_FIGURES"' EXIT
bash scripts/run-parts.sh scripts/bench.d
out=bench-output/bench-$(date -u +%Y%m%dT%H%M%SZ).json
bash scripts/bench-json.sh "$VW_BENCH_FIGURES" >"$out"
cp "$out" bench-output/latest.json
bash scripts/bench-readme.sh "$out"
echo "figures written to $out and to the README's performance section"
