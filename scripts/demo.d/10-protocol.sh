#!/usr/bin/env bash
# The tray protocol end to end: the tray's real socket (VaultwickSocket, under Wine) against the
# reference engine (Java, on this machine), with every frame of both directions printed.
set -euo pipefail
cd "$(dirname "$0")/../.."
preset=$(scripts/tray-preset.sh)
build=build/demo-protocol-$preset
work=$(mktemp -d)
engine_pid=""

cleanup() {
    [ -n "$engine_pid" ] && kill "$engine_pid" 2>/dev/null || true
    scripts/wine-session.sh down "$build/wine" >/dev/null 2>&1 || true
    rm -rf "$work"
}
trap cleanup EXIT

scripts/tray-preset.sh --describe
echo "--- building the engine and the protocol demo ($preset)"
cmake --preset "$preset" -B "$build" -DVW_PARTS="tray/messages;tray/app;engine;demo" >"$work/configure.log" 2>&1 \
    || { cat "$work/configure.log"; exit 1; }
cmake --build "$build" -j2 --target vw_engine_jar protocol_demo >"$work/build.log" 2>&1 \
    || { cat "$work/build.log"; exit 1; }
jar=$(sed -n 's/^VW_ENGINE_JAR:INTERNAL=//p' "$build/CMakeCache.txt")
java=$(sed -n 's/^VW_JAVA:INTERNAL=//p' "$build/CMakeCache.txt")

echo "--- starting the Wine session"
scripts/wine-session.sh up "$build/wine"

echo "--- starting the reference engine"
"$java" -jar "$jar" --port 0 --ports-file "$work/ports" --story demo/protocol_story.txt --max-seconds 120 \
    >"$work/engine.log" 2>&1 &
engine_pid=$!
for _ in $(seq 100); do
    [ -s "$work/ports" ] && break
    kill -0 "$engine_pid" 2>/dev/null || break
    sleep 0.1
done
[ -s "$work/ports" ] || { echo "the engine did not start:"; cat "$work/engine.log"; exit 1; }
tray_port=$(sed -n 's/^tray=\([0-9]*\).*/\1/p' "$work/ports")
echo "engine listens on 127.0.0.1:$tray_port"

echo "--- the tray side (protocol_demo.exe under Wine)"
demo_rc=0
timeout 90 scripts/wine-run.sh "$build/wine" "$build/demo/protocol_demo.exe" "$tray_port" 30 | tr -d '\r' || demo_rc=$?

# The story ends by itself once the tray has gone; bounded in case it does not.
for _ in $(seq 300); do
    kill -0 "$engine_pid" 2>/dev/null || break
    sleep 0.1
done
wait "$engine_pid" 2>/dev/null || true
engine_pid=""

echo "--- the engine side (its story, then every frame it received (in) and sent (out))"
# The record lines carry the body twice (hex for tests, text for people); people get the text, as tokens.
awk '/^(FRAME|SENT) / {
        text = $0
        for (i = 1; i <= 8; i++) sub(/^[^ ]* /, "", text)
        gsub(/\|/, "] [", text)
        printf "%-3s #%-3s conn %s  0x%04X %-62s len %-4s [%s]\n", ($1 == "FRAME" ? "in" : "out"), $2, $3, $4, $5, $7, text
        next
     }
     { print }' "$work/engine.log"

if [ "$demo_rc" -ne 0 ]; then
    echo "protocol demo FAILED (exit $demo_rc)"
    exit 1
fi
grep -q "^END " "$work/engine.log" || { echo "protocol demo FAILED: the engine printed no record"; exit 1; }
echo "protocol demo: round trip complete"
