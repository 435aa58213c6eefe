#!/usr/bin/env bash
# Makes the Windows zip and checks that nothing is missing from it: every DLL imported by a
# shipped .exe or .dll is in the zip (any case) or is one of Windows' own.
# Usage: check_zip.sh WINDOWS_BUILD_DIR OBJDUMP
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
build=$1
objdump=$2
cd "$build"
rm -f orte-monitor-*-win64.zip
cpack -G ZIP >/dev/null
zip=$(ls orte-monitor-*-win64.zip)
echo "package: $zip"
root=$(mktemp -d)
trap 'rm -rf "$root"' EXIT
unzip -q "$zip" -d "$root"
top=$(ls "$root")
cd "$root/$top"

for f in orte-monitor.exe orte-demo.exe orte-cli.exe orte-recorder.exe Qt5Charts.dll \
         licenses/QtCharts-GPL-3.0.txt platforms/qwindows.dll styles/qwindowsvistastyle.dll \
         libxlsxwriter.dll zlib1.dll guide-ru.html README.txt licenses/orte-monitor.txt \
         licenses/Qt-LGPL-3.0.txt licenses/libxlsxwriter.txt; do
    [ -f "$f" ] || { echo "missing from the zip: $f"; exit 1; }
done

. "$here/imports.sh"
check_imports "$objdump"
# Everything shipped is stripped.
if "$objdump" -h libstdc++-6.dll | grep -q '\.debug_'; then
    echo "libstdc++-6.dll is not stripped"; exit 1
fi
# The monitor carries its icon and version information.
for exe in orte-monitor.exe orte-recorder.exe; do
    "$objdump" -h $exe | grep -q '\.rsrc' || { echo "$exe has no resources"; exit 1; }
done
echo "zip ok"
