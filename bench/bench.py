#!/usr/bin/env python3
"""Measures what the monitor costs, over real virtual serial pairs against orte-sim, and prints
each figure beside a reference measured in the same run:
  - CPU while polling (share of a core, and per exchange) with whole replies and on a
    byte-paced line (--wire-timing), beside a baseline build when ORTE_BENCH_BASELINE names a
    git revision, and beside two Qt floors: a one-label Qt Widgets program waking every
    300 ms, and the same changing its label each time;
  - instructions per exchange (callgrind: repeatable whatever else the machine does);
  - CPU while searching for a converter that is not there;
  - resident memory after start-up and its growth over the soak;
  - the poll period as the converter sees it (median and spread), beside mbpoll;
  - the time from the Старт click to the monitoring page at 1200, 9600 and 115200 baud on a
    paced line, beside the wire limit (request, 3.5 characters of silence, reply).
The window is driven by orte-demo with --quiet, so that nothing but the window runs. A
benchmark, not a test: it prints figures.

Usage: [ORTE_BENCH_BASELINE=REV] [ORTE_BENCH_PHASE=SECONDS] bench/bench.py [SOAK_SECONDS]
"""

import os
import re
import shutil
import statistics
import subprocess
import sys
import tempfile
import time

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
SOAK = int(sys.argv[1]) if len(sys.argv) > 1 else 600
PHASE = int(os.environ.get("ORTE_BENCH_PHASE", "60"))
SEARCHES = int(os.environ.get("ORTE_BENCH_SEARCHES", "50"))
BASELINE = os.environ.get("ORTE_BENCH_BASELINE", "")
BUILD = os.environ.get("ORTE_BENCH_BUILD_DIR", os.path.join(ROOT, "..", "build-bench"))


def run(*args, **kw):
    return subprocess.run(args, check=True, **kw)


def build(source, folder, targets):
    run("cmake", "-S", source, "-B", folder, "-G", "Ninja", "-DCMAKE_BUILD_TYPE=RelWithDebInfo",
        "-DORTE_BUILD_TESTS=OFF", stdout=subprocess.DEVNULL)
    run("cmake", "--build", folder, "--target", *targets, stdout=subprocess.DEVNULL)


def wait_for(condition, seconds=10.0, what="a condition"):
    """Waits for `condition` with a bound, sleeping between looks."""
    deadline = time.monotonic() + seconds
    while not condition():
        if time.monotonic() > deadline:
            sys.exit(f"bench: timed out waiting for {what}")
        time.sleep(0.05)


def cpu_ns(pid):
    with open(f"/proc/{pid}/schedstat") as f:
        return int(f.read().split()[0])


def rss_kib(pid):
    with open(f"/proc/{pid}/status") as f:
        return int(re.search(r"^VmRSS:\s+(\d+)", f.read(), re.M).group(1))


def request_times(trace):
    """Times (ms) of the requests the simulator received, from its trace."""
    if not os.path.exists(trace):
        return []
    with open(trace) as f:
        return [float(w[0]) for w in (line.split() for line in f) if len(w) > 1 and w[1] == "rx"]


class Rig:
    """Processes of one measurement: a socat pair and the simulator, stopped by their handles."""

    def __init__(self, work):
        self.work = work
        self.procs = []

    def start(self, *args, **kw):
        p = subprocess.Popen(args, **kw)
        self.procs.append(p)
        return p

    def pair(self):
        self.monitor = os.path.join(self.work, "monitor")
        converter = os.path.join(self.work, "converter")
        for end in (self.monitor, converter):
            if os.path.lexists(end):
                os.unlink(end)
        self.start("socat", f"pty,raw,echo=0,link={self.monitor}",
                   f"pty,raw,echo=0,link={converter}")
        wait_for(lambda: os.path.exists(self.monitor) and os.path.exists(converter), what="socat")
        return converter

    def sim(self, name, *args):
        converter = self.pair()
        trace = os.path.join(self.work, name + ".trace")
        out = open(trace, "w")
        self.start(os.path.join(BUILD, "orte-sim"), "--device", converter, "--trace", *args,
                   stdout=out)
        wait_for(lambda: os.path.getsize(trace) > 0, what="orte-sim")
        return trace

    def stop(self):
        for p in reversed(self.procs):
            if p.poll() is None:
                p.terminate()
                p.wait()
        self.procs = []


def measure(rig, pid, seconds, trace, warm_up=3):
    """CPU share, CPU per exchange and memory of `pid` over `seconds`, after `warm_up`
    requests have gone by."""
    wait_for(lambda: len(request_times(trace)) >= warm_up, what="the first requests")
    rss = [rss_kib(pid)]
    c0, t0, n0 = cpu_ns(pid), time.monotonic(), len(request_times(trace))
    deadline = t0 + seconds
    while time.monotonic() < deadline:
        time.sleep(min(1.0, max(0.0, deadline - time.monotonic())))
        rss.append(rss_kib(pid))
    c1, t1, n1 = cpu_ns(pid), time.monotonic(), len(request_times(trace))
    return {
        "cpu": 100.0 * (c1 - c0) / 1e9 / (t1 - t0),
        "us": (c1 - c0) / 1000.0 / (n1 - n0) if n1 > n0 else None,
        "rss_start": rss[0], "rss_end": rss[-1], "rss_max": max(rss),
    }


