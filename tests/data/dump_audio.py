#!/usr/bin/env python3
"""Independent decoder for the codec tests: reads a WAV file with Python's `wave` module or an
AIFF/AIFC file with `aifc`, and writes one header line "channels frames rate bits\n" followed
by the samples as little-endian float32, channel after channel, scaled as the instrument
scales them (WAV 8-bit unsigned (x-128)/128, AIFF 8-bit signed x/128, 16-bit x/32767,
24-bit x/8388608, 32-bit x/2^31). Exits with status 2 when the module rejects the file."""
import struct
import sys
import warnings

warnings.simplefilter("ignore", DeprecationWarning)
import aifc  # noqa: E402
import wave  # noqa: E402


def main(path):
    is_wav = path.lower().endswith(".wav")
    try:
        f = wave.open(path, "rb") if is_wav else aifc.open(path, "rb")
        channels, width, rate, frames = f.getnchannels(), f.getsampwidth(), f.getframerate(), f.getnframes()
        raw = f.readframes(frames)
    except (wave.Error, aifc.Error, EOFError) as e:
        print(f"rejected: {e}", file=sys.stderr)
        return 2
    order = "little" if is_wav else "big"
    scale = {1: 128.0, 2: 32767.0, 3: 8388608.0, 4: 2147483648.0}[width]
    values = []
    for i in range(0, len(raw), width):
        chunk = raw[i:i + width]
        if width == 1:
            x = chunk[0] - 128 if is_wav else int.from_bytes(chunk, order, signed=True)
        else:
            x = int.from_bytes(chunk, order, signed=True)
        values.append(x / scale)
    out = sys.stdout.buffer
    out.write(f"{channels} {frames} {rate} {width * 8}\n".encode())
    for c in range(channels):
        column = values[c::channels]
        out.write(struct.pack(f"<{len(column)}f", *column))
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1]))
