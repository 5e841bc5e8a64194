#!/usr/bin/env python3
"""A PNG encoder and decoder made of Python's zlib and struct only, to check the toolkit's
libpng use against something independent of libpng.

  png_tool.py fixture PATH KIND      writes a test picture, prints its pixels as RRGGBBAA words
  png_tool.py blank PATH W H         writes a black 8-bit grey picture of W x H pixels
  png_tool.py compare PNG RAW W H    decodes PNG (8-bit RGB/RGBA, every filter type, CRCs
                                     checked) and compares it with a raw 32-bit XRGB screen
                                     dump; prints "match" or the first difference
"""
import struct
import sys
import zlib


def chunk(kind, data):
    body = kind + data
    return struct.pack(">I", len(data)) + body + struct.pack(">I", zlib.crc32(body) & 0xFFFFFFFF)


def encode(width, height, colour_type, depth, rows, extra=b""):
    raw = b"".join(b"\x00" + row for row in rows)
    ihdr = struct.pack(">IIBBBBB", width, height, depth, colour_type, 0, 0, 0)
    return (b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", ihdr) + extra + chunk(b"IDAT", zlib.compress(raw)) +
            chunk(b"IEND", b""))


def picture(kind):
    """Returns (png bytes, list of (r, g, b, a)) for a 5 x 3 picture of the given kind."""
    w, h = 5, 3
    px = [(x * 50, y * 100, (x + y) * 30, 255 - x * 40) for y in range(h) for x in range(w)]
    if kind == "rgba":
        rows = [bytes(v for p in px[y * w:(y + 1) * w] for v in p) for y in range(h)]
        return encode(w, h, 6, 8, rows), px
    if kind == "rgb":
        rows = [bytes(v for p in px[y * w:(y + 1) * w] for v in p[:3]) for y in range(h)]
        return encode(w, h, 2, 8, rows), [p[:3] + (255,) for p in px]
    if kind == "palette":
        palette = [(255, 0, 0), (0, 255, 0), (0, 0, 255)]
        alpha = [255, 128, 0]
        index = [(x + y) % 3 for y in range(h) for x in range(w)]
        rows = [bytes(index[y * w:(y + 1) * w]) for y in range(h)]
        extra = chunk(b"PLTE", bytes(v for c in palette for v in c)) + chunk(b"tRNS", bytes(alpha))
        return encode(w, h, 3, 8, rows, extra), [palette[i] + (alpha[i],) for i in index]
    if kind == "greyalpha":
        rows = [bytes(v for x in range(w) for v in (x * 60, 200 - y * 50)) for y in range(h)]
        return encode(w, h, 4, 8, rows), [(x * 60,) * 3 + (200 - y * 50,) for y in range(h) for x in range(w)]
    if kind in ("rgba16", "rgb16", "grey16"):
        # 16-bit samples spread over the whole range, most of them no multiple of 257, so
        # that both a gamma curve and a cut to the high byte would show; no gAMA chunk.
        channels = {"rgba16": 4, "rgb16": 3, "grey16": 1}[kind]
        samples = [[(x * 13313 + y * 4099 + c * 9001 + 0x2000) % 65536 for c in range(channels)]
                   for y in range(h) for x in range(w)]
        rows = [b"".join(struct.pack(">%dH" % channels, *samples[y * w + x]) for x in range(w)) for y in range(h)]
        colour_type = {4: 6, 3: 2, 1: 0}[channels]

        def eight(v):
            return (v * 255 + 32767) // 65535

        def rgba(s):
            if channels == 1:
                return (eight(s[0]),) * 3 + (255,)
            return tuple(eight(v) for v in s[:3]) + ((eight(s[3]),) if channels == 4 else (255,))

        return encode(w, h, colour_type, 16, rows), [rgba(s) for s in samples]
    raise SystemExit("unknown kind " + kind)


def paeth(a, b, c):
    p = a + b - c
    pa, pb, pc = abs(p - a), abs(p - b), abs(p - c)
    if pa <= pb and pa <= pc:
        return a
    return b if pb <= pc else c


def decode(data):
    if data[:8] != b"\x89PNG\r\n\x1a\n":
        raise ValueError("no PNG signature")
    pos, idat, header = 8, b"", None
    while pos < len(data):
        (length,) = struct.unpack_from(">I", data, pos)
        kind, body = data[pos + 4:pos + 8], data[pos + 8:pos + 8 + length]
        (crc,) = struct.unpack_from(">I", data, pos + 8 + length)
        if zlib.crc32(kind + body) & 0xFFFFFFFF != crc:
            raise ValueError("bad CRC in " + kind.decode())
        if kind == b"IHDR":
            header = struct.unpack(">IIBBBBB", body)
        elif kind == b"IDAT":
            idat += body
        elif kind == b"IEND":
            break
        pos += 12 + length
    width, height, depth, colour_type, _, _, interlace = header
    if depth != 8 or colour_type not in (2, 6) or interlace:
        raise ValueError("unsupported layout %r" % (header,))
    bpp = 3 if colour_type == 2 else 4
    raw = zlib.decompress(idat)
    stride = width * bpp
    prev = bytearray(stride)
    pixels = []
    for y in range(height):
        f = raw[y * (stride + 1)]
        line = bytearray(raw[y * (stride + 1) + 1:(y + 1) * (stride + 1)])
        for i in range(stride):
            a = line[i - bpp] if i >= bpp else 0
            b = prev[i]
            c = prev[i - bpp] if i >= bpp else 0
            line[i] = (line[i] + (0, a, b, (a + b) // 2, paeth(a, b, c))[f]) & 0xFF
        for x in range(width):
            p = line[x * bpp:(x + 1) * bpp]
            pixels.append((p[0], p[1], p[2], p[3] if bpp == 4 else 255))
        prev = line
    return width, height, pixels


def main(argv):
    if argv[1] == "fixture":
        png, px = picture(argv[3])
        open(argv[2], "wb").write(png)
        print(" ".join("%02x%02x%02x%02x" % p for p in px))
        return 0
    if argv[1] == "blank":
        w, h = int(argv[3]), int(argv[4])
        open(argv[2], "wb").write(encode(w, h, 0, 8, [bytes(w)] * h))
        return 0
    if argv[1] == "compare":
        w, h, px = decode(open(argv[2], "rb").read())
        want_w, want_h = int(argv[4]), int(argv[5])
        if (w, h) != (want_w, want_h):
            print("size %dx%d" % (w, h))
            return 1
        raw = open(argv[3], "rb").read()
        for i, (r, g, b, a) in enumerate(px):
            (word,) = struct.unpack_from("<I", raw, i * 4)
            want = ((word >> 16) & 255, (word >> 8) & 255, word & 255, 255)
            if (r, g, b, a) != want:
                print("pixel %d,%d is %r, screen has %r" % (i % w, i // w, (r, g, b, a), want))
                return 1
        print("match")
        return 0
    raise SystemExit(__doc__)


if __name__ == "__main__":
    sys.exit(main(sys.argv))
