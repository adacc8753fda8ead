#!/usr/bin/env bash
# Starts or stops the private Wine session of one build tree: a virtual X display and a persistent
# wineserver for a prefix inside the tree. Everything it starts is detached from the caller's pipes,
# otherwise ctest would wait for wineserver's children to close them.
#   wine-session.sh up   STATE_DIR
#   wine-session.sh down STATE_DIR
set -u
action=${1:?up or down}
state=$(mkdir -p "${2:?state dir}" && cd "$2" && pwd)
export WINEPREFIX="$state/prefix" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
# shellcheck source=wine-loader.sh
. "$(dirname "$0")/wine-loader.sh"

xvfb_alive() { [ -s "$state/xvfb.pid" ] && kill -0 "$(cat "$state/xvfb.pid")" 2>/dev/null; }

start_display() {
    xvfb_alive && return 0
    rm -f "$state/display" "$state/display.tmp"
    # -displayfd picks a free display number and tells us which one.
    setsid Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp \
        3>"$state/display.tmp" </dev/null >/dev/null 2>&1 &
    echo $! >"$state/xvfb.pid"
    for _ in $(seq 100); do
        [ -s "$state/display.tmp" ] && break
        sleep 0.1
    done
    [ -s "$state/display.tmp" ] || { echo "wine-session: Xvfb did not start" >&2; return 1; }
    echo ":$(tr -d '[:space:]' <"$state/display.tmp")" >"$state/display"
}

start_wine() {
    export DISPLAY
    DISPLAY=$(cat "$state/display")
    if [ ! -f "$WINEPREFIX/system.reg" ]; then
        wine_boot </dev/null >/dev/null 2>&1
        wineserver -w </dev/null >/dev/null 2>&1
    fi
    wineserver -p </dev/null >/dev/null 2>&1
    "$wine_loader" cmd /c exit </dev/null >/dev/null 2>&1
    [ -f "$WINEPREFIX/system.reg" ] || { echo "wine-session: no Wine prefix could be made with $wine_loader" >&2; return 1; }
}

case "$action" in
up)
    start_display && start_wine ;;
down)
    wineserver -k </dev/null >/dev/null 2>&1
    if xvfb_alive; then kill "$(cat "$state/xvfb.pid")" 2>/dev/null; fi
    rm -f "$state/xvfb.pid" "$state/display"
    exit 0 ;;
*)
    echo "usage: wine-session.sh up|down STATE_DIR" >&2; exit 2 ;;
esac
