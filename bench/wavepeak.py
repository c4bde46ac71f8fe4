#!/usr/bin/env python3
"""Peak resident memory of loading a 200 MB WAVE file, as /usr/bin/time -v reports it.

Usage: /usr/bin/python3 bench/wavepeak.py   (after scripts/build.sh). Writes, in a temporary
folder, a 16-bit stereo PCM file and an IMA ADPCM file whose header gives a byte rate of 0
(both sparse: a header, then a hole), and loops each with build/soundpeak until its device
opens. Prints the peak and the time taken for each.
"""
import os
import re
import struct
import subprocess
import sys
import tempfile

HERE = os.path.dirname(os.path.abspath(__file__))
PROGRAM = os.path.join(HERE, "..", "build", "soundpeak")
SIZE = 200 * 1000 * 1000


def write_wave(path, fmt):
    with open(path, "wb") as f:
        data = SIZE - 20 - len(fmt) - 8
        f.write(b"RIFF" + struct.pack("<I", SIZE - 8) + b"WAVEfmt " + struct.pack("<I", len(fmt)))
        f.write(fmt + b"data" + struct.pack("<I", data))
        f.truncate(SIZE)


def main():
    with tempfile.TemporaryDirectory() as folder:
        pcm = os.path.join(folder, "pcm.wav")
        write_wave(pcm, struct.pack("<HHIIHH", 1, 2, 44100, 44100 * 4, 4, 16))
        adpcm = os.path.join(folder, "adpcm.wav")
        # Stereo 1024-byte blocks of 1017 frames; zero bytes decode to silence.
        write_wave(adpcm, struct.pack("<HHIIHHHH", 0x11, 2, 44100, 0, 1024, 4, 2, 1017))
        for name, path in (("16-bit stereo PCM", pcm), ("IMA ADPCM, byte rate 0", adpcm)):
            run = subprocess.run(["/usr/bin/time", "-v", PROGRAM, path], capture_output=True,
                                 text=True)
            peak = int(re.search(r"Maximum resident set size \(kbytes\): (\d+)", run.stderr)[1])
            took = re.search(r"Elapsed \(wall clock\) time.*: (\S+)", run.stderr)[1]
            print(f"{name}: peak {peak / 1024:.0f} MiB, {took} s, exit {run.returncode}")


if __name__ == "__main__":
    sys.exit(main())
