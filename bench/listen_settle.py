#!/usr/bin/env python3
"""Measures how long orte-cli listen takes to find a line's settings, and to show the first
value, through an adapter that hands bytes over in 16 ms chunks (orte-sim's tap), while mbpoll
polls the simulated converter every 300 ms. A benchmark, not a test: it prints figures.

First the time from listen's start with the master already polling; then the matrix of speeds
and parities with listen started AHEAD seconds before the traffic (ORTE_BENCH_AHEAD, default
"0.3,1,3"; add 20 for a listener left waiting), timed from the traffic's start: the median and
the worst of RUNS runs. ORTE_BENCH_FAST=1 adds 230400 to 921600.

Usage: [ORTE_BENCH_BUILD_DIR=DIR] bench/listen_settle.py [RUNS]
"""

import os
import statistics
import subprocess
import sys
import tempfile
import time

from benchlib import stop

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
BUILD = os.environ.get("ORTE_BENCH_BUILD_DIR", os.path.join(ROOT, "..", "build-bench"))
RUNS = int(sys.argv[1]) if len(sys.argv) > 1 else 3
SETTINGS = [(1200, "odd"), (9600, "none"), (19200, "even"), (115200, "none"), (921600, "even")]
CHUNK_MS = 16


def build():
    subprocess.run(["cmake", "-S", ROOT, "-B", BUILD, "-G", "Ninja",
                    "-DCMAKE_BUILD_TYPE=RelWithDebInfo", "-DORTE_BUILD_TESTS=OFF"],
                   check=True, stdout=subprocess.DEVNULL)
    subprocess.run(["cmake", "--build", BUILD, "--target", "orte-sim", "orte-cli"], check=True,
                   stdout=subprocess.DEVNULL)


def wait_for(condition, seconds, what):
    deadline = time.monotonic() + seconds
    while not condition():
        if time.monotonic() > deadline:
            return False
        time.sleep(0.01)
    return True


