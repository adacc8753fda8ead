#!/usr/bin/env bash
# Screenshots of the tray presentation under Wine on a virtual display: each icon state, the
# tooltip, the open menu (by a right click, with an offline computer, and as the keyboard opens it, at
# the icon) and a balloon, saved as PNG files in demo-output/.
# Uses its own build tree and its own Wine session, and stops that session on every exit path.
set -euo pipefail
cd "$(dirname "$0")/../.."
repo=$(pwd)
preset=$("$repo/scripts/tray-preset.sh")
build="$repo/build/demo-screenshots-$preset"
out="$repo/demo-output"
state="$build/wine"
session="$repo/scripts/wine-session.sh"

cleanup() {
    [ -n "${showcase_pid:-}" ] && kill "$showcase_pid" 2>/dev/null || true
    "$session" down "$state" >/dev/null 2>&1 || true
}
trap cleanup EXIT INT TERM

"$repo/scripts/tray-preset.sh" --describe
cmake --preset "$preset" -B "$build" -DVW_PARTS="tray/messages;tray/ui;tray/resources;tray/app" >/dev/null
cmake --build "$build" --target tray_ui_showcase -j2 >/dev/null
mkdir -p "$out"

"$session" up "$state"
export WINEPREFIX="$state/prefix" WINEDEBUG=-all
DISPLAY=$(cat "$state/display")
export DISPLAY
# Wine's taskbar is light (its own colours): the tray is told so, and shows the images made for a
# light taskbar, as it would on Windows with that setting.
"$repo/scripts/wine-run.sh" "$state" reg add 'HKCU\Software\Microsoft\Windows\CurrentVersion\Themes\Personalize' \
    /v SystemUsesLightTheme /t REG_DWORD /d 1 /f </dev/null >/dev/null 2>&1
markers="$WINEPREFIX/drive_c/vw-showcase"
rm -rf "$markers" && mkdir -p "$markers"

"$repo/scripts/wine-run.sh" "$state" explorer /desktop=vaultwick,1024x768 "$build/tray/ui/tray_ui_showcase.exe" 'C:\vw-showcase' \
    </dev/null >/dev/null 2>&1 &
showcase_pid=$!

# Waits (at most 60 s) until the showcase has reached a step.
wait_for() {
    for _ in $(seq 600); do
        [ -e "$markers/$1.ready" ] && return 0
        kill -0 "$showcase_pid" 2>/dev/null || { echo "screenshots: showcase ended early" >&2; return 1; }
        sleep 0.1
    done
    echo "screenshots: step $1 never came" >&2
    return 1
}

icon_x=1014 icon_y=758
find_icon() {  # the green house is the only thing of that colour on the desktop
    local box
    box=$(/usr/bin/convert "$1" -fill black +opaque 'rgb(40,160,60)' -trim -format '%X %Y %w %h' info: 2>/dev/null || true)
    read -r x y w h <<<"${box//+/}"
    if [ -n "${w:-}" ] && [ "$w" -le 32 ]; then icon_x=$((x + w / 2)) icon_y=$((y + h / 2)); fi
}

shoot() {  # the whole desktop, and the corner with the notification area enlarged
    import -window root "$out/tray-$1.png"
    /usr/bin/convert "$out/tray-$1.png" -crop 424x260+600+508 +repage -scale 200% "$out/tray-$1-corner.png"
    echo "screenshots: $out/tray-$1.png"
}

hover() {
    xdotool mousemove $((icon_x - 1)) "$icon_y"; sleep 0.3
    xdotool mousemove "$icon_x" "$icon_y"; sleep 2
}

for step in 01-connecting 02-good 03-tooltip 04-menu 04-keyboard-menu 05-warning 06-error 07-busy 08-busy-tooltip 09-alert \
            10-paused 11-balloon; do
    wait_for "$step"
    sleep 1.2
    case "$step" in
    02-good) shoot "$step"; find_icon "$out/tray-$step.png" ;;
    03-tooltip | 08-busy-tooltip | 10-paused) hover; shoot "$step"; xdotool mousemove 500 300 ;;
    04-menu)
        xdotool mousemove "$icon_x" "$icon_y" click 3; sleep 1.5
        shoot "$step"
        xdotool key Escape; sleep 0.5
        xdotool mousemove 300 200 ;;  # away from the icon before the next step opens the menu there
    04-keyboard-menu)
        # The showcase opened it as Shift+F10 on the icon would. Closed by a click elsewhere: with no
        # window manager the display sends keys to the window under the pointer, not to the menu.
        shoot "$step"
        xdotool click 1; sleep 0.5 ;;
    11-balloon) sleep 1; shoot "$step" ;;
    *) shoot "$step" ;;
    esac
    rm -f "$markers/$step.ready"
done

for _ in $(seq 100); do kill -0 "$showcase_pid" 2>/dev/null || break; sleep 0.1; done
showcase_pid=
echo "screenshots: done"