def poll_run(rig, demo, seconds, name, *sim_args):
    trace = rig.sim(name, *sim_args)
    p = rig.start(demo, "--headless", "--quiet", "--port", rig.monitor, "--seconds",
                  str(seconds + 10), "--shots", rig.work, stdout=subprocess.DEVNULL,
                  stderr=subprocess.DEVNULL)
    result = measure(rig, p.pid, seconds, trace)
    result["trace"] = trace
    rig.stop()
    return result


def instructions_per_exchange(rig, demo, name, *sim_args):
    """callgrind over the headless wait of a 10 s and a 30 s run: their difference leaves out
    start-up."""
    counts = []
    for secs in (10, 30):
        trace = rig.sim(f"{name}-{secs}", *sim_args)
        out = os.path.join(rig.work, f"{name}-{secs}.cg")
        subprocess.run(["valgrind", "--tool=callgrind", "--collect-atstart=no",
                        "--toggle-collect=*wait_ms*", f"--callgrind-out-file={out}", demo,
                        "--headless", "--quiet", "--port", rig.monitor, "--seconds", str(secs),
                        "--shots", rig.work], stdout=subprocess.DEVNULL,
                       stderr=subprocess.DEVNULL)
        rig.stop()
        totals = subprocess.run(["callgrind_annotate", out], capture_output=True, text=True).stdout
        m = re.search(r"([\d,]+)\s+\(?.*PROGRAM TOTALS", totals)
        counts.append((int(m.group(1).replace(",", "")) if m else 0, len(request_times(trace))))
    (ir10, n10), (ir30, n30) = counts
    return (ir30 - ir10) / (n30 - n10) if n30 > n10 else None


