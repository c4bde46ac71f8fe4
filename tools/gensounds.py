#!/usr/bin/env python3
"""Writes the default sounds res/Ring.wav (alarm, loops seamlessly) and res/Ding.wav (chime).

Pure standard library, deterministic: running it again gives the same bytes.
Usage: tools/gensounds.py [outdir]   (default: res/ beside this script's folder)
"""
import math
import os
import struct
import sys
import wave

RATE = 22050

# A struck bell: inharmonic partials (ratio to the strike note, level, decay time in s).
BELL_PARTIALS = [
    (0.50, 0.30, 1.20),  # hum
    (1.00, 1.00, 0.90),  # strike note
    (1.19, 0.35, 0.60),  # minor third, what makes it sound like a bell
    (1.50, 0.25, 0.50),
    (2.00, 0.45, 0.40),
    (2.51, 0.20, 0.25),
    (3.01, 0.12, 0.18),
]


def strike(buf, start, freq, level):
    """Adds one bell strike at sample `start` into buf (a list of floats)."""
    attack = int(0.004 * RATE)  # 4 ms: no click, still a sharp hit
    for i in range(start, len(buf)):
        t = (i - start) / RATE
        env_attack = min(1.0, (i - start) / attack)
        s = 0.0
        for ratio, amp, decay in BELL_PARTIALS:
            s += amp * math.exp(-t / decay) * math.sin(2 * math.pi * freq * ratio * t)
        buf[i] += level * env_attack * s


def fade_tail(buf, seconds):
    """Brings the end smoothly to silence, so that a loop joins without a click."""
    n = int(seconds * RATE)
    for k in range(n):
        buf[len(buf) - n + k] *= 0.5 * (1 + math.cos(math.pi * k / n))


def write(path, buf):
    peak = max(abs(x) for x in buf) or 1.0
    scale = 0.85 * 32767 / peak
    frames = b"".join(struct.pack("<h", int(round(x * scale))) for x in buf)
    with wave.open(path, "wb") as w:
        w.setnchannels(1)
        w.setsampwidth(2)
        w.setframerate(RATE)
        w.writeframes(frames)


def ring():
    # Two seconds: a quick double strike, a third after a beat, then room to decay.
    buf = [0.0] * (2 * RATE)
    for at, level in ((0.00, 1.0), (0.18, 0.8), (0.70, 0.9)):
        strike(buf, int(at * RATE), 1046.5, level)  # C6
    fade_tail(buf, 0.35)
    return buf


def ding():
    buf = [0.0] * int(1.4 * RATE)
    strike(buf, 0, 1318.5, 1.0)  # E6, one soft strike
    fade_tail(buf, 0.3)
    return buf


def main():
    here = os.path.dirname(os.path.abspath(__file__))
    out = sys.argv[1] if len(sys.argv) > 1 else os.path.join(here, "..", "res")
    os.makedirs(out, exist_ok=True)
    write(os.path.join(out, "Ring.wav"), ring())
    write(os.path.join(out, "Ding.wav"), ding())


if __name__ == "__main__":
    main()
