#!/usr/bin/env bash
# Makes the release archive: builds VaultwickTray.exe (i686) and VaultwickService.exe (x86_64) in
# release trees of their own and writes vaultwick-native-<version>-windows.zip with both programs
# (stripped), the VaultwickService.ini template, administrator-guide.md and SHA256SUMS, and beside it
# vaultwick-native-<version>-windows-symbols.zip with each program's debug file (<exe>.debug, which
# the stripped program names in its .gnu_debuglink section), built with -g, and
# vaultwick-native-<version>-windows.msi, the Windows Installer package of the archive's files
# (scripts/package-msi.sh).
# With a signing certificate in the environment (scripts/package-sign.sh says how), both programs are
# signed before they are packed, and the package after it is made; without one nothing is signed.
# One commit gives the same bytes every time: no link time stamps, build paths mapped away, and the
# zip written with one date (SOURCE_DATE_EPOCH, by default the last commit's time) and no extra fields.
#   scripts/package.sh        trees in build/, archives in dist/
#   scripts/package.sh DIR    trees and archives in DIR (a second build of the same commit)
# The archive's path is the last line of output.
set -euo pipefail
cd "$(dirname "$0")/.."
repo=$(pwd)
if [ $# -ge 1 ]; then
    mkdir -p "$1"
    trees=$(cd "$1" && pwd)
    dist=$trees/dist
else
    trees=$repo/build
    dist=$repo/dist
fi
# The copyright year and the zip's dates come from here; without a commit, from now.
SOURCE_DATE_EPOCH=${SOURCE_DATE_EPOCH:-$(git log -1 --format=%ct 2>/dev/null || date +%s)}
export SOURCE_DATE_EPOCH

# build_program TREE TOOLCHAIN PARTS TARGET: configures and builds one program in its own tree.
build_program() {
    local tree="$trees/$1"
    echo "package: building $4 in $tree"
    # With debug information for the symbols archive; the paths of this checkout and tree stay out of
    # it (and so out of the programs' debug link checksums): a build elsewhere gives the same bytes.
    local map="-g -ffile-prefix-map=$repo=/vaultwick -ffile-prefix-map=$tree=/build"
    cmake -S "$repo" -B "$tree" -DCMAKE_TOOLCHAIN_FILE="$repo/cmake/$2" -DCMAKE_BUILD_TYPE=Release \
        -DCMAKE_C_FLAGS="$map" -DCMAKE_CXX_FLAGS="$map" \
        -DVW_PARTS="$3" -DVW_OUTPUT_DIR="$tree/out" >"$tree.configure.log" 2>&1 \
        || { cat "$tree.configure.log" >&2; exit 1; }
    cmake --build "$tree" -j2 --target "$4" >"$tree.build.log" 2>&1 || { tail -40 "$tree.build.log" >&2; exit 1; }
}

mkdir -p "$trees"
build_program package-win32 mingw32.cmake "tray/messages;tray/ui;tray/resources;tray/app" VaultwickTray
build_program package-win64 mingw64.cmake "launcher/core;launcher/runtime;launcher/ui;launcher/resources" \
    VaultwickService

# The version as CMake has it (common/resources), the same in both trees.
# shellcheck source=/dev/null
version=$(. "$trees/package-win32/vw_version.sh" && echo "$VW_VERSION")
# shellcheck source=/dev/null
[ "$version" = "$(. "$trees/package-win64/vw_version.sh" && echo "$VW_VERSION")" ] ||
    { echo "package: the two trees disagree on the version" >&2; exit 1; }
name="vaultwick-native-$version-windows"
stage="$trees/package-stage/$name"
symbols="$trees/package-stage/symbols/$name"
rm -rf "$trees/package-stage" && mkdir -p "$stage" "$symbols" "$dist"

# ship EXE TOOL_PREFIX TREE: the program without symbols into the stage, its debug file beside it.
ship() {
    local built="$trees/$3/out/$1"
    # strip and objcopy stamp the PE header with SOURCE_DATE_EPOCH (or now); 0 keeps it as linked.
    SOURCE_DATE_EPOCH=0 "$2-objcopy" --only-keep-debug "$built" "$symbols/$1.debug"
    SOURCE_DATE_EPOCH=0 "$2-strip" --strip-all -o "$stage/$1" "$built"
    (cd "$symbols" && SOURCE_DATE_EPOCH=0 "$2-objcopy" --add-gnu-debuglink="$1.debug" "$stage/$1")
}
ship VaultwickTray.exe i686-w64-mingw32 package-win32
ship VaultwickService.exe x86_64-w64-mingw32 package-win64
scripts/package-sign.sh "$stage/VaultwickTray.exe" "$stage/VaultwickService.exe"
cp "$repo/launcher/VaultwickService.ini" "$repo/docs/administrator-guide.md" "$stage/"
(cd "$stage" && sha256sum VaultwickTray.exe VaultwickService.exe VaultwickService.ini administrator-guide.md >SHA256SUMS)

# zip ARCHIVE FOLDER: the files under FOLDER, in name order, all dated SOURCE_DATE_EPOCH (read as UTC,
# so the machine's time zone does not matter), mode 644, without the extra fields that carry uid, gid
# and further times.
zip_folder() {
    rm -f "$1"
    (cd "$(dirname "$2")" && find "$(basename "$2")" -type f | LC_ALL=C sort | python3 -c '
import sys, time, zipfile
stamp = time.gmtime(max(int(sys.argv[2]), 315532800))[:6]  # a zip cannot date anything before 1980
with zipfile.ZipFile(sys.argv[1], "w") as archive:
    for path in sys.stdin.read().split("\n"):
        if not path:
            continue
        entry = zipfile.ZipInfo(path, stamp)
        entry.create_system = 3
        entry.external_attr = 0o100644 << 16
        entry.compress_type = zipfile.ZIP_DEFLATED
        with open(path, "rb") as data:
            archive.writestr(entry, data.read(), compresslevel=9)
' "$1" "$SOURCE_DATE_EPOCH")
}
zip_folder "$dist/$name-symbols.zip" "$symbols"
archive="$dist/$name.zip"
zip_folder "$archive" "$stage"
scripts/package-msi.sh "$stage" "$version" "$dist/$name.msi"
scripts/package-sign.sh "$dist/$name.msi"
echo "package: symbols in $dist/$name-symbols.zip"
echo "package: installer in $dist/$name.msi"
echo "package: $archive"
