#!/usr/bin/env bash
# Makes the Windows installer from the unpacked zip: wixl (msitools) builds the database from
# orte-monitor.wxs and the file list, then msibuild puts in the Russian names, which wixl
# cannot write (its databases have code page 0), in a UTF-8 database.
# Usage: make_msi.sh ZIP VERSION ICON OUT.msi
set -euo pipefail
zip=$(realpath "$1")
version=$2
icon=$(realpath "$3")
out=$(realpath -m "$4")
here=$(cd "$(dirname "$0")" && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$work"
unzip -q "$zip" -d stage
stage=$(ls stage)
cp "$icon" orte.ico
cp "$here/../../data/org.orte.Recorder473.ico" recorder.ico
python3 "$here/msi_files.py" "stage/$stage" >files.wxs
rm -f "$out"
wixl -a x64 -D Version="$version" -D SourceDir="stage/$stage" -D Icon=orte.ico \
    -D RecorderIcon=recorder.ico \
    "$here/orte-monitor.wxs" files.wxs -o "$out"

# The names as Windows shows them; a directory or shortcut name is "short|long".
mkdir tables
(cd tables && msidump -t "$out" >/dev/null)
name() { sed -i "s/@$1@/$2/g" tables/Directory.idt tables/Shortcut.idt tables/Property.idt; }
name PRODUCT "Монитор ОРТЕ-473"
name FOLDER "ORTE-473|ОРТЕ-473"
name MONITOR "MONITOR|Монитор ОРТЕ-473"
name RECORDER "RECORDER|Самописец ОРТЕ-473"
name SCAN "SCAN|Поиск преобразователя"
name GUIDE "GUIDE|Руководство"
printf '\r\n\r\n65001\t_ForceCodepage\r\n' >tables/_ForceCodepage.idt
for table in _ForceCodepage Directory Shortcut Property; do
    msibuild "$out" -i "tables/$table.idt"
done
if msiinfo export "$out" Property | grep -q '@'; then
    echo "make_msi.sh: a name was left out" >&2
    exit 1
fi
ls -l "$out"
