#!/usr/bin/python3
"""The classroom round under load: the teacher's real program (offscreen) hosts the battles for
40 pupils, each on a machine of its own. First every pupil plays a whole round with random right
and wrong checks, all at once; then every pupil makes 2 000 checks as fast as the host answers,
a new attempt (a practice or not, at random) after each finished one. Every verdict, summary and
new attempt is held against what a round alone gives; every text the host sent is searched for
the answer key; the saved results must be what was played, to the count. Prints the figures:
round trips, the host's CPU and memory, messages a second.

Usage: load_run.py VALTESSA TABLE_JSON [--pupils N] [--checks N] [--figures]
--figures prints the figures also as the lines of BENCHMARKS.md's table."""

import argparse
import asyncio
import os
import statistics
import time

from lab import Lab, Pupil, check, check_results, search

PORT = 47490


def quantile(values, q):
    ordered = sorted(values)
    return ordered[min(len(ordered) - 1, int(q * len(ordered)))]


async def phase(host, pupils, play):
    """Runs play for every pupil at once; the phase's figures."""
    trips_before = [len(p.round_trips) for p in pupils]
    messages_before = sum(len(p.transcript) for p in pupils)
    cpu, client, started = host.cpu_seconds(), time.process_time(), time.monotonic()
    tasks = [asyncio.create_task(play(p)) for p in pupils]
    try:
        await asyncio.gather(*tasks)
    finally:  # one pupil's failure ends the run
        for task in tasks:
            task.cancel()
        await asyncio.gather(*tasks, return_exceptions=True)
    wall = time.monotonic() - started
    trips = [t for p, n in zip(pupils, trips_before) for t in p.round_trips[n:]]
    return {"checks": len(trips), "seconds": wall,
            "median": statistics.median(trips) * 1000, "p99": quantile(trips, 0.99) * 1000,
            "max": max(trips) * 1000,
            "cpu": (host.cpu_seconds() - cpu) / wall * 100,
            "client": (time.process_time() - client) / wall * 100,
            "messages": (sum(len(p.transcript) for p in pupils) - messages_before) / wall,
            "rss": host.memory_kib("VmRSS") / 1024}


def report(name, figures):
    print(f"{name}: {figures['checks']} requests in {figures['seconds']:.1f} s; round trip "
          f"median {figures['median']:.1f} ms, 99th percentile {figures['p99']:.1f} ms, max "
          f"{figures['max']:.1f} ms; host CPU {figures['cpu']:.0f} % of a core (this client "
          f"{figures['client']:.0f} %); {figures['messages']:.0f} messages a second; host "
          f"resident {figures['rss']:.1f} MiB", flush=True)


def load_average():
    return " ".join(open("/proc/loadavg").read().split()[:3])


async def run(args):
    load_before = load_average()
    lab = Lab(args.valtessa, args.table_json, args.pupils)
    try:
        await load(args, lab, load_before)
    finally:
        await lab.stop()


async def load(args, lab, load_before):
    host = await lab.start_host(gui=False, port=PORT)
    pupils = [Pupil(lab, f"p{n}", f"Ученик {n}") for n in range(1, args.pupils + 1)]
    print(f"{args.pupils} pupils, the host at {host.link}", flush=True)
    start_rss = host.memory_kib("VmRSS")

    async def whole_round(pupil):
        reply = await pupil.join()
        check(reply["type"] == "welcome", f"{pupil.name} joined to {reply}")
        while not pupil.play.finished:
            await pupil.check_choice()

    figures = [await phase(host, pupils, whole_round)]
    report("every pupil a whole round, all at once", figures[0])
    figures.append(await phase(host, pupils, lambda p: p.play_on(args.checks)))
    report(f"{args.checks} checks each, as fast as the host answers", figures[1])
    memory = {key: host.memory_kib(key) / 1024 for key in ("VmHWM", "VmRSS")}
    print(f"host memory: peak {memory['VmHWM']:.1f} MiB, now {memory['VmRSS']:.1f} MiB "
          f"(at the start {start_rss / 1024:.1f} MiB); records "
          f"{os.path.getsize(host.records) / 2**20:.1f} MiB", flush=True)

    searched = sum(search(p, host.game) for p in pupils)
    print(f"searched {searched / 2**20:.1f} MiB the host sent: no answer key", flush=True)
    check_results(lab, host)
    plays = host.game.plays.values()
    print(f"the saved results hold every pupil's {sum(len(p.earlier) + 1 for p in plays)} "
          f"attempts, {sum(p.verdicts for p in pupils)} checks, as played", flush=True)
    check(host.alive(), "the host has ended")
    if args.figures:
        print(f"\nFor BENCHMARKS.md (load average before the run {load_before}, after "
              f"{load_average()}; {os.cpu_count()} cores):")
        for (what, f) in zip(("a whole round each, all at once",
                              f"{args.checks} checks each, as fast as the host answers"),
                             figures):
            print(f"| {args.pupils} pupils, {what} | {f['median']:.1f} ms | {f['p99']:.1f} ms | "
                  f"{f['max']:.0f} ms | {f['cpu']:.0f} % | {f['messages']:.0f} |")
        print(f"| host memory | peak {memory['VmHWM']:.1f} MiB | now {memory['VmRSS']:.1f} MiB "
              f"| | | |")


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("valtessa")
    parser.add_argument("table_json")
    parser.add_argument("--pupils", type=int, default=40)
    parser.add_argument("--checks", type=int, default=2000)
    parser.add_argument("--figures", action="store_true")
    args = parser.parse_args()
    asyncio.run(run(args))


if __name__ == "__main__":
    main()
