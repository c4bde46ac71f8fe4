#!/usr/bin/env python3
"""Context switches per second of each of the clock's threads while an alarm rings.

Usage: /usr/bin/python3 bench/ringthreads.py [runs] [sound]   (after scripts/build.sh;
default 3 runs of about 25 s, sound Ring.wav). Each run starts the clock under Xvfb with its
wall clock two seconds before an alarm, waits 3 s into the ringing and counts the voluntary
and involuntary switches of every thread over 15 s, by the thread's name. Prints each run and
the medians. SDL's dummy driver stands in for a sound server, as in footprint.py.
"""
import os
import statistics
import sys
import time

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, os.path.join(HERE, "..", "tests", "e2e"))
from harness import Xvfb, Zelka  # noqa: E402


def threads(pid):
    """Switches so far of each thread, summed by name (two threads may share one)."""
    counts = {}
    for tid in os.listdir(f"/proc/{pid}/task"):
        try:
            with open(f"/proc/{pid}/task/{tid}/status") as f:
                fields = dict(l.split(":", 1) for l in f if ":" in l)
        except FileNotFoundError:
            continue
        name = fields["Name"].strip()
        voluntary = int(fields["voluntary_ctxt_switches"])
        forced = int(fields["nonvoluntary_ctxt_switches"])
        counts[name] = tuple(a + b for a, b in zip(counts.get(name, (0, 0)), (voluntary, forced)))
    return counts


def one_run(x, sound, seconds=15):
    run = Zelka(x)
    try:
        face = run.start_before((7, 30, "", 0, sound))
        if not face:
            raise RuntimeError("no face")
        time.sleep(2 + 3)
        t0, before = time.monotonic(), threads(run.proc.pid)
        time.sleep(seconds)
        t1, after = time.monotonic(), threads(run.proc.pid)
        span = t1 - t0
        rates = {}
        for name, (v, f) in after.items():
            v0, f0 = before.get(name, (0, 0))
            rates[name] = ((v - v0) / span, (f - f0) / span)
        return rates
    finally:
        run.cleanup()


def main():
    runs = int(sys.argv[1]) if len(sys.argv) > 1 else 3
    sound = sys.argv[2] if len(sys.argv) > 2 else "Ring.wav"
    results = []
    with Xvfb() as x:
        for i in range(runs):
            rates = one_run(x, sound)
            total = sum(v + f for v, f in rates.values())
            results.append((total, rates))
            print(f"run {i + 1}: {total:.1f} /s  " + ", ".join(
                f"{name} {v:.1f}+{f:.1f}" for name, (v, f) in sorted(rates.items())
                if v + f >= 0.05))
    print(f"median of {runs} runs: {statistics.median(t for t, _ in results):.1f} "
          "context switches/s while ringing (voluntary+involuntary per thread above)")


if __name__ == "__main__":
    main()
