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
for f in recorder-find.png recorder-record.png recorder-zoom.png recorder-listen.png recording.xlsx \
    recording.csv; do
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

# An earlier recording's chart as a picture: the recorder's own workbook, and a Russian
# spreadsheet CSV that orte-cli watch wrote; a damaged file: exit 2 and a message.
QT_QPA_PLATFORM=offscreen "$build/orte-recorder" --headless --open "$shots/recorder/recording.xlsx" \
    --shots "$shots/opened-xlsx" >/dev/null 2>&1 && [ -s "$shots/opened-xlsx/chart.png" ] ||
    { echo "the recorder did not open its own workbook"; exit 1; }
"$build/orte-sim" --pty --link "$shots/watched" >/dev/null 2>&1 &
sim=$!
for _ in $(seq 100); do [ -e "$shots/watched" ] && break; sleep 0.1; done
LC_ALL=ru_RU.UTF-8 "$build/orte-cli" watch "$shots/watched" --baud 9600 --parity none \
    --stop-bits 1 --address 1 --polls 6 --interval 50 --csv "$shots/watched.csv" >/dev/null 2>&1
kill "$sim"
wait "$sim" 2>/dev/null || true
head -c 3 "$shots/watched.csv" | grep -q $'\xEF\xBB\xBF' && grep -q ';' "$shots/watched.csv" ||
    { echo "orte-cli wrote no Russian spreadsheet CSV"; exit 1; }
QT_QPA_PLATFORM=offscreen "$build/orte-recorder" --headless --open "$shots/watched.csv" \
    --shots "$shots/opened-csv" >/dev/null 2>&1 && [ -s "$shots/opened-csv/chart.png" ] ||
    { echo "the recorder did not open orte-cli's Russian CSV"; exit 1; }
head -c 2000 "$shots/recorder/recording.xlsx" >"$shots/damaged.xlsx"
set +e
QT_QPA_PLATFORM=offscreen "$build/orte-recorder" --headless --open "$shots/damaged.xlsx" \
    --shots "$shots/opened-damaged" >/dev/null 2>"$shots/err"
rc=$?
set -e
[ "$rc" -eq 2 ] && grep -q '^orte-recorder: .*damaged.xlsx' "$shots/err" &&
    [ ! -e "$shots/opened-damaged/chart.png" ] ||
    { echo "a damaged workbook: exit $rc, said '$(cat "$shots/err")'"; exit 1; }
echo "recordings opened ok"

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
