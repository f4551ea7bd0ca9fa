#!/usr/bin/env python3
"""Writes the gas-sensor alarm sounds: short mono 16-bit WAV files that loop
cleanly (every tone starts and ends at a zero crossing, with soft edges)."""
import math
import struct
import sys
import wave

RATE = 22050


def tone(freq, seconds, volume=0.5):
    n = int(RATE * seconds)
    fade = int(RATE * 0.01)
    out = []
    for i in range(n):
        env = min(1.0, i / fade, (n - 1 - i) / fade)
        out.append(volume * env * math.sin(2 * math.pi * freq * i / RATE))
    return out


def silence(seconds):
    return [0.0] * int(RATE * seconds)


def write(path, samples):
    with wave.open(path, "wb") as w:
        w.setnchannels(1)
        w.setsampwidth(2)
        w.setframerate(RATE)
        w.writeframes(b"".join(struct.pack("<h", int(s * 32767)) for s in samples))


def main(folder):
    # Warning: one calm double beep per second.
    write(folder + "/warning.wav",
          tone(880, 0.15) + silence(0.1) + tone(880, 0.15) + silence(0.6))
    # Alarm: a fast two-tone alternation.
    write(folder + "/alarm.wav",
          tone(1400, 0.12, 0.6) + tone(1000, 0.12, 0.6) + tone(1400, 0.12, 0.6) + tone(1000, 0.12, 0.6))


if __name__ == "__main__":
    main(sys.argv[1] if len(sys.argv) > 1 else ".")
