#!/usr/bin/env python3
"""Independent RIFF walker for the codec tests: lists the chunks of a WAV file the way the
RIFF rules read them (every chunk padded to an even length), one line each: "id size", with
the first loop's start and end for "smpl" and the text for "iXML". The first line says
whether the RIFF size matches the file. Exits with status 2 when a chunk runs past the end."""
import struct
import sys


def main(path):
    data = open(path, "rb").read()
    riff_size = struct.unpack_from("<I", data, 4)[0]
    print("riff", "ok" if riff_size + 8 == len(data) and data[:4] == b"RIFF" else "bad")
    at = 12
    while at + 8 <= len(data):
        cid, size = data[at:at + 4].decode("latin-1"), struct.unpack_from("<I", data, at + 4)[0]
        body = data[at + 8:at + 8 + size]
        if len(body) != size:
            return 2
        line = f"{cid} {size}"
        if cid == "smpl":
            start, end = struct.unpack_from("<II", body, 44)
            line += f" loop {start} {end}"
        if cid == "iXML":
            line += " " + body.decode("latin-1")
        print(line)
        at += 8 + size + (size & 1)
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1]))
