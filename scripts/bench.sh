#!/usr/bin/env bash
# Runs every benchmark and prints its figures. Benchmarks measure; they never fail on a figure, but
# stop when a measured run itself fails.
# The figures also go to one JSON file, bench-output/bench-<time>.json (and bench-output/latest.json):
# name, value, unit, floor, sample count, and the machine and commit they were measured on.
#   bench.sh            measure and write the JSON file
#   bench.sh --readme   also rewrite the README's performance section from it; only from a tree
#                       without changes, so the figures name the commit they measured
set -euo pipefail
cd "$(dirname "$0")/.."
readme=0
case "${1:-}" in
"") ;;
--readme) readme=1 ;;
*) echo "usage: bench.sh [--readme]" >&2; exit 2 ;;
esac
if [ $readme -eq 1 ] && [ -n "$(git status --porcelain 2>&1)" ]; then
    echo "bench: --readme needs a tree without changes (see git status): the README's figures must name what they measured" >&2
    exit 1
fi
mkdir -p bench-output
VW_BENCH_FIGURES=$(mktemp)
export VW_BENCH_FIGURES
trap 'rm -f "$VW_BENCH_FIGURES"' EXIT
bash scripts/run-parts.sh scripts/bench.d
out=bench-output/bench-$(date -u +%Y%m%dT%H%M%SZ).json
bash scripts/bench-json.sh "$VW_BENCH_FIGURES" >"$out"
cp "$out" bench-output/latest.json
echo "figures written to $out"
if [ $readme -eq 1 ]; then
    bash scripts/bench-readme.sh "$out"
    echo "and to the README's performance section"
fi
