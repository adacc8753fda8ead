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

# Booting a prefix is the slowest step of a session: tens of seconds natively, minutes where i386 code
# is emulated. Every session of a checkout boots the same kind of prefix (64-bit, with its 32-bit
# side), so one is booted once per Wine version under build/ and each state folder gets a copy of it,
# untouched by any test: no session sees another's leftovers. It is booted into a temporary folder and
# renamed when whole, under a lock, so an interrupted boot or two sessions starting together never
# leave half a one.
booted=$(cd "$(dirname "$0")/.." && pwd)/build/wine-booted-prefix
# Which Wine a prefix was made by: its version and the time of its wine.inf, which Wine compares with
# the prefix's to decide to update the prefix in place.
wine_version="$("$wine64" --version 2>/dev/null) $(stat -c %Y /usr/share/wine/wine.inf 2>/dev/null)"

boot_shared_prefix() {
    [ -f "$booted/system.reg" ] && [ "$(cat "$booted.version" 2>/dev/null)" = "$wine_version" ] && return 0
    local partial="$booted.partial.$$"
    rm -rf "$partial" "$booted"
    # Through the 64-bit loader, which needs no i386 execution; the prefix has its 32-bit side all the
    # same (about 12 s natively, with one harmless error about syswow64\rundll32.exe without i386).
    (
        export WINEPREFIX=$partial
        "${wine_layout[@]}" "$wine64" wineboot.exe -i
        wineserver -w
    ) </dev/null >/dev/null 2>&1
    [ -f "$partial/system.reg" ] || { rm -rf "$partial"; return 1; }
    echo "$wine_version" >"$booted.version"
    mv "$partial" "$booted"
}

# Wine's libraries are nine tenths of a prefix (1.2 of 1.3 GB) and only a prefix update writes them,
# which never happens to a copy: a copy from another Wine version is replaced instead. So they are hard
# links, and the rest is copied: seconds instead of half a minute on a loaded machine.
copy_booted_prefix() {
    local copy="$WINEPREFIX.partial"
    mkdir -p "$(dirname "$booted")"
    (flock 9 && boot_shared_prefix && rm -rf "$copy" && cp -al "$booted" "$copy") 9>"$booted.lock" || return 1
    find "$copy" -type f ! -name '*.dll' -exec sh -c 'for f; do cp -p "$f" "$f.copy" && mv "$f.copy" "$f"; done' sh {} + ||
        return 1
    # Wine records here the private folder of the prefix's wineserver: a copy must get its own.
    rm -f "$copy/wineserver"
    echo "$wine_version" >"$state/prefix.version"
    mv "$copy" "$WINEPREFIX"
}

start_wine() {
    export DISPLAY
    DISPLAY=$(cat "$state/display")
    if [ ! -f "$WINEPREFIX/system.reg" ] || [ "$(cat "$state/prefix.version" 2>/dev/null)" != "$wine_version" ]; then
        rm -rf "$WINEPREFIX" && copy_booted_prefix || return 1
    fi
    wineserver -p </dev/null >/dev/null 2>&1
    "${wine_layout[@]}" "$wine_loader" cmd /c exit </dev/null >/dev/null 2>&1
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
