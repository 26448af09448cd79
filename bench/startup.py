#!/usr/bin/python3
"""Start-up time and peak memory of programs that open one window, compared with each other.

Two start-up figures, both from just before the process is spawned:
- mapped: the X server's MapNotify for the process's top-level window (the one whose _NET_WM_PID
  is the process);
- first frame: the first damage the window's own drawing causes on the screen (the DAMAGE
  extension, watched on the root window), i.e. when its content can first be seen. A program
  may map its window before it has done its font and layout work and pay for it after the map;
  this figure counts that work wherever it falls.
The watcher blocks on the X connection's socket, so neither figure is rounded to any polling
interval. CPU time (user + system) of each run comes from wait4(); it covers the whole run, the
moment the window is left to paint and its closing included, and is much less disturbed by other
load on the machine than the wall-clock figures. Peak resident memory comes from /usr/bin/time -v
in separate runs, so that the extra process of `time` does not enter the start-up figures.

Runs alternate between the programs (in ABBA order, so none always goes first). Each window is
left to paint for a moment and then closed the way a window manager closes it. Every program
named is compared with the last one, by ratio and by difference.

Run it in an X session without a window manager, e.g. under xvfb-run and dbus-run-session:
    startup.py --runs 21 valtessa=build/shell/valtessa minimal=build/bench/bench_minimal_window
    startup.py --runs 7 --no-goals "quiz=build/shell/valtessa quiz.csv" \
        "other=build/shell/valtessa other.csv" built-in=build/shell/valtessa
"""

import argparse
import json
import os
import re
import select
import shlex
import statistics
import sys
import tempfile
import time

from Xlib import X, display, error, protocol
from Xlib.ext import damage

SETTLE_SECONDS = 0.5
TIMEOUT_SECONDS = 30.0


class Watcher:
    def __init__(self):
        self.display = display.Display()
        self.root = self.display.screen().root
        self.root.change_attributes(event_mask=X.SubstructureNotifyMask)
        self.display.damage_query_version()
        # Drawing into any window shows as damage on the root window.
        self.damage = self.root.damage_create(damage.DamageReportRawRectangles)
        self.net_wm_pid = self.display.intern_atom("_NET_WM_PID")
        self.wm_protocols = self.display.intern_atom("WM_PROTOCOLS")
        self.wm_delete = self.display.intern_atom("WM_DELETE_WINDOW")
        self.display.sync()

    def drain(self):
        self.display.sync()
        while self.display.pending_events():
            self.display.next_event()

    def events(self):
        """Yields (monotonic ns when read, event) until TIMEOUT_SECONDS pass."""
        deadline = time.monotonic() + TIMEOUT_SECONDS
        while True:
            while self.display.pending_events():
                event = self.display.next_event()
                yield time.perf_counter_ns(), event
            remaining = deadline - time.monotonic()
            if remaining <= 0:
                raise TimeoutError("the window did not appear")
            select.select([self.display], [], [], remaining)

    def wait_for_window(self, accept):
        """Waits for a top-level window whose owner pid passes accept(pid) to be mapped and then
        drawn. Returns (ns at the MapNotify, ns at its first damage, window)."""
        mapped, window, area = None, None, None
        for arrived, event in self.events():
            if mapped is None:
                if event.type != X.MapNotify or event.override:
                    continue
                pid = self.owner(event.window)
                if pid is not None and accept(pid):
                    mapped, window = arrived, event.window
                    geometry = window.get_geometry()
                    area = (geometry.x, geometry.y, geometry.width, geometry.height)
            elif type(event).__name__ == "DamageNotify" and overlaps(event.area, area):
                return mapped, arrived, window

    def owner(self, window):
        try:
            prop = window.get_full_property(self.net_wm_pid, X.AnyPropertyType)
        except error.XError:
            return None
        return int(prop.value[0]) if prop is not None and len(prop.value) else None

    def close(self, window):
        event = protocol.event.ClientMessage(
            window=window, client_type=self.wm_protocols,
            data=(32, [self.wm_delete, X.CurrentTime, 0, 0, 0]))
        window.send_event(event, event_mask=X.NoEventMask)
        self.display.flush()


def overlaps(rect, area):
    x, y, width, height = area
    return (rect.x < x + width and x < rect.x + rect.width
            and rect.y < y + height and y < rect.y + rect.height)


def parent_of(pid):
    try:
        with open(f"/proc/{pid}/stat") as stat:
            return int(stat.read().rsplit(")", 1)[1].split()[1])
    except OSError:
        return None


def wait_exit(pid):
    deadline = time.monotonic() + TIMEOUT_SECONDS
    while time.monotonic() < deadline:
        done, status, usage = os.wait4(pid, os.WNOHANG)
        if done == pid:
            return os.waitstatus_to_exitcode(status), usage
        time.sleep(0.01)
    os.kill(pid, 9)
    os.wait4(pid, 0)
    raise TimeoutError(f"process {pid} did not end when its window was closed")


