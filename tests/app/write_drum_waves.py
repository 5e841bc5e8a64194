#!/usr/bin/env python3
"""Writes the drum-kit fixtures under the drum-kit wave folder given, with the wave module.

  Beta/kick/ramp.wav     mono, 16-bit, 48 kHz, 758 frames: frame n holds (n - 379) / 400
  Beta/kick/stereo.wav   stereo, 24-bit, 44.1 kHz, 379 frames: left +0.5, right -0.5
  Beta/kick/empty.wav    mono, 16-bit, no frames
  Beta/kick/broken.wav   a RIFF header and nothing else
  Alpha/kick/ramp.wav    as Beta's
  Alpha/snare/            (an empty sub-folder)
  Gamma/                  (a kit without sub-folders)
The Debian alsa-utils WAVs are copied in by the test itself where it needs them.
"""
import os
import struct
import sys
import wave


def write(path, channels, width, rate, frames):
    os.makedirs(os.path.dirname(path), exist_ok=True)
    with wave.open(path, "wb") as w:
        w.setnchannels(channels)
        w.setsampwidth(width)
        w.setframerate(rate)
        data = bytearray()
        for frame in frames:
            for v in frame:
                full = (1 << (8 * width - 1)) - 1
                n = max(-full - 1, min(full, round(v * full)))
                data += n.to_bytes(width, "little", signed=True)
        w.writeframes(bytes(data))


def main(root):
    ramp = [((n - 379) / 400.0,) for n in range(758)]
    for kit in ("Alpha", "Beta"):
        write(os.path.join(root, kit, "kick", "ramp.wav"), 1, 2, 48000, ramp)
    write(os.path.join(root, "Beta", "kick", "stereo.wav"), 2, 3, 44100, [(0.5, -0.5)] * 379)
    write(os.path.join(root, "Beta", "kick", "empty.wav"), 1, 2, 48000, [])
    with open(os.path.join(root, "Beta", "kick", "broken.wav"), "wb") as f:
        f.write(b"RIFF" + struct.pack("<I", 36) + b"WAVE")
    os.makedirs(os.path.join(root, "Alpha", "snare"), exist_ok=True)
    os.makedirs(os.path.join(root, "Gamma"), exist_ok=True)


if __name__ == "__main__":
    main(sys.argv[1])
