#!/usr/bin/env python3
"""Idle and ringing footprint of the real clock under Xvfb.

Usage: /usr/bin/python3 bench/footprint.py [idle_seconds] [ringing_seconds]
(after scripts/build.sh; defaults 60 and 20). SDL's dummy audio driver stands in for a
sound server, so the ringing figures include mixing the looping sound.

Reports, for each phase: CPU time as a share of one core, context switches per second
summed over all threads (voluntary + involuntary: each is a wake-up), resident memory,
the thread count, and whether any audio device or sound-server socket is open.
"""
import os
import sys
import time

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "tests", "e2e"))
from harness import Xvfb, Zelka, wait_until  # noqa: E402
from settingsbytes import settings_file  # noqa: E402

TICK = os.sysconf("SC_CLK_TCK")


def sample(pid):
    cpu = switches = 0
    tasks = os.listdir(f"/proc/{pid}/task")
    for tid in tasks:
        with open(f"/proc/{pid}/task/{tid}/stat") as f:
            fields = f.read().rsplit(")", 1)[1].split()
        cpu += int(fields[11]) + int(fields[12])  # utime + stime
        with open(f"/proc/{pid}/task/{tid}/status") as f:
            for line in f:
                if "ctxt_switches" in line:
                    switches += int(line.split()[1])
    with open(f"/proc/{pid}/status") as f:
        rss = next(int(l.split()[1]) for l in f if l.startswith("VmRSS:"))
    return time.monotonic(), cpu / TICK, switches, rss / 1024, len(tasks)


def audio_open(pid):
    for fd in os.listdir(f"/proc/{pid}/fd"):
        try:
            target = os.readlink(f"/proc/{pid}/fd/{fd}")
        except OSError:
            continue
        if target.startswith("/dev/snd"):
            return True
    # SDL's audio thread exists only while a device is open.
    for tid in os.listdir(f"/proc/{pid}/task"):
        with open(f"/proc/{pid}/task/{tid}/comm") as f:
            if f.read().strip().startswith("SDLAudio"):
                return True
    return False


def measure(pid, seconds, label):
    t0, c0, s0, _, _ = sample(pid)
    time.sleep(seconds)
    t1, c1, s1, rss, threads = sample(pid)
    span = t1 - t0
    print(f"{label:8s} {span:5.0f} s  CPU {100 * (c1 - c0) / span:5.2f} %  "
          f"wake-ups {(s1 - s0) / span:6.1f}/s  RSS {rss:5.1f} MiB  threads {threads}  "
          f"audio open: {'yes' if audio_open(pid) else 'no'}")


def main():
    idle = float(sys.argv[1]) if len(sys.argv) > 1 else 60
    ringing = float(sys.argv[2]) if len(sys.argv) > 2 else 20
    with Xvfb() as x:
        # An alarm far enough ahead to leave room for the idle phase.
        start = time.time()
        at = time.localtime(start + idle + 75)
        run = Zelka(x)
        run.write(settings_file(alarms=[(at.tm_hour, at.tm_min, "", 0, "Ring.wav")]))
        run.start()
        face = run.wait_face()
        time.sleep(5)  # past start-up
        measure(run.proc.pid, idle, "idle")
        wait_until(lambda: time.localtime().tm_min == at.tm_min, idle + 140, 0.2)
        time.sleep(2)
        measure(run.proc.pid, ringing, "ringing")
        x.close_request(face[0])
        run.wait_exit()
        run.cleanup()


if __name__ == "__main__":
    main()
