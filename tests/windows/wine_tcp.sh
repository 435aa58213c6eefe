#!/usr/bin/env bash
# The Windows programs end to end under Wine, against the Linux simulator through TCP, the only
# road into Wine that delivers a reply (its COM ports do not: see wine_serial.sh). The
# simulator runs on a pty of its own behind socat on a free port of 127.0.0.1 (RTU over TCP,
# as a serial device server), its bus's tap behind a second socat port, and a second simulator
# serves Modbus TCP; a mosquitto broker of the test's own on a third. Each program runs as a
# Windows user runs it, in Russian (LANG=ru_RU.UTF-8 gives the Wine prefix its locale):
#   orte-cli.exe scan finds the converter, its output through a pipe in CRLF lines without an
#   escape code; orte-cli.exe watch records a workbook and a spreadsheet CSV into a folder with
#   a Cyrillic name and a space (read back by openpyxl, and split as Excel under a Russian
#   locale splits it), refuses an old file without --force and replaces it with it (MoveFileExW),
#   and Ctrl+C keeps every poll; orte-cli.exe listen hears the tap while watch polls; watch
#   --mqtt publishes to the broker; orte-recorder.exe --headless records and saves its pictures.
# Usage: wine_tcp.sh WINE_RUN LINUX_ORTE_SIM WINDOWS_BUILD_DIR READ_WORKBOOK
set -euo pipefail
run=$1 sim=$2 build=$3 reader=$4
work=$(mktemp -d)
pids=()
cleanup() {
    for ((i = ${#pids[@]} - 1; i >= 0; i--)); do kill "${pids[$i]}" 2>/dev/null || true; done
    wait 2>/dev/null || true
    rm -rf "$work"
}
trap cleanup EXIT
fail() { echo "wine_tcp: $*"; exit 1; }
for tool in socat mosquitto mosquitto_sub; do
    command -v "$tool" >/dev/null || fail "$tool is needed (scripts/deps windows installs it)"
done
python=/usr/bin/python3
"$python" -c 'import openpyxl' 2>/dev/null || fail "python3-openpyxl is needed"
locale -a | grep -qix 'ru_RU.utf8' || fail "the locale ru_RU.UTF-8 is missing (scripts/deps makes it)"

# A free port of 127.0.0.1, and waiting until something listens on one (a connection would be
# a client: socat would open the line for it).
free_port() { "$python" -c 'import socket; s = socket.socket(); s.bind(("127.0.0.1", 0)); print(s.getsockname()[1])'; }
listening() {
    "$python" - "$1" <<'PY'
import socket, sys, time
for _ in range(400):
    s = socket.socket()
    try:
        s.bind(("127.0.0.1", int(sys.argv[1])))
    except OSError:
        sys.exit(0)
    finally:
        s.close()
    time.sleep(0.05)
sys.exit(1)
PY
}
until_true() { # SECONDS COMMAND...: waits for the command to succeed
    local limit=$1; shift
    for _ in $(seq $((limit * 20))); do "$@" && return 0; sleep 0.05; done
    return 1
}
win() { echo "Z:${1//\//\\}"; }
cli() {
    until_true 10 line_idle || fail "the line's server still serves a connection"
    LANG=ru_RU.UTF-8 bash "$run" "$build/orte-cli.exe" "$@"
}

"$sim" --pty --link "$work/converter" --tap "$work/tap" >"$work/sim.out" 2>&1 &
pids+=($!)
until_true 10 test -e "$work/tap" || fail "the simulator did not start: $(cat "$work/sim.out")"
"$sim" --tcp 0 >"$work/sim-tcp.out" 2>&1 &
pids+=($!)
until_true 10 test -s "$work/sim-tcp.out" || fail "the Modbus TCP simulator did not start"
modbus_tcp=$(head -1 "$work/sim-tcp.out")
line_port=$(free_port)
# A connection at a time, each served by a child of its own that lets go of the pty at once
# (-t) and never takes it for its controlling terminal (noctty: a session leader's exit would
# hang the pty up for everyone); each step waits for the last one's child to go (line_idle).
socat -t 0.05 TCP-LISTEN:"$line_port",bind=127.0.0.1,reuseaddr,fork \
    FILE:"$work/converter",raw,echo=0,noctty &
line_server=$!
pids+=($!)
line_idle() { ! pgrep -P "$line_server" >/dev/null; }
tap_port=$(free_port)
socat TCP-LISTEN:"$tap_port",bind=127.0.0.1,reuseaddr FILE:"$work/tap",raw,echo=0,noctty &
pids+=($!)
broker_port=$(free_port)
mosquitto -p "$broker_port" >"$work/broker.log" 2>&1 &
pids+=($!)
for p in "$line_port" "$tap_port" "$broker_port"; do listening "$p" || fail "nothing listens on $p"; done
line="rtu+tcp://127.0.0.1:$line_port"

# Scan: the converter found; what a script reads through a pipe is CRLF lines, no escape code.
cli scan "$line" --address 1-3 >"$work/scan" 2>"$work/scan.err" || fail "scan: exit $?: $(cat "$work/scan.err")"
grep -q '123456' "$work/scan" || fail "scan found nothing: $(cat "$work/scan")"
grep -q 'адрес 1' "$work/scan" || fail "scan did not speak Russian: $(cat "$work/scan")"
if grep -qP '\x1b|\r(?!$)' "$work/scan" || grep -qvP '\r$' "$work/scan"; then
    fail "scan's lines through a pipe: $(od -c "$work/scan" | head)"
fi
echo "scan: found 123456 over $line, CRLF lines, no escape code"

# Watch: a workbook and a spreadsheet CSV into a folder with a Cyrillic name and a space.
folder="$work/Записи 473"
mkdir "$folder"
cli watch "$line" --address 1 --interval 100 --polls 8 --xlsx "$(win "$folder/замер.xlsx")" \
    --csv "$(win "$folder/замер.csv")" >"$work/watch" 2>&1 || fail "watch: $(cat "$work/watch")"
"$python" "$reader" "$folder/замер.xlsx" >"$work/book" || fail "openpyxl could not read the workbook"
grep -q '^polls: 8$' "$work/book" && grep -q '^serial: 123456$' "$work/book" &&
    grep -q '^values: 23.45' "$work/book" || fail "the workbook: $(cat "$work/book")"
"$python" - "$folder/замер.csv" <<'PY' || fail "the CSV as Excel under a Russian locale reads it"
import csv, sys
# Excel under a Russian locale: cells split at ";", numbers with a decimal comma, UTF-8 by its BOM.
rows = list(csv.reader(open(sys.argv[1], encoding="utf-8-sig", newline=""), delimiter=";"))
values = [float(r[2].replace(",", ".")) for r in rows[1:] if r[2]]
assert len(rows) == 9 and values and all(v == 23.45 for v in values), rows[:3]
assert rows[0][0] == "Время", rows[0]
PY
echo "watch: 8 polls in a workbook and a CSV under «Записи 473», read as Excel would"

# An old file is refused without --force, and replaced with it.
echo "an old file" >"$folder/старый.csv"
cli watch "$line" --address 1 --polls 2 --csv "$(win "$folder/старый.csv")" >"$work/refused" 2>&1 &&
    fail "an existing file was not refused"
grep -qx 'an old file' "$folder/старый.csv" || fail "a refused run touched the old file"
cli watch "$line" --address 1 --polls 2 --force --csv "$(win "$folder/старый.csv")" >"$work/forced" 2>&1 ||
    fail "--force: $(cat "$work/forced")"
head -1 "$folder/старый.csv" | grep -q 'Время' || fail "--force did not replace the old file"
echo "watch: an old file refused, then replaced with --force"

# Ctrl+C (SIGINT, which Wine hands the console program as its Ctrl+C) keeps every poll.
until_true 10 line_idle || fail "the line's server still serves a connection"
LANG=ru_RU.UTF-8 bash "$run" "$build/orte-cli.exe" watch "$line" --address 1 --interval 100 \
    --xlsx "$(win "$folder/прерван.xlsx")" --csv "$(win "$folder/прерван.csv")" \
    >"$work/interrupted" 2>&1 &
watch_pid=$! # wine-run ends in exec: this is the Windows program
until_true 60 bash -c '[ "$(cat "$1" 2>/dev/null | wc -l)" -gt 5 ]' _ "$folder/прерван.csv" ||
    fail "the recording to be interrupted did not begin: $(cat "$work/interrupted")"
kill -INT "$watch_pid"
wait "$watch_pid" || fail "watch ended by Ctrl+C with exit $?: $(cat "$work/interrupted")"
rows=$(($(wc -l <"$folder/прерван.csv") - 1))
"$python" "$reader" "$folder/прерван.xlsx" | grep -qx "polls: $rows" ||
    fail "Ctrl+C: the workbook does not hold the CSV's $rows polls"
echo "watch: Ctrl+C kept all $rows polls in both files"

# Listen: the bus heard through the tap's server while watch polls the line.
LANG=ru_RU.UTF-8 bash "$run" "$build/orte-cli.exe" listen "rtu+tcp://127.0.0.1:$tap_port" \
    --baud 9600 --parity none --xlsx "$(win "$work/heard.xlsx")" >"$work/listen" 2>"$work/listen.err" &
listen_pid=$!
cli watch "$line" --address 1 --interval 100 --polls 12 >/dev/null 2>&1 || fail "watch beside listen"
until_true 30 grep -q '23.45' "$work/listen" || fail "listen heard no values: $(cat "$work/listen" "$work/listen.err")"
kill -INT "$listen_pid"
wait "$listen_pid" || fail "listen ended by Ctrl+C with exit $?: $(cat "$work/listen.err")"
"$python" "$reader" "$work/heard.xlsx" | grep -q '^serial: 123456$' ||
    fail "the listener's workbook: $("$python" "$reader" "$work/heard.xlsx")"
echo "listen: the tap's server heard, slave 1's values recorded"

# MQTT: each poll over Modbus TCP to the broker.
mosquitto_sub -p "$broker_port" -v -t 'orte/#' >"$work/heard-by-broker" &
pids+=($!)
cli watch "$modbus_tcp" --address 1 --interval 100 --polls 6 \
    --mqtt "mqtt://127.0.0.1:$broker_port/orte" >"$work/mqtt" 2>&1 || fail "watch --mqtt: $(cat "$work/mqtt")"
until_true 20 bash -c '[ "$(grep -c "^orte/123456/state .*\"value\":23.45" "$1")" -ge 6 ]' _ "$work/heard-by-broker" ||
    fail "the broker got: $(head -c 600 "$work/heard-by-broker")"
grep -q '^orte/123456/identity ' "$work/heard-by-broker" || fail "no identity at the broker"
echo "mqtt: six polls over $modbus_tcp reached the broker"

# The recorder, headless: the search, a recording and its pictures.
shots="$work/снимки"
until_true 10 line_idle || fail "the line's server still serves a connection"
LANG=ru_RU.UTF-8 bash "$run" "$build/orte-recorder.exe" --headless --port "$line" --seconds 3 \
    --shots "$(win "$shots")" >"$work/recorder" 2>&1 || fail "the recorder: $(cat "$work/recorder")"
for f in recorder-find.png recorder-record.png recorder-zoom.png recording.xlsx recording.csv; do
    [ -s "$shots/$f" ] || fail "the recorder left no $f: $(cat "$work/recorder")"
done
"$python" "$reader" "$shots/recording.xlsx" | grep -q '^serial: 123456$' || fail "the recorder's workbook"
echo "recorder: found, recorded and pictured over $line"
echo "every Windows program end to end over TCP"
