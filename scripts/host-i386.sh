#!/usr/bin/env bash
# How this machine runs i386 (32-bit x86) programs, found by trying one, not from uname:
#   native    the kernel executes them itself
#   emulated  through a user-mode emulator: an enabled binfmt_misc entry for i386 programs, of any name
#   none      not at all, or not the Windows ones: there is no 32-bit Wine
# Prints that word. VW_HOST_I386=native|emulated|none forces the answer (to test a path on a
# machine of the other kind); any other value is an error (exit 2).
#   host-i386.sh              the answer
#   host-i386.sh --describe   one line for people, saying which and why
#   host-i386.sh --register   as root: where the kernel cannot run i386 programs, install
#                             qemu-user-static and register qemu-i386 for them (never replacing an
#                             existing registration), saying what it did; then the answer
set -uo pipefail

# VW_HOST_I386_ROOT: only for this script's test, a made-up root holding proc/, lib/, usr/lib/wine/
# and "kernel", which stands in for the real one when the probe program is run.
binfmt=${VW_HOST_I386_ROOT:-}/proc/sys/fs/binfmt_misc
i386_loader=${VW_HOST_I386_ROOT:-}/lib/ld-linux.so.2   # from libc6:i386, which wine32 brings
wine32_loader=${VW_HOST_I386_ROOT:-}/usr/lib/wine/wine  # from wine32:i386

runs_i386() { "$i386_loader" --help >/dev/null 2>&1; }
has_wine32() { [ -x "$wine32_loader" ]; }

# Whether the kernel itself executes i386 programs, whatever libraries are installed: a static
# i386 program of 96 bytes that needs no loader and only makes the exit system call with code 42.
# It is written into the checkout's build folder, not the temporary one: where that is mounted
# noexec, nothing runs from it, and a kernel that runs i386 programs would read as one that cannot.
kernel_runs_i386() {
    local probe status folder
    folder="$(cd "$(dirname "$0")/.." && pwd)/build"
    mkdir -p "$folder" && probe=$(mktemp "$folder/vw-i386-probe.XXXXXX") || return 1
    printf '%b' '\x7fELF\x01\x01\x01\x00\x00\x00\x00\x00\x00\x00\x00\x00' \
        '\x02\x00\x03\x00\x01\x00\x00\x00\x54\x80\x04\x08\x34\x00\x00\x00\x00\x00\x00\x00' \
        '\x00\x00\x00\x00\x34\x00\x20\x00\x01\x00\x00\x00\x00\x00\x00\x00' \
        '\x01\x00\x00\x00\x00\x00\x00\x00\x00\x80\x04\x08\x00\x80\x04\x08' \
        '\x60\x00\x00\x00\x60\x00\x00\x00\x05\x00\x00\x00\x00\x10\x00\x00' \
        '\xb8\x01\x00\x00\x00\xbb\x2a\x00\x00\x00\xcd\x80' >"$probe"
    chmod +x "$probe"
    ${VW_HOST_I386_ROOT:+"$VW_HOST_I386_ROOT/kernel"} "$probe" >/dev/null 2>&1
    status=$?
    rm -f "$probe"
    [ "$status" -eq 42 ]
}

# Every binfmt_misc entry for i386 ELF programs (machine 3 at offset 18), whatever its name and state.
i386_entries() {
    local entry
    for entry in "$binfmt"/*; do
        case "$entry" in */register | */status) continue ;; esac
        [ -f "$entry" ] || continue
        grep -Eq '^magic 7f454c4601[0-9a-f]{26}0300' "$entry" 2>/dev/null && echo "$entry"
    done
}

# The first enabled one.
emulator_entry() {
    local entry
    while read -r entry; do
        grep -qx enabled "$entry" 2>/dev/null && { echo "$entry"; return 0; }
    done < <(i386_entries)
    return 1
}

probe() {
    if [ -n "${VW_HOST_I386:-}" ]; then
        echo "$VW_HOST_I386"
    elif ! runs_i386 || ! has_wine32; then
        echo none
    elif emulator_entry >/dev/null; then
        echo emulated
    else
        echo native
    fi
}

