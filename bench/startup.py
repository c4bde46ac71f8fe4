#!/usr/bin/env python3
"""Start-up time (exec to window mapped) and resident memory after start-up, under Xvfb.

Usage: /usr/bin/python3 bench/startup.py [runs]   (build first: scripts/build.sh)
Prints the median and the spread over the runs.
"""
import os
import statistics
import sys
import time

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "tests", "e2e"))
from harness import Xvfb, Zelka  # noqa: E402


def rss_kib(pid):
    with open(f"/proc/{pid}/status") as f:
        for line in f:
            if line.startswith("VmRSS:"):
                return int(line.split()[1])
    return 0


def main():
    runs = int(sys.argv[1]) if len(sys.argv) > 1 else 9
    times, rss = [], []
    with Xvfb() as x:
        for _ in range(runs):
            run = Zelka(x).start()
            face = run.wait_face()
            mapped = time.monotonic()
            if not face:
                sys.exit("the window never appeared")
            times.append((mapped - run.started) * 1000)
            time.sleep(2)
            rss.append(rss_kib(run.proc.pid) / 1024)
            x.close_request(face[0])
            run.wait_exit()
            run.cleanup()
    print(f"runs: {runs}")
    print(f"exec to window mapped: median {statistics.median(times):.0f} ms "
          f"(min {min(times):.0f}, max {max(times):.0f})")
    print(f"resident memory after start-up: median {statistics.median(rss):.1f} MiB "
          f"(min {min(rss):.1f}, max {max(rss):.1f})")


if __name__ == "__main__":
    main()
