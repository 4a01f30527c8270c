"""Short sounds synthesised in code and written as 16-bit mono PCM WAV files.

A bell-like sound is a sum of partials (sine waves at frequency ratios that bells and chimes
have), each with its own exponential decay, under a few-millisecond attack so that the start does
not click. The result is normalised to a comfortable peak.
"""

import math
import struct

SAMPLE_RATE = 22050


def wav_bytes(samples):
    """A RIFF WAVE file of 16-bit mono samples in -1..1."""
    data = b"".join(struct.pack("<h", int(max(-1.0, min(1.0, s)) * 32767)) for s in samples)
    fmt = struct.pack("<HHIIHH", 1, 1, SAMPLE_RATE, SAMPLE_RATE * 2, 2, 16)
    return (b"RIFF" + struct.pack("<I", 4 + 8 + len(fmt) + 8 + len(data)) + b"WAVE"
            + b"fmt " + struct.pack("<I", len(fmt)) + fmt
            + b"data" + struct.pack("<I", len(data)) + data)


def strike(base, partials, seconds, start=0.0, level=1.0):
    """One struck note: (ratio, loudness, decay per second) partials on a base frequency."""
    count = int(seconds * SAMPLE_RATE)
    offset = int(start * SAMPLE_RATE)
    out = [0.0] * (offset + count)
    for i in range(count):
        t = i / SAMPLE_RATE
        attack = min(1.0, t / 0.004)
        value = sum(loud * math.exp(-decay * t) * math.sin(2 * math.pi * base * ratio * t)
                    for ratio, loud, decay in partials)
        out[offset + i] = value * attack * level
    return out


def overlay(*tracks):
    length = max(len(track) for track in tracks)
    return [sum(track[i] for track in tracks if i < len(track)) for i in range(length)]


def normalised(samples, peak=0.6):
    top = max(abs(s) for s in samples) or 1.0
    return [s * peak / top for s in samples]


CHIME_PARTIALS = [(1.0, 1.0, 5.0), (2.76, 0.5, 9.0), (5.40, 0.25, 14.0), (8.93, 0.12, 20.0)]
BELL_PARTIALS = [(1.0, 1.0, 9.0), (2.0, 0.35, 14.0), (3.01, 0.3, 18.0), (4.17, 0.15, 25.0)]


def wind_chime():
    """Two glass notes a small interval apart: the lantern spirit's happy sound."""
    return normalised(overlay(strike(1318.5, CHIME_PARTIALS, 0.9),
                              strike(1760.0, CHIME_PARTIALS, 0.8, start=0.12, level=0.8)))


def cat_bell():
    """A little collar bell shaken three times: the cat's sound."""
    return normalised(overlay(strike(2349.3, BELL_PARTIALS, 0.35),
                              strike(2217.5, BELL_PARTIALS, 0.35, start=0.09, level=0.7),
                              strike(2349.3, BELL_PARTIALS, 0.4, start=0.19, level=0.85)))
