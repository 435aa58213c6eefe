#!/usr/bin/env python3
"""Measures what orte-recorder costs and prints the figures:
  - CPU (share of a core) while it records a simulated converter at 300 ms into a workbook and
    a CSV, beside orte-cli watch doing the same at the same time against a second simulator;
  - a day at 300 ms (288 000 polls) fed through the recording page on a fast clock: the time
    to redraw the chart holding it (whole, and zoomed to an hour and a minute), the resident
    memory after it (in a window on Xvfb where xvfb-run is there), and the time to open the
    day's CSV and workbook again.
A benchmark, not a test: it prints figures.

Usage: [ORTE_BENCH_BUILD_DIR=DIR] bench/recorder.py [SECONDS]
"""

import os
import shutil
import subprocess
import sys
import tempfile
import time

from benchlib import build, stop, wait_for

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
BUILD = os.environ.get("ORTE_BENCH_BUILD_DIR", os.path.join(ROOT, "..", "build-bench"))
SECONDS = int(sys.argv[1]) if len(sys.argv) > 1 else 60


def cpu_ns(pid):
    with open(f"/proc/{pid}/schedstat") as f:
        return int(f.read().split()[0])


def main():
    build(ROOT, BUILD, ["orte-sim", "orte-cli", "orte-bench-recorder"])
    env = dict(os.environ, QT_QPA_PLATFORM="offscreen")
    with tempfile.TemporaryDirectory() as work:
        procs = []
        try:
            ports = []
            for name in ("recorder", "cli"):
                port = os.path.join(work, name)
                procs.append(subprocess.Popen(
                    [os.path.join(BUILD, "orte-sim"), "--pty", "--link", port, "--wire-timing"],
                    stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL))
                if not wait_for(lambda: os.path.exists(port), 10):
                    sys.exit("bench: the simulator did not start")
                ports.append(port)
            recorder = subprocess.Popen(
                [os.path.join(BUILD, "orte-bench-recorder"), "record", ports[0],
                 str(SECONDS + 5), work], env=env, stdout=subprocess.DEVNULL,
                stderr=subprocess.DEVNULL)
            cli = subprocess.Popen(
                [os.path.join(BUILD, "orte-cli"), "watch", ports[1], "--baud", "9600", "--parity",
                 "none", "--stop-bits", "1", "--address", "1", "--interval", "300", "--xlsx",
                 os.path.join(work, "cli.xlsx"), "--csv", os.path.join(work, "cli.csv")],
                env=env, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
            procs += [recorder, cli]
            time.sleep(3)  # both past start-up and identification
            start = {p.pid: cpu_ns(p.pid) for p in (recorder, cli)}
            began = time.monotonic()
            time.sleep(SECONDS)
            elapsed = time.monotonic() - began
            share = {p.pid: (cpu_ns(p.pid) - start[p.pid]) / 1e9 / elapsed for p in (recorder, cli)}
            r, c = share[recorder.pid], share[cli.pid]
            print(f"CPU while recording at 300 ms for {SECONDS} s: orte-recorder {100 * r:.2f} % "
                  f"of a core, orte-cli watch {100 * c:.2f} % ({r / c:.1f}x)")
        finally:
            stop(procs)
        # The day in a real window where an X server can be had (Xvfb), else offscreen.
        day_cmd = [os.path.join(BUILD, "orte-bench-recorder"), "day", work]
        day_env = env
        if shutil.which("xvfb-run"):
            day_cmd = ["xvfb-run", "-a", "-s", "-screen 0 1366x768x24"] + day_cmd
            day_env = dict(os.environ, QT_QPA_PLATFORM="xcb")
            print("the day in a window on Xvfb (1366x768):")
        else:
            print("the day offscreen (no xvfb-run here):")
        day = subprocess.run(day_cmd, env=day_env, capture_output=True, text=True, check=True)
        print(day.stdout, end="")


if __name__ == "__main__":
    main()
