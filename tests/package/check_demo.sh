#!/usr/bin/env bash
# The headless demo, as scripts/run starts it: the converter is found, live values are
# printed, both screenshots are written, and it exits 0.
# Usage: check_demo.sh BUILD_DIR SOURCE_DIR
set -euo pipefail
build=$1
source=$2
shots=$(mktemp -d)
trap 'rm -rf "$shots"' EXIT

out=$(QT_QPA_PLATFORM=offscreen timeout 60 "$build/orte-demo" --headless --seconds 2 \
      --shots "$shots" --scenario "$source/sim/scenarios/demo.txt" 2>/dev/null)
echo "$out"
grep -q 'Преобразователь ОРТЕ 473-220 найден' <<<"$out"
grep -q 'Температура термосопротивления Вх. 1:   2[0-9.]* С' <<<"$out"
for page in settings-page monitoring-page; do
    file "$shots/$page.png" | grep -q 'PNG image data, 1029 x 629'
done
echo "demo ok"
