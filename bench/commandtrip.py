#!/usr/bin/env python3
"""A command's round trip to the running clock: `zelka --list` and `zelka --add` against a
clock under Xvfb, from exec to exit, and the same --list with no clock running.

Usage: /usr/bin/python3 bench/commandtrip.py [runs]   (after scripts/build.sh; default 20).
Prints the median, the fastest and the slowest of each, in milliseconds.
"""
import os
import statistics
import subprocess
import sys
import time

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, os.path.join(HERE, "..", "tests", "e2e"))
from harness import BINARY, Xvfb, Zelka  # noqa: E402


def timed(run, runs, *args):
    spans = []
    for _ in range(runs):
        started = time.monotonic()
        done = subprocess.run([BINARY, *args], cwd=run.dir, env=run.env, capture_output=True)
        spans.append((time.monotonic() - started) * 1000)
        if done.returncode != 0:
            raise RuntimeError(done.stderr.decode())
    return spans


def show(name, spans):
    print(f"{name:32} median {statistics.median(spans):6.1f} ms  "
          f"(fastest {min(spans):.1f}, slowest {max(spans):.1f}, {len(spans)} runs)")


def main():
    runs = int(sys.argv[1]) if len(sys.argv) > 1 else 20
    with Xvfb() as x:
        run = Zelka(x)
        try:
            show("--list, no clock running", timed(run, runs, "--list"))
            run.start()
            if not run.wait_face():
                raise RuntimeError("no face")
            time.sleep(1)
            show("--list to the running clock", timed(run, runs, "--list"))
            show("--add to the running clock", timed(run, runs, "--add", "07:30"))
        finally:
            run.cleanup()


if __name__ == "__main__":
    main()
