#!/usr/bin/env python3
"""Measures orte-cli at a plant's scale: 30 converters on one line (orte-sim at wire timing)
at 9600 and 115200 8N1, polled as fast as the line allows: each converter's cycle beside the
wire's own limit (a request, a reply, the 3.5-character gaps); and over Modbus TCP to the
broker of this machine: MQTT messages a second, and watch's CPU with and without MQTT.
A benchmark, not a test: it prints figures.

Usage: [ORTE_BENCH_BUILD_DIR=DIR] bench/plant.py
"""

import csv
import os
import resource
import shutil
import socket
import statistics
import subprocess
import sys
import tempfile
import time

from benchlib import build, stop, wait_for

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
BUILD = os.environ.get("ORTE_BENCH_BUILD_DIR", os.path.join(ROOT, "..", "build-bench"))
CONVERTERS = 30
POLLS = 12  # each converter's


def wire_limit_ms(baud):
    """One exchange on the wire, a measurement and a status reply in turn: the request (8
    bytes), the slave's 3.5-character pause, the reply (29 or 6 bytes: 17.5 on average), the
    master's frame gap (3.5 characters, at least 1.75 ms)."""
    char_ms = 10 * 1000.0 / baud
    return (8 + 17.5 + 3.5) * char_ms + max(3.5 * char_ms, 1.75)


def cpu_s(proc):
    """Waits for `proc` and returns its user and system CPU seconds."""
    _, _, usage = os.wait4(proc.pid, 0)
    proc.returncode = 0
    return usage.ru_utime + usage.ru_stime


def line_cycle(work, baud):
    port = os.path.join(work, "line-%d" % baud)
    sim = subprocess.Popen([os.path.join(BUILD, "orte-sim"), "--pty", "--link", port, "--baud",
                            str(baud), "--address", "1-%d" % CONVERTERS, "--wire-timing"],
                           stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    try:
        if not wait_for(lambda: os.path.exists(port), 10):
            sys.exit("bench: the simulator did not start")
        rows = os.path.join(work, "rows-%d.csv" % baud)
        subprocess.run([os.path.join(BUILD, "orte-cli"), "watch", port, "--baud", str(baud),
                        "--parity", "none", "--stop-bits", "1", "--address",
                        "1-%d" % CONVERTERS, "--interval", "50", "--polls", str(POLLS),
                        "--csv-plain", rows], check=True, stdout=subprocess.DEVNULL)
    finally:
        stop([sim])
    times = {}
    with open(rows) as f:
        for row in csv.DictReader(f):
            stamp = time.mktime(time.strptime(row["time"][:19], "%Y-%m-%dT%H:%M:%S"))
            times.setdefault(row["address"], []).append(stamp + float(row["time"][19:] or 0))
    cycles = [b - a for t in times.values() for a, b in zip(t[1:], t[2:])]
    return statistics.median(cycles) * 1000, CONVERTERS * wire_limit_ms(baud)


def free_port():
    with socket.socket() as s:
        s.bind(("127.0.0.1", 0))
        return s.getsockname()[1]


def mqtt_rate(work):
    broker_port = free_port()
    procs = [subprocess.Popen(["mosquitto", "-p", str(broker_port)], stdout=subprocess.DEVNULL,
                              stderr=subprocess.DEVNULL)]
    try:
        sim = subprocess.Popen([os.path.join(BUILD, "orte-sim"), "--tcp", "0", "--address",
                                "1-%d" % CONVERTERS], stdout=subprocess.PIPE,
                               stderr=subprocess.DEVNULL, text=True)
        procs.append(sim)
        url = sim.stdout.readline().strip()
        time.sleep(0.5)  # the broker's start; a lost first message would only lower the rate
        # To a file: a pipe nobody reads during the run would fill and stop the subscriber.
        heard = open(os.path.join(work, "heard"), "wb")
        sub = subprocess.Popen(["mosquitto_sub", "-p", str(broker_port), "-t", "orte/+/state",
                                "-q", "1"], stdout=heard, stderr=subprocess.DEVNULL)
        procs.append(sub)
        figures = {}
        for mqtt in (False, True):
            args = [os.path.join(BUILD, "orte-cli"), "watch", url, "--address",
                    "1-%d" % CONVERTERS, "--interval", "50", "--polls", "100"]
            if mqtt:
                args += ["--mqtt", "mqtt://127.0.0.1:%d/orte" % broker_port]
            began = time.monotonic()
            watch = subprocess.Popen(args, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
            cpu = cpu_s(watch)
            figures[mqtt] = (cpu, time.monotonic() - began)
        sub.terminate()
        sub.wait(10)
        heard.close()
        with open(os.path.join(work, "heard"), "rb") as f:
            received = f.read().count(b"\n")
    finally:
        stop(procs)
    return figures, received


def main():
    if not shutil.which("mosquitto"):
        subprocess.run([os.path.join(ROOT, "scripts", "deps"), "bench"], check=True)
    build(ROOT, BUILD, ["orte-cli", "orte-sim"])
    with tempfile.TemporaryDirectory() as work:
        print("%d converters on one line, each polled as fast as the line allows:" % CONVERTERS)
        for baud in (9600, 115200):
            cycle, limit = line_cycle(work, baud)
            print("  %6d 8N1: a converter's cycle %.0f ms; the wire's limit %.0f ms (%.0f %%)"
                  % (baud, cycle, limit, 100 * limit / cycle))
        figures, received = mqtt_rate(work)
        (cpu_plain, wall_plain), (cpu_mqtt, wall_mqtt) = figures[False], figures[True]
        polls = CONVERTERS * 100
        print("Modbus TCP, %d converters, %d polls each run:" % (CONVERTERS, 100))
        print("  without MQTT: %.1f s, CPU %.2f s (%.0f us a poll)"
              % (wall_plain, cpu_plain, 1e6 * cpu_plain / polls))
        print("  with MQTT:    %.1f s, CPU %.2f s (%.0f us a poll); %d messages at %.0f a second"
              % (wall_mqtt, cpu_mqtt, 1e6 * cpu_mqtt / polls, received, received / wall_mqtt))


if __name__ == "__main__":
    main()
