# Sourced by the tray benchmark parts that run a benchmark program built from the tray's sources:
# `tray_bench_presets` names the tray builds that run here (the real 32-bit one where this machine
# runs i386 programs natively, and always the 64-bit twin); `tray_bench_run PRESET TARGET [ARGS...]`
# builds TARGET in that preset's benchmark tree, runs it under Wine on the tree's own session and
# prints its output (carriage returns dropped). VW_BENCH_EXE=<exe> runs another build instead.
tray_bench_presets() {
    if [ "$(scripts/host-i386.sh)" = native ]; then echo "win32 tray64"; else echo tray64; fi
}

tray_bench_run() {
    local preset=$1 target=$2
    shift 2
    local build="$repo/build/bench-tray-$preset"
    local state="$build/wine"
    cmake --preset "$preset" -B "$build" -DVW_PARTS="tray/messages;tray/ui;tray/resources;tray/app;engine" >/dev/null
    cmake --build "$build" -j2 --target "$target" >/dev/null
    scripts/wine-session.sh up "$state" >/dev/null
    (
        export WINEPREFIX="$state/prefix" WINEDEBUG=-all
        DISPLAY=$(cat "$state/display")
        export DISPLAY
        # shellcheck source=wine-loader.sh
        . scripts/wine-loader.sh
        "$wine_loader" "${VW_BENCH_EXE:-$build/tray/app/$target.exe}" "$@" </dev/null 2>/dev/null | tr -d '\r'
    )
    scripts/wine-session.sh down "$state" >/dev/null 2>&1 || true
}

# tray_bench_run, keeping its output in $bench_out and the line that starts with KEY= in
# $bench_line; without such a line (the run failed) it prints the output and returns 1.
#   tray_bench_figures PRESET TARGET KEY [ARGS...]
tray_bench_figures() {
    local preset=$1 target=$2 key=$3
    shift 3
    bench_out=$(tray_bench_run "$preset" "$target" "$@")
    bench_line=$(printf '%s\n' "$bench_out" | grep "^$key=" || true)
    [ -n "$bench_line" ] && return 0
    printf '  %-8s no figure: %s\n' "$preset" "$bench_out"
    return 1
}

# One NAME=value figure of $bench_line.
bench_value() { printf '%s\n' "$bench_line" | sed -n "s/.*$1=\([0-9.-]*\).*/\1/p"; }
