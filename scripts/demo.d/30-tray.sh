#!/usr/bin/env bash
# The whole tray as a user sees it: VaultwickTray.exe under Wine on a virtual display, against the
# reference engine playing a short story (connecting, connected, backing up with progress, alerts,
# paused, shutdown). Screenshots of the icon, the tooltip and the open menu go to demo-output/.
# Own build tree, own Wine session and display, own engine; all stopped on every exit path.
set -euo pipefail
cd "$(dirname "$0")/../.."
repo=$(pwd)
preset=$("$repo/scripts/tray-preset.sh")
build="$repo/build/demo-tray-$preset"
out="$repo/demo-output"
state="$build/wine"
session="$repo/scripts/wine-session.sh"
work=$(mktemp -d)
engine_pid="" tray_pid=""

cleanup() {
    [ -n "$tray_pid" ] && kill "$tray_pid" 2>/dev/null || true
    [ -n "$engine_pid" ] && kill "$engine_pid" 2>/dev/null || true
    "$session" down "$state" >/dev/null 2>&1 || true
    rm -rf "$work"
}
trap cleanup EXIT INT TERM

"$repo/scripts/tray-preset.sh" --describe
echo "--- building VaultwickTray.exe and the engine ($preset)"
cmake --preset "$preset" -B "$build" -DVW_PARTS="tray/messages;tray/ui;tray/resources;tray/app;engine" \
    >"$work/configure.log" 2>&1 || { cat "$work/configure.log"; exit 1; }
cmake --build "$build" -j2 --target VaultwickTray vw_engine_jar >"$work/build.log" 2>&1 \
    || { cat "$work/build.log"; exit 1; }
jar=$(sed -n 's/^VW_ENGINE_JAR:INTERNAL=//p' "$build/CMakeCache.txt")
java=$(sed -n 's/^VW_JAVA:INTERNAL=//p' "$build/CMakeCache.txt")
tray_exe="$(sed -n 's/^VW_OUTPUT_DIR:PATH=//p' "$build/CMakeCache.txt")/VaultwickTray.exe"
mkdir -p "$out"

# Times are in milliseconds since 1970, as the engine sends them.
now=$(($(date +%s) * 1000))
good="68|0|0|0|2|0|0|0|0|0|1073741824|1200|$((now - 3600000))|$((now + 3600000))"
busy="69|120|0|0|2|0|42|0|2500000|734003200|1073741824|1200|$((now - 86400000))|0"
paused="64|0|0|$((now + 7200000))|2|0|0|0|0|0|1073741824|1200|$((now - 3600000))|$((now + 3600000))"
cat >"$work/story.txt" <<STORY
SET stats $good
GOAWAY
ECHO phase connecting
SLEEP 6000
COMEBACK
WAITTYPE alertrequest 1 30000
ECHO phase connected
SLEEP 7000
SET stats $busy
SEND stats $busy
ECHO phase busy
SLEEP 7000
SEND alerts 3
ECHO phase alerts
SLEEP 5000
SEND alerts 0
SET stats $paused
SEND stats $paused
ECHO phase paused
SLEEP 9000
SEND popup 0
ECHO phase popup
SLEEP 4000
SEND shutdown
ECHO phase shutdown
SLEEP 2000
RECORD
STORY

echo "--- starting the Wine session and the engine"
"$session" up "$state"
export WINEPREFIX="$state/prefix" WINEDEBUG=-all
DISPLAY=$(cat "$state/display")
export DISPLAY
# Wine's taskbar is light (its own colours): the tray is told so, and shows the images made for a
# light taskbar, as it would on Windows with that setting.
"$repo/scripts/wine-run.sh" "$state" reg add 'HKCU\Software\Microsoft\Windows\CurrentVersion\Themes\Personalize' \
    /v SystemUsesLightTheme /t REG_DWORD /d 1 /f </dev/null >/dev/null 2>&1
