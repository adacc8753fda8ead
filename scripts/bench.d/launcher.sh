#!/usr/bin/env bash
# Launcher overhead under Wine: time from process start to JNI_CreateJavaVM in the stand-in runtime
# (median of warm runs), against a trivial console program as the floor. Two set-ups: a typical INI
# with the runtime in "JRE Path", and one that falls through to 20 registered runtimes.
set -euo pipefail
cd "$(dirname "$0")/../.."
root=$PWD
build=$root/build/bench-launcher
runs=${VW_BENCH_RUNS:-25}
warm=5

cmake --preset win64 -B "$build" -DVW_PARTS="launcher/core;launcher/runtime;launcher/ui;launcher/resources" \
      -DVW_OUTPUT_DIR="$build/out" >/dev/null
cmake --build "$build" -j2 --target VaultwickService vw_standin_jvm_full vw_startup_floor >/dev/null

state=$build/wine
scripts/wine-session.sh up "$state" >/dev/null
trap 'scripts/wine-session.sh down "$state" >/dev/null 2>&1' EXIT
export WINEPREFIX=$state/prefix WINEDEBUG=-all
DISPLAY=$(cat "$state/display"); export DISPLAY
# shellcheck source=../wine-loader.sh
. scripts/wine-loader.sh

work=$WINEPREFIX/drive_c/vwbench
rm -rf "$work" && mkdir -p "$work/jre/bin/server"
cp "$build/out/VaultwickService.exe" "$build/launcher/runtime/vw_startup_floor.exe" "$work/"
cp "$build/launcher/runtime/standin-full/jvm.dll" "$work/jre/bin/server/"

# A typical INI: about fifteen keys.
write_ini() {  # $1: "JRE Path" line or empty
    cat > "$work/VaultwickService.ini" <<INI
[Application]
Application Type=console
Single Instance=no
Failure Check=no
Override WorkingDir=no
Embedded Jar=no
Output File=
Error File=
Cmd=-bench "one two"
[Java Runtime Environment]
$1
Main Class=vwtest.Record
Minimum Version=1.6
Maximum Version=any
JVM Type=favor_server
Library Path=native
Virtual Machine Parameters=-Xmx25P -Xss1m -Dstandin.record=C:\\vwbench\\record.txt
[Class Path]
Class Path=lib\\engine.jar;lib\\extra.jar
[Product Information]
Product Name=Vaultwick
INI
}

median() { sort -n | awk '{a[NR]=$1} END {m=(NR%2)?a[(NR+1)/2]:(a[NR/2]+a[NR/2+1])/2; printf "%d", m}'; }

measure_launcher() {
    rm -f "$work/record.txt"
    for i in $(seq $((runs + warm))); do "$wine_loader" "C:\\vwbench\\VaultwickService.exe" </dev/null >/dev/null 2>&1 || true; done
    grep -o 'startup_us=[0-9]*' "$work/record.txt" | cut -d= -f2 | tail -n "$runs" | median
}

measure_floor() {
    for i in $(seq $((runs + warm))); do "$wine_loader" "C:\\vwbench\\vw_startup_floor.exe" </dev/null; done \
        | tr -d '\r' | cut -d= -f2 | tail -n "$runs" | median
}

floor=$(measure_floor)

write_ini 'JRE Path=C:\vwbench\jre'
typical=$(measure_launcher)

# Twenty registered runtimes, no "JRE Path": the registry search decides.
for n in $(seq 1 20); do
    /usr/lib/wine/wine64 reg add "HKLM\\Software\\JavaSoft\\Java Runtime Environment\\1.8.0_$n" \
        /v JavaHome /d 'C:\vwbench\jre' /f >/dev/null 2>&1
done
write_ini ''
registry=$(measure_launcher)
for n in $(seq 1 20); do
    /usr/lib/wine/wine64 reg delete "HKLM\\Software\\JavaSoft\\Java Runtime Environment\\1.8.0_$n" /f >/dev/null 2>&1 || true
done

printf 'launcher start-up to JNI_CreateJavaVM, median of %d warm runs under Wine (microseconds):\n' "$runs"
printf '  floor (trivial console program)      %8d\n' "$floor"
printf '  typical INI, runtime in "JRE Path"   %8d   (+%d over the floor; target +5000)\n' "$typical" $((typical - floor))
printf '  20 registered runtimes via registry  %8d   (+%d over the floor; target +15000)\n' "$registry" $((registry - floor))
