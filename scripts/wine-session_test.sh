#!/usr/bin/env bash
# Checks how Wine sessions get their prefixes, with stand-ins for Wine and Xvfb: two sessions boot one
# prefix between them yet share no file a test could change, a session keeps its own prefix while Wine
# stays the same and gets a fresh one when Wine changes, and a failed boot leaves nothing behind.
#   scripts/wine-session_test.sh
set -uo pipefail
repo="$(cd "$(dirname "$0")/.." && pwd)"
work=$(mktemp -d)
trap 'for s in a b c; do "$work/scripts/wine-session.sh" down "$work/$s" >/dev/null 2>&1; done; rm -rf "$work"' EXIT
failures=0
fail() { echo "wine-session_test: FAIL: $*" >&2; failures=$((failures + 1)); }

# A copy of the scripts, so that the booted prefix lands in this made-up checkout's build/.
mkdir -p "$work/scripts" "$work/bin"
cp "$repo/scripts/wine-session.sh" "$repo/scripts/wine-loader.sh" "$work/scripts/"
cat >"$work/bin/wine64" <<'EOF'
#!/usr/bin/env bash
case "$1" in
--version) echo "wine-stand-in-$STUB_VERSION" ;;
wineboot.exe)
    mkdir -p "$WINEPREFIX/drive_c/windows/system32"
    [ -z "${STUB_BOOT_FAILS:-}" ] || exit 1
    echo boot >>"$STUB_LOG"
    echo registry >"$WINEPREFIX/system.reg"
    echo library >"$WINEPREFIX/drive_c/windows/system32/kernel32.dll"
    echo /tmp/wine-private >"$WINEPREFIX/wineserver" ;;
esac
EOF
printf '#!/bin/sh\necho 99 >&3\nexec sleep 300\n' >"$work/bin/Xvfb"
printf '#!/bin/sh\n' >"$work/bin/wineserver"
chmod +x "$work/bin/"*
export PATH="$work/bin:$PATH" VW_WINE64="$work/bin/wine64" STUB_LOG="$work/boots" STUB_VERSION=1
session() { "$work/scripts/wine-session.sh" "$1" "$work/$2" >/dev/null 2>&1; }
for s in a b c; do mkdir -p "$work/$s" && echo win64 >"$work/$s/arch"; done
boots() { wc -l <"$work/boots" 2>/dev/null || echo 0; }

session up a && session up b || fail "a session did not start"
[ "$(boots)" -eq 1 ] || fail "two sessions booted $(boots) prefixes, not one"
a=$work/a/prefix b=$work/b/prefix booted=$work/build/wine-booted-prefix
[ "$a/system.reg" -ef "$b/system.reg" ] || [ "$a/system.reg" -ef "$booted/system.reg" ] &&
    fail "the sessions' registries are one file"
[ -e "$a/wineserver" ] && fail "a copy names the booted prefix's wineserver folder"
echo leftover >"$a/drive_c/leftover"
session down a && session up a
[ -f "$a/drive_c/leftover" ] || fail "a session lost its prefix while Wine stayed the same"
[ -e "$b/drive_c/leftover" ] || [ -e "$booted/drive_c/leftover" ] && fail "a session's file showed up elsewhere"

session down a
STUB_VERSION=2 session up a || fail "a session did not start after Wine changed"
[ "$(boots)" -eq 2 ] || fail "a changed Wine did not boot a new prefix"
[ -e "$a/drive_c/leftover" ] && fail "a session kept a prefix of another Wine"

rm -rf "$booted"
STUB_VERSION=3 STUB_BOOT_FAILS=1 session up c && fail "a session started without a prefix"
leftovers=$(cd "$work/build" && ls -d wine-booted-prefix wine-booted-prefix.partial.* 2>/dev/null)
[ -z "$leftovers" ] || fail "a failed boot left $leftovers"

[ $failures -eq 0 ] || exit 1
echo "wine-session_test: one boot for two sessions, no shared files, a fresh prefix for another Wine"
