#!/usr/bin/env bash
# The tray and the launcher's dialogs at 100 % and 200 % display scale (Wine's LogPixels 96 and 192):
# the tray icon, its tooltip, the menu and the sleep dialog (the tray showcase, with the tray's
# manifest), and the "JRE Not Found" and "Java Exception" dialogs in English, German and Japanese (the
# dialog probe, with the launcher's manifest). Each scale gets a screen of the size a display at that
# scale has (1024x768, 2048x1536), so that a dialog is never cut by the screen. Then every tray image
# at 100, 150 and 200 % on a dark and on a light taskbar, at 175, 225, 350 and 400 % on a dark one, and
# at 100 and 200 % in the black and the white high-contrast scheme: the notification area with each
# state, side by side, in tray-states-<scale>-<dark|light|hc-black|hc-white>.png, and the whole screen
# of each scheme at 100 % with the menu open (an online and an offline computer) in
# tray-100-<hc-black|hc-white>-menu.png. PNG files in demo-output/scales/.
# Own build trees and Wine session, stopped on every exit path.
set -euo pipefail
cd "$(dirname "$0")/../.."
repo=$(pwd)
tray_preset=$("$repo/scripts/tray-preset.sh")
tray_build="$repo/build/demo-scales-$tray_preset"
launcher_build="$repo/build/demo-scales-win64"
state="$repo/build/demo-scales/wine"
# One session runs both programs: through the 64-bit loader unless the tray shown is the 32-bit one.
mkdir -p "$state"
if [ "$tray_preset" = win32 ]; then echo win32 >"$state/arch"; else echo win64 >"$state/arch"; fi
# shellcheck source=../wine-loader.sh
. "$repo/scripts/wine-loader.sh"
out="$repo/demo-output/scales"
session="$repo/scripts/wine-session.sh"
log=$(mktemp)

cleanup() {
    [ -n "${program_pid:-}" ] && kill "$program_pid" 2>/dev/null || true
    "$session" down "$state" >/dev/null 2>&1 || true
    rm -f "$log"
}
trap cleanup EXIT INT TERM

"$repo/scripts/tray-preset.sh" --describe
echo "--- building the tray showcase ($tray_preset) and the dialog probe (win64)"
{
    cmake --preset "$tray_preset" -B "$tray_build" -DVW_PARTS="tray/messages;tray/ui;tray/resources;tray/app"
    cmake --build "$tray_build" -j2 --target tray_ui_showcase
    cmake --preset win64 -B "$launcher_build" -DVW_PARTS="launcher/core;launcher/runtime;launcher/ui;launcher/resources"
    cmake --build "$launcher_build" -j2 --target launcher_dialog_fit_probe
} >"$log" 2>&1 || { tail -40 "$log"; exit 1; }
mkdir -p "$out"

# A screen of the size a display at this scale has (1024x768 at 100 %, 2048x1536 at 200 %): the session
# script keeps a display it finds running, so it is started here first, the same way.
own_display() {
    mkdir -p "$state"
    rm -f "$state/display" "$state/display.tmp"
    setsid Xvfb -displayfd 3 -screen 0 "${screen}x24" -nolisten tcp 3>"$state/display.tmp" </dev/null >/dev/null 2>&1 &
    echo $! >"$state/xvfb.pid"
    for _ in $(seq 100); do [ -s "$state/display.tmp" ] && break; sleep 0.1; done
    echo ":$(tr -d '[:space:]' <"$state/display.tmp")" >"$state/display"
}

# The system colours of a look ($1: light, dark, hc-black or hc-white) that differ from Wine's own:
# "Name=R G B" lines. The high-contrast ones are those of the two built-in schemes.
colours_of() {
    case "$1" in
    dark) printf '%s\n' "ButtonFace=32 32 32" "Menu=32 32 32" "Window=32 32 32" ;;
    hc-black) printf '%s\n' "Background=0 0 0" "ButtonFace=0 0 0" "Menu=0 0 0" "Window=0 0 0" \
        "ButtonText=255 255 255" "MenuText=255 255 255" "WindowText=255 255 255" "Hilight=26 235 255" \
        "HilightText=0 0 0" "GrayText=63 242 63" ;;
    hc-white) printf '%s\n' "Background=255 255 255" "ButtonFace=255 255 255" "Menu=255 255 255" \
        "Window=255 255 255" "ButtonText=0 0 0" "MenuText=0 0 0" "WindowText=0 0 0" "Hilight=55 0 110" \
        "HilightText=255 255 255" "GrayText=96 0 0" ;;
    esac
}

