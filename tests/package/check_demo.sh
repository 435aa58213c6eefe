#!/usr/bin/env bash
# The headless demo, as scripts/run starts it: the converter is found, live values are
# printed, both screenshots are written, and it exits 0. Then the recorder's headless run.
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

# What it cannot do is said on standard error with a non-zero exit, never as a success line.
for bad in "--port /nonexistent/tty" "--shots /proc/no-such-folder" "--seconds ten" \
           "--searches 0" "--baud 12345" "--colour red"; do
    set +e
    QT_QPA_PLATFORM=offscreen timeout 30 "$build/orte-demo" --headless --quiet $bad \
        >/dev/null 2>"$shots/err"
    rc=$?
    set -e
    said=$(grep '^orte-demo: ' "$shots/err" || true)
    if [ "$rc" -eq 0 ] || [ -z "$said" ]; then
        echo "orte-demo --headless $bad: exit $rc, said '$said'"
        exit 1
    fi
done
echo "bad demo options refused"

# The recorder's headless run: the three pages' pictures and both files, exit 0; a port that
# is not there is said, with a non-zero exit.
QT_QPA_PLATFORM=offscreen timeout 120 "$build/orte-recorder" --headless --seconds 2 \
    --shots "$shots/recorder" --scenario "$source/sim/scenarios/demo.txt" >/dev/null 2>&1
for f in recorder-find.png recorder-record.png recorder-listen.png recording.xlsx recording.csv; do
    [ -s "$shots/recorder/$f" ] || { echo "the recorder left no $f"; exit 1; }
done
set +e
QT_QPA_PLATFORM=offscreen timeout 60 "$build/orte-recorder" --headless --port /nonexistent/tty \
    --shots "$shots/none" >/dev/null 2>"$shots/err"
rc=$?
set -e
grep -q '^orte-recorder: no converter found on /nonexistent/tty' "$shots/err" && [ "$rc" -ne 0 ] ||
    { echo "orte-recorder without a port: exit $rc, said '$(cat "$shots/err")'"; exit 1; }
echo "recorder ok"

# --help and --version without a display: the texts, exit 0.
for opt in --help --version; do
    said=$(env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM "$build/orte-recorder" $opt 2>&1) ||
        { echo "orte-recorder $opt without a display: exit $?, said '$said'"; exit 1; }
    case "$opt:$said" in
        --help:*--headless*|--version:*orte-recorder*) ;;
        *) echo "orte-recorder $opt without a display said '$said'"; exit 1 ;;
    esac
done
echo "recorder texts without a display ok"

# Stopped by a signal while it records: its files finished as Stop finishes them, its simulator
# stopped, its scratch folder removed, exit 0.
for sig in TERM INT HUP; do
    dir="$shots/signal-$sig"
    QT_QPA_PLATFORM=offscreen "$build/orte-recorder" --headless --seconds 600 --shots "$dir" \
        >"$shots/out-$sig" 2>&1 &
    pid=$!
    for _ in $(seq 600); do
        [ -s "$dir/recording.csv" ] && break
        kill -0 "$pid" 2>/dev/null || break
        sleep 0.1
    done
    [ -s "$dir/recording.csv" ] || { echo "SIG$sig: the recording did not start"; cat "$shots/out-$sig"; exit 1; }
    port=$(sed -n 's/^Simulated converter on \(.*\), its bus heard on .*/\1/p' "$shots/out-$sig")
    kill -"$sig" "$pid"
    set +e
    wait "$pid"
    rc=$?
    set -e
    [ "$rc" -eq 0 ] || { echo "SIG$sig: exit $rc"; cat "$shots/out-$sig"; exit 1; }
    [ -s "$dir/recording.xlsx" ] || { echo "SIG$sig: no workbook"; exit 1; }
    [ -n "$port" ] && [ ! -e "$(dirname "$port")" ] ||
        { echo "SIG$sig: the scratch folder $(dirname "$port") is left"; exit 1; }
    ! pgrep -f -- "--link $port" >/dev/null || { echo "SIG$sig: the simulator is left"; exit 1; }
done
echo "recorder stops on a signal ok"
