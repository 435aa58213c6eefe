#!/usr/bin/env bash
# orte-cli.exe and orte-demo.exe under Wine with their output to pipes: what a script reads
# holds no escape code and no carriage return but the line ends', and the Cyrillic arrives
# whole (UTF-8).
# Usage: console_pipe.sh WINE_RUN ORTE_CLI_EXE ORTE_DEMO_EXE
set -euo pipefail
run=$1
cli=$2
demo=$3
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail() { echo "console_pipe: $*"; exit 1; }

set +e
LANG=ru_RU.UTF-8 bash "$run" "$cli" scan COM199 --address 1-2 >"$work/out" 2>"$work/err"
rc=$?
set -e
[ "$rc" = 3 ] || fail "scan of a missing port: exit $rc"
for stream in out err; do
    if grep -qP '\x1b|\r(?!$)' "$work/$stream"; then
        fail "escape codes or carriage returns on standard $stream: $(od -c "$work/$stream" | head)"
    fi
done
grep -q 'COM199' "$work/err" || fail "the missing port was not said: $(cat "$work/err")"

# orte-demo's help through the same console path: whole Cyrillic, in UTF-8.
bash "$run" "$demo" --help >"$work/help" 2>&1 || true
grep -q 'ОРТЕ-473' "$work/help" || fail "orte-demo --help: $(head -3 "$work/help")"
# Without a simulator (a Linux program) orte-demo says so in the user's language, and with its
# output to a pipe it does not wait for Enter.
set +e
LANG=ru_RU.UTF-8 bash "$run" "$demo" >"$work/demo" 2>&1 </dev/null
set -e
grep -q 'программа для Linux' "$work/demo" || fail "orte-demo without a port: $(head -3 "$work/demo")"
grep -q 'Enter' "$work/demo" && fail "orte-demo waited for Enter on a pipe"
echo "console output to pipes as it should be"