# Wine reads LogPixels when a process starts; a fresh session per scale also restarts the desktop.
# The look ($2, light unless told): the system colours of the desktop's taskbar, menus, windows and
# buttons, and the user's theme setting that the tray picks its images by.
start_session() {
    local taskbar=${2:-light} light=0 key colour
    [ "$taskbar" = light ] && light=1
    "$session" down "$state" >/dev/null 2>&1 || true
    own_display
    "$session" up "$state"
    export WINEPREFIX="$state/prefix" WINEDEBUG=-all DISPLAY
    DISPLAY=$(cat "$state/display")
    "$wine_loader" reg add 'HKCU\Control Panel\Desktop' /v LogPixels /t REG_DWORD /d "$1" /f >/dev/null 2>&1
    for key in Background ButtonFace Menu Window ButtonText MenuText WindowText Hilight HilightText GrayText; do
        colour=$(colours_of "$taskbar" | sed -n "s/^$key=//p")
        if [ -n "$colour" ]; then
            "$wine_loader" reg add 'HKCU\Control Panel\Colors' /v "$key" /d "$colour" /f >/dev/null 2>&1
        else
            "$wine_loader" reg delete 'HKCU\Control Panel\Colors' /v "$key" /f >/dev/null 2>&1 || true
        fi
    done
    "$wine_loader" reg add 'HKCU\Software\Microsoft\Windows\CurrentVersion\Themes\Personalize' \
        /v SystemUsesLightTheme /t REG_DWORD /d "$light" /f >/dev/null 2>&1
    "$wine_loader" reg import "$("$wine_loader" winepath.exe -w "$repo/common/testing/cjk_font_links.reg")" >/dev/null 2>&1
    "$session" down "$state" >/dev/null 2>&1
    own_display
    "$session" up "$state"
    DISPLAY=$(cat "$state/display")
}

markers_unix() { echo "$WINEPREFIX/drive_c/vw-scales"; }

wait_for() {  # at most 60 s for a showcase step
    for _ in $(seq 600); do
        [ -e "$(markers_unix)/$1.ready" ] && return 0
        kill -0 "$program_pid" 2>/dev/null || { echo "scales: showcase ended early" >&2; return 1; }
        sleep 0.1
    done
    echo "scales: step $1 never came" >&2
    return 1
}

shoot() {  # whole screen, and the lower right corner (notification area), at 100 % enlarged 2x
    import -window root "$out/$1.png"
    local w=$((424 * factor)) h=$((260 * factor))
    case "$1" in
    tray-*) /usr/bin/convert "$out/$1.png" -crop "${w}x${h}+$((width - w))+$((height - h))" +repage \
                -scale $((200 / factor))% "$out/$1-corner.png" ;;
    esac
    echo "scales: $out/$1.png"
}

find_icon() {  # the green house ($2: or the ink of a high-contrast scheme) is the only thing of its colour
    local box x y w h ink=${2:-rgb(40,160,60)} other=black
    [ "$ink" = black ] && other=white
    box=$(/usr/bin/convert "$1" -fill "$other" +opaque "$ink" -trim -format '%X %Y %w %h' info: 2>/dev/null || true)
    read -r x y w h <<<"${box//+/}"
    if [ -n "${w:-}" ] && [ "$w" -le 96 ]; then icon_x=$((x + w / 2)) icon_y=$((y + h / 2)); fi
}

