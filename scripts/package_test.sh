#!/usr/bin/env bash
# Makes the release archive with scripts/package.sh (or takes the one given) and checks what it holds:
# exactly the five files, their checksums, each program's machine, version resource and manifest
# (read with our own PE reader, vw_pe_report, built natively), and the sample INI.
#   scripts/package_test.sh [archive.zip]
set -euo pipefail
given=""
[ $# -ge 1 ] && given=$(cd "$(dirname "$1")" && pwd)/$(basename "$1")
cd "$(dirname "$0")/.."
repo=$(pwd)
failures=0
fail() { echo "package_test: FAIL: $*" >&2; failures=$((failures + 1)); }

if [ -n "$given" ]; then
    archive=$given
else
    archive=$(scripts/package.sh | sed -n 's/^package: \(.*\.zip\)$/\1/p' | tail -1)
fi
[ -f "$archive" ] || { echo "package_test: no archive" >&2; exit 1; }
version=$(sed -n 's/^project(Vaultwick VERSION \([0-9][0-9.]*\).*/\1/p' CMakeLists.txt)
name="vaultwick-native-$version-windows"
[ "$(basename "$archive")" = "$name.zip" ] || fail "archive is called $(basename "$archive"), not $name.zip"

tools="$repo/build/package-check"
cmake -S "$repo" -B "$tools" -DVW_PARTS=none -DCMAKE_BUILD_TYPE=Release >"$tools.configure.log" 2>&1 \
    || { cat "$tools.configure.log" >&2; exit 1; }
cmake --build "$tools" --target vw_pe_report -j2 >"$tools.build.log" 2>&1 || { cat "$tools.build.log" >&2; exit 1; }
report="$tools/common/testing/vw_pe_report"

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
(cd "$work" && cmake -E tar xf "$archive")
listed=$(cd "$work" && find . -type f | sed 's|^\./||' | LC_ALL=C sort | tr '\n' ' ')
expected="$name/README-service.md $name/SHA256SUMS $name/VaultwickService.exe $name/VaultwickService.ini $name/VaultwickTray.exe "
[ "$listed" = "$expected" ] || fail "archive holds: $listed"
(cd "$work/$name" && sha256sum --quiet -c SHA256SUMS) || fail "checksums do not match"

# check_program EXE MACHINE DESCRIPTION DPI_LINE
check_program() {
    local exe="$work/$name/$1" out
    out=$("$report" "$exe") || { fail "$1 is not a readable program"; return; }
    local want
    for want in "machine: $2" "version: file $version.0 product $version.0" "version CompanyName: Vaultwick" \
                "version ProductName: Vaultwick" "version FileDescription: $3" "version OriginalFilename: $1" \
                "version FileVersion: $version" 'level="asInvoker"' 'name="Microsoft.Windows.Common-Controls" version="6.0.0.0"' \
                '{35138b9a-5d96-4fbd-8e2d-a2440225f93a}' '{8e0f7a12-bfb3-4fe8-b9a5-48fd50a15a9a}' "$4"; do
        grep -qF -- "$want" <<<"$out" || fail "$1: no \"$want\" in its resources"
    done
    grep -q 'activeCodePage' <<<"$out" && fail "$1 switches its code page"
    grep -E '^icon group' <<<"$out" | grep -vq ': 16 20 24 32 40 48$' && fail "$1 has an icon without all six sizes"
    grep -q '^icon group' <<<"$out" || fail "$1 has no icon"
}
check_program VaultwickTray.exe i386 "Vaultwick tray client" '>PerMonitorV2</dpiAwareness>'
check_program VaultwickService.exe x86-64 "Vaultwick service launcher" '>true</dpiAware>'

ini="$work/$name/VaultwickService.ini"
for want in 'Application Type=service' 'Override WorkingDir=yes' 'Main Class=' 'Class Path='; do
    grep -q "^$want" "$ini" || fail "sample INI has no \"$want\""
done
grep -qv $'\r$' "$ini" && fail "sample INI has lines without CRLF"

if [ "$failures" -ne 0 ]; then
    echo "package_test: $failures failure(s) in $archive" >&2
    exit 1
fi
echo "package_test: $archive holds both programs with their versions and manifests"
