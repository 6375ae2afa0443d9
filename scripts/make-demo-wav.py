#!/usr/bin/env python3
"""Writes data/demo.wav, the short sound that `kelvor --screenshot` shows in scripts/run.sh
and that the package installs: 1 s of a 220 Hz tone with four overtones (amplitudes 1/h),
16000 Hz, 16-bit mono PCM, with a 20 ms rise and an exponential fall so that it starts and
ends quietly. Standard library only; the output is the same byte for byte on every run.

    python3 scripts/make-demo-wav.py [OUT.wav]
"""
import math
import struct
import sys
import wave

RATE = 16000  # Hz
SECONDS = 1.0
BASE = 220.0  # Hz
HARMONICS = 5
PEAK = 12000  # of 32767: leaves room for the overtones' sum


def samples():
    n = int(RATE * SECONDS)
    norm = sum(1.0 / h for h in range(1, HARMONICS + 1))
    for i in range(n):
        t = i / RATE
        v = sum(math.sin(2 * math.pi * BASE * h * t) / h for h in range(1, HARMONICS + 1))
        envelope = min(1.0, t / 0.02) * math.exp(-2.0 * t)
        yield int(round(PEAK * envelope * v / norm * 2))


def main():
    out = sys.argv[1] if len(sys.argv) > 1 else "data/demo.wav"
    frames = b"".join(struct.pack("<h", max(-32768, min(32767, s))) for s in samples())
    with wave.open(out, "wb") as w:
        w.setnchannels(1)
        w.setsampwidth(2)
        w.setframerate(RATE)
        w.writeframes(frames)


if __name__ == "__main__":
    main()
