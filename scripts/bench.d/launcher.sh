#!/usr/bin/env bash
# Launcher overhead under Wine: time from process start to JNI_CreateJavaVM in the stand-in runtime
# (median of warm runs), against a trivial console program as the floor. Two set-ups: a typical INI
# with the runtime in "JRE Path", and one that falls through to 20 registered runtimes. Then the
# single-instance hand-over: the whole run of a later start whose first instance's secondaryMain
# returns at once, against the whole run of the trivial program and of the same program made to load
# user32 and make a message queue, without which no later start can be answered.
# VW_BENCH_BASELINE=<another VaultwickService.exe> measures that build too, interleaved with this one,
# so a change can be compared with what it replaces in one run on the same machine;
# VW_BENCH_BASELINE_LABEL names it in the figures (for example "build of 1a2b3c4").
# Every run is bounded (VW_BENCH_RUN_LIMIT seconds) and must end with its expected exit code: a failed
# or hung start timed like a good one would falsify the figures, so the benchmark stops instead.
set -euo pipefail
cd "$(dirname "$0")/../.."
root=$PWD
# shellcheck source=../bench-figures.sh
. scripts/bench-figures.sh
build=$root/build/bench-launcher
runs=${VW_BENCH_RUNS:-25}
warm=5
run_limit=${VW_BENCH_RUN_LIMIT:-60}

cmake --preset win64 -B "$build" -DVW_PARTS="launcher/core;launcher/runtime;launcher/ui;launcher/resources" \
      -DVW_OUTPUT_DIR="$build/out" >/dev/null
cmake --build "$build" -j2 --target VaultwickService vw_standin_jvm_full vw_startup_floor >/dev/null

state=$build/wine
scripts/wine-session.sh up "$state" >/dev/null
trap 'scripts/wine-session.sh down "$state" >/dev/null 2>&1' EXIT
# Wine's errors stay on (only its notes on what it has not built are off): a start Wine itself
# failed is known by them. A good run writes none, so they cost the figures nothing.
export WINEPREFIX=$state/prefix WINEDEBUG=fixme-all
DISPLAY=$(cat "$state/display"); export DISPLAY
# shellcheck source=../wine-loader.sh
. scripts/wine-loader.sh

work=$WINEPREFIX/drive_c/vwbench
rm -rf "$work" && mkdir -p "$work/jre/bin/server"
# The launcher as it ships (scripts/package.sh), and the floor alike: without symbols and debug
# sections, which Wine would otherwise read in at every start (half a millisecond of each run here).
ship_copy() { x86_64-w64-mingw32-strip --strip-all -o "$2" "$1"; }
ship_copy "$build/out/VaultwickService.exe" "$work/VaultwickService.exe"
ship_copy "$build/launcher/runtime/vw_startup_floor.exe" "$work/vw_startup_floor.exe"
cp "$build/launcher/runtime/standin-full/jvm.dll" "$work/jre/bin/server/"
baseline=${VW_BENCH_BASELINE:-}
base_label=${VW_BENCH_BASELINE_LABEL:-baseline build}
if [ -n "$baseline" ]; then
    mkdir -p "$work/base"
    ship_copy "$baseline" "$work/base/VaultwickService.exe"
fi

# A typical INI: about fifteen keys.
write_ini() {  # $1: "JRE Path" line or empty; $2: "Single Instance" value; $3: main class
    local ini
    ini=$(cat <<INI
[Application]
Application Type=console
Single Instance=${2:-no}
Failure Check=no
Override WorkingDir=no
Embedded Jar=no
Output File=
Error File=
Cmd=-bench "one two"
[Java Runtime Environment]
$1
Main Class=${3:-vwtest.Record}
Minimum Version=1.6
Maximum Version=any
JVM Type=favor_server
Library Path=native
Virtual Machine Parameters=-Xmx25P -Xss1m -Dstandin.record=@FOLDER@\\record.txt
[Class Path]
Class Path=lib\\engine.jar;lib\\extra.jar
[Product Information]
Product Name=Vaultwick
INI
)
    printf '%s\n' "${ini//@FOLDER@/C:\\vwbench}" >"$work/VaultwickService.ini"
    [ -z "$baseline" ] || printf '%s\n' "${ini//@FOLDER@/C:\\vwbench\\base}" >"$work/base/VaultwickService.ini"
}