"$java" -jar "$jar" --port 0 --ports-file "$work/ports" --story "$work/story.txt" --max-seconds 120 \
    >"$work/engine.log" 2>&1 &
engine_pid=$!
for _ in $(seq 100); do [ -s "$work/ports" ] && break; sleep 0.1; done
[ -s "$work/ports" ] || { echo "the engine did not start:"; cat "$work/engine.log"; exit 1; }
port=$(sed -n 's/^tray=\([0-9]*\).*/\1/p' "$work/ports")

echo "--- VaultwickTray.exe -host 127.0.0.1 $port under wine explorer /desktop"
"$repo/scripts/wine-run.sh" "$state" explorer /desktop=vaultwick,1024x768 "$tray_exe" -host 127.0.0.1 "$port" \
    </dev/null >/dev/null 2>&1 &
tray_pid=$!

wait_phase() {  # at most 60 s
    for _ in $(seq 600); do
        grep -q "ECHO phase $1" "$work/engine.log" && return 0
        kill -0 "$engine_pid" 2>/dev/null || { echo "tray demo: the engine ended early" >&2; return 1; }
        sleep 0.1
    done
    echo "tray demo: phase $1 never came" >&2
    return 1
}

icon_x=1014 icon_y=758
find_icon() {  # the green house of the "good" image is the only thing of that colour
    local box
    box=$(/usr/bin/convert "$1" -fill black +opaque 'rgb(40,160,60)' -trim -format '%X %Y %w %h' info: 2>/dev/null || true)
    read -r x y w h <<<"${box//+/}"
    if [[ "${x:-}" =~ ^[0-9]+$ && "${y:-}" =~ ^[0-9]+$ && "${w:-}" =~ ^[0-9]+$ ]] && [ "$w" -le 32 ]; then icon_x=$((x + w / 2)) icon_y=$((y + h / 2)); fi
}
shoot() {  # the desktop, and the notification-area corner enlarged
    import -window root "$out/tray-app-$1.png"
    /usr/bin/convert "$out/tray-app-$1.png" -crop 424x260+600+508 +repage -scale 200% "$out/tray-app-$1-corner.png"
    echo "tray demo: $out/tray-app-$1.png"
}
hover() {
    xdotool mousemove $((icon_x - 1)) "$icon_y"; sleep 0.3
    xdotool mousemove "$icon_x" "$icon_y"; sleep 2
}
away() { xdotool mousemove 500 300; sleep 0.5; }

wait_phase connecting; sleep 3; shoot 01-connecting
wait_phase connected; sleep 1.5; shoot 02-connected; find_icon "$out/tray-app-02-connected.png"
hover; shoot 03-connected-tooltip; away
wait_phase busy; sleep 2; hover; shoot 04-backing-up-tooltip; away
wait_phase alerts; sleep 1.5; shoot 05-alerts
wait_phase paused; sleep 1.5; hover; shoot 06-paused-tooltip; away
xdotool mousemove "$icon_x" "$icon_y" click 3; sleep 1.5; shoot 07-menu-paused
xdotool key Escape; sleep 0.5; away
wait_phase popup; sleep 1.5; shoot 08-still-running-balloon
wait_phase shutdown

# The engine's shutdown ends the tray, and with it the desktop.
for _ in $(seq 100); do kill -0 "$tray_pid" 2>/dev/null || break; sleep 0.1; done
if kill -0 "$tray_pid" 2>/dev/null; then echo "tray demo FAILED: the tray did not end on shutdown"; exit 1; fi
tray_pid=""
wait "$engine_pid" 2>/dev/null || true
engine_pid=""
echo "--- what the engine received from the tray"
awk '/^FRAME / { text = $0; for (i = 1; i <= 8; i++) sub(/^[^ ]* /, "", text); printf "  %-60s %s\n", $5, text }' \
    "$work/engine.log" | grep -v "ClassMessage" | head -40 || true
echo "tray demo: done"
