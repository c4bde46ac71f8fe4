#!/usr/bin/env python3
"""Footprint of the real clock against a bare Qt window with the same two timers, under Xvfb.

Usage: /usr/bin/python3 bench/footprint.py [runs]   (after scripts/build.sh; default 3 runs,
about three minutes each). Reports medians over the runs of:
  - exec to window mapped;
  - resident (RSS) and proportional (PSS) memory 10 s after start;
  - CPU time (share of one core) and context switches per second of all threads, 60 s idle;
  - the same over 20 s while an alarm rings (the clock only);
and whether an audio device is held while idle. SDL's dummy driver stands in for a sound
server, so the ringing figures include mixing the looping sound.
"""
import os
import statistics
import subprocess
import sys
import time

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, os.path.join(HERE, "..", "tests", "e2e"))
from harness import BINARY, Xvfb, Zelka, wait_until  # noqa: E402
from settingsbytes import settings_file  # noqa: E402

BARE = os.path.join(os.path.dirname(BINARY), "bareqt")
TICK = os.sysconf("SC_CLK_TCK")


def sample(pid):
    cpu = switches = 0
    for tid in os.listdir(f"/proc/{pid}/task"):
        with open(f"/proc/{pid}/task/{tid}/stat") as f:
            fields = f.read().rsplit(")", 1)[1].split()
        cpu += int(fields[11]) + int(fields[12])  # utime + stime
        with open(f"/proc/{pid}/task/{tid}/status") as f:
            switches += sum(int(l.split()[1]) for l in f if "ctxt_switches" in l)
    return time.monotonic(), cpu / TICK, switches


def memory(pid):
    with open(f"/proc/{pid}/smaps_rollup") as f:
        values = {l.split(":")[0]: int(l.split()[1]) for l in f if l.split(":")[0] in ("Rss", "Pss")}
    return values["Rss"] / 1024, values["Pss"] / 1024


def audio_held(pid):
    for tid in os.listdir(f"/proc/{pid}/task"):
        with open(f"/proc/{pid}/task/{tid}/comm") as f:
            if f.read().startswith("SDLAudio"):
                return True
    return any(os.readlink(f"/proc/{pid}/fd/{fd}").startswith("/dev/snd")
               for fd in os.listdir(f"/proc/{pid}/fd"))


def rate(pid, seconds):
    t0, c0, s0 = sample(pid)
    time.sleep(seconds)
    t1, c1, s1 = sample(pid)
    return 100 * (c1 - c0) / (t1 - t0), (s1 - s0) / (t1 - t0)


def until_second(s):
    while time.localtime().tm_sec != s:
        time.sleep(0.05)


def run_clock(x, results):
    # Start at :50 so that 60 s of idle end two seconds before the alarm's minute.
    until_second(50)
    at = time.localtime(time.time() + 70)
    run = Zelka(x)
    run.write(settings_file(alarms=[(at.tm_hour, at.tm_min, "", 0, "Ring.wav")]))
    run.start()
    face = run.wait_face()
    results["mapped"].append((time.monotonic() - run.started) * 1000)
    time.sleep(max(0, 8 - (time.monotonic() - run.started)))
    rss, pss = memory(run.proc.pid)
    results["rss"].append(rss)
    results["pss"].append(pss)
    cpu, wake = rate(run.proc.pid, 60)
    results["idle cpu"].append(cpu)
    results["idle wake"].append(wake)
    results["audio idle"].append(audio_held(run.proc.pid))
    wait_until(lambda: time.localtime().tm_min == at.tm_min, 30, 0.1)
    time.sleep(3)
    cpu, wake = rate(run.proc.pid, 20)
    results["ring cpu"].append(cpu)
    results["ring wake"].append(wake)
    x.close_request(face[0])
    run.wait_exit()
    run.cleanup()


def run_bare(x, results, env):
    started = time.monotonic()
    proc = subprocess.Popen([BARE], env=env, stderr=subprocess.DEVNULL)
    wait_until(lambda: x.windows("Bare"), 10)
    results["mapped"].append((time.monotonic() - started) * 1000)
    time.sleep(max(0, 10 - (time.monotonic() - started)))
    rss, pss = memory(proc.pid)
    results["rss"].append(rss)
    results["pss"].append(pss)
    cpu, wake = rate(proc.pid, 60)
    results["idle cpu"].append(cpu)
    results["idle wake"].append(wake)
    proc.terminate()
    proc.wait()


def main():
    runs = int(sys.argv[1]) if len(sys.argv) > 1 else 3
    clock = {k: [] for k in ("mapped", "rss", "pss", "idle cpu", "idle wake", "ring cpu",
                             "ring wake", "audio idle")}
    bare = {k: [] for k in ("mapped", "rss", "pss", "idle cpu", "idle wake")}
    with Xvfb() as x:
        env = dict(os.environ, DISPLAY=x.name, QT_QPA_PLATFORM="xcb")
        for _ in range(runs):
            run_bare(x, bare, env)
            run_clock(x, clock)
    med = statistics.median
    print(f"medians of {runs} runs          Zelka!     bare Qt window")
    print(f"exec to window mapped    {med(clock['mapped']):7.0f} ms  {med(bare['mapped']):7.0f} ms")
    print(f"resident memory (RSS)    {med(clock['rss']):7.1f} MiB {med(bare['rss']):7.1f} MiB")
    print(f"proportional (PSS)       {med(clock['pss']):7.1f} MiB {med(bare['pss']):7.1f} MiB")
    print(f"idle CPU, one core       {med(clock['idle cpu']):7.3f} %   {med(bare['idle cpu']):7.3f} %")
    print(f"idle context switches    {med(clock['idle wake']):7.2f} /s  {med(bare['idle wake']):7.2f} /s")
    print(f"ringing CPU              {med(clock['ring cpu']):7.3f} %")
    print(f"ringing context switches {med(clock['ring wake']):7.1f} /s")
    print(f"audio device held while idle: {any(clock['audio idle'])}")


if __name__ == "__main__":
    main()
