#!/usr/bin/env bash
# Checks setup.sh's decisions on made-up machines whose apt-get, apt-cache, dpkg and dpkg-query are
# stand-ins driven by files (nothing is installed or fetched): a mirror whose update keeps failing, a
# 32-bit Wine that cannot be installed (remembered for the day unless apt's lock was the reason), one
# that installs only with a lagging suite pinned down beside the machine's own pins, and a main
# install that fails.
#   scripts/setup_test.sh
set -uo pipefail
scripts="$(cd "$(dirname "$0")" && pwd)"
unset VW_HOST_I386 VW_SETUP_RETRY_WINE32
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
failures=0
fail() { echo "setup_test: FAIL: $*" >&2; failures=$((failures + 1)); }

# The stand-ins log each call to $VW_FAKE/calls. Files in $VW_FAKE decide: update.rc, install.rc,
# wine32.rc and wine32-pinned.rc (exit codes), wine32.reason (apt's error line), indextargets,
# depends, status (updated by a pinned install's name:amd64=version arguments), policy-<package>,
# and preferences.d (the machine's own pins).
mkdir -p "$work/bin"
cat >"$work/bin/apt-get" <<'EOF'
#!/bin/bash
echo "apt-get $*" >>"$VW_FAKE/calls"
rc() { cat "$VW_FAKE/$1.rc" 2>/dev/null || echo 0; }
case "$1" in
update) status=$(rc update) ;;
indextargets) cat "$VW_FAKE/indextargets" 2>/dev/null; exit 0 ;;
install)
    if [[ " $* " != *" wine32:i386 "* ]]; then status=$(rc install)
    elif [[ " $* " == *" --allow-downgrades "* ]]; then
        status=$(rc wine32-pinned)
        for arg; do case "$arg" in Dir::Etc::PreferencesParts=*) cat "${arg#*=}"/* >>"$VW_FAKE/calls" ;; esac; done
        [ "$status" -ne 0 ] || for arg; do
            case "$arg" in *:amd64=*) name=${arg%%:*} && sed -i "s/^$name amd64 [^ ]*/$name amd64 ${arg#*=}/" "$VW_FAKE/status" ;; esac
        done
    else status=$(rc wine32); fi
    if [ "$status" -eq 0 ] && [[ " $* " == *" wine32:i386 "* ]]; then
        printf '#!/bin/sh\n' >"$VW_HOST_I386_ROOT/usr/lib/wine/wine" && chmod +x "$VW_HOST_I386_ROOT/usr/lib/wine/wine"
    fi ;;
esac
[ "$status" -eq 0 ] || cat "$VW_FAKE/wine32.reason" 2>/dev/null || echo "E: made-up failure of apt-get $1"
exit "$status"
EOF
cat >"$work/bin/apt-cache" <<'EOF'
#!/bin/bash
echo "apt-cache $*" >>"$VW_FAKE/calls"
for arg; do
    case "$arg" in
    depends) cat "$VW_FAKE/depends" ;;
    *:i386 | *:amd64) cat "$VW_FAKE/policy-$arg" 2>/dev/null ;;
    esac
