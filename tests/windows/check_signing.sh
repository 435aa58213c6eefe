#!/usr/bin/env bash
# Signing as scripts/windows --sign does it: a code-signing certificate made here (self-signed,
# with a password), the zip's programs and an installer made from the signed zip signed with
# it, and every signature verified by osslsigncode against that certificate; the password
# never on a command line.
# Usage: check_signing.sh WINDOWS_BUILD_DIR VERSION SOURCE_DIR WINE
set -euo pipefail
build=$1 version=$2 source=$3 wine=$4
work=$(mktemp -d)
trap 'WINEPREFIX="$work/prefix" /usr/lib/wine/wineserver -k >/dev/null 2>&1 || true; rm -rf "$work"' EXIT
fail() { echo "signing: $*"; exit 1; }

zip=$(ls "$build"/orte-monitor-*-win64.zip | head -1)
[ -f "$zip" ] || fail "no zip in $build"
cp "$zip" "$work/orte.zip"
export ORTE_SIGN_PASSWORD="a password of the test's"
openssl req -x509 -newkey rsa:2048 -sha256 -days 2 -nodes -subj "/CN=ORTE test signer" \
    -addext "extendedKeyUsage=codeSigning" -keyout "$work/key.pem" -out "$work/cert.pem" \
    2>/dev/null
openssl pkcs12 -export -inkey "$work/key.pem" -in "$work/cert.pem" -out "$work/signer.pfx" \
    -passout env:ORTE_SIGN_PASSWORD
"$source/packaging/windows/sign.sh" zip "$work/signer.pfx" "$work/orte.zip" >"$work/said"
grep -c '^signed orte-' "$work/said" | grep -qx 4 || fail "not four programs signed: $(cat "$work/said")"
"$source/packaging/windows/make_msi.sh" "$work/orte.zip" "$version" \
    "$source/data/org.orte.Monitor473.ico" "$work/orte.msi" >/dev/null
"$source/packaging/windows/sign.sh" file "$work/signer.pfx" "$work/orte.msi" >/dev/null

mkdir "$work/tree"
(cd "$work/tree" && unzip -q "$work/orte.zip")
checked=0
while IFS= read -r -d '' file; do
    osslsigncode verify -CAfile "$work/cert.pem" -in "$file" >"$work/verify" 2>&1 ||
        fail "$(basename "$file") does not verify: $(tail -5 "$work/verify")"
    checked=$((checked + 1))
done < <(find "$work/tree" -name 'orte-*.exe' -print0; printf '%s\0' "$work/orte.msi")
[ "$checked" = 5 ] || fail "$checked files verified, not 5"
# The programs still start signed: orte-cli.exe's help under Wine.
(cd "$work/tree"/*/ && WINEPREFIX="$work/prefix" WINEDEBUG=-all QT_QPA_PLATFORM=offscreen \
    "$wine" orte-cli.exe --help 2>/dev/null | grep -q '^Usage:') || fail "signed orte-cli.exe does not run"
WINEPREFIX="$work/prefix" /usr/lib/wine/wineserver -k >/dev/null 2>&1 || true
echo "signed and verified: four programs and the installer"
