#!/usr/bin/env bash
# Installs the 32-bit Wine (wine32:i386) in a transaction of its own, after everything else, and says
# in one line how it went; exits 1 when it could not (then only the win32 tree's tests are lost).
# A mirror in the middle of a sync can lack a suite's i386 package list while its amd64 list is
# there. The amd64 side of a multi-arch package may then be installed at that suite's newer version
# while its i386 twin exists only at the main suite's version, and both must match. Then, in this one
# transaction, such suites are pinned below the others (beside the machine's own pins) and each amd64
# package the 32-bit Wine needs matched is set to the version both architectures have. Nothing is
# removed; every package that went down is named, with how to bring it back up.
# A failure that is not about apt's lock is remembered for the day (in $VW_SETUP_STATE, by default
# /var/lib/vaultwick-setup), so that every later test or demo run does not repeat the package list
# update with its pauses:
#   setup-wine32.sh               install, or say why not
#   setup-wine32.sh --remembered  exit 0, saying so, when it failed earlier today (then do not try);
#                                 VW_SETUP_RETRY_WINE32=1 forgets that
set -uo pipefail
here=$(dirname "$0")
# shellcheck source=apt-lock.sh
. "$here/apt-lock.sh"
install=(apt-get install -y -q --no-install-recommends --no-remove "${apt_lock_wait[@]}")
state=${VW_SETUP_STATE:-/var/lib/vaultwick-setup}
memo=$state/wine32-failed
today=$(date +%F)

if [ "${1:-}" = --remembered ]; then
    [ "${VW_SETUP_RETRY_WINE32:-}" != 1 ] && [ "$(head -n1 "$memo" 2>/dev/null)" = "$today" ] || exit 1
    echo "setup: the 32-bit Wine could not be installed earlier today ($(sed -n 2p "$memo")); not tried" \
         "again until tomorrow (VW_SETUP_RETRY_WINE32=1 tries now); the win32 tree will only build and check its program's header."
    exit 0
fi

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

apt_reason() { grep -m1 '^E:' "$1" || tail -n1 "$1"; }

# Suites with an amd64 package list but no i386 one, although their release file lists i386.
suites_lacking_i386() {
    apt-get indextargets --format '$(CODENAME) $(ARCHITECTURE) $(FILENAME)' 'Identifier: Packages' 2>/dev/null |
        awk '$2 == "i386" { has[$1] = 1 } $2 == "amd64" && !($1 in list) { list[$1] = $3 }
             END { for (s in list) if (!(s in has)) print s, list[s] }' |
        while read -r suite list; do
            local release=${list%_*_binary-amd64_Packages*}
            grep -qs '^Architectures:.* i386\b' "${release}_InRelease" "${release}_Release" && echo "$suite"
        done | sort
}

# pkg:amd64=VERSION for each installed multi-arch amd64 package in the 32-bit Wine's dependencies
# whose i386 candidate (under the pins in "$@") differs and is also available for amd64.
amd64_versions_to_match() {
    apt-cache "$@" depends --recurse --no-recommends --no-suggests --no-conflicts --no-breaks --no-replaces \
        --no-enhances wine32:i386 2>/dev/null | sed -n 's/^\([^ <][^ ]*\):i386$/\1/p' | sort -u >"$work/needed"
    dpkg-query -W -f='${Package} ${Architecture} ${Version} ${Multi-Arch}\n' 2>/dev/null |
        awk '$2 == "amd64" && $4 == "same" { print $1, $3 }' | sort >"$work/installed"
    join "$work/needed" "$work/installed" >"$work/both"
    [ -s "$work/both" ] || return 0
    # One policy call per architecture: the i386 candidates, and every version amd64 can have.
    # shellcheck disable=SC2046
    apt-cache "$@" policy $(awk '{ print $1 ":i386" }' "$work/both") 2>/dev/null |
        awk '/^[^ ].*:$/ { sub(/:i386:$/, ""); name = $0 } /^  Candidate:/ { print name, $2 }' | sort >"$work/i386"
    # shellcheck disable=SC2046
    apt-cache "$@" policy $(awk '{ print $1 ":amd64" }' "$work/both") 2>/dev/null |
        awk '/^[^ ].*:$/ { sub(/(:amd64)?:$/, ""); name = $0 } /^ (\*\*\*|   ) [^ ]+ [0-9-]+$/ { print name, $(NF - 1) }' |
        sort -u >"$work/amd64"
    join "$work/both" "$work/i386" | while read -r name installed candidate; do
        [ "$candidate" != "$installed" ] && [ "$candidate" != "(none)" ] &&
            grep -qxF "$name $candidate" "$work/amd64" && echo "$name:amd64=$candidate"
    done
}

# Every installed package as "name:arch version", to tell afterwards which ones went down.
package_versions() {
    dpkg-query -W -f='${Package} ${Architecture} ${Version} ${Multi-Arch}\n' 2>/dev/null | awk '{ print $1 ":" $2, $3 }' | sort
}

# One line for each package the transaction moved to an older version.
say_downgrades() {
    local name old new went_down=0
    while read -r name old new; do
        dpkg --compare-versions "$new" lt "$old" || continue
        echo "setup: downgraded $name from $old to $new"
        went_down=1
    done < <(join "$work/before" <(package_versions))
    [ $went_down -eq 0 ] ||
        echo "setup: once the mirror has the i386 package lists again, \`apt-get update && apt-get upgrade\` brings them back up"
}

# The machine's own pins, so that an install with its preferences folder replaced still keeps them.
copy_machine_pins() {
    local parts=""
    eval "$(apt-config shell parts Dir::Etc::PreferencesParts/d 2>/dev/null)"
    [ -n "$parts" ] && [ -d "$parts" ] || return 0
    find "$parts" -maxdepth 1 -type f -exec cp -p {} "$1/" \;
}

fail() {
    echo "setup: 32-bit Wine could not be installed ($1); the win32 tree will only build and check its program's header."
    # A held lock passes; anything else (the mirror, the archive) will not have changed within the day.
    if ! grep -qi 'lock' <<<"$1" && mkdir -p "$state" 2>/dev/null; then
        printf '%s\n%s\n' "$today" "$1" >"$memo"
    fi
    exit 1
}

package_versions >"$work/before"
"${install[@]}" wine32:i386 >"$work/log" 2>&1 && { rm -f "$memo"; echo "setup: installed the 32-bit Wine"; exit 0; }
reason=$(apt_reason "$work/log")

mapfile -t lagging < <(suites_lacking_i386)
if [ ${#lagging[@]} -ne 0 ]; then
    mkdir "$work/preferences"
    copy_machine_pins "$work/preferences"
    # Read after the machine's own pins, which win where both name the same packages.
    for suite in "${lagging[@]}"; do
        printf 'Package: *\nPin: release n=%s\nPin-Priority: 100\n\n' "$suite"
    done >"$work/preferences/zz-vaultwick-lagging-suites.pref"
    pins=(-o "Dir::Etc::PreferencesParts=$work/preferences")
    mapfile -t matched < <(amd64_versions_to_match "${pins[@]}")
    if "${install[@]}" --allow-downgrades "${pins[@]}" wine32:i386 "${matched[@]}" >"$work/log" 2>&1; then
        rm -f "$memo"
        echo "setup: installed the 32-bit Wine with the other suites' versions, since ${lagging[*]} has no i386" \
             "package list today; amd64 packages set to their i386 twins' versions: ${matched[*]:-none}"
        say_downgrades
        exit 0
    fi
    reason="$reason; with ${lagging[*]} pinned down: $(apt_reason "$work/log")"
fi
fail "$reason"
