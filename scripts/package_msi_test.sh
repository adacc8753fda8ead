#!/usr/bin/env bash
# The release's MSI under Wine's msiexec (64-bit loader only, every step bounded): install, the service
# running the stand-in runtime's main, an upgrade over an edited INI and service setting, a repair, the
# removal of the running service (only its log stays), and a folder of one's own that an upgrade keeps.
#   scripts/package_msi_test.sh PACKAGE.msi ARCHIVE_FOLDER VERSION STANDIN_JVM.dll
set -uo pipefail
msi=$1 files=$2 version=$3 jvm=$4
repo=$(cd "$(dirname "$0")/.." && pwd)
state=$repo/build/package-msi-wine
failures=0
fail() { echo "package_msi_test: FAIL: $*" >&2; failures=$((failures + 1)); }
session() { timeout 900 "$repo/scripts/wine-session.sh" "$@" "$state" >/dev/null 2>&1; }
session down
rm -rf "$state" && mkdir -p "$state" && echo win64 >"$state/arch"
trap 'session down' EXIT
session up || { echo "package_msi_test: no Wine session" >&2; exit 1; }
w() { timeout 120 "$repo/scripts/wine-run.sh" "$state" "$@" </dev/null 2>/dev/null | tr -d '\r'; return "${PIPESTATUS[0]}"; }
msiexec() { w msiexec "$@" /qn >/dev/null || fail "msiexec $* ended with $?"; }
# expect KEY NAME|TYPE|DATA...: the key holds those values.
values() { w reg query "$1" | sed -n 's/^    //p' | sed 's/    /|/g'; }
expect() { local v; v=$(values "$1"); for want in "${@:2}"; do grep -qxF -- "$want" <<<"$v" || fail "$1 has no $want: ${v//$'\n'/ }"; done; }
gone() { w reg query "$@" >/dev/null && fail "left behind: $*"; }
listing() { (cd "$1" 2>/dev/null && find . -type f | sed 's|^\./||' | LC_ALL=C sort | tr '\n' ' '); }
within_30s() { for _ in $(seq 150); do "$@" && return 0; sleep 0.2; done; return 1; }
stopped() { [ "$(w sc query Vaultwick | awk '/STATE/{print $4}')" = STOPPED ]; }
mains() { [ "$(grep -c '^main count=1' "$c/standin/record.txt" 2>/dev/null)" = "$1" ]; }
installed_versions() { w reg query 'HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall' /s | awk '/DisplayVersion/{printf "%s ", $3}'; }
c=$state/prefix/drive_c dir="$state/prefix/drive_c/Program Files/Vaultwick" win='C:\Program Files\Vaultwick'
service='HKLM\SYSTEM\CurrentControlSet\Services\Vaultwick'
source='HKLM\SYSTEM\CurrentControlSet\Services\EventLog\Application\Vaultwick'
run32='HKLM\Software\Wow6432Node\Microsoft\Windows\CurrentVersion\Run'
shipped="VaultwickService.exe VaultwickService.ini VaultwickTray.exe administrator-guide.md "
later=${version%.*}.$((${version##*.} + 1))
"$repo/scripts/package-msi.sh" "$files" "$later" "$state/later.msi" || fail "no later package"
first="Z:${msi//\//\\}" second="Z:${state//\//\\}\\later.msi"

msiexec /i "$first"
[ "$(listing "$dir")" = "$shipped" ] || fail "installed: $(listing "$dir")"
for f in $shipped; do cmp -s "$files/$f" "$dir/$f" || fail "installed $f is not the archive's"; done
expect "$service" "DisplayName|REG_SZ|Vaultwick Backup" "Start|REG_DWORD|0x2" "Type|REG_DWORD|0x10" \
    "ObjectName|REG_SZ|LocalSystem" "Description|REG_SZ|@$win\\VaultwickService.exe,-250"
expect "$source" "EventMessageFile|REG_EXPAND_SZ|$win\\VaultwickService.exe" "TypesSupported|REG_DWORD|0x7"
expect "$run32" "VaultwickTray|REG_SZ|\"$win\\VaultwickTray.exe\""
stopped || fail "the install started the service"
[ "$(installed_versions)" = "$version " ] || fail "installed products: $(installed_versions)"

# The administrator points the INI at an engine (here the stand-in runtime) and runs the service.
mkdir -p "$c/standin/jre/bin/server" && cp "$jvm" "$c/standin/jre/bin/server/jvm.dll"
printf '[Application]\r\nApplication Type=service\r\nOverride WorkingDir=yes\r\n[Java Runtime Environment]\r\nJRE Path=C:\\standin\\jre\r\nMain Class=vwtest.Blocks\r\nVirtual Machine Parameters=-Dstandin.record=C:\\standin\\record.txt\r\n[Class Path]\r\nClass Path=engine.jar\r\n' \
    | tee "$state/edited.ini" >"$dir/VaultwickService.ini"
w sc start Vaultwick >/dev/null
within_30s mains 1 || fail "the service did not call the engine's main"
w sc stop Vaultwick >/dev/null
within_30s stopped || fail "the service did not stop"
w sc description Vaultwick "Set by the administrator" >/dev/null

msiexec /i "$second"
[ "$(installed_versions)" = "$later " ] || fail "installed products after the upgrade: $(installed_versions)"
rm -f "$dir/administrator-guide.md"
msiexec /i "$second" REINSTALL=ALL REINSTALLMODE=amus
[ "$(listing "$dir")" = "${shipped/VaultwickService.ini/VaultwickService.ini VaultwickService.log}" ] || fail "after upgrade and repair: $(listing "$dir")"
cmp -s "$state/edited.ini" "$dir/VaultwickService.ini" || fail "the edited INI was replaced"
expect "$service" "Description|REG_SZ|Set by the administrator"
w sc start Vaultwick >/dev/null
within_30s mains 2 || fail "the upgraded service did not call the engine's main"

msiexec /x "$second"
[ "$(grep -c '^main returns' "$c/standin/record.txt")" = 2 ] || fail "the removal did not stop the engine through stop()"
[ "$(listing "$dir")" = "VaultwickService.log " ] || fail "left after removal: $(listing "$dir")"
gone "$service"; gone "$source"; gone 'HKLM\Software\Vaultwick'; gone "$run32" /v VaultwickTray
[ -z "$(installed_versions)" ] || fail "still installed: $(installed_versions)"

# Another folder, chosen once: the upgrade stays there.
msiexec /i "$first" 'INSTALLDIR=C:\Vaultwick Test\'
msiexec /i "$second"
[ "$(listing "$c/Vaultwick Test")" = "$shipped" ] || fail "in the chosen folder after the upgrade: $(listing "$c/Vaultwick Test")"
[ "$(listing "$dir")" = "VaultwickService.log " ] || fail "the upgrade left the chosen folder: $(listing "$dir")"
msiexec /x "$second"
[ ! -e "$c/Vaultwick Test" ] || fail "left after removal: $(listing "$c/Vaultwick Test")"

[ "$failures" -eq 0 ] || { echo "package_msi_test: $failures failure(s)" >&2; exit 1; }
echo "package_msi_test: installed, ran, upgraded, repaired and removed under Wine in $SECONDS s"
