#!/usr/bin/env bash
# Makes the Windows Installer package of the release from the folder of the release archive (the
# stripped, signed programs, the INI and the administrator's guide), with wixl (installer/Vaultwick.wxs),
# reproducibly: the same files and version give the same bytes.
#   scripts/package-msi.sh STAGE VERSION OUTPUT.msi     (SOURCE_DATE_EPOCH dates the package)
set -euo pipefail
[ $# -eq 3 ] || { echo "usage: package-msi.sh STAGE VERSION OUTPUT.msi" >&2; exit 2; }
stage=$(cd "$1" && pwd)
version=$2
out=$(cd "$(dirname "$3")" && pwd)/$(basename "$3")
installer=$(cd "$(dirname "$0")/../installer" && pwd)
: "${SOURCE_DATE_EPOCH:?package-msi: SOURCE_DATE_EPOCH must be set}"
for tool in wixl msibuild faketime; do
    command -v "$tool" >/dev/null || { echo "package-msi: $tool is missing (scripts/setup.sh installs it)" >&2; exit 1; }
done
# Windows Installer compares three numeric fields of a version, each at most 255, 255 and 65535.
[[ $version =~ ^([0-9]+)\.([0-9]+)\.([0-9]+)$ ]] && [ "${BASH_REMATCH[1]}" -le 255 ] &&
    [ "${BASH_REMATCH[2]}" -le 255 ] && [ "${BASH_REMATCH[3]}" -le 65535 ] ||
    { echo "package-msi: $version is no version Windows Installer can compare" >&2; exit 1; }

# The product code names one version (an upgrade needs a new one); the package code one package, so it
# is derived from every input: a rebuild gives the same code, a changed file a new one.
upgrade_code=$(sed -n 's/.*UpgradeCode="\([^"]*\)".*/\1/p' "$installer/Vaultwick.wxs")
uuid5() { python3 -c 'import sys, uuid; print(str(uuid.uuid5(uuid.UUID(sys.argv[1]), sys.argv[2])).upper())' "$upgrade_code" "$1"; }
product_code=$(uuid5 "product $version")
package_code=$(uuid5 "package $version $(cd "$stage" && sha256sum ./* && cd "$installer" && sha256sum ./*)")

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
# wixl puts each file's date into the cabinet, and its own clock into the summary; both get the one date.
cp "$stage"/VaultwickService.exe "$stage"/VaultwickTray.exe "$stage"/VaultwickService.ini "$stage"/administrator-guide.md "$work/"
touch -d "@$SOURCE_DATE_EPOCH" "$work"/*
at=(env TZ=UTC faketime -f "@$(date -u -d "@$SOURCE_DATE_EPOCH" '+%Y-%m-%d %H:%M:%S')")
(cd "$work" && "${at[@]}" wixl -a x64 -D Version="$version" -D ProductCode="$product_code" \
    -o "$work/package.msi" "$installer/Vaultwick.wxs" 2>"$work/wixl.log") || { cat "$work/wixl.log" >&2; exit 1; }

# What wixl cannot say:
# - the INI's component never overwrites the file it finds (64-bit, 256, plus never-overwrite, 128), so
#   an upgrade or a repair keeps the administrator's edits; wixl ignores NeverOverwrite;
# - the event source's message file is a REG_EXPAND_SZ value ("#%"), as Windows expects;
# - the old version is removed after the new one is installed, so what both hold stays;
# - the service's recovery actions (restart after a minute, the count reset after a day) and its
#   failure flag (a STOPPED with an error counts as a failure), with the action that applies them
#   between installing and starting services.
cp "$installer"/MsiServiceConfig*.idt "$work/"
(cd "$work" && "${at[@]}" msibuild package.msi \
    -q "UPDATE Component SET Attributes = 384 WHERE Component = 'Settings'" \
    -q "UPDATE Registry SET Value = '#%[#VaultwickService.exe]' WHERE Registry = 'EventMessageFile'" \
    -q "UPDATE InstallExecuteSequence SET Sequence = 6601 WHERE Action = 'RemoveExistingProducts'" \
    -i MsiServiceConfig.idt -i MsiServiceConfigFailureActions.idt \
    -q "INSERT INTO InstallExecuteSequence (Action, Condition, Sequence) VALUES ('MsiConfigureServices', 'VersionNT>=600', 5850)" \
    -s "Vaultwick" "Vaultwick" "x64;1033" "{$package_code}")
mv "$work/package.msi" "$out"
