# Sourced by the benchmark parts: `bench_figure NAME VALUE UNIT [FLOOR] [SAMPLES]` records one figure,
# and how many runs it was taken from, for the JSON file scripts/bench.sh writes (one tab-separated
# line in $VW_BENCH_FIGURES; nothing when unset, so a part run on its own only prints).
bench_figure() {
    [ -n "${VW_BENCH_FIGURES:-}" ] || return 0
    printf '%s\t%s\t%s\t%s\t%s\n' "$1" "$2" "$3" "${4:-}" "${5:-}" >>"$VW_BENCH_FIGURES"
}
