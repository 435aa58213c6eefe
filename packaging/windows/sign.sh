#!/usr/bin/env bash
# Signs our programs in the zip, and the installer, with a code-signing certificate (a .pfx)
# through osslsigncode: the .exe files in the zip are signed in place (the zip made again),
# then the MSI, which make_msi.sh builds from the signed zip, is signed last.
# The certificate's password comes from ORTE_SIGN_PASSWORD, never the command line; a
# timestamp server (ORTE_SIGN_TIMESTAMP, an http URL) keeps the signatures valid after the
# certificate expires.
# Usage: sign.sh zip PFX ZIP          signs the zip's programs
#        sign.sh file PFX FILE...     signs these files (the MSI)
set -euo pipefail
what=$1 pfx=$2
shift 2
[ -f "$pfx" ] || { echo "sign: no certificate at $pfx" >&2; exit 1; }
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
# The password through a file of this run's own, so that no process list shows it.
umask 077
printf '%s' "${ORTE_SIGN_PASSWORD:-}" >"$work/password"

sign_file() {
    local file=$1 args=(sign -pkcs12 "$pfx" -readpass "$work/password" -h sha256
                        -n "ORTE-473" -in "$1" -out "$work/signed")
    [ -z "${ORTE_SIGN_TIMESTAMP:-}" ] || args+=(-ts "$ORTE_SIGN_TIMESTAMP")
    osslsigncode "${args[@]}" >/dev/null
    # The signed file takes the place of the unsigned one, its permissions kept.
    cat "$work/signed" >"$file"
    rm -f "$work/signed"
    echo "signed $(basename "$file")"
}

case "$what" in
    zip)
        zip=$(cd "$(dirname "$1")" && pwd)/$(basename "$1")
        mkdir "$work/tree"
        (cd "$work/tree" && unzip -q "$zip")
        while IFS= read -r -d '' exe; do
            sign_file "$exe"
        done < <(find "$work/tree" -name 'orte-*.exe' -print0)
        rm -f "$zip"
        (cd "$work/tree" && zip -qrX "$zip" .)
        ;;
    file)
        for f in "$@"; do sign_file "$f"; done
        ;;
    *) echo "usage: sign.sh zip|file PFX FILE..." >&2; exit 2 ;;
esac
