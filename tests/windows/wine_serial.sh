#!/usr/bin/env bash
# The Windows window against the simulator, through Wine's COM port mapping: COM5 is a link in
# the Wine prefix to one end of a socat pair, orte-sim serves the other end.
#
# With Wine 8.0 (Debian 12) this cannot pass, and the test says so as a skip (exit 77) when it
# sees exactly that: the request reaches the simulator, the simulator answers, and the monitor
# never hears the answer. Qt's Windows serial back end waits for WaitCommEvent(EV_RXCHAR)
# through an I/O completion port before it reads; Wine 8.0 completes that wait with an empty
# event mask and never posts its completion packet, so QSerialPort emits no readyRead and
# waitForReadyRead stays false, while a plain ReadFile gets the bytes (probes: iocp.c, wce.c
# beside the Qt for Windows tree). A Wine that posts the packet makes this test pass.
# Usage: wine_serial.sh WINDOWS_BUILD_DIR LINUX_ORTE_SIM
set -euo pipefail
build=$1
sim=$2
work=$(mktemp -d)
pids=()
cleanup() {
    for ((i = ${#pids[@]} - 1; i >= 0; i--)); do kill "${pids[$i]}" 2>/dev/null || true; done
    wait 2>/dev/null || true
    rm -f "$build/wineprefix/dosdevices/com5"
    rm -rf "$work"
}
trap cleanup EXIT

socat pty,raw,echo=0,link="$work/monitor" pty,raw,echo=0,link="$work/converter" &
pids+=($!)
for _ in $(seq 100); do [ -e "$work/converter" ] && break; sleep 0.05; done
"$sim" --device "$work/converter" --trace >"$work/trace" &
pids+=($!)
for _ in $(seq 100); do [ -s "$work/trace" ] && break; sleep 0.05; done
mkdir -p "$build/wineprefix/dosdevices"
ln -sfn "$work/monitor" "$build/wineprefix/dosdevices/com5"

out=$(timeout 60 bash "$build/wine-run" "$build/orte-demo.exe" --headless --port COM5 \
      --searches 1 2>/dev/null || true)
echo "$out"
echo "simulator saw:"
cat "$work/trace"
if grep -q '^0 of 1 searches found nothing' <<<"$out"; then
    echo "found through Wine's COM5"
    exit 0
fi
if grep -q ' rx 01 04 00 32 00 05 91 C6' "$work/trace" && grep -q ' tx 01 04 0A' "$work/trace"; then
    echo "SKIP: the request went out and was answered, but Wine did not deliver the reply"
    echo "to QSerialPort (no readyRead under this Wine; see the comment in this script)"
    exit 77
fi
echo "the request never reached the simulator"
exit 1
