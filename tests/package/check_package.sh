#!/usr/bin/env bash
# Builds the .deb and checks its files, its dependencies and that apt can install it here.
# Usage: check_package.sh BUILD_DIR SOURCE_DIR
set -euo pipefail
build=$1
source=$2

appstreamcli validate --no-net "$source/data/org.orte.Monitor473.metainfo.xml"

cd "$build"
rm -f orte-monitor_*.deb
cpack -G DEB >/dev/null
deb=$(ls orte-monitor_*.deb)
echo "package: $deb"

files=$(dpkg-deb -c "$deb" | awk '{print $6}')
for f in ./usr/bin/orte-monitor ./usr/bin/orte-sim \
         ./usr/share/applications/org.orte.Monitor473.desktop \
         ./usr/share/metainfo/org.orte.Monitor473.metainfo.xml \
         ./usr/share/icons/hicolor/scalable/apps/org.orte.Monitor473.svg \
         ./usr/share/orte-monitor/scenarios/demo.txt; do
    grep -qx -- "$f" <<<"$files" || { echo "missing from the package: $f"; exit 1; }
done
if grep -E 'tst_|orte-demo|\.a$|/include/' <<<"$files"; then
    echo "the package carries build or test files"; exit 1
fi

depends=$(dpkg-deb -f "$deb" Depends)
echo "depends: $depends"
for d in libqt5widgets5 libqt5serialport5 libqt5gui5 libqt5core5a libmodbus5 libc6; do
    grep -q "$d" <<<"$depends" || { echo "missing dependency: $d"; exit 1; }
done

# apt resolves the dependencies (simulated: nothing is installed).
apt-get install -s "./$deb" >/dev/null
echo "apt can install it"
