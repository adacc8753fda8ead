#!/usr/bin/env bash
# Signs each FILE in place (a program or a Windows Installer package) with an Authenticode signature
# (SHA-256), when the environment names a signing certificate; otherwise leaves them unsigned.
#   VW_SIGN_PKCS12         the PKCS#12 file (.p12, .pfx) holding the certificate, its chain and key
#   VW_SIGN_PASSWORD       its password (empty when unset); handed to osslsigncode through a pipe,
#                          never on a command line that other users can read
#   VW_SIGN_TIMESTAMP_URL  an RFC 3161 time-stamp server, so the signature outlives the certificate
#   VW_SIGN_TIME           the signing time, seconds since 1970 (by default SOURCE_DATE_EPOCH, so two
#                          builds of one commit sign to the same bytes unless a time-stamp is fetched)
#   scripts/package-sign.sh FILE...
set -euo pipefail
[ -n "${VW_SIGN_PKCS12:-}" ] || exit 0
[ -r "$VW_SIGN_PKCS12" ] || { echo "package-sign: cannot read VW_SIGN_PKCS12 ($VW_SIGN_PKCS12)" >&2; exit 1; }
command -v osslsigncode >/dev/null || { echo "package-sign: osslsigncode is missing (scripts/setup.sh installs it)" >&2; exit 1; }
when=${VW_SIGN_TIME:-${SOURCE_DATE_EPOCH:-$(date +%s)}}
stamp=()
[ -z "${VW_SIGN_TIMESTAMP_URL:-}" ] || stamp=(-ts "$VW_SIGN_TIMESTAMP_URL")
for file in "$@"; do
    rm -f "$file.signed"
    osslsigncode sign -pkcs12 "$VW_SIGN_PKCS12" -readpass <(printf '%s' "${VW_SIGN_PASSWORD:-}") -h sha256 \
        -n Vaultwick -time "$when" "${stamp[@]}" -in "$file" -out "$file.signed" >"$file.sign.log" 2>&1 ||
        { echo "package-sign: could not sign $file:" >&2; cat "$file.sign.log" >&2; rm -f "$file.signed" "$file.sign.log"; exit 1; }
    rm -f "$file.sign.log"
    mv "$file.signed" "$file"
done
