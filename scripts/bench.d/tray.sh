#!/usr/bin/env bash
# The tray under Wine: CPU time and resident memory of VaultwickTray.exe over 60 s idle and
# connected, and over 60 s while the engine pushes statistics every 100 ms, beside a trivial
# hidden-window program as the floor; then resident memory before and after a burst of 10,000
# statistics frames and 20 engine restarts, and the peak while it handles 16 MiB of separators as
# each message that reads tokens.
# Prints figures; never fails on one, but fails when the tray does not end with 0 on the engine's
# shutdown, or when the whole run takes longer than VW_TRAY_BENCH_LIMIT seconds (900; a normal run
# takes about 4 minutes plus twice VW_TRAY_BENCH_SECONDS).
set -euo pipefail
limit=${VW_TRAY_BENCH_LIMIT:-900}
[ -n "${VW_TRAY_BENCH_TIMED:-}" ] || VW_TRAY_BENCH_TIMED=1 exec timeout -k 10 "$limit" bash "$0" "$@"
cd "$(dirname "$0")/../.."
repo=$(pwd)
# shellcheck source=../bench-figures.sh
. scripts/bench-figures.sh
preset=$("$repo/scripts/tray-preset.sh")
build="$repo/build/bench-tray-$preset"
state="$build/wine"
session="$repo/scripts/wine-session.sh"
work=$(mktemp -d)
engine_pid="" program_pid=""
seconds=${VW_TRAY_BENCH_SECONDS:-60}

cleanup() {
    exec 3>&- 2>/dev/null || true
    [ -n "$program_pid" ] && kill "$program_pid" 2>/dev/null || true
    [ -n "$engine_pid" ] && kill "$engine_pid" 2>/dev/null || true
    "$session" down "$state" >/dev/null 2>&1 || true
    rm -rf "$work"
}
trap cleanup EXIT
trap 'echo "tray bench: stopped before the end (over $limit s, or interrupted); no figures from this run" >&2; exit 1' INT TERM

"$repo/scripts/tray-preset.sh" --describe
cmake --preset "$preset" -B "$build" -DVW_PARTS="tray/messages;tray/ui;tray/resources;tray/app;engine" >/dev/null
cmake --build "$build" -j2 --target VaultwickTray tray_idle_floor vw_engine_jar >/dev/null
jar=$(sed -n 's/^VW_ENGINE_JAR:INTERNAL=//p' "$build/CMakeCache.txt")
java=$(sed -n 's/^VW_JAVA:INTERNAL=//p' "$build/CMakeCache.txt")
"$session" up "$state"
export WINEPREFIX="$state/prefix" WINEDEBUG=-all
# shellcheck source=../wine-loader.sh
. "$repo/scripts/wine-loader.sh"
tray_exe="$(sed -n 's/^VW_OUTPUT_DIR:PATH=//p' "$build/CMakeCache.txt")/VaultwickTray.exe"
DISPLAY=$(cat "$state/display")
export DISPLAY
ticks=$(getconf CLK_TCK)

# The Linux process that runs a given .exe, among the descendants of the wine we started.
exe_pid() {
    for _ in $(seq 100); do
        for p in $(pgrep -P "$1" 2>/dev/null) "$1"; do
            if tr '\0' ' ' <"/proc/$p/cmdline" 2>/dev/null | grep -q "$2"; then echo "$p"; return 0; fi
        done
        sleep 0.1
    done
    echo "$1"
}
cpu_ticks() { awk '{print $14 + $15}' "/proc/$1/stat"; }
rss_kib() { awk '/^VmRSS:/ {print $2}' "/proc/$1/status"; }
# Runs "$@" for `seconds` while sampling: prints CPU % of one core and the resident size at the end.
measure() {
    local pid=$1 label=$2
    local c0 c1
    c0=$(cpu_ticks "$pid")
    sleep "$seconds"
    c1=$(cpu_ticks "$pid")
    last_cpu=$(echo "($c1 - $c0) * 100 / $ticks / $seconds" | bc -l)
    last_rss=$(rss_kib "$pid")
    printf "  %-44s cpu %6.2f %% of one core   rss %6d KiB\n" "$label" "$last_cpu" "$last_rss"
}
# The figure of the last measure(), beside the floor with the system DLLs.
record_tray() {
    bench_figure "$1, cpu" "$(printf '%.3f' "$last_cpu")" "% of one core" "$(printf '%.3f' "$floor_cpu")"
    bench_figure "$1, resident memory" "$last_rss" KiB "$floor_rss"
}

# Resident KiB by mapping (file name, or the kind of anonymous memory), largest first: where a
# process's memory is, so the tray's own share can be told from Wine's and the system DLLs'.
mappings() {
    awk '/^[0-9a-f]+-[0-9a-f]+ / { name = (NF >= 6) ? $6 : "[anonymous]"; sub(".*/", "", name); next }
         /^Rss:/ { rss[name] += $2 }
         END { for (n in rss) if (rss[n] > 0) printf "%d %s\n", rss[n], n }' "/proc/$1/smaps" |
        sort -rn | head -"${2:-12}" | awk '{ printf "    %7d KiB  %s\n", $1, $2 }'
}

# Runs the floor program (with its arguments) and measures it idle.
run_floor() {
    local label=$1
    shift
    "$wine_loader" "$build/tray/app/tray_idle_floor.exe" "$@" </dev/null >/dev/null 2>&1 &
    program_pid=$!
    floor=$(exe_pid "$program_pid" tray_idle_floor.exe)
    sleep 5
    measure "$floor" "$label"
    mappings "$floor" >"$work/mappings-$label"
    kill "$program_pid" 2>/dev/null || true; kill "$floor" 2>/dev/null || true
    wait "$program_pid" 2>/dev/null || true
    program_pid=""
}