describe() {
    local mode forced=""
    mode=$(probe)
    [ -n "${VW_HOST_I386:-}" ] && forced=" (forced by VW_HOST_I386=$VW_HOST_I386)"
    case "$mode" in
    native) echo "host: this machine runs i386 programs natively$forced" ;;
    emulated)
        local entry
        entry=$(emulator_entry) || entry="no emulator registered: the emulated path's test selection only"
        echo "host: this machine runs i386 programs under user-mode emulation ($entry)$forced" ;;
    none)
        if [ -z "$forced" ] && runs_i386; then
            echo "host: this machine runs i386 programs but has no 32-bit Wine (wine32:i386 is not installed); 64-bit programs run through wine64"
        else
            echo "host: this machine cannot run i386 programs$forced; 64-bit programs run through wine64"
        fi ;;
    esac
}

register() {
    [ -n "${VW_HOST_I386:-}" ] && return 0
    runs_i386 && return 0
    local entry
    entry=$(i386_entries | head -1)
    if [ -n "$entry" ]; then
        if grep -qx disabled "$entry"; then
            echo "host-i386: $entry exists but is disabled; left as it is"
        else
            echo "host-i386: $entry is registered for i386 programs, yet they do not run" \
                 "(interpreter: $(sed -n 's/^interpreter //p' "$entry")); left as it is"
        fi
        return 0
    fi
    # A registration would outlive the reason for it (until reboot) and make every later answer
    # "emulated": the kernel may run i386 programs and only lack the 32-bit C library.
    if kernel_runs_i386; then
        echo "host-i386: the kernel runs i386 programs itself (only libc6:i386 is missing); nothing registered"
        return 0
    fi
    if ! command -v qemu-i386-static >/dev/null; then
        echo "host-i386: i386 programs do not run here; installing qemu-user-static"
        # shellcheck source=apt-lock.sh
        . "$(dirname "$0")/apt-lock.sh"
        local install=(apt-get install -y -q --no-install-recommends "${apt_lock_wait[@]}" qemu-user-static)
        DEBIAN_FRONTEND=noninteractive "${install[@]}" >/dev/null 2>&1 ||
            { apt-get update -q "${apt_lock_wait[@]}" >/dev/null && DEBIAN_FRONTEND=noninteractive "${install[@]}" >/dev/null; } ||
            { echo "host-i386: could not install qemu-user-static"; return 0; }
    fi
    if [ ! -e "$binfmt/register" ]; then
        mount -t binfmt_misc binfmt_misc "$binfmt" 2>/dev/null &&
            echo "host-i386: mounted binfmt_misc on $binfmt"
    fi
    # F: the interpreter is opened now, so the registration also works in other mount namespaces.
    if printf '%s' ':qemu-i386:M::\x7fELF\x01\x01\x01\x00\x00\x00\x00\x00\x00\x00\x00\x00\x02\x00\x03\x00:\xff\xff\xff\xff\xff\xfe\xfe\x00\xff\xff\xff\xff\xff\xff\xff\xff\xfe\xff\xff\xff:/usr/bin/qemu-i386-static:F' \
        >"$binfmt/register" 2>/dev/null; then
        echo "host-i386: registered /usr/bin/qemu-i386-static for i386 programs as $binfmt/qemu-i386"
    else
        echo "host-i386: could not register qemu-i386 with binfmt_misc (not root, or binfmt_misc unavailable)"
    fi
}

case "${VW_HOST_I386:-}" in
"" | native | emulated | none) ;;
*) echo "host-i386: VW_HOST_I386 must be native, emulated or none, not '$VW_HOST_I386'" >&2; exit 2 ;;
esac
case "${1:-}" in
"") probe ;;
--describe) describe ;;
--register) register; describe ;;
*) echo "usage: host-i386.sh [--describe | --register]" >&2; exit 2 ;;
esac