done
EOF
cat >"$work/bin/dpkg-query" <<'EOF'
#!/bin/bash
[ $# -eq 2 ] && exec cat "$VW_FAKE/status"
grep -qxF "${*: -1}" "$VW_FAKE/installed" && echo "install ok installed"
EOF
printf '#!/bin/sh\n[ "$1" != --compare-versions ] || exec /usr/bin/dpkg "$@"\n[ "$1" != --print-foreign-architectures ] || echo i386\n' >"$work/bin/dpkg"
printf '#!/bin/sh\necho "parts='"'"'$VW_FAKE/preferences.d/'"'"'"\n' >"$work/bin/apt-config"
printf '#!/bin/sh\necho "qemu-i386-static must not run in this test" >&2\nexit 1\n' >"$work/bin/qemu-i386-static"
chmod +x "$work/bin"/*

# machine NAME: a made-up machine with nothing installed, whose kernel and loader run i386 programs
# (so host-i386.sh says native once the 32-bit Wine is there). Prints its folder.
machine() {
    local fake="$work/$1"
    mkdir -p "$fake/root/proc/sys/fs/binfmt_misc" "$fake/root/lib" "$fake/root/usr/lib/wine"
    printf '#!/bin/sh\n' >"$fake/root/lib/ld-linux.so.2" && chmod +x "$fake/root/lib/ld-linux.so.2"
    : >"$fake/installed"
    echo "$fake"
}

# The packages of setup.sh's list, one a line: what a machine has after its main install.
main_packages() { sed -n '/^packages=(/,/^)/p' "$scripts/setup.sh" | sed '1d;$d' | tr ' ' '\n' | sed '/^$/d'; }

# run_setup FAKE: setup.sh's output in FAKE/out, its exit code in FAKE/rc.
run_setup() {
    PATH="$work/bin:$PATH" VW_FAKE="$1" VW_HOST_I386_ROOT="$1/root" VW_SETUP_UPDATE_PAUSE=0 VW_SETUP_STATE="$1/state" \
        bash "$scripts/setup.sh" >"$1/out" 2>&1
    echo $? >"$1/rc"
}

# expect FAKE WHAT RC TEXT...: the exit code, and every text in the output or the calls.
expect() {
    local fake=$1 what=$2 rc=$3 text
    shift 3
    [ "$(cat "$fake/rc")" = "$rc" ] || fail "$what: exit $(cat "$fake/rc"), not $rc: $(cat "$fake/out")"
    for text; do
        grep -qF -- "$text" "$fake/out" "$fake/calls" 2>/dev/null || fail "$what: no \"$text\" in: $(cat "$fake/out" "$fake/calls")"
    done
}

# The mirror fails every update: three tries, one line, and the installs go on with the lists apt has.
mirror=$(machine mirror-syncing)
echo 100 >"$mirror/update.rc"
run_setup "$mirror"
expect "$mirror" "update fails, installs work" 0 "update failed 3 times (E: made-up failure of apt-get update)" \
    "install -y -q --no-install-recommends -o DPkg::Lock::Timeout=600 cmake" \
    "install -y -q --no-install-recommends --no-remove -o DPkg::Lock::Timeout=600 wine32:i386" \
    "installed the 32-bit Wine" "runs i386 programs natively"
[ "$(grep -c '^apt-get update' "$mirror/calls")" -eq 3 ] || fail "update fails: $(grep -c '^apt-get update' "$mirror/calls") tries, not 3"
grep -q 'install.*wine32:i386.*cmake\|install.*cmake.*wine32:i386' "$mirror/calls" &&
    fail "update fails: the 32-bit Wine was in the main install"

# The 32-bit Wine fails and no suite lacks its i386 list: one line with apt's reason, and the answer
# none, so the win32 tree only builds and checks its program's header.
no_wine32=$(machine no-wine32)
echo 100 >"$no_wine32/wine32.rc"
run_setup "$no_wine32"
expect "$no_wine32" "32-bit install fails" 0 \
    "setup: 32-bit Wine could not be installed (E: made-up failure of apt-get install); the win32 tree will only build" \
    "runs i386 programs but has no 32-bit Wine"
grep -q -- '--allow-downgrades' "$no_wine32/calls" && fail "32-bit install fails: a pinned install without a lagging suite"
# The same day, the next run neither updates the package lists nor tries again, and says so; a
# failure that was only apt's lock held by another program is tried again at once.
mv "$no_wine32/calls" "$no_wine32/calls.first"
main_packages >"$no_wine32/installed"
run_setup "$no_wine32"
expect "$no_wine32" "32-bit install failed earlier today" 0 \
    "could not be installed earlier today (E: made-up failure of apt-get install); not tried again until tomorrow"
[ ! -e "$no_wine32/calls" ] || fail "32-bit install failed earlier today: apt ran again: $(cat "$no_wine32/calls")"
locked=$(machine wine32-locked)
echo 100 >"$locked/wine32.rc"
echo "E: Could not get lock /var/lib/dpkg/lock-frontend. It is held by process 4242 (unattended-upgr)" >"$locked/wine32.reason"
run_setup "$locked"
run_setup "$locked"
[ "$(grep -c 'install.*wine32:i386' "$locked/calls")" -eq 2 ] || fail "a held lock was remembered as a lasting failure"
grep -q 'DPkg::Lock::Timeout=' "$locked/calls" || fail "apt was not told to wait for its lock: $(cat "$locked/calls")"

# The security suite has no i386 list today: it is pinned down for the 32-bit Wine's transaction, and
# of the installed multi-arch amd64 packages the 32-bit Wine needs, exactly those whose i386 twin has
# another version available for amd64 are set to it.
lagging=$(machine lagging-suite)
echo 100 >"$lagging/wine32.rc"
mkdir "$lagging/lists"
lists="$lagging/lists/deb.example_debian"
printf 'Codename: bookworm-security\nArchitectures: amd64 arm64 i386\n' >"${lists}-security_dists_bookworm-security_InRelease"
printf 'Codename: nodistro\nArchitectures: amd64 arm64\n' >"${lists}-node_dists_nodistro_InRelease"
cat >"$lagging/indextargets" <<EOF
bookworm amd64 ${lists}_dists_bookworm_main_binary-amd64_Packages.lz4
bookworm i386 ${lists}_dists_bookworm_main_binary-i386_Packages.lz4
bookworm-security amd64 ${lists}-security_dists_bookworm-security_main_binary-amd64_Packages.lz4
nodistro amd64 ${lists}-node_dists_nodistro_main_binary-amd64_Packages.lz4
EOF
printf 'wine32:i386\n  Depends: libgst:i386\nlibgst:i386\n  Depends: zlib1g:i386\nzlib1g:i386\n<libssl:i386>\nlibsame:i386\nlibold:i386\n' \
    >"$lagging/depends"
printf 'libgst amd64 1.22-u7 same\nzlib1g amd64 1:1.2-u1 same\nlibsame amd64 2.0 same\nlibold amd64 3.1 same\nlibother amd64 5 same\nlibgst i386 1.22-u6 same\n' \
    >"$lagging/status"
policy() {  # PACKAGE:ARCH CANDIDATE VERSIONS...
    local file="$lagging/policy-$1" name=${1%:amd64} candidate=$2
    shift 2
    printf '%s:\n  Installed: (none)\n  Candidate: %s\n  Version table:\n' "$name" "$candidate" >"$file"
    for v; do printf '     %s 500\n        500 http://deb.example/debian bookworm/main Packages\n' "$v" >>"$file"; done
}
policy libgst:i386 1.22-u6 1.22-u6
policy libgst:amd64 1.22-u7 1.22-u7 1.22-u6
policy zlib1g:i386 1:1.2 1:1.2
policy zlib1g:amd64 1:1.2-u1 1:1.2-u1 1:1.2
policy libsame:i386 2.0 2.0
policy libsame:amd64 2.0 2.0
policy libold:i386 3.0 3.0
policy libold:amd64 3.1 3.1
mkdir "$lagging/preferences.d"
printf 'Package: libkept\nPin: version 7.*\nPin-Priority: 1001\n' >"$lagging/preferences.d/local-pin"
run_setup "$lagging"
expect "$lagging" "32-bit install with a lagging suite" 0 "Pin: release n=bookworm-security" "Pin-Priority: 100" \
    "--no-install-recommends --no-remove -o DPkg::Lock::Timeout=600 --allow-downgrades -o Dir::Etc::PreferencesParts=" \
    "since bookworm-security has no i386 package list today; amd64 packages set to their i386 twins' versions: libgst:amd64=1.22-u6 zlib1g:amd64=1:1.2" \
    "Package: libkept" "setup: downgraded libgst:amd64 from 1.22-u7 to 1.22-u6" "downgraded zlib1g:amd64 from 1:1.2-u1 to 1:1.2" \
    "\`apt-get update && apt-get upgrade\` brings them back up" "runs i386 programs natively"
grep -E 'libsame|libold|libother|nodistro' "$lagging/out" "$lagging/calls" | grep -v '^.*apt-cache' &&
    fail "32-bit install with a lagging suite: matched or pinned more than it should"

# The main install fails: stop with the packages and apt's reason; nothing after it runs.
broken=$(machine main-install-fails)
echo 100 >"$broken/install.rc"
run_setup "$broken"
expect "$broken" "main install fails" 1 "setup: could not install cmake g++" "(E: made-up failure of apt-get install)"
grep -q 'wine32:i386' "$broken/calls" && fail "main install fails: the 32-bit Wine was tried after it"
grep -q '^host:' "$broken/out" && fail "main install fails: went on to the host check"

# Nothing missing: no apt-get at all.
ready=$(machine ready)
cp "$ready/root/lib/ld-linux.so.2" "$ready/root/usr/lib/wine/wine"
main_packages >"$ready/installed"
echo wine32:i386 >>"$ready/installed"
run_setup "$ready"
expect "$ready" "all installed" 0 "runs i386 programs natively"
[ ! -e "$ready/calls" ] || fail "all installed: apt ran: $(cat "$ready/calls")"

if [ "$failures" -ne 0 ]; then
    echo "setup_test: $failures failure(s)" >&2
    exit 1
fi
echo "setup_test: every made-up machine was set up as it should"
