#!/usr/bin/env python3
"""Writes the demo product's notification sound: a soft two-note chime,
0.6 s, 22,050 Hz, 16-bit mono PCM WAV. Pure arithmetic, so every run gives
the same bytes.

    make_sound.py OUTPUT.wav
"""
import math
import struct
import sys
import wave

RATE = 22050
NOTES = [(0.00, 1318.5), (0.12, 1046.5)]  # E6, then C6
LENGTH = 0.6


def sample(t):
    value = 0.0
    for start, frequency in NOTES:
        if t >= start:
            age = t - start
            envelope = math.exp(-age * 7.0) * min(1.0, age * 400.0)
            value += envelope * (math.sin(2 * math.pi * frequency * age)
                                 + 0.3 * math.sin(4 * math.pi * frequency * age))
    return value * 0.35


def main():
    frames = bytearray()
    for i in range(int(RATE * LENGTH)):
        v = max(-1.0, min(1.0, sample(i / RATE)))
        frames += struct.pack("<h", round(v * 32767))
    with wave.open(sys.argv[1], "wb") as out:
        out.setnchannels(1)
        out.setsampwidth(2)
        out.setframerate(RATE)
        out.writeframes(bytes(frames))
    return 0


if __name__ == "__main__":
    sys.exit(main())
