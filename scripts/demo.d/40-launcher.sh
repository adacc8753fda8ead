#!/usr/bin/env bash
# VaultwickService.exe under Wine with the stand-in runtime (a test jvm.dll that records what the
# launcher hands the VM): once as a program, then as a single-instance pair, then as a service driven
# with sc create/start/query/stop. Own build tree and Wine session, stopped on every exit path.
set -euo pipefail
cd "$(dirname "$0")/../.."
repo=$(pwd)
build="$repo/build/demo-launcher"
state="$build/wine"
session="$repo/scripts/wine-session.sh"
service=VaultwickDemoService
work=$(mktemp -d)

cleanup() {
    if [ -s "$state/display" ]; then
        wine_ sc stop "$service" >/dev/null 2>&1 || true
        wine_ sc delete "$service" >/dev/null 2>&1 || true
    fi
    "$session" down "$state" >/dev/null 2>&1 || true
    rm -rf "$work"
}
trap cleanup EXIT INT TERM

wine_() { "$repo/scripts/wine-run.sh" "$state" "$@"; }
svc_state() { wine_ sc query "$service" | tr -d '\r' | awk '/STATE/{print $4}'; }
wait_state() { for _ in $(seq 150); do [ "$(svc_state)" = "$1" ] && return 0; sleep 0.2; done; return 1; }

echo "--- building VaultwickService.exe and the stand-in runtime (win64)"
cmake --preset win64 -B "$build" -DVW_PARTS="launcher/core;launcher/runtime;launcher/ui;launcher/resources" \
    >"$work/configure.log" 2>&1 || { cat "$work/configure.log"; exit 1; }
cmake --build "$build" -j2 --target VaultwickService vw_standin_jvm_full >"$work/build.log" 2>&1 \
    || { cat "$work/build.log"; exit 1; }
"$session" up "$state"
drive_c="$state/prefix/drive_c"

# One installed copy: C:\VaultwickDemo\<name>\ with the program, its INI and jre\bin\server\jvm.dll.
install() {
    local name=$1 application=$2 main=$3 dir="$drive_c/VaultwickDemo/$1"
    rm -rf "$dir" && mkdir -p "$dir/jre/bin/server"
    cp "$repo/out/VaultwickService.exe" "$dir/"
    cp "$build/launcher/runtime/standin-full/jvm.dll" "$dir/jre/bin/server/"
    printf '[Application]\r\n%b[Java Runtime Environment]\r\nJRE Path=C:\\VaultwickDemo\\%s\\jre\r\nMain Class=%s\r\nVirtual Machine Parameters=-Dstandin.record=C:\\VaultwickDemo\\%s\\record.txt\r\n[Class Path]\r\nClass Path=engine.jar\r\n' \
        "$application" "$name" "$main" "$name" >"$dir/VaultwickService.ini"
}
show_record() { echo "    what the Java side saw:"; tr -d '\r' <"$drive_c/VaultwickDemo/$1/record.txt" | grep -E '^(main|arg|secondaryMain|stop|env)' | sed 's/^/      /'; }

echo "--- 1. as a program: VaultwickService.exe one \"two three\""
install program 'Cmd=from-cmd\r\n' vwtest.Record
rc=0; wine_ 'C:\VaultwickDemo\program\VaultwickService.exe' one "two three" | tr -d '\r' | sed 's/^/    output: /' || rc=$?
echo "    exit code $rc"
show_record program

echo "--- 2. single instance: a first start, then later starts handing over to it"
install single 'Single Instance=yes\r\n' vwtest.Blocks
wine_ 'C:\VaultwickDemo\single\VaultwickService.exe' first >/dev/null 2>&1 &
first=$!
for _ in $(seq 100); do grep -q '^main count' "$drive_c/VaultwickDemo/single/record.txt" 2>/dev/null && break; sleep 0.1; done
for args in "hello world" "" "standin:stop"; do
    rc=0; wine_ 'C:\VaultwickDemo\single\VaultwickService.exe' $args >/dev/null 2>&1 || rc=$?
    echo "    later start with [${args}] ended with $rc (secondaryMain returns 40 + its argument count)"
done
rc=0; wait "$first" || rc=$?
echo "    the first instance ended with $rc after standin:stop let its main return"
show_record single

echo "--- 3. as a service: sc create / start / query / stop"
install service 'Application Type=service\r\n' vwtest.Blocks
wine_ sc create "$service" binPath= '"C:\VaultwickDemo\service\VaultwickService.exe" from-binpath' start= demand \
    | tr -d '\r' | sed 's/^/    /'
wine_ sc start "$service" x y | tr -d '\r' | grep -E 'STATE|WAIT_HINT' | sed 's/^/    sc start: /'
wait_state RUNNING && echo "    sc query: $(svc_state)"
for _ in $(seq 100); do grep -q '^main count' "$drive_c/VaultwickDemo/service/record.txt" 2>/dev/null && break; sleep 0.1; done
wine_ sc stop "$service" | tr -d '\r' | grep -E 'STATE|WAIT_HINT' | sed 's/^/    sc stop: /'
wait_state STOPPED && echo "    sc query: $(svc_state), $(wine_ sc query "$service" | tr -d '\r' | awk '/WIN32_EXIT_CODE/{print "exit code " $3}')"
show_record service
wine_ sc delete "$service" >/dev/null
echo "--- launcher demo done"
