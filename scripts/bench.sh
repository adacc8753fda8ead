#!/usr/bin/env bash
# Runs every benchmark and prints its figures. Benchmarks measure; they never fail on a figure.
exec bash "$(dirname "$0")/run-parts.sh" scripts/bench.d
