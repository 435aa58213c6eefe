#!/usr/bin/env bash
# Makes the Windows zip and checks that nothing is missing from it: every DLL imported by a
# shipped .exe or .dll is in the zip (any case) or is one of Windows' own.
# Usage: check_zip.sh WINDOWS_BUILD_DIR OBJDUMP
set -euo pipefail
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

for f in orte-monitor.exe orte-demo.exe orte-cli.exe platforms/qwindows.dll styles/qwindowsvistastyle.dll \
         README.txt licenses/orte-monitor.txt licenses/Qt-LGPL-3.0.txt; do
    [ -f "$f" ] || { echo "missing from the zip: $f"; exit 1; }
done

# Windows' own libraries, as the programs and Qt's plugins import them.
system='^(kernel32|user32|gdi32|advapi32|shell32|ole32|oleaut32|comdlg32|ws2_32|winmm|imm32|
dwmapi|uxtheme|userenv|version|netapi32|mpr|setupapi|wtsapi32|msvcrt|shlwapi|comctl32|
winspool\.drv|secur32|crypt32|bcrypt|iphlpapi|dnsapi|opengl32|d3d9|d3d11|dxgi|cfgmgr32|
shcore|authz|rpcrt4|ntdll|api-ms-win-.*)\.dll$'
system=$(tr -d '\n' <<<"$system")
shipped=$(find . -iname '*.dll' -printf '%f\n' | tr 'A-Z' 'a-z')
missing=0
while IFS= read -r -d '' binary; do
    while read -r dll; do
        name=$(tr 'A-Z' 'a-z' <<<"$dll")
        if ! grep -qxF "$name" <<<"$shipped" && ! grep -qE "$system" <<<"$name"; then
            echo "$binary imports $dll, which is neither in the zip nor Windows' own"
            missing=1
        fi
    done < <("$objdump" -p "$binary" | awk '/DLL Name:/ {print $3}')
done < <(find . \( -iname '*.exe' -o -iname '*.dll' \) -print0)
[ $missing -eq 0 ] || exit 1
echo "every imported DLL is in the zip or Windows' own"
# The monitor carries its icon and version information.
"$objdump" -h orte-monitor.exe | grep -q '\.rsrc' || { echo "orte-monitor.exe has no resources"; exit 1; }
echo "zip ok"
