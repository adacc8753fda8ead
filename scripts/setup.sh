#!/usr/bin/env bash
# Installs every Debian package the build, the tests and the demo need, and finds out how this
# machine runs i386 programs. Installs nothing when all are already there, so every other script can
# call it first.
# A package mirror in the middle of a sync must not stop everything: a failed `apt-get update` is
# retried and then passed over (apt keeps the lists it could fetch), and the 32-bit Wine, which only
# the win32 tree's tests need, is installed on its own afterwards and may fail (scripts/setup-wine32.sh).
# Only a failure to install the rest stops here. apt's locks are waited for (scripts/apt-lock.sh).
#   VW_SETUP_UPDATE_ATTEMPTS (3) and VW_SETUP_UPDATE_PAUSE (15 s between them) tune the retries.
set -euo pipefail
here=$(dirname "$0")
# shellcheck source=apt-lock.sh
. "$here/apt-lock.sh"

packages=(
    cmake g++ make googletest
    g++-mingw-w64-i686 g++-mingw-w64-x86-64 binutils-mingw-w64-i686 binutils-mingw-w64-x86-64
    wine wine64
    xvfb xauth xdotool imagemagick fonts-ipafont-gothic fonts-wqy-microhei
    openjdk-17-jdk-headless
    wixl msitools faketime osslsigncode
    clang-14 libclang-rt-14-dev
    python3 procps
)

installed() { dpkg-query -W -f='${Status}' "$1" 2>/dev/null | grep -q 'install ok installed'; }
# apt's first error line in a log, or its last line when it gave none.
apt_reason() { grep -m1 '^E:' "$1" || tail -n1 "$1"; }

update_package_lists() {
    local attempts=${VW_SETUP_UPDATE_ATTEMPTS:-3} pause=${VW_SETUP_UPDATE_PAUSE:-15} attempt log
    log=$(mktemp)
    for attempt in $(seq "$attempts"); do
        apt-get update -q "${apt_lock_wait[@]}" >"$log" 2>&1 && { rm -f "$log"; return 0; }
        [ "$attempt" -lt "$attempts" ] || break
        echo "setup: apt-get update failed ($(apt_reason "$log")); trying again in $pause s"
        sleep "$pause"
    done
    echo "setup: apt-get update failed $attempts times ($(apt_reason "$log")); going on with the package lists apt has"
    rm -f "$log"
}

missing=()
for p in "${packages[@]}"; do
    installed "$p" || missing+=("$p")
done
wine32_missing=0
# A 32-bit Wine that failed earlier today for a lasting reason is not tried again (one line says so).
installed wine32:i386 || bash "$here/setup-wine32.sh" --remembered || wine32_missing=1

if [ ${#missing[@]} -ne 0 ] || [ $wine32_missing -eq 1 ]; then
    export DEBIAN_FRONTEND=noninteractive
    dpkg --print-foreign-architectures | grep -qx i386 || dpkg --add-architecture i386
    update_package_lists
fi
if [ ${#missing[@]} -ne 0 ]; then
    echo "setup: installing ${missing[*]}"
    log=$(mktemp)
    if ! apt-get install -y -q --no-install-recommends "${apt_lock_wait[@]}" "${missing[@]}" 2>&1 | tee "$log"; then
        echo "setup: could not install ${missing[*]} ($(apt_reason "$log")); nothing can be built without them" >&2
        rm -f "$log"
        exit 1
    fi
    rm -f "$log"
fi
# Without it only the win32 tree's tests are lost; the script says so in one line.
[ $wine32_missing -eq 0 ] || bash "$here/setup-wine32.sh" || true

# Some machines of our kind cannot execute i386 programs; there, qemu-i386 user emulation is
# registered so the 32-bit tray can still run. One line says how this machine runs them.
bash "$here/host-i386.sh" --register
