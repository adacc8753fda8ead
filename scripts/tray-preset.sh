#!/usr/bin/env bash
# Which build of the tray the demo and the benchmarks run: the real 32-bit VaultwickTray.exe (preset
# win32) where this machine runs i386 programs natively, otherwise its 64-bit twin (preset tray64,
# the same sources built for x86-64), since 32-bit Wine under emulation is far too slow to watch.
#   tray-preset.sh              the preset's name
#   tray-preset.sh --describe   one line for people
set -u
if [ "$("$(dirname "$0")/host-i386.sh")" = native ]; then preset=win32; else preset=tray64; fi
case "${1:-}" in
"") echo "$preset" ;;
--describe)
    if [ $preset = win32 ]; then
        echo "tray: the real 32-bit VaultwickTray.exe (this machine runs i386 programs natively)"
    else
        echo "tray: the 64-bit build of the same tray sources (this machine does not run i386 programs natively)"
    fi ;;
*) echo "usage: tray-preset.sh [--describe]" >&2; exit 2 ;;
esac