# checked_run EXIT_CODE COMMAND...: one bounded run of a Windows program (no input, its standard
# output left to the caller), its length in microseconds left in $run_us; stops the benchmark when
# it ends with another code or does not end in time, and then shows what the run wrote to its
# standard error. Wine itself now and then fails to start a process, before any of its code runs:
# "failed to map the shared user data" (the address it needs was already taken; one start in one to
# five thousand here). Such a start is made again, at most twice, and counted in $work/wine-restarts.
checked_run() {
    local expected=$1 status attempt t0
    shift
    for attempt in 1 2 3; do
        status=0
        t0=$(now_us)
        timeout -k 5 "$run_limit" "$wine_loader" "$@" </dev/null 2>"$work/stderr" || status=$?
        run_us=$(($(now_us) - t0))
        if [ "$attempt" -eq 3 ] || ! grep -q 'failed to map the shared user data' "$work/stderr"; then break; fi
        echo "$*" >>"$work/wine-restarts"
    done
    [ "$status" -eq "$expected" ] && return 0
    if [ "$status" -eq 124 ] || [ "$status" -eq 137 ]; then
        echo "launcher bench: $* did not end within $run_limit s; no figures from this run" >&2
    else
        echo "launcher bench: $* exited with $status, not $expected; no figures from this run" >&2
    fi
    sed 's/^/  said: /' "$work/stderr" >&2
    exit 1
}
# A later start ends with what the first instance's secondaryMain returned: the stand-in's answers
# 40 plus the number of arguments, so 41 proves the one argument reached the first instance.
handed_over=41

median() { sort -n | awk '{a[NR]=$1} END {m=(NR%2)?a[(NR+1)/2]:(a[NR/2]+a[NR/2+1])/2; printf "%d", m}'; }
# The 99th percentile (nearest rank).
p99() { sort -n | awk '{a[NR]=$1} END {r=int(NR*0.99); if (r<NR*0.99) r++; if (r<1) r=1; printf "%d", a[r]}'; }
now_us() { echo $(($(date +%s%N) / 1000)); }

# The floor and each launcher build in turn, run after run, so load on the machine falls on all alike.
# Each build's stand-in runtime appends "startup_us=..." to the record file in its folder; the floor
# prints the same. Leaves the medians in $work/median.<floor|this|base>.
measure_startup() {
    rm -f "$work/record.txt" "$work/base/record.txt" "$work/floor.txt"
    local order
    for i in $(seq $((runs + warm))); do
        # Its figure goes to a record file as the launcher's does, and its output where the launcher's
        # goes: under Wine a standard output that is a pipe makes the start itself slower (here 7.8 ms
        # against 4.3 ms for /dev/null or a file), and the floor would no longer bound the launcher.
        checked_run 0 "C:\\vwbench\\vw_startup_floor.exe" --record 'C:\vwbench\floor.txt' >/dev/null
        # The run right after the floor's takes about half a millisecond longer here (seen with the
        # same build in both places), so the two builds take turns in that place.
        order='C:\vwbench C:\vwbench\base'
        [ $((i % 2)) -eq 1 ] || order='C:\vwbench\base C:\vwbench'
        for folder in $order; do
            [ -n "$baseline" ] || [ "$folder" = 'C:\vwbench' ] || continue
            checked_run 0 "$folder\\VaultwickService.exe" >/dev/null
        done
    done
    startup_figures floor "$work/floor.txt"
    startup_figures this "$work/record.txt"
    [ -z "$baseline" ] || startup_figures base "$work/base/record.txt"
}

# startup_figures KIND RECORD: the median of the last `runs` start-up times in RECORD into
# $work/median.KIND, and how many there were into $work/samples.KIND (fewer when runs went unrecorded).
startup_figures() {
    grep -o 'startup_us=[0-9]*' "$2" | cut -d= -f2 | tail -n "$runs" >"$work/samples" || true
    median <"$work/samples" >"$work/median.$1"
    wc -l <"$work/samples" >"$work/samples.$1"
}

# One line per build: the median, its distance from the floor and the target; and the figure.
report_startup() {  # $1: label, $2: figure name, $3: target over the floor (microseconds)
    local floor this
    floor=$(cat "$work/median.floor") this=$(cat "$work/median.this")
    printf '  %-36s %8d   (floor %d, +%d; target +%d)\n' "$1" "$this" "$floor" $((this - floor)) "$3"
    bench_figure "$2" "$this" us "$floor" "$(cat "$work/samples.this")"
    if [ -n "$baseline" ]; then
        local base
        base=$(cat "$work/median.base")
        printf '  %-36s %8d   (floor %d, +%d)\n' "  $base_label" "$base" "$floor" $((base - floor))
        bench_figure "$2 ($base_label)" "$base" us "$floor" "$(cat "$work/samples.base")"
    fi
}

# Whole runs, from the shell's start of the process to its end: `handovers` of each floor and later
# starts of each build, interleaved, after `warm` of each. Which goes first turns with every round, as
# the run right after another program's is slower here. Leaves one file of microseconds per kind.
measure_handover() {
    local kind expected
    local -a run kinds
    rm -f "$work"/handover.*
    for i in $(seq $((handovers + warm))); do
        kinds=(floor queue this ${baseline:+base})
        kinds=("${kinds[@]:i % ${#kinds[@]}}" "${kinds[@]:0:i % ${#kinds[@]}}")
        for kind in "${kinds[@]}"; do
            expected=$handed_over
            case $kind in
                floor) run=('C:\vwbench\vw_startup_floor.exe') expected=0 ;;
                queue) run=('C:\vwbench\vw_startup_floor.exe' --message-queue) expected=0 ;;
                this) run=('C:\vwbench\VaultwickService.exe') ;;
                base) run=('C:\vwbench\base\VaultwickService.exe') ;;
            esac
            checked_run "$expected" "${run[@]}" "handover-$i" >/dev/null
            [ "$i" -le "$warm" ] || echo "$run_us" >>"$work/handover.$kind"
        done
    done
}

