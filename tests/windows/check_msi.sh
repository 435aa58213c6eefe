#!/usr/bin/env bash
# The Windows installer: made from the zip, its tables read back with msiinfo (every file of
# the zip, the four shortcuts with their targets and no working folder fixed at install time
# (each program goes to its user's Documents\ОРТЕ-473 itself), the upgrade code and its
# attributes, code page 1251 with the Cyrillic names whole, the summary information), the DLL
# check on its files, then under Wine, in a prefix and a home of the test's own: installed
# quietly per user, twice (one product stays), the installed programs run from where they
# were installed, a file put in the user's folder, uninstalled, and that file still there;
# then installed for all users with ALLUSERS=1 under Program Files and uninstalled.
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
expect "Монитор ОРТЕ-473${tab}[INSTALLDIR]orte-monitor.exe${tab}${tab}"
expect "Самописец ОРТЕ-473${tab}[INSTALLDIR]orte-recorder.exe${tab}${tab}"
expect "Поиск преобразователя${tab}[INSTALLDIR]orte-cli.exe${tab}${tab}"
expect "Руководство${tab}[INSTALLDIR]guide-ru.html${tab}${tab}INSTALLDIR"
# No shortcut starts in a folder under a user's profile, fixed when it was installed.
! table Directory | grep -qP '\tPersonalFolder\t' || fail "a folder under PersonalFolder: $(table Directory)"
table Upgrade | grep -qP '^\{6E3B1C52-9F0A-4C57-8D2E-0A73C1B47D21\}\t\t'"$version"'\t\t513\t' ||
    fail "no upgrade of the same version: $(table Upgrade)"
# Code page 1251, every name in it; the summary information Russian and without placeholders.
[ "$(msiinfo export "$msi" _ForceCodepage | tr -d '\r\0' | grep -v '^$' | cut -f1)" = 1251 ] ||
    fail "the database's code page is not 1251"
for t in Directory Shortcut LaunchCondition; do
    table $t | iconv -f utf-8 -t cp1251 >/dev/null || fail "the $t table does not fit code page 1251"
done
table LaunchCondition | grep -q 'Уже установлена более новая версия' || fail "the downgrade message"
summary=$(msiinfo suminfo "$msi")
grep -q '^Template: x64;1049$' <<<"$summary" || fail "summary template: $summary"
! grep -q '@' <<<"$summary" || fail "a placeholder in the summary: $summary"
table Property | grep -qP '^ALLUSERS\t2$' && table Property | grep -qP '^MSIINSTALLPERUSER\t1$' ||
    fail "not a dual-purpose package"
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
# A rebuild of the same version (a product code of its own) installed over the first replaces
# it: one product stays, the package installed last.
"$source/packaging/windows/make_msi.sh" "$zip" "$version" \
    "$source/data/org.orte.Monitor473.ico" "$work/rebuild.msi" >/dev/null
"$wine" msiexec /i "Z:${work//\//\\}\\rebuild.msi" /qn
"$wine" msiexec /i "$msi_win" /qn
products=$(for hive in HKCU HKLM; do
               "$wine" reg query "$hive\\Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall" /s 2>/dev/null
           done | grep -c 'DisplayName.*-473' || true)
[ "$products" = 1 ] || fail "$products products installed after installing a rebuild"
# By default: Windows Installer 5.0 (Windows 7 and later) installs the dual-purpose package per
# user, its Program Files under the user's own programs folder (AppData\Local\Programs); Wine
# 8 and 10 take ALLUSERS=2 for the machine ("resetting ALLUSERS property from 2 to 1") and
# install under Program Files. The Start menu entries are the user's either way.
programs=$(find "$WINEPREFIX/drive_c/users" -type d -path '*AppData/Local/Programs/ORTE-473' | head -1)
[ -n "$programs" ] || programs=$(find "$WINEPREFIX/drive_c/Program Files" -maxdepth 1 -type d -name 'ORTE-473')
[ -f "$programs/orte-cli.exe" ] || fail "not installed"
menu=$(find "$WINEPREFIX/drive_c/users" -type d -name 'ОРТЕ-473' -path '*AppData/Roaming/*Start Menu*' | head -1)
[ "$(ls "$menu" | wc -l)" = 4 ] || fail "the Start menu folder holds: $(ls "$menu")"
(cd "$programs" && QT_QPA_PLATFORM=offscreen "$wine" orte-cli.exe --help | grep -q '^Usage:') ||
    fail "orte-cli.exe --help did not run from the installed folder"
(cd "$programs" && QT_QPA_PLATFORM=offscreen "$wine" orte-demo.exe --help 2>&1 | grep -q 'orte-demo') ||
    fail "orte-demo.exe --help did not run from the installed folder"
echo "installed per user; orte-cli.exe and orte-demo.exe run from $programs"
# The user's own folder, as a program started from a shortcut makes it.
documents=$(find "$WINEPREFIX/drive_c/users" -mindepth 2 -maxdepth 2 -name Documents ! -path '*/Public/*' | head -1)
[ -n "$documents" ] || fail "no Documents folder in the prefix"
workdir="$documents/ОРТЕ-473"
mkdir -p "$workdir"
echo "a user's log" >"$workdir/log-473-2026-12-07_10_00.txt"
"$wine" msiexec /x "$msi_win" /qn
[ ! -e "$programs/orte-cli.exe" ] || fail "the program is still there after uninstalling"
[ -f "$workdir/log-473-2026-12-07_10_00.txt" ] || fail "uninstalling took the user's log"
echo "uninstalled; the user's log is still there"

# For every user, as an administrator or a group policy would: Program Files, installed in the
# machine's context (Windows then puts the Start menu entries in the common Start menu; Wine's
# installer keeps them in the user's, as it does for every package); uninstalled cleanly.
"$wine" msiexec /i "$msi_win" ALLUSERS=1 /qn
machine=$(find "$WINEPREFIX/drive_c/Program Files" -maxdepth 1 -type d -name 'ORTE-473' | head -1)
[ -f "$machine/orte-cli.exe" ] || fail "ALLUSERS=1 did not install under Program Files"
"$wine" reg query 'HKLM\Software\Microsoft\Windows\CurrentVersion\Installer\UserData\S-1-5-18\Products' 2>/dev/null |
    grep -q 'Products\\' || fail "ALLUSERS=1 did not install for the machine"
menu=$(find "$WINEPREFIX/drive_c" -type d -name 'ОРТЕ-473' -path '*Start Menu*' | head -1)
[ -n "$menu" ] && [ "$(ls "$menu" | wc -l)" = 4 ] || fail "no Start menu entries"
"$wine" msiexec /x "$msi_win" ALLUSERS=1 /qn
[ ! -e "$machine/orte-cli.exe" ] || fail "still under Program Files after uninstalling"
echo "installed and uninstalled for all users under Program Files"
echo "msi ok"