echo "--- floors under Wine ($seconds s each): a hidden window and a message loop; the same with the"
echo "    system calls a tray needs (common controls, one notification icon, Winsock start-up)"
run_floor "floor, idle"
run_floor "floor with the system DLLs, idle" -system-dlls
floor_cpu=$last_cpu floor_rss=$last_rss

"$java" -jar "$jar" --port 0 --control-port 0 --ports-file "$work/ports" --max-seconds 900 >"$work/engine.log" 2>&1 &
engine_pid=$!
for _ in $(seq 100); do [ -s "$work/ports" ] && break; sleep 0.1; done
tray_port=$(sed -n 's/^tray=\([0-9]*\).*/\1/p' "$work/ports")
control_port=$(sed -n 's/.*control=\([0-9]*\).*/\1/p' "$work/ports")
exec 3<>"/dev/tcp/127.0.0.1/$control_port"
cat <&3 >"$work/control.log" &
control() { printf '%s\n' "$*" >&3; }

"$wine_loader" "$tray_exe" -host 127.0.0.1 "$tray_port" </dev/null >/dev/null 2>&1 &
program_pid=$!
tray=$(exe_pid "$program_pid" VaultwickTray.exe)
control "WAITTYPE alertrequest 1 30000"
sleep 5
echo "--- VaultwickTray.exe connected to the reference engine ($seconds s each)"
measure "$tray" "tray, idle and connected"
record_tray "tray idle and connected"
mappings "$tray" >"$work/mappings-tray"
echo "--- largest resident mappings: floor with the system DLLs, then the tray"
cat "$work/mappings-floor with the system DLLs, idle"
echo "    ---"
cat "$work/mappings-tray"

stats="1|120|0|0|2|0|42|0|2500000|734003200|1073741824|1200|1700000000000|0"
control "SET stats $stats"
( for _ in $(seq $((seconds * 10))); do control "SEND stats $stats"; sleep 0.1; done ) &
pusher=$!
measure "$tray" "tray, statistics pushed every 100 ms"
record_tray "tray with statistics every 100 ms"
wait "$pusher" 2>/dev/null || true
control "SET stats 4|0|0|0|2|0|0|0|0|0|1073741824|1200|1700000000000|1700003600000"
control "SEND stats 4|0|0|0|2|0|0|0|0|0|1073741824|1200|1700000000000|1700003600000"
sleep 3

echo "--- resident memory around 10,000 statistics frames and 20 engine restarts"
before=$(rss_kib "$tray")
control "FLOOD 10000 stats 4|0|0|0|2|0|0|0|0|0|1073741824|1200|1700000000000|1700003600000"
sleep 8
after_flood=$(rss_kib "$tray")
for i in $(seq 20); do
    control "GOAWAY"; control "COMEBACK"
    sleep 2
done
sleep 3
after=$(rss_kib "$tray")
conns=$(control "STATE"; sleep 1; grep -o 'conns=[0-9]*' "$work/control.log" | tail -1)
printf "  rss before %d KiB, after the flood %d KiB, after 20 restarts %d KiB (growth %d KiB); %s\n" \
    "$before" "$after_flood" "$after" $((after - before)) "$conns"
bench_figure "tray resident memory growth over a 10,000-frame flood and 20 restarts" $((after - before)) KiB
# A body of the largest length a frame may carry, all separators, as each message that reads
# tokens: the peak resident size while the tray takes them in (Linux's high-water mark, reset first
# where the kernel allows).
echo "--- peak resident memory while the tray handles 16 MiB of separators as each message that reads tokens"
echo 5 >"/proc/$tray/clear_refs" 2>/dev/null || echo "  (the high-water mark could not be reset: it is the process's peak so far)"
settled=$(rss_kib "$tray")
for type in computers stats status connected disconnected; do
    { printf 'SEND %s ' "$type"; head -c 16777216 /dev/zero | tr '\0' '|'; printf '\n'; } >&3
    control "SEND stats 4|0|0|0|2|0|0|0|0|0|1073741824|1200|1700000000000|1700003600000"
    sleep 10
    printf "  after %-12s peak %d KiB\n" "$type" "$(awk '/^VmHWM:/ {print $2}' "/proc/$tray/status")"
done
peak=$(awk '/^VmHWM:/ {print $2}' "/proc/$tray/status")
alive=$(kill -0 "$tray" 2>/dev/null && echo "still running" || echo "ENDED")
printf "  rss before %d KiB, peak %d KiB (floor %d KiB, floor + 64 MiB = %d KiB); the tray is %s\n" \
    "$settled" "$peak" "$floor_rss" $((floor_rss + 65536)) "$alive"
bench_figure "tray peak resident memory handling 16 MiB bodies of separators" "$peak" KiB "$floor_rss" 5

# The engine's shutdown ends the tray; a tray that hangs or fails there makes the figures above
# figures of a faulty run.
control "SEND shutdown"
for _ in $(seq 100); do kill -0 "$program_pid" 2>/dev/null || break; sleep 0.1; done
if kill -0 "$program_pid" 2>/dev/null; then
    echo "tray bench: VaultwickTray.exe did not end within 10 s of the engine's shutdown; the figures above are void" >&2
    exit 1
fi
status=0
wait "$program_pid" || status=$?
program_pid=""
if [ "$status" -ne 0 ]; then
    echo "tray bench: VaultwickTray.exe exited with $status, not 0; the figures above are void" >&2
    exit 1
fi
