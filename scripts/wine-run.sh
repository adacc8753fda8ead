#!/usr/bin/env bash
# The cross-compiling emulator of the Windows build trees: runs one Windows program in the tree's
# private prefix on the tree's virtual display.   wine-run.sh STATE_DIR PROGRAM.exe [ARGS...]
set -u
state=$(mkdir -p "${1:?state dir}" && cd "$1" && pwd); shift
[ -s "$state/display" ] || "$(dirname "$0")/wine-session.sh" up "$state" || exit 1
export WINEPREFIX="$state/prefix" WINEDEBUG=${VW_WINEDEBUG:--all} DISPLAY
DISPLAY=$(cat "$state/display")
# shellcheck source=wine-loader.sh
. "$(dirname "$0")/wine-loader.sh"
exec "${wine_layout[@]}" "$wine_loader" "$@"
