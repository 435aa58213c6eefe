#!/usr/bin/env bash
# The Windows installer: made from the zip, its tables read back with msiinfo (every file of
# the zip, the four shortcuts with their targets and working folder, the upgrade code), the
# DLL check on its files, then under Wine, in a prefix and a home of the test's own: installed
# quietly per user, the installed programs run from where they were installed, a file put in
# the working folder, uninstalled, and that file still there.
# Usage: check_msi.sh WINDOWS_BUILD_DIR OBJDUMP WINE VERSION SOURCE_DIR
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
build=$1 objdump=$2 wine=$3 version=$4 source=$5
work=$(mktemp -d)
export WINEPREFIX="$work/prefix" HOME="$work/home" WINEDEBUG=-all WINEDLLOVERRIDES='mscoree,mshtml='
unset WINEPATH
cleanup() {
    /usr/lib/wine/wineserver -k >/dev/null 2>&1 || true
    rm -rf "$work"
}
trap cleanup EXIT
mkdir -p "$HOME"

cd "$build"
rm -f orte-monitor-*-win64.zip
cpack -G ZIP >/dev/null
zip=$(ls "$PWD"/orte-monitor-*-win64.zip)
msi="$work/orte-monitor.msi"
"$source/packaging/windows/make_msi.sh" "$zip" "$version" \
    "$source/data/org.orte.Monitor473.ico" "$msi" >/dev/null

table() { msiinfo export "$msi" "$1" | tail -n +4 | tr -d '\r'; }
fail() { echo "$*"; exit 1; }

# Every file of the zip is in the installer, by its long name.
zipped=$(unzip -Z1 "$zip" | grep -v '/$' | sed 's|.*/||' | sort)
packed=$(table File | cut -f3 | sed 's/.*|//' | sort)
[ "$zipped" = "$packed" ] || fail "the installer's files differ from the zip's: $(diff <(echo "$zipped") <(echo "$packed") | tr '\n' ' ')"
echo "$(wc -l <<<"$packed") files, as in the zip"

# The four shortcuts: what they start and where.
shortcuts=$(table Shortcut | cut -f3,5,6,12 | sed 's/^[^|]*|//')
expect() { grep -qxF "$1" <<<"$shortcuts" || fail "no shortcut '$1' in: $shortcuts"; }
tab=$'\t'
expect "Монитор ОРТЕ-473${tab}[INSTALLDIR]orte-monitor.exe${tab}${tab}WorkDir"
expect "Самописец ОРТЕ-473${tab}[INSTALLDIR]orte-recorder.exe${tab}${tab}WorkDir"
expect "Поиск преобразователя${tab}[SystemFolder]cmd.exe${tab}/k \"\"[INSTALLDIR]orte-cli.exe\" scan\"${tab}WorkDir"
expect "Руководство${tab}[INSTALLDIR]guide-ru.html${tab}${tab}INSTALLDIR"
table Directory | grep -qP '^WorkDir\tPersonalFolder\tORTE-473\|ОРТЕ-473$' || fail "no working folder in Documents"
table Upgrade | grep -q '{6E3B1C52-9F0A-4C57-8D2E-0A73C1B47D21}' || fail "no upgrade code"
table Property | grep -qP '^ProductVersion\t'"$version"'$' || fail "not version $version"
echo "shortcuts, working folder, upgrade code and version as they should be"

# The DLL check on what the installer holds.
mkdir "$work/files"
(cd "$work/files" && msiextract "$msi" >/dev/null)
(cd "$work/files" && cd "$(dirname "$(find . -name orte-monitor.exe | head -1)")" &&
     . "$here/imports.sh" && check_imports "$objdump")

# Under Wine: install for this user alone, run, uninstall.
"$wine" wineboot -i >/dev/null 2>&1
msi_win="Z:${msi//\//\\}"
"$wine" msiexec /i "$msi_win" /qn
programs=$(find "$WINEPREFIX/drive_c/users" -type d -path '*AppData/Local/Programs/ORTE-473' | head -1)
[ -f "$programs/orte-cli.exe" ] || fail "not installed under the user's programs folder"
menu=$(find "$WINEPREFIX/drive_c/users" -type d -name 'ОРТЕ-473' -path '*Start Menu*' | head -1)
[ "$(ls "$menu" | wc -l)" = 4 ] || fail "the Start menu folder holds: $(ls "$menu")"
(cd "$programs" && QT_QPA_PLATFORM=offscreen "$wine" orte-cli.exe --help | grep -q '^Usage:') ||
    fail "orte-cli.exe --help did not run from the installed folder"
(cd "$programs" && QT_QPA_PLATFORM=offscreen "$wine" orte-demo.exe --help 2>&1 | grep -q 'orte-demo') ||
    fail "orte-demo.exe --help did not run from the installed folder"
echo "installed per user; orte-cli.exe and orte-demo.exe run from $programs"
workdir=$(find "$HOME" "$WINEPREFIX/drive_c/users" -type d -name 'ОРТЕ-473' ! -path '*Start Menu*' | head -1)
[ -n "$workdir" ] || fail "no working folder in Documents"
echo "a user's log" >"$workdir/log-473-2026-12-07_10_00.txt"
"$wine" msiexec /x "$msi_win" /qn
[ ! -e "$programs/orte-cli.exe" ] || fail "the program is still there after uninstalling"
[ -f "$workdir/log-473-2026-12-07_10_00.txt" ] || fail "uninstalling took the user's log"
echo "uninstalled; the user's log is still there"
echo "msi ok"