def timed_run(watcher, program):
    """Milliseconds to the map and to the first frame, and CPU milliseconds, of one run of
    program, a command line as a list."""
    watcher.drain()
    started = time.perf_counter_ns()
    pid = os.posix_spawn(program[0], program, os.environ)
    mapped, drawn, window = watcher.wait_for_window(lambda owner: owner == pid)
    time.sleep(SETTLE_SECONDS)
    watcher.close(window)
    status, usage = wait_exit(pid)
    if status != 0:
        raise RuntimeError(f"{program} ended with status {status}")
    return ((mapped - started) / 1e6, (drawn - started) / 1e6,
            (usage.ru_utime + usage.ru_stime) * 1000)


def memory_run(watcher, program):
    """Peak resident memory in KiB of one run, as /usr/bin/time -v reports it."""
    watcher.drain()
    with tempfile.NamedTemporaryFile("r", suffix=".time") as report:
        pid = os.posix_spawn("/usr/bin/time",
                             ["/usr/bin/time", "-v", "-o", report.name, *program], os.environ)
        _, _, window = watcher.wait_for_window(lambda owner: parent_of(owner) == pid)
        time.sleep(SETTLE_SECONDS)
        watcher.close(window)
        status, _ = wait_exit(pid)
        text = report.read()
    if status != 0:
        raise RuntimeError(f"{program} ended with status {status}:\n{text}")
    return int(re.search(r"Maximum resident set size \(kbytes\): (\d+)", text).group(1))


def verdict(met):
    return "met" if met else "MISSED"


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    parser.add_argument("--runs", type=int, default=21)
    parser.add_argument("--warm-up", type=int, default=2)
    parser.add_argument("--json", help="write every run's figures to this file")
    parser.add_argument("--no-goals", action="store_true",
                        help="compare only: the start-up goals are for valtessa against the "
                             "minimal window")
    parser.add_argument("programs", nargs="+", metavar="NAME=COMMAND",
                        help="the programs measured, then the one they are compared with; a "
                             "command may carry arguments, quoted as a shell would")
    args = parser.parse_args()
    if len(args.programs) < 2:
        parser.error("name a program to measure and one to compare it with")
    programs = [(name, shlex.split(command))
                for name, command in (p.split("=", 1) for p in args.programs)]
    watcher = Watcher()

    for _ in range(args.warm_up):
        for _, path in programs:
            timed_run(watcher, path)
    runs = {name: {"mapped_ms": [], "first_frame_ms": [], "cpu_ms": [], "peak_rss_kib": []}
            for name, _ in programs}
    for run in range(args.runs):
        order = programs if run % 2 == 0 else programs[::-1]
        for name, path in order:
            for key, value in zip(("mapped_ms", "first_frame_ms", "cpu_ms"),
                                  timed_run(watcher, path)):
                runs[name][key].append(value)
        for name, path in order:
            runs[name]["peak_rss_kib"].append(memory_run(watcher, path))

    subjects = [name for name, _ in programs[:-1]]
    baseline = programs[-1][0]
    median = {name: {key: statistics.median(values) for key, values in figures.items()}
              for name, figures in runs.items()}
    width = max(len(name) for name, _ in programs)
    print(f"start-up, {args.runs} runs of each, alternated; median (min to max):")
    for key, label in (("mapped_ms", "window mapped"), ("first_frame_ms", "first frame drawn"),
                       ("cpu_ms", "CPU time of the run")):
        print(f"  {label}:")
        for name, figures in runs.items():
            values = figures[key]
            print(f"    {name:{width}} {median[name][key]:7.1f} ms  "
                  f"({min(values):.1f} to {max(values):.1f})")
        for subject in subjects:
            ratio = median[subject][key] / median[baseline][key]
            goal = (f"  (goal <= 1.25: {verdict(ratio <= 1.25)})"
                    if key == "mapped_ms" and not args.no_goals else "")
            difference = median[subject][key] - median[baseline][key]
            print(f"    ratio {subject}/{baseline}: {ratio:.3f}, "
                  f"difference {difference:+.1f} ms{goal}")
    print("peak resident memory (/usr/bin/time -v); median (min to max):")
    for name, figures in runs.items():
        values = figures["peak_rss_kib"]
        print(f"    {name:{width}} {median[name]['peak_rss_kib'] / 1024:7.1f} MiB  "
              f"({min(values) / 1024:.1f} to {max(values) / 1024:.1f})")
    for subject in subjects:
        extra = (median[subject]["peak_rss_kib"] - median[baseline]["peak_rss_kib"]) / 1024
        goal = "" if args.no_goals else f" (goal <= 4 MiB: {verdict(extra <= 4)})"
        print(f"    {subject} uses {extra:+.1f} MiB more{goal}")
    if args.json:
        with open(args.json, "w") as out:
            json.dump(runs, out, indent=1)
    return 0


if __name__ == "__main__":
    sys.exit(main())