for dpi in 96 192; do
    scale=$((dpi * 100 / 96)) factor=$((dpi / 96))
    width=$((1024 * factor)) height=$((768 * factor)) screen="$((1024 * factor))x$((768 * factor))"
    icon_x=$((width - 10)) icon_y=$((height - 10 * factor))
    echo "--- $scale % (LogPixels $dpi, a ${screen} screen)"
    start_session "$dpi"
    rm -rf "$(markers_unix)" && mkdir -p "$(markers_unix)"
    "$wine_loader" explorer /desktop=scales,"$screen" "$tray_build/tray/ui/tray_ui_showcase.exe" 'C:\vw-scales' sleep \
        </dev/null >/dev/null 2>&1 &
    program_pid=$!
    for step in 01-connecting 02-good 03-tooltip 04-menu 04-keyboard-menu 05-warning 06-error 07-busy 08-busy-tooltip 09-alert \
                10-paused 11-balloon 12-sleep; do
        wait_for "$step"
        case "$step" in
        02-good) sleep 1.2; shoot "tray-$scale-icon"; find_icon "$out/tray-$scale-icon.png" ;;
        03-tooltip)
            xdotool mousemove $((icon_x - 1)) "$icon_y"; sleep 0.3; xdotool mousemove "$icon_x" "$icon_y"; sleep 2
            shoot "tray-$scale-tooltip"; xdotool mousemove 500 300 ;;
        04-menu)
            xdotool mousemove "$icon_x" "$icon_y" click 3; sleep 1.5
            shoot "tray-$scale-menu"; xdotool key Escape; sleep 0.5 ;;
        04-keyboard-menu)
            # The showcase opened the menu as Shift+F10 would; with no window manager keys go to the
            # window under the pointer, so a click elsewhere closes it.
            xdotool mousemove 300 200; sleep 1; xdotool click 1; sleep 0.5
            xdotool mousemove "$icon_x" "$icon_y" ;;  # where the pointer stood before this step
        12-sleep) sleep 2; shoot "tray-$scale-sleep-dialog"; xdotool key Escape ;;
        esac
        rm -f "$(markers_unix)/$step.ready"
    done
    for _ in $(seq 100); do kill -0 "$program_pid" 2>/dev/null || break; sleep 0.1; done
    kill "$program_pid" 2>/dev/null || true
    program_pid=

    for language in 1033:en 1031:de 1041:ja; do
        for dialog in 201:jre-not-found 231:java-exception; do
            "$wine_loader" explorer /desktop=scales,"$screen" "$launcher_build/launcher/ui/launcher_dialog_fit_probe.exe" \
                show "${language%%:*}" "${dialog%%:*}" 6 </dev/null >/dev/null 2>&1 &
            program_pid=$!
            sleep 4
            shoot "launcher-$scale-${dialog#*:}-${language#*:}"
            wait "$program_pid" 2>/dev/null || true
            program_pid=
        done
    done
done
# Every tray image at a scale in a look: "<dpi>:<light|dark|hc-black|hc-white>".
for run in 96:dark 96:light 144:dark 144:light 192:dark 192:light 168:dark 216:dark 336:dark 384:dark \
           96:hc-black 96:hc-white 192:hc-black 192:hc-white; do
    dpi=${run%%:*} taskbar=${run#*:}
    scale=$((dpi * 100 / 96)) factor10=$((dpi * 10 / 96))
    width=$((1024 * factor10 / 10)) height=$((768 * factor10 / 10)) screen="${width}x${height}"
    contrast=
    case "$taskbar" in hc-*) contrast=high-contrast ;; esac
    echo "--- every tray image at $scale % on a $taskbar taskbar"
    start_session "$dpi" "$taskbar"
    rm -rf "$(markers_unix)" && mkdir -p "$(markers_unix)"
    "$wine_loader" explorer /desktop=scales,"$screen" "$tray_build/tray/ui/tray_ui_showcase.exe" 'C:\vw-scales' states \
        ${contrast:+"$contrast"} </dev/null >/dev/null 2>&1 &
    program_pid=$!
    shots=()
    # The notification area: the lower right corner, as high as the taskbar at this scale.
    w=$((48 * factor10 / 10)) h=$((24 * factor10 / 10))
    for id in 159 104 105 106 160 151 152 153 154 155; do
        wait_for "state-$id"
        sleep 0.5
        import -window root -crop "${w}x${h}+$((width - w))+$((height - h))" +repage "$out/.state-$id.png"
        shots+=("$out/.state-$id.png")
        rm -f "$(markers_unix)/state-$id.ready"
    done
    wait_for state-menu
    if [ -n "$contrast" ] && [ "$dpi" = 96 ]; then
        import -window root "$out/.screen.png"
        icon_x=$((width - 10)) icon_y=$((height - 10))
        ink=white
        [ "$taskbar" = hc-white ] && ink=black
        find_icon "$out/.screen.png" "$ink"
        rm -f "$out/.screen.png"
        xdotool mousemove "$icon_x" "$icon_y" click 3
        sleep 1.5
        import -window root "$out/tray-$scale-$taskbar-menu.png"
        echo "scales: $out/tray-$scale-$taskbar-menu.png"
        xdotool key Escape
        sleep 0.5
    fi
    rm -f "$(markers_unix)/state-menu.ready"
    /usr/bin/convert "${shots[@]}" -bordercolor 'rgb(128,128,128)' -border 2 +append \
        "$out/tray-states-$scale-$taskbar.png"
    rm -f "${shots[@]}"
    echo "scales: $out/tray-states-$scale-$taskbar.png"
    for _ in $(seq 100); do kill -0 "$program_pid" 2>/dev/null || break; sleep 0.1; done
    kill "$program_pid" 2>/dev/null || true
    program_pid=
done
echo "scales: done"
