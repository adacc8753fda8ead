#!/usr/bin/env bash
# Checks host-i386.sh's answers on made-up machines: a root with a binfmt_misc folder, an i386
# loader that runs or not, a 32-bit Wine or none, and a kernel that runs i386 programs or not. Installs and mounts nothing (apt-get and mount are replaced by failing
# stand-ins), so it is safe as root.
#   scripts/host-i386_test.sh
set -uo pipefail
script="$(cd "$(dirname "$0")" && pwd)/host-i386.sh"
# The machines here are made up: a forced answer from the calling environment (the test command
# run with VW_HOST_I386=none) must not reach them. Cases that force one set it themselves.
unset VW_HOST_I386
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir -p "$work/bin"
for tool in apt-get mount qemu-i386-static; do
    printf '#!/bin/sh\necho "%s must not run in this test" >&2\nexit 1\n' "$tool" >"$work/bin/$tool"
    chmod +x "$work/bin/$tool"
done
failures=0
fail() { echo "host-i386_test: FAIL: $*" >&2; failures=$((failures + 1)); }

i386_magic=7f454c4601010100000000000000000002000300
x86_64_magic=7f454c4602010100000000000000000002003e00

# [kernel=yes|no] [wine32=no] machine NAME LOADER_RUNS [ENTRY STATE MAGIC]...: a made-up root whose
# kernel runs i386 programs where its loader does, unless told otherwise. Its kernel reads the probe
# program's header and the exit code it asks for, so only an i386 program exits with it.
machine() {
    local root="$work/$1" runs=$2
    shift 2
    mkdir -p "$root/proc/sys/fs/binfmt_misc" "$root/lib" "$root/usr/lib/wine"
    echo enabled >"$root/proc/sys/fs/binfmt_misc/status"
    : >"$root/proc/sys/fs/binfmt_misc/register"
    printf '#!/bin/sh\nexit %d\n' "$([ "$runs" = yes ] && echo 0 || echo 1)" >"$root/lib/ld-linux.so.2"
    [ "${wine32:-yes}" = no ] || printf '#!/bin/sh\n' >"$root/usr/lib/wine/wine"
    if [ "${kernel:-$runs}" = yes ]; then
        printf '#!/bin/sh\n[ "$(od -An -tx1 -N20 "$1" | tr -d " \\n")" = %s ] || exit 126\nexit $(od -An -tu1 -j90 -N1 "$1")\n' \
            "$i386_magic" >"$root/kernel"
    else
        printf '#!/bin/sh\necho "cannot execute binary file: Exec format error" >&2\nexit 126\n' >"$root/kernel"
    fi
    chmod +x "$root/lib/ld-linux.so.2" "$root/usr/lib/wine/wine" "$root/kernel" 2>/dev/null
    while [ $# -ge 3 ]; do
        printf '%s\ninterpreter /usr/bin/emu-%s\nflags: F\noffset 0\nmagic %s\nmask fffffffffffefe00fffffffffffffffffeffffff\n' \
            "$2" "$1" "$3" >"$root/proc/sys/fs/binfmt_misc/$1"
        shift 3
    done
    echo "$root"
}

# expect ROOT ARGS... -- WANTED_STATUS WANTED_TEXT: the script's output must hold the text.
expect() {
    local root=$1 args=() out status
    shift
    while [ "$1" != -- ]; do args+=("$1"); shift; done
    out=$(PATH="$work/bin:$PATH" VW_HOST_I386_ROOT="$root" "$script" "${args[@]}" 2>&1)
    status=$?
    [ "$status" -eq "$2" ] || fail "$(basename "$root") ${args[*]}: exit $status, not $2: $out"
    grep -qF -- "$3" <<<"$out" || fail "$(basename "$root") ${args[*]}: \"$out\" does not say \"$3\""
    [ -z "${4:-}" ] || ! grep -qF -- "$4" <<<"$out" || fail "$(basename "$root") ${args[*]}: \"$out\" says \"$4\""
}

plain=$(machine plain yes)
expect "$plain" -- 0 native
expect "$plain" --describe -- 0 "runs i386 programs natively"

# Any enabled entry for i386 ELF programs means emulation, whatever its name; one for another
# machine does not.
renamed=$(machine renamed yes i386-user enabled $i386_magic)
expect "$renamed" -- 0 emulated
expect "$renamed" --describe -- 0 "binfmt_misc/i386-user"
other=$(machine other yes x86_64-user enabled $x86_64_magic)
expect "$other" -- 0 native

# Nothing runs: the answer is none, and --register leaves an existing entry alone and says what it is.
disabled=$(machine disabled no i386-user disabled $i386_magic)
expect "$disabled" -- 0 none
expect "$disabled" --register -- 0 "i386-user exists but is disabled"
broken=$(machine broken no qemu-i386 enabled $i386_magic)
expect "$broken" --register -- 0 "qemu-i386 is registered for i386 programs" "disabled"

# No 32-bit Wine: the Windows i386 programs cannot run, whatever the loader does.
no_wine32=$(wine32=no machine no-wine32 yes)
expect "$no_wine32" -- 0 none
expect "$no_wine32" --describe -- 0 "runs i386 programs but has no 32-bit Wine"

# Only where the kernel cannot run i386 programs is an emulator installed and registered; a kernel
# that runs them but lacks libc6:i386 gets nothing, since a registration would stay until reboot.
no_libc=$(kernel=yes wine32=no machine no-libc no)
expect "$no_libc" --register -- 0 "the kernel runs i386 programs itself" "qemu"
[ -s "$no_libc/proc/sys/fs/binfmt_misc/register" ] && fail "no-libc: something was registered"
# A temporary folder mounted noexec: its kernel refuses to run anything from there, so the probe
# program must not be put there.
noexec=$(kernel=yes wine32=no machine noexec no)
mkdir -p "$work/tmp-noexec"
sed -i "2i case \"\$1\" in $work/tmp-noexec/*) exit 126 ;; esac" "$noexec/kernel"
TMPDIR="$work/tmp-noexec" expect "$noexec" --register -- 0 "the kernel runs i386 programs itself" "qemu"
bare=$(wine32=no machine bare no)
expect "$bare" --register -- 0 "registered /usr/bin/qemu-i386-static for i386 programs"
# The probe program on this very machine: where the answer is native, the kernel runs i386 programs.
if [ "$("$script")" = native ]; then
    real=$(wine32=no machine real no)
    printf '#!/bin/sh\nexec "$@"\n' >"$real/kernel"
    expect "$real" --register -- 0 "the kernel runs i386 programs itself"
fi

# The forcing variable: a valid answer wins, anything else is an error and no answer.
VW_HOST_I386=none expect "$plain" --describe -- 0 "cannot run i386 programs (forced by VW_HOST_I386=none)"
VW_HOST_I386=emulated expect "$plain" -- 0 emulated
VW_HOST_I386=yes expect "$plain" -- 2 "VW_HOST_I386 must be native, emulated or none, not 'yes'"
VW_HOST_I386=yes expect "$plain" --describe -- 2 "must be native, emulated or none" "forced"

if [ "$failures" -ne 0 ]; then
    echo "host-i386_test: $failures failure(s)" >&2
    exit 1
fi
echo "host-i386_test: every made-up machine got its answer"
