#!/usr/bin/env bash
# Makes the release archive: builds VaultwickTray.exe (i686) and VaultwickService.exe (x86_64) in
# release trees of their own and writes dist/vaultwick-native-<version>-windows.zip with both
# programs, the sample VaultwickService.ini, README-service.md and SHA256SUMS.
#   scripts/package.sh            the archive's path is the last line of output
set -euo pipefail
cd "$(dirname "$0")/.."
repo=$(pwd)
version=$(sed -n 's/^project(Vaultwick VERSION \([0-9][0-9.]*\).*/\1/p' CMakeLists.txt)
[ -n "$version" ] || { echo "package: no version in the project() line of CMakeLists.txt" >&2; exit 1; }
name="vaultwick-native-$version-windows"
stage="$repo/build/package-stage/$name"

# build_program TREE TOOLCHAIN PARTS TARGET: configures and builds one program in its own tree.
build_program() {
    local tree="$repo/build/$1"
    echo "package: building $4 in build/$1"
    cmake -S "$repo" -B "$tree" -DCMAKE_TOOLCHAIN_FILE="$repo/cmake/$2" -DCMAKE_BUILD_TYPE=Release \
        -DVW_PARTS="$3" -DVW_OUTPUT_DIR="$tree/out" >"$tree.configure.log" 2>&1 \
        || { cat "$tree.configure.log" >&2; exit 1; }
    cmake --build "$tree" -j2 --target "$4" >"$tree.build.log" 2>&1 || { tail -40 "$tree.build.log" >&2; exit 1; }
}

mkdir -p "$repo/build"
build_program package-win32 mingw32.cmake "tray/messages;tray/ui;tray/resources;tray/app" VaultwickTray
build_program package-win64 mingw64.cmake "launcher/core;launcher/runtime;launcher/ui;launcher/resources" \
    VaultwickService

rm -rf "$stage" && mkdir -p "$stage" "$repo/dist"
cp "$repo/build/package-win32/out/VaultwickTray.exe" "$repo/build/package-win64/out/VaultwickService.exe" \
   "$repo/launcher/VaultwickService.ini" "$repo/launcher/README-service.md" "$stage/"
(cd "$stage" && sha256sum VaultwickTray.exe VaultwickService.exe VaultwickService.ini README-service.md >SHA256SUMS)

archive="$repo/dist/$name.zip"
rm -f "$archive"
# Files in a fixed order, dated with the last commit. CMake writes the zip, so no archiver beyond the
# build's own tools is needed.
stamp=$(date -u -d "@$(git log -1 --format=%ct 2>/dev/null || echo 0)" '+%Y-%m-%d %H:%M:%S UTC')
(cd "$stage/.." && find "$name" -type f | LC_ALL=C sort >"$stage.files" \
    && cmake -E tar cf "$archive" --format=zip --mtime="$stamp" --files-from="$stage.files")
rm -f "$stage.files"
echo "package: $archive"
