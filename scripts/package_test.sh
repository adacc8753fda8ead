#!/usr/bin/env bash
# Makes the release archive with scripts/package.sh twice, the second time from a copy of the sources in
# another folder and in other trees, and requires the same bytes, so no source or build path can leak
# into either (or takes the archive given, and its symbols beside it); then checks what it holds:
# exactly the five files, their checksums, each program's machine, version resource and manifest
# (read with our own PE reader, vw_pe_report, built natively), its header (cmake/VwProgramHeaderCheck.cmake),
# that it is stripped and names the debug file that the symbols archive holds for it, that this file
# describes the program's own sources, and the INI template and the guide (nothing of the build machine).
# Both builds are signed with a throw-away certificate, each signature is verified against it, and the
# installer package beside the archive is compared too and tried under Wine (scripts/package_msi_test.sh).
#   scripts/package_test.sh [archive.zip]
set -euo pipefail
given=""
[ $# -ge 1 ] && given=$(cd "$(dirname "$1")" && pwd)/$(basename "$1")
cd "$(dirname "$0")/.."
repo=$(pwd)
failures=0
fail() { echo "package_test: FAIL: $*" >&2; failures=$((failures + 1)); }
# Both builds get the same date, as package.sh would choose it.
SOURCE_DATE_EPOCH=${SOURCE_DATE_EPOCH:-$(git log -1 --format=%ct 2>/dev/null || date +%s)}
export SOURCE_DATE_EPOCH

if [ -n "$given" ]; then
    archive=$given
else
    # Archives in build/dist: what this certificate signs is no release.
    keys=$repo/build/package-keys && mkdir -p "$keys"
    openssl req -x509 -newkey rsa:2048 -nodes -subj "/CN=Vaultwick package test" -days 2 \
        -addext extendedKeyUsage=codeSigning -keyout "$keys/key.pem" -out "$keys/cert.pem" 2>/dev/null
    openssl pkcs12 -export -inkey "$keys/key.pem" -in "$keys/cert.pem" -passout pass:x -out "$keys/signer.p12"
    export VW_SIGN_PKCS12=$keys/signer.p12 VW_SIGN_PASSWORD=x VW_SIGN_TIMESTAMP_URL= VW_SIGN_TIME=
    archive=$(scripts/package.sh "$repo/build" | sed -n 's/^package: \(.*\.zip\)$/\1/p' | tail -1)
    # The sources as they are here (with any change not yet committed), in a folder of another name;
    # always the same one, so its trees build only what changed (tar keeps the files' times).
    copy=$repo/build/package-again/source
    rm -rf "$copy" && mkdir -p "$copy"
    git ls-files -z --cached --others --exclude-standard |
        tar --null --files-from=- --ignore-failed-read -cf - 2>/dev/null | tar -xf - -C "$copy"
    again=$("$copy/scripts/package.sh" "$repo/build/package-again" | sed -n 's/^package: \(.*\.zip\)$/\1/p' | tail -1)
    for zip in "$archive" "${archive%.zip}-symbols.zip" "${archive%.zip}.msi"; do
        other="$(dirname "$again")/$(basename "$zip")"
        cmp -s "$zip" "$other" || fail "two builds of one commit differ: $zip and $other"
    done
fi
[ -f "$archive" ] || { echo "package_test: no archive" >&2; exit 1; }
symbols_archive="${archive%.zip}-symbols.zip" msi="${archive%.zip}.msi"
[ -f "$symbols_archive" ] || { echo "package_test: no symbols archive beside $archive" >&2; exit 1; }

tools="$repo/build/package-check"
cmake -S "$repo" -B "$tools" -DVW_PARTS=none -DCMAKE_BUILD_TYPE=Release >"$tools.configure.log" 2>&1 \
    || { cat "$tools.configure.log" >&2; exit 1; }
cmake --build "$tools" --target vw_pe_report -j2 >"$tools.build.log" 2>&1 || { cat "$tools.build.log" >&2; exit 1; }
report="$tools/common/testing/vw_pe_report"
# The version as CMake has it (common/resources).
# shellcheck source=/dev/null
. "$tools/vw_version.sh"
version=$VW_VERSION
year=$(date -u -d "@$SOURCE_DATE_EPOCH" +%Y)
name="vaultwick-native-$version-windows"
[ "$(basename "$archive")" = "$name.zip" ] || fail "archive is called $(basename "$archive"), not $name.zip"

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir "$work/symbols"
(cd "$work" && cmake -E tar xf "$archive") && (cd "$work/symbols" && cmake -E tar xf "$symbols_archive")
listed=$(cd "$work" && find . -path ./symbols -prune -o -type f -print | sed 's|^\./||' | LC_ALL=C sort | tr '\n' ' ')
expected="$name/SHA256SUMS $name/VaultwickService.exe $name/VaultwickService.ini $name/VaultwickTray.exe $name/administrator-guide.md "
[ "$listed" = "$expected" ] || fail "archive holds: $listed"
listed=$(cd "$work/symbols" && find . -type f | sed 's|^\./||' | LC_ALL=C sort | tr '\n' ' ')
[ "$listed" = "$name/VaultwickService.exe.debug $name/VaultwickTray.exe.debug " ] || fail "symbols archive holds: $listed"
(cd "$work/$name" && sha256sum --quiet -c SHA256SUMS) || fail "checksums do not match"
# Every entry dated SOURCE_DATE_EPOCH (UTC), with no extra fields.
python3 -c '
import sys, time, zipfile
want = time.gmtime(max(int(sys.argv[1]), 315532800))[:6]
want = want[:5] + (want[5] // 2 * 2,)  # a zip keeps seconds in steps of two
for path in sys.argv[2:]:
    for entry in zipfile.ZipFile(path).infolist():
        if entry.date_time != want or entry.extra:
            sys.exit("%s: %s is dated %s with %d bytes of extra fields" % (path, entry.filename, entry.date_time, len(entry.extra)))
' "$SOURCE_DATE_EPOCH" "$archive" "$symbols_archive" || fail "the archives' dates or fields vary"

# check_stripped EXE TOOL_PREFIX SOURCE: no symbols or debug sections, and a debug link to the debug
# file of the symbols archive, with that file's checksum; that file has a compile unit for SOURCE (the
# mingw runtime's own units would otherwise pass for debug information).
check_stripped() {
    local exe="$work/$name/$1" debug="$work/symbols/$name/$1.debug"
    "$2-objdump" -h "$exe" | grep -q ' \.debug_' && fail "$1 carries debug sections"
    "$2-objdump" -t "$exe" | grep -q '^no symbols$' || fail "$1 carries a symbol table"
    "$2-objdump" --dwarf=info --dwarf-depth=1 "$debug" >"$work/units" 2>/dev/null
    grep -q "DW_AT_name *:.* /vaultwick/$3\$" "$work/units" ||
        fail "$1.debug has no compile unit for /vaultwick/$3"
    "$2-objdump" -s -j .gnu_debuglink "$exe" >"$work/link" 2>/dev/null || { fail "$1 has no debug link"; return; }
    python3 -c '
import struct, sys, zlib
# objdump -s: " address" then 35 columns of up to four hex words (the bytes in file order), then text.
rows = [line[1:].split(" ", 1)[1][:35] for line in open(sys.argv[1]) if line.startswith(" ")]
link = bytes.fromhex("".join(rows).replace(" ", ""))
name = link.split(b"\0", 1)[0].decode()
crc = struct.unpack("<I", link[-4:])[0]
if name != sys.argv[3] or crc != zlib.crc32(open(sys.argv[2], "rb").read()):
    sys.exit("links to %s with checksum %08x" % (name, crc))
' "$work/link" "$debug" "$1.debug" || fail "$1 does not link to its debug file"
    cmake -DVW_PROGRAM="$exe" -DVW_OBJDUMP="$2-objdump" -P cmake/VwProgramHeaderCheck.cmake >/dev/null 2>"$work/header" ||
        fail "$(tr '\n' ' ' <"$work/header")"
}
check_stripped VaultwickTray.exe i686-w64-mingw32 tray/app/tray_main_win.cpp
check_stripped VaultwickService.exe x86_64-w64-mingw32 launcher/core/entry_win.cpp

# check_program EXE MACHINE DESCRIPTION DPI_LINE
check_program() {
    local exe="$work/$name/$1" out
    out=$("$report" "$exe") || { fail "$1 is not a readable program"; return; }
    local want
    for want in "machine: $2" "version: file $VW_VERSION_FOUR product $VW_VERSION_FOUR" "version CompanyName: Vaultwick" \
                "version ProductName: Vaultwick" "version FileDescription: $3" "version OriginalFilename: $1" \
                "version FileVersion: $version" "version LegalCopyright: Copyright (C) $year Vaultwick" \
                'level="asInvoker"' 'name="Microsoft.Windows.Common-Controls" version="6.0.0.0"' \
                '{35138b9a-5d96-4fbd-8e2d-a2440225f93a}' '{8e0f7a12-bfb3-4fe8-b9a5-48fd50a15a9a}' "$4"; do
        grep -qF -- "$want" <<<"$out" || fail "$1: no \"$want\" in its resources"
    done
    grep -q 'activeCodePage' <<<"$out" && fail "$1 switches its code page"
    # The programs' own icons in six sizes, the tray's images in the icon size of every display scale.
    grep -E '^icon group' <<<"$out" | grep -vqE ': 16 20 24 32 40 48$|: 16 20 24 28 32 36 40 48 56 64$' &&
        fail "$1 has an icon without all its sizes"
    grep -q '^icon group' <<<"$out" || fail "$1 has no icon"
}
check_program VaultwickTray.exe i386 "Vaultwick tray client" '>PerMonitorV2</dpiAwareness>'
check_program VaultwickService.exe x86-64 "Vaultwick service launcher" '>true</dpiAware>'

ini="$work/$name/VaultwickService.ini"
for want in 'Application Type=service' 'Override WorkingDir=yes' 'Main Class=' 'Class Path='; do
    grep -q "^$want" "$ini" || fail "sample INI has no \"$want\""
done
grep -qv $'\r$' "$ini" && fail "sample INI has lines without CRLF"
# What ships is read by administrators: nothing of the machine it was built on (its build folders,
# Wine, test names, the scripts of this tree).
for shipped in "$work/$name/administrator-guide.md" "$ini"; do
    grep -nE '\bout/|build/|scripts/|[Ww]ine\b|_test\b|stand-in|\.sh\b' "$shipped" |
        sed "s|^|$(basename "$shipped"): |" | grep . && fail "$(basename "$shipped") speaks of the build machine (lines above)"
done

[ -n "$given" ] || for signed in "$work/$name/VaultwickTray.exe" "$work/$name/VaultwickService.exe" "$msi"; do
    osslsigncode verify -CAfile "$keys/cert.pem" -in "$signed" >/dev/null 2>&1 || fail "$(basename "$signed")'s signature does not verify"
done
# The installer package under Wine, with the stand-in runtime as the engine's Java.
standin=$repo/build/package-standin
{ cmake -S "$repo" -B "$standin" -DCMAKE_TOOLCHAIN_FILE="$repo/cmake/mingw64.cmake" -DCMAKE_BUILD_TYPE=Release \
    -DVW_PARTS=launcher/runtime && cmake --build "$standin" --target vw_standin_jvm_full -j2; } >"$standin.log" 2>&1 ||
    { tail -20 "$standin.log" >&2; fail "no stand-in runtime"; }
bash scripts/package_msi_test.sh "$msi" "$work/$name" "$version" "$standin/launcher/runtime/standin-full/jvm.dll" || fail "the MSI under Wine"

if [ "$failures" -ne 0 ]; then
    echo "package_test: $failures failure(s) in $archive" >&2
    exit 1
fi
[ -n "$given" ] || echo "package_test: two builds gave the same bytes"
echo "package_test: $archive holds both programs, stripped, with their versions and manifests"