echo "launcher start-up to JNI_CreateJavaVM, median of $runs warm runs under Wine (microseconds):"
write_ini 'JRE Path=C:\vwbench\jre'
measure_startup
report_startup 'typical INI, runtime in "JRE Path"' "launcher start-up, typical INI" 5000

# Twenty registered runtimes, no "JRE Path": the registry search decides.
for n in $(seq 1 20); do
    /usr/lib/wine/wine64 reg add "HKLM\\Software\\JavaSoft\\Java Runtime Environment\\1.8.0_$n" \
        /v JavaHome /d 'C:\vwbench\jre' /f >/dev/null 2>&1
done
write_ini ''
measure_startup
report_startup '20 registered runtimes via registry' "launcher start-up, 20 registered runtimes" 10000
for n in $(seq 1 20); do
    /usr/lib/wine/wine64 reg delete "HKLM\\Software\\JavaSoft\\Java Runtime Environment\\1.8.0_$n" /f >/dev/null 2>&1 || true
done

# The hand-over: first instances (one per build) whose main blocks and whose secondaryMain returns at once.
# 500 runs, so that the 99th percentile is the sixth-slowest run rather than the second.
handovers=${VW_BENCH_HANDOVERS:-500}
write_ini 'JRE Path=C:\vwbench\jre' yes vwtest.Blocks
"$wine_loader" 'C:\vwbench\VaultwickService.exe' </dev/null >/dev/null 2>&1 &
first_this=$!
first_base=""
if [ -n "$baseline" ]; then
    "$wine_loader" 'C:\vwbench\base\VaultwickService.exe' </dev/null >/dev/null 2>&1 &
    first_base=$!
fi
sleep 2
for first in "$first_this" $first_base; do
    kill -0 "$first" 2>/dev/null || { echo "launcher bench: a first instance ended at once; no hand-over to time" >&2; exit 1; }
done
measure_handover
# A later start with this argument makes the stand-in's blocking main return; each first instance
# must then end by itself, as it would have to for every hand-over to have been a real one.
checked_run "$handed_over" 'C:\vwbench\VaultwickService.exe' standin:stop >/dev/null
[ -z "$baseline" ] || checked_run "$handed_over" 'C:\vwbench\base\VaultwickService.exe' standin:stop >/dev/null
for first in "$first_this" $first_base; do
    for _ in $(seq $((run_limit * 10))); do kill -0 "$first" 2>/dev/null || break; sleep 0.1; done
    kill -0 "$first" 2>/dev/null && { echo "launcher bench: a first instance did not end when stopped" >&2; exit 1; }
    wait "$first" || { echo "launcher bench: a first instance ended with $?; no figures from this run" >&2; exit 1; }
done

echo "single-instance hand-over, whole run of a later start, $handovers runs each under Wine (microseconds):"
floor_median=$(median <"$work/handover.floor") floor_p99=$(p99 <"$work/handover.floor")
printf '  %-36s median %8d   p99 %8d\n' "floor (trivial program, whole run)" "$floor_median" "$floor_p99"
# The reply is a thread message, so a later start must load user32 and make a message queue, which the
# trivial program never does; this second floor shows how much of the hand-over that alone costs.
queue_median=$(median <"$work/handover.queue") queue_p99=$(p99 <"$work/handover.queue")
printf '  %-36s median %8d   p99 %8d\n' "floor with user32 and a message queue" "$queue_median" "$queue_p99"
samples() { wc -l <"$work/handover.$1"; }
bench_figure "trivial program with a message queue, whole run, median" "$queue_median" us "$floor_median" "$(samples queue)"
bench_figure "trivial program with a message queue, whole run, p99" "$queue_p99" us "$floor_p99" "$(samples queue)"
for kind in this ${baseline:+base}; do
    m=$(median <"$work/handover.$kind") p=$(p99 <"$work/handover.$kind")
    label="hand-over"; [ "$kind" = this ] || label="hand-over, $base_label"
    printf '  %-36s median %8d   p99 %8d   (p99 +%d over the floor'\''s p99, target +5000; +%d over the queue floor'\''s)\n' \
        "$label" "$m" "$p" $((p - floor_p99)) $((p - queue_p99))
    suffix=""; [ "$kind" = this ] || suffix=" ($base_label)"
    bench_figure "hand-over median$suffix" "$m" us "$floor_median" "$(samples "$kind")"
    bench_figure "hand-over p99$suffix" "$p" us "$floor_p99" "$(samples "$kind")"
done
if [ -s "$work/wine-restarts" ]; then
    echo "  Wine failed to start $(wc -l <"$work/wine-restarts") of these runs before any of their code ran; each was made again"
fi
