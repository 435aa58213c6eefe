#!/usr/bin/env python3
"""Measures how long orte-cli scan takes over the default settings (eleven speeds, three
parities, two stop-bit counts, addresses 1-128), against orte-sim at wire timing, beside a
baseline build of an earlier revision in the same run:
  - a search of a silent line: the first pass alone (this build prints when the second
    begins), and the whole search;
  - finding converters at 9600 8N1 address 1, 19200 8O2 address 37 and 1200 8E1 address 128.
Every case runs at once on a simulator of its own (the time is the line's, not the CPU's).
A benchmark, not a test: it prints figures.

Usage: ORTE_BENCH_BASELINE=REV [ORTE_BENCH_BUILD_DIR=DIR] bench/scan.py
"""

import os
import select
import subprocess
import sys
import tempfile
import time

from benchlib import build, wait_for

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
BUILD = os.environ.get("ORTE_BENCH_BUILD_DIR", os.path.join(ROOT, "..", "build-bench"))
BASELINE = os.environ.get("ORTE_BENCH_BASELINE", "")
CASES = [("silent line", None), ("9600 8N1 address 1", ("9600", "none", "1", "1")),
         ("19200 8O2 address 37", ("19200", "odd", "2", "37")),
         ("1200 8E1 address 128", ("1200", "even", "1", "128"))]


def start(work, build_dir, name, case):
    """Starts a simulator (silent: at an address the search never tries) and the search."""
    port = os.path.join(work, name)
    baud, parity, stops, address = case or ("9600", "none", "1", "200")
    sim = subprocess.Popen([os.path.join(build_dir, "orte-sim"), "--pty", "--link", port,
                            "--baud", baud, "--parity", parity, "--stop-bits", stops,
                            "--address", address, "--wire-timing"],
                           stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    if not wait_for(lambda: os.path.exists(port), 10):
        sys.exit("bench: the simulator did not start")
    # A pseudo-terminal as standard error, so that the progress line says the pass.
    master, slave = os.openpty()
    scan = subprocess.Popen([os.path.join(build_dir, "orte-cli"), "scan", port],
                            stdout=subprocess.PIPE, stderr=slave, text=True)
    os.close(slave)
    return {"sim": sim, "scan": scan, "tty": master, "began": time.monotonic(),
            "first_pass": None, "seen": b""}


def watch_progress(run):
    """Notes when the progress line first says the second pass."""
    try:
        while select.select([run["tty"]], [], [], 0)[0]:
            run["seen"] = (run["seen"] + os.read(run["tty"], 65536))[-4096:]
    except OSError:
        return
    if run["first_pass"] is None and (b"second pass" in run["seen"]
                                      or "второй проход".encode() in run["seen"]):
        run["first_pass"] = time.monotonic() - run["began"]


def main():
    if not BASELINE:
        sys.exit("bench: ORTE_BENCH_BASELINE=REV names the revision to compare with")
    build(ROOT, BUILD, ["orte-sim", "orte-cli"])
    base_src = tempfile.mkdtemp(prefix="orte-scan-baseline-")
    base_build = BUILD + "-baseline"
    subprocess.run(["git", "-C", ROOT, "worktree", "add", "--detach", "-q", base_src, BASELINE],
                   check=True)
    try:
        build(base_src, base_build, ["orte-sim", "orte-cli"])
        with tempfile.TemporaryDirectory() as work:
            runs = {}
            for label, case in CASES:
                for which, folder in (("this", BUILD), ("baseline", base_build)):
                    name = f"{which}-{label.replace(' ', '-')}"
                    runs[(label, which)] = start(work, folder, name, case)
            while any(r["scan"].poll() is None for r in runs.values()):
                for r in runs.values():
                    if r["scan"].poll() is None:
                        watch_progress(r)
                for r in runs.values():
                    if r["scan"].poll() is not None and "ended" not in r:
                        r["ended"] = time.monotonic() - r["began"]
                time.sleep(0.05)
            for r in runs.values():
                r.setdefault("ended", time.monotonic() - r["began"])
                r["sim"].terminate()
                r["sim"].wait()
                os.close(r["tty"])
            print(f"orte-cli scan over the default settings (8448 tries a pass), this build "
                  f"beside {BASELINE}:")
            for label, _ in CASES:
                this, base = runs[(label, "this")], runs[(label, "baseline")]
                first = (f"; first pass {this['first_pass']:.0f} s"
                         if this["first_pass"] is not None else "")
                print(f"  {label}: {this['ended']:.1f} s{first} (exit "
                      f"{this['scan'].returncode}); baseline {base['ended']:.1f} s (exit "
                      f"{base['scan'].returncode})")
    finally:
        subprocess.run(["git", "-C", ROOT, "worktree", "remove", "--force", base_src])


if __name__ == "__main__":
    main()
