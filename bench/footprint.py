#!/usr/bin/env python3
"""Footprint of the real clock against a bare Qt window with the same two timers, under Xvfb.

Usage: /usr/bin/python3 bench/footprint.py [runs]   (after scripts/build.sh; default 3 runs,
about five minutes each). Reports medians over the runs of:
  - exec to window mapped (six starts a run of each, timed to the X server's MapNotify);
  - resident (RSS) and proportional (PSS) memory 10 s after start;
  - CPU time (share of one core) and context switches per second of all threads, 60 s idle;
  - the same over 20 s while an alarm rings (the clock only);
for the clock, a bare Qt window with Qt's default shared-memory image transfer, and the same
window without it; and whether the clock holds an audio device while idle. SDL's dummy
driver stands in for a sound server, so the ringing figures include mixing the looping sound.
"""
import os
import select
import shutil
import statistics
import subprocess
import sys
import tempfile
import time

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, os.path.join(HERE, "..", "tests", "e2e"))
from harness import BINARY, Xvfb, Zelka, wait_until  # noqa: E402
from Xlib import X, display  # noqa: E402
from settingsbytes import settings_file  # noqa: E402

BARE = os.path.join(os.path.dirname(BINARY), "bareqt")


def sample(pid):
    """Now, CPU seconds and context switches so far, over all threads of pid."""
    cpu = switches = 0
    for tid in os.listdir(f"/proc/{pid}/task"):
        # schedstat counts CPU time in nanoseconds; stat's 10 ms ticks are too coarse for
        # a process that runs a few milliseconds a minute.
        with open(f"/proc/{pid}/task/{tid}/schedstat") as f:
            cpu += int(f.read().split()[0])
        with open(f"/proc/{pid}/task/{tid}/status") as f:
            switches += sum(int(l.split()[1]) for l in f if "ctxt_switches" in l)
    return time.monotonic(), cpu / 1e9, switches


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


def mapped_after(x, start, timeout=10):
    """Calls start() and returns the milliseconds until the X server maps a 157x136 window.

    The time is taken when the server's MapNotify arrives on a connection of its own that only
    listens, so no polling of the window tree competes with the starting program for the CPU.
    """
    listener = display.Display(x.name)
    try:
        listener.screen().root.change_attributes(event_mask=X.SubstructureNotifyMask)
        listener.sync()
        started = time.monotonic()
        start()
        deadline = started + timeout
        while time.monotonic() < deadline:
            if not listener.pending_events():
                select.select([listener.fileno()], [], [], 0.05)
                continue
            event = listener.next_event()
            if event.type != X.MapNotify:
                continue
            at = time.monotonic()
            geometry = event.window.get_geometry()
            if (geometry.width, geometry.height) == (157, 136):
                return (at - started) * 1000
        raise RuntimeError("no window was mapped")
    finally:
        listener.close()


def until_second(s):
    while time.localtime().tm_sec != s:
        time.sleep(0.05)


def run_clock(x, results):
    # Start at :48 so that 10 s, then 60 s of idle, end two seconds before the alarm's minute.
    until_second(48)
    at = time.localtime(time.time() + 72)
    run = Zelka(x)
    run.write(settings_file(alarms=[(at.tm_hour, at.tm_min, "", 0, "Ring.wav")]))
    results["mapped"].append(mapped_after(x, run.start))
    face = run.wait_face()
    time.sleep(max(0, 10 - (time.monotonic() - run.started)))
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
    procs = []
    results["mapped"].append(mapped_after(
        x, lambda: procs.append(subprocess.Popen([BARE], env=env, stderr=subprocess.DEVNULL))))
    proc = procs[0]
    time.sleep(10)
    rss, pss = memory(proc.pid)
    results["rss"].append(rss)
    results["pss"].append(pss)
    cpu, wake = rate(proc.pid, 60)
    results["idle cpu"].append(cpu)
    results["idle wake"].append(wake)
    proc.terminate()
    proc.wait()


def quick_starts(x, results, env, count=5):
    """More start-up samples: each program started, timed to its map, and ended, in turn."""
    run = Zelka(x)
    for _ in range(count):
        for name, program_env in (("bare", env), ("plain", dict(env, QT_XCB_NO_MITSHM="1"))):
            procs = []
            results[name]["mapped"].append(mapped_after(x, lambda: procs.append(
                subprocess.Popen([BARE], env=program_env, stderr=subprocess.DEVNULL))))
            procs[0].terminate()
            procs[0].wait()
        results["clock"]["mapped"].append(mapped_after(x, run.start))
        run.proc.terminate()
        run.wait_exit()
    run.cleanup()


def main():
    runs = int(sys.argv[1]) if len(sys.argv) > 1 else 3
    clock = {k: [] for k in ("mapped", "rss", "pss", "idle cpu", "idle wake", "ring cpu",
                             "ring wake", "audio idle")}
    bare = {k: [] for k in ("mapped", "rss", "pss", "idle cpu", "idle wake")}
    plain = {k: [] for k in ("mapped", "rss", "pss", "idle cpu", "idle wake")}
    runtime = tempfile.mkdtemp(prefix="zelka-bench-")
    with Xvfb() as x:
        # No session bus for either program, as the clock's runs have none.
        env = dict(os.environ, DISPLAY=x.name, QT_QPA_PLATFORM="xcb", XDG_RUNTIME_DIR=runtime,
                   DBUS_SESSION_BUS_ADDRESS=f"unix:path={runtime}/no-bus")
        env.pop("QT_XCB_NO_MITSHM", None)
        for _ in range(runs):
            quick_starts(x, {"clock": clock, "bare": bare, "plain": plain}, env)
            run_bare(x, bare, env)
            run_bare(x, plain, dict(env, QT_XCB_NO_MITSHM="1"))
            run_clock(x, clock)
    shutil.rmtree(runtime, ignore_errors=True)
    med = statistics.median
    print(f"medians of {runs} runs (start-up: {len(clock['mapped'])} starts of each program)")
    print("                            Zelka!  bare Qt, MIT-SHM  bare Qt, no MIT-SHM")
    rows = (("exec to window mapped, ms", "mapped", "7.0f"),
            ("resident memory (RSS), MiB", "rss", "7.1f"),
            ("proportional (PSS), MiB", "pss", "7.1f"),
            ("idle CPU, % of one core", "idle cpu", "7.3f"),
            ("idle context switches, /s", "idle wake", "7.2f"))
    for label, key, form in rows:
        print(f"{label:27s} {med(clock[key]):{form}}  {med(bare[key]):{form}}  "
              f"{med(plain[key]):{form}}")
    print(f"ringing CPU, % of one core  {med(clock['ring cpu']):7.3f}")
    print(f"ringing context switches/s  {med(clock['ring wake']):7.1f}")
    print(f"start-up, Zelka! / bare Qt (MIT-SHM): "
          f"{med(clock['mapped']) / med(bare['mapped']):.2f}")
    print(f"audio device held while idle: {any(clock['audio idle'])}")


if __name__ == "__main__":
    main()