def idle_cpu(rig, seconds, *command):
    p = rig.start(*command, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    wait_for(lambda: cpu_ns(p.pid) > 0, what=command[0])
    c0, t0 = cpu_ns(p.pid), time.monotonic()
    time.sleep(seconds)
    share = 100.0 * (cpu_ns(p.pid) - c0) / 1e9 / (time.monotonic() - t0)
    rig.stop()
    return share


def period_stats(trace, skip):
    times = request_times(trace)[skip:]
    gaps = sorted(b - a for a, b in zip(times, times[1:]))
    if len(gaps) < 3:
        return None, None, None, len(gaps)
    lo, hi = gaps[int(len(gaps) * 0.01)], gaps[max(int(len(gaps) * 0.99) - 1, 0)]
    return statistics.median(gaps), statistics.pstdev(gaps), hi - lo, len(gaps)


def fmt(v, digits=2):
    if v is None or v == "-":
        return "-"
    return f"{v:.{digits}f}" if isinstance(v, float) else str(v)


def ratio(a, b):
    return f"{a / b:.2f}" if isinstance(a, (int, float)) and isinstance(b, (int, float)) and b else "-"


def row(name, ours, ref, digits=2):
    print(f"{name:<46} {fmt(ours, digits):>12} {fmt(ref, digits):>12} {ratio(ours, ref):>8}")


def main():
    run(os.path.join(ROOT, "scripts", "deps"), "bench", stdout=subprocess.DEVNULL)
    build(ROOT, BUILD, ["orte-demo", "orte-sim", "orte-bench-floor"])
    work = tempfile.mkdtemp()
    os.environ.update(QT_QPA_PLATFORM="offscreen", LANG="C.UTF-8")
    os.environ.setdefault("XDG_RUNTIME_DIR", work)
    rig = Rig(work)
    demo = os.path.join(BUILD, "orte-demo")
    base_demo = None
    try:
        if BASELINE:
            # That revision as it is, in a folder of its own.
            base = os.path.join(work, "base")
            run("git", "-C", ROOT, "worktree", "add", "--detach", "-q", base, BASELINE)
            build(base, os.path.join(base, "build"), ["orte-demo"])
            base_demo = os.path.join(base, "build", "orte-demo")

        print(f"Soak: {SOAK} s, other phases {PHASE} s, 9600 baud 8N1. "
              f"Machine: {os.cpu_count()} cores.")
        whole = poll_run(rig, demo, SOAK, "whole")
        paced = poll_run(rig, demo, PHASE, "paced", "--wire-timing")
        base_whole = poll_run(rig, base_demo, PHASE, "base-whole") if base_demo else {}
        base_paced = (poll_run(rig, base_demo, PHASE, "base-paced", "--wire-timing")
                      if base_demo else {})
        ir_whole = instructions_per_exchange(rig, demo, "ir-whole")
        ir_paced = instructions_per_exchange(rig, demo, "ir-paced", "--wire-timing")
        base_ir_whole = instructions_per_exchange(rig, base_demo, "b-ir-whole") if base_demo else None
        base_ir_paced = (instructions_per_exchange(rig, base_demo, "b-ir-paced", "--wire-timing")
                         if base_demo else None)

        floor = os.path.join(BUILD, "orte-bench-floor")
        floor_idle = idle_cpu(rig, PHASE, floor)
        floor_label = idle_cpu(rig, PHASE, floor, "changing")

        # Failed searches: nobody answers at this address.
        rig.sim("search", "--address", "2")
        p = rig.start(demo, "--headless", "--port", rig.monitor, "--searches", str(SEARCHES),
                      stdout=subprocess.PIPE, stderr=subprocess.DEVNULL, text=True)
        wait_for(lambda: cpu_ns(p.pid) > 0, what="orte-demo")
        c0, t0, c1 = cpu_ns(p.pid), time.monotonic(), cpu_ns(p.pid)
        while p.poll() is None:
            try:
                c1 = cpu_ns(p.pid)
            except OSError:
                break
            time.sleep(0.2)
        search_cpu = 100.0 * (c1 - c0) / 1e9 / (time.monotonic() - t0)
        search_out = p.stdout.read().splitlines()
        rig.stop()

        # From the Старт click to the monitoring page on a paced line.
        found_ms = {}
        for baud in (1200, 9600, 115200):
            rig.sim(f"found-{baud}", "--baud", str(baud), "--wire-timing")
            out = subprocess.run([demo, "--headless", "--port", rig.monitor, "--baud", str(baud),
                                  "--searches", "10"], capture_output=True, text=True).stdout
            m = re.search(r"Start to monitoring page: median ([\d.]+) ms", out)
            found_ms[baud] = float(m.group(1)) if m else None
            rig.stop()

        # mbpoll against the same simulator: one request every 300 ms.
        trace = rig.sim("mbpoll")
        p = rig.start("mbpoll", "-m", "rtu", "-b", "9600", "-P", "none", "-a", "1", "-t", "3",
                      "-0", "-r", "0", "-c", "12", "-l", "300", rig.monitor,
                      stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        mb = measure(rig, p.pid, PHASE, trace)
        rig.stop()
        m_median, m_sd, m_range, m_count = period_stats(whole["trace"], 1)
        b_median, b_sd, b_range, b_count = period_stats(trace, 0)
    finally:
        rig.stop()
        if base_demo:
            subprocess.run(["git", "-C", ROOT, "worktree", "remove", "--force",
                            os.path.join(work, "base")])
        shutil.rmtree(work, ignore_errors=True)

    print()
    print(f"{'':<46} {'orte-monitor':>12} {'reference':>12} {'ratio':>8}")
    row("CPU per exchange, whole replies, us", whole["us"], base_whole.get("us"), 0)
    row("CPU per exchange, paced line, us", paced["us"], base_paced.get("us"), 0)
    row("CPU polling, whole replies, % of a core", whole["cpu"], base_whole.get("cpu"), 3)
    row("CPU polling, paced line, % of a core", paced["cpu"], base_paced.get("cpu"), 3)
    row("instructions per exchange, whole replies", ir_whole, base_ir_whole, 0)
    row("instructions per exchange, paced line", ir_paced, base_ir_paced, 0)
    print(f"  reference: the baseline build ({BASELINE or 'none'})")
    row("CPU polling vs Qt floor (timer only), %", whole["cpu"], floor_idle, 3)
    row("CPU polling vs Qt floor (label changing), %", whole["cpu"], floor_label, 3)
    row("CPU polling vs mbpoll, % of a core", whole["cpu"], mb["cpu"], 3)
    row("CPU per exchange vs mbpoll, us", whole["us"], mb["us"], 0)
    row(f"CPU during {SEARCHES} failed searches, %", search_cpu, "-", 3)
    for baud, ms in found_ms.items():
        row(f"Старт to monitoring page at {baud}, ms (wire)", ms, 26.5 * 10 * 1000 / baud, 1)
    row("resident memory after start-up, KiB (mbpoll)", whole["rss_start"], mb["rss_start"])
    row("growth over the soak (end - start), KiB", whole["rss_end"] - whole["rss_start"], "-")
    row("highest resident memory seen, KiB", whole["rss_max"], "-")
    row("poll period median, ms (mbpoll)", m_median, b_median)
    row("poll period standard deviation, ms (mbpoll)", m_sd, b_sd)
    row("poll period 1st-99th percentile range, ms", m_range, b_range)
    row("requests measured (mbpoll)", m_count, b_count)
    print()
    print(f"Searches: {search_out[0] if search_out else '-'}")
    print("Goals: polling under 0.5 % of a core, failed searches near zero, no memory growth,")
    print("period median within 1 ms of 300 with a spread under 5 ms.")


if __name__ == "__main__":
    main()