def settle(work, baud, parity, ahead=None):
    """Seconds from listen's start to the settings found, and to the first value; with `ahead`,
    listen starts that many seconds before the master, and the times count from the master's
    start."""
    port = os.path.join(work, "bus")
    tap = os.path.join(work, "tap")
    procs = []
    try:
        sim = subprocess.Popen([os.path.join(BUILD, "orte-sim"), "--pty", "--link", port, "--tap",
                                tap, "--tap-chunk", str(CHUNK_MS), "--baud", str(baud),
                                "--parity", parity, "--wire-timing"],
                               stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        procs.append(sim)
        if not wait_for(lambda: os.path.exists(tap), 10, "the tap"):
            return None, None
        def start_master():
            master = subprocess.Popen(["mbpoll", "-m", "rtu", "-b", str(baud), "-P", parity,
                                       "-0", "-a", "1", "-t", "3", "-r", "0", "-c", "12", "-l",
                                       "300", port],
                                      stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
            procs.append(master)

        def start_listen():
            listen = subprocess.Popen([os.path.join(BUILD, "orte-cli"), "listen", tap],
                                      stdout=subprocess.PIPE, stderr=subprocess.DEVNULL,
                                      env=dict(os.environ, LC_ALL="C.UTF-8"))
            procs.append(listen)
            return listen

        if ahead is None:
            start_master()
            time.sleep(0.5)  # the master's traffic runs before the listener comes
            start = time.monotonic()
            listen = start_listen()
        else:
            listen = start_listen()
            time.sleep(ahead)  # the listener waits on a silent line, as the scenario has it
            start = time.monotonic()
            start_master()
        os.set_blocking(listen.stdout.fileno(), False)
        found = value = None
        text = b""
        deadline = start + 60
        while time.monotonic() < deadline and value is None:
            chunk = listen.stdout.read() or b""
            text += chunk
            now = time.monotonic()
            if found is None and b"line settings found" in text:
                found = now - start
            if found is not None and "Температура".encode() in text:
                value = now - start
            time.sleep(0.005)
        return found, value
    finally:
        stop(procs)


def relock(work, change_at=6.0):
    """Seconds from a master at the line's new settings (9600 8N1, then 19200 8E1) to listen's
    settings found again, listen having found the first."""
    port = os.path.join(work, "bus")
    tap = os.path.join(work, "tap")
    scenario = os.path.join(work, "change.txt")
    with open(scenario, "w") as f:
        f.write(f"at {change_at} set line 19200E1\n")
    procs = []
    try:
        began = time.monotonic()
        procs.append(subprocess.Popen(
            [os.path.join(BUILD, "orte-sim"), "--pty", "--link", port, "--tap", tap,
             "--tap-chunk", str(CHUNK_MS), "--wire-timing", "--scenario", scenario],
            stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL))
        if not wait_for(lambda: os.path.exists(tap), 10, "the tap"):
            return None

        def master(baud, parity):
            return subprocess.Popen(["mbpoll", "-m", "rtu", "-b", str(baud), "-P", parity, "-0",
                                     "-a", "1", "-t", "3", "-r", "0", "-c", "12", "-l", "300",
                                     port], stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)

        first = master(9600, "none")
        procs.append(first)
        listen = subprocess.Popen([os.path.join(BUILD, "orte-cli"), "listen", tap],
                                  stdout=subprocess.PIPE, stderr=subprocess.DEVNULL,
                                  env=dict(os.environ, LC_ALL="C.UTF-8"))
        procs.append(listen)
        os.set_blocking(listen.stdout.fileno(), False)
        time.sleep(max(0.0, began + change_at - time.monotonic()))  # the scenario's moment
        first.terminate()
        procs.append(master(19200, "even"))
        start = time.monotonic()
        text = b""
        while time.monotonic() < start + 60:
            text += listen.stdout.read() or b""
            if text.count(b"line settings found") >= 2:
                return time.monotonic() - start
            time.sleep(0.005)
        return None
    finally:
        stop(procs)


def main():
    if not os.environ.get("ORTE_BENCH_BUILD_DIR"):
        build()
    print(f"orte-cli listen: time to settle through a tap with {CHUNK_MS} ms chunks, mbpoll "
          f"polling every 300 ms; median of {RUNS} runs (s)")
    print(f"{'line':<14} {'settings found':>15} {'first value':>12}")
    for baud, parity in SETTINGS:
        found, value = [], []
        for _ in range(RUNS):
            with tempfile.TemporaryDirectory() as work:
                f, v = settle(work, baud, parity)
            if f is not None:
                found.append(f)
            if v is not None:
                value.append(v)
        name = f"{baud} 8{parity[0].upper()}1"
        fmt = lambda xs: f"{statistics.median(xs):.2f}" if len(xs) == RUNS else f"{len(xs)}/{RUNS}"
        print(f"{name:<14} {fmt(found):>15} {fmt(value):>12}")
    print("Aim: within 3 s at any speed, within 1 s at the common ones (9600, 19200).")
    speeds = [1200, 9600, 19200, 57600, 115200]
    if os.environ.get("ORTE_BENCH_FAST"):
        speeds += [230400, 460800, 921600]
    parities = ["none", "even", "odd"]
    for ahead in [float(a) for a in os.environ.get("ORTE_BENCH_AHEAD", "0.3,1,3").split(",")]:
        print(f"\nlisten started {ahead:g} s before the traffic: settings found, s from the "
              f"traffic's start (median / worst of {RUNS})")
        print(f"{'speed':<8}" + "".join(f"{p:>16}" for p in parities))
        for baud in speeds:
            cells = []
            for parity in parities:
                found = []
                for _ in range(RUNS):
                    with tempfile.TemporaryDirectory() as work:
                        f, _ = settle(work, baud, parity, ahead)
                    found.append(f)
                seen = [f for f in found if f is not None]
                cells.append(f"{statistics.median(seen):.1f} / {max(seen):.1f}"
                             if len(seen) == RUNS else f"{len(seen)}/{RUNS} found")
            print(f"{baud:<8}" + "".join(f"{c:>16}" for c in cells))
    again = []
    for _ in range(RUNS):
        with tempfile.TemporaryDirectory() as work:
            again.append(relock(work))
    seen = [a for a in again if a is not None]
    print(f"\nthe line changed from 9600 8N1 to 19200 8E1 mid-run: settings found again after "
          + (f"{statistics.median(seen):.1f} s (worst {max(seen):.1f})" if len(seen) == RUNS
             else f"{len(seen)}/{RUNS} runs"))


if __name__ == "__main__":
    main()
