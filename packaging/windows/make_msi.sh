#!/usr/bin/env bash
# Makes the Windows installer from the unpacked zip: wixl (msitools) builds the database from
# orte-monitor.wxs and the file list, then msibuild puts in the Russian names, which wixl
# cannot write (its databases have code page 0), and stores the database in code page 1251
# (Windows Installer supports UTF-8 databases only unofficially). msibuild reads .idt files as
# UTF-8 whatever code page they declare: the tables go in under code page 65001, then a
# _ForceCodepage table for 1251 alone re-encodes the string pool.
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
name() {
    sed -i "s/@$1@/$2/g" tables/Directory.idt tables/Shortcut.idt tables/Property.idt \
        tables/LaunchCondition.idt
}
name PRODUCT "Монитор ОРТЕ-473"
name FOLDER "ORTE-473|ОРТЕ-473"
name MONITOR "MONITOR|Монитор ОРТЕ-473"
name RECORDER "RECORDER|Самописец ОРТЕ-473"
name SCAN "SCAN|Поиск преобразователя"
name GUIDE "GUIDE|Руководство"
name DOWNGRADE "Уже установлена более новая версия [ProductName]."
# The same version is replaced too (VersionMax inclusive: 512, with MigrateFeatures: 1), so
# that a rebuild leaves one product, not two.
awk -F'\t' -v OFS='\t' 'NR > 3 && $6 == "" && $3 != "" { $5 = 513 } { print }' \
    tables/Upgrade.idt >tables/Upgrade.new && mv tables/Upgrade.new tables/Upgrade.idt
# The summary information: a Russian package (1049), no placeholder in its comments.
sed -i -e 's/^7\tx64;1033/7\tx64;1049/' \
    -e 's/^6\t.*/6\tThe ORTE-473 monitor, recorder, orte-cli and their guide./' \
    tables/_SummaryInformation.idt
printf '\r\n\r\n65001\t_ForceCodepage\r\n' >tables/_ForceCodepage.idt
for table in _ForceCodepage Directory Shortcut Property LaunchCondition Upgrade \
             _SummaryInformation; do
    msibuild "$out" -i "tables/$table.idt"
done
printf '\r\n\r\n1251\t_ForceCodepage\r\n' >tables/_ForceCodepage.idt
msibuild "$out" -i tables/_ForceCodepage.idt
if msiinfo export "$out" Property | grep -q '@' || msiinfo suminfo "$out" | grep -q '@'; then
    echo "make_msi.sh: a name was left out" >&2
    exit 1
fi
ls -l "$out"
