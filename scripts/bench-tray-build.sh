# Sourced by the tray benchmark parts that run a benchmark program built from the tray's sources:
# `tray_bench_presets` names the tray builds that run here (the real 32-bit one where this machine
# runs i386 programs natively, and always the 64-bit twin); `tray_bench_run PRESET TARGET [ARGS...]`
# builds TARGET in that preset's benchmark tree, runs it under Wine on the tree's own session and
# prints its output (carriage returns dropped); it fails, saying why, when the program does not exit
# 0 within VW_TRAY_BENCH_LIMIT seconds (default 900), since the figures of such a run mean nothing.
# VW_BENCH_EXE=<exe> runs another build instead.
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
        timeout -k 5 "${VW_TRAY_BENCH_LIMIT:-900}" "$wine_loader" "${VW_BENCH_EXE:-$build/tray/app/$target.exe}" "$@" \
            </dev/null 2>/dev/null | tr -d '\r'
        exit "${PIPESTATUS[0]}"
    )
    local status=$?
    scripts/wine-session.sh down "$state" >/dev/null 2>&1 || true
    case $status in
    0) return 0 ;;
    124 | 137) echo "$target did not end within ${VW_TRAY_BENCH_LIMIT:-900} s; no figures from this run" ;;
    *) echo "$target exited with $status, not 0; no figures from this run" ;;
    esac
    return 1
}

# tray_bench_run, keeping its output in $bench_out and the line that starts with KEY= in
# $bench_line; when the run failed or gave no such line it prints the output and returns 1.
#   tray_bench_figures PRESET TARGET KEY [ARGS...]
tray_bench_figures() {
    local preset=$1 target=$2 key=$3
    shift 3
    local status=0
    bench_out=$(tray_bench_run "$preset" "$target" "$@") || status=1
    bench_line=$(printf '%s\n' "$bench_out" | grep "^$key=" || true)
    [ $status -eq 0 ] && [ -n "$bench_line" ] && return 0
    printf '  %-8s no figure: %s\n' "$preset" "$bench_out"
    return 1
}

# One NAME=value figure of $bench_line.
bench_value() { printf '%s\n' "$bench_line" | sed -n "s/.*$1=\([0-9.-]*\).*/\1/p"; }
