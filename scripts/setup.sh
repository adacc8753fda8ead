#!/usr/bin/env bash
# Installs every Debian package the build, the tests and the demo need, and finds out how this
# machine runs i386 programs. Installs nothing when all are already there, so every other script can
# call it first.
set -euo pipefail

packages=(
    cmake g++ make googletest
    g++-mingw-w64-i686 g++-mingw-w64-x86-64 binutils-mingw-w64-i686 binutils-mingw-w64-x86-64
    wine wine64 wine32:i386
    xvfb xauth xdotool imagemagick fonts-ipafont-gothic fonts-wqy-microhei
    openjdk-17-jdk-headless
    clang-14 libclang-rt-14-dev
    python3 procps
)

missing=()
for p in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
if [ ${#missing[@]} -ne 0 ]; then
    echo "setup: installing ${missing[*]}"
    export DEBIAN_FRONTEND=noninteractive
    dpkg --print-foreign-architectures | grep -qx i386 || dpkg --add-architecture i386
    apt-get update -q
    apt-get install -y -q --no-install-recommends "${missing[@]}"
fi

# Some machines of our kind cannot execute i386 programs; there, qemu-i386 user emulation is
# registered so the 32-bit tray can still run. One line says how this machine runs them.
bash "$(dirname "$0")/host-i386.sh" --register
