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
         licenses/Qt-LGPL-3.0.txt licenses/libxlsxwriter.txt Qt5Network.dll libmosquitto.dll \
         licenses/libmosquitto.txt licenses/Qt-third-party.txt licenses/MPL-2.0.txt; do
    [ -f "$f" ] || { echo "missing from the zip: $f"; exit 1; }
done

# Text files end their lines the Windows way, every line.
for f in README.txt guide-ru.html licenses/*.txt; do
    if grep -qv $'\r$' "$f"; then echo "$f has lines without a carriage return"; exit 1; fi
done
# The notices of what Qt's DLLs hold of others' code.
for part in libpng FreeType HarfBuzz PCRE2; do
    grep -qi "$part" licenses/Qt-third-party.txt || { echo "licenses/ does not name $part"; exit 1; }
done
# README.txt fits an 80-column console and Notepad's default window, every line.
widest=$(sed -e '1s/^\xEF\xBB\xBF//' -e 's/\r$//' README.txt | LC_ALL=C.UTF-8 wc -L)
[ "$widest" -lt 80 ] || { echo "README.txt has a line of $widest characters:"
    sed -e 's/\r$//' README.txt | LC_ALL=C.UTF-8 awk 'length > 79'; exit 1; }
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
# Each program carries its manifest: Windows 7 to 11, the common controls 6.
for exe in orte-monitor.exe orte-recorder.exe orte-cli.exe orte-demo.exe; do
    grep -q '35138b9a-5d96-4fbd-8e2d-a2440225f93a' "$exe" && grep -q 'Common-Controls' "$exe" ||
        { echo "$exe has no application manifest"; exit 1; }
done
echo "zip ok"
