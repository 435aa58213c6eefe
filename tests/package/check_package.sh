#!/usr/bin/env bash
# Builds the .deb and checks its files, its dependencies, lintian, that apt can install it here,
# and that the demo it carries runs headless from the package's own layout.
# Usage: check_package.sh BUILD_DIR SOURCE_DIR [QT_MAJOR]
set -euo pipefail
build=$1
source=$2
qt=${3:-5} # the Qt the build links: its libraries are what the package must depend on

for app in org.orte.Monitor473 org.orte.Recorder473; do
    appstreamcli validate --no-net "$source/data/$app.metainfo.xml"
    desktop-file-validate "$source/data/$app.desktop"
done

cd "$build"
rm -f orte-monitor_*.deb
cpack -G DEB >/dev/null
deb=$(ls orte-monitor_*.deb)
echo "package: $deb"

files=$(dpkg-deb -c "$deb" | awk '{print $6}')
for f in ./usr/bin/orte-monitor ./usr/bin/orte-sim ./usr/bin/orte-demo ./usr/bin/orte-cli \
         ./usr/bin/orte-recorder ./usr/share/applications/org.orte.Recorder473.desktop \
         ./usr/share/metainfo/org.orte.Recorder473.metainfo.xml \
         ./usr/share/icons/hicolor/scalable/apps/org.orte.Recorder473.svg \
         ./usr/share/icons/hicolor/128x128/apps/org.orte.Recorder473.png \
         ./usr/share/man/man1/orte-recorder.1.gz \
         ./usr/share/applications/org.orte.Monitor473.desktop \
         ./usr/share/metainfo/org.orte.Monitor473.metainfo.xml \
         ./usr/share/icons/hicolor/scalable/apps/org.orte.Monitor473.svg \
         ./usr/share/icons/hicolor/128x128/apps/org.orte.Monitor473.png \
         ./usr/share/man/man1/orte-monitor.1.gz ./usr/share/man/man1/orte-sim.1.gz \
         ./usr/share/man/man1/orte-demo.1.gz ./usr/share/man/man1/orte-cli.1.gz \
         ./usr/share/doc/orte-monitor/copyright ./usr/share/doc/orte-monitor/changelog.gz \
         ./usr/share/doc/orte-monitor/руководство.md \
         ./usr/share/orte-monitor/scenarios/demo.txt; do
    grep -qx -- "$f" <<<"$files" || { echo "missing from the package: $f"; exit 1; }
done
if grep -E 'tst_|fuzz|\.a$|/include/' <<<"$files"; then
    echo "the package carries build or test files"; exit 1
fi

depends=$(dpkg-deb -f "$deb" Depends)
echo "depends: $depends"
# Computed for the release it is built on: Debian 13 renamed some Qt libraries (64-bit time).
if [ "$qt" = 6 ]; then
    qt_libs=('libqt6widgets6(t64)?' 'libqt6serialport6(t64)?' 'libqt6gui6(t64)?' 'libqt6core6(t64)?'
             'libqt6core5compat6(t64)?' 'libqt6charts6(t64)?')
else
    qt_libs=('libqt5widgets5(t64)?' libqt5serialport5 'libqt5gui5(t64)?' 'libqt5core5(a|t64)'
             'libqt5charts5(t64)?')
fi
for d in "${qt_libs[@]}" libc6 'libxlsxwriter[0-9]'; do
    grep -qE "(^|, )$d " <<<"$depends" || { echo "missing dependency: $d"; exit 1; }
done

# No errors and no warnings; what lintian says is printed either way.
lintian --fail-on error,warning --no-tag-display-limit "$deb"
echo "lintian: clean"

# apt resolves the dependencies (simulated: nothing is installed).
apt-get install -s "./$deb" >/dev/null
echo "apt can install it"

# The demo as installed: orte-sim found beside it, the example scenario under share/.
root=$(mktemp -d)
trap 'rm -rf "$root"' EXIT
dpkg-deb -x "$deb" "$root"
out=$(cd "$root" && XDG_RUNTIME_DIR="$root" timeout 60 "$root/usr/bin/orte-demo" \
      --headless --seconds 2 --shots "$root/shots" 2>&1)
echo "$out"
grep -q 'Преобразователь ОРТЕ 473-220 найден' <<<"$out"
grep -q "$root/usr/share/orte-monitor/scenarios/demo.txt" <<<"$out"
! grep -q 'QStandardPaths\|propagateSizeHints' <<<"$out"
echo "installed demo ok"

# The recorder as installed: the same simulator and scenario, its three pages and both files.
out=$(cd "$root" && XDG_RUNTIME_DIR="$root" timeout 120 "$root/usr/bin/orte-recorder" \
      --headless --seconds 3 --shots "$root/recorder" 2>&1)
echo "$out"
for f in recorder-find.png recorder-record.png recorder-listen.png recording.xlsx recording.csv; do
    [ -s "$root/recorder/$f" ] || { echo "the installed recorder left no $f"; exit 1; }
done
echo "installed recorder ok"
