#!/usr/bin/python3
"""Makes the toolkit's sixteen bitmap fonts from fonts in Debian packages.

Run once by hand; its output (toolkit/fonts/*.cpp and a specimen PNG) is committed and the
build never runs it. Needs xfonts-base, console-setup-linux, fonts-dejavu-core,
python3-freetype and python3-pil.

    /usr/bin/python3 tools/fontgen/make_fonts.py [--specimen specimen.png]

Every table holds 256 glyphs in code-page-437 order; a glyph is `height` rows of
ceil(width / 8) bytes, least significant bit = leftmost pixel. A source glyph smaller than
the cell is centred in it; a code point a source lacks is left blank and listed.
"""
import argparse
import gzip
import os
import struct
import sys

import freetype

MISC = "/usr/share/fonts/X11/misc/"
CONSOLE = "/usr/share/consolefonts/"
DEJAVU = "/usr/share/fonts/truetype/dejavu/DejaVuSansMono.ttf"

# index, cell width, cell height, kind, source, parameter (pixel em for outline fonts)
FONTS = [
    (0, 4, 6, "pcf", MISC + "4x6.pcf.gz", None),
    (1, 5, 8, "pcf", MISC + "5x8.pcf.gz", None),
    (2, 5, 12, "pcf", MISC + "5x8.pcf.gz", None),
    (3, 6, 8, "pcf", MISC + "5x8.pcf.gz", None),
    (4, 6, 10, "pcf", MISC + "6x10.pcf.gz", None),
    (5, 7, 12, "pcf", MISC + "6x12.pcf.gz", None),
    (6, 8, 8, "psf", CONSOLE + "Uni2-VGA8.psf.gz", None),
    (7, 8, 12, "pcf", MISC + "6x12.pcf.gz", None),
    (8, 8, 14, "psf", CONSOLE + "Uni2-VGA14.psf.gz", None),
    (9, 10, 16, "pcf", MISC + "9x15.pcf.gz", None),
    (10, 12, 16, "pcf", MISC + "9x15.pcf.gz", None),
    (11, 12, 20, "pcf", MISC + "10x20.pcf.gz", None),
    # 28 rows whose first and last are blank in letters and digits: centring drops them.
    (12, 16, 26, "psf", CONSOLE + "Uni2-VGA28x16.psf.gz", None),
    (13, 22, 36, "ttf", DEJAVU, 30),
    (14, 24, 40, "ttf", DEJAVU, 34),
    (15, 32, 53, "ttf", DEJAVU, 45),
]

# Code page 437 below 0x20 and at 0x7F are pictures, which the codec maps to control codes.
CP437_LOW = [
    0x0000, 0x263A, 0x263B, 0x2665, 0x2666, 0x2663, 0x2660, 0x2022,
    0x25D8, 0x25CB, 0x25D9, 0x2642, 0x2640, 0x266A, 0x266B, 0x263C,
    0x25BA, 0x25C4, 0x2195, 0x203C, 0x00B6, 0x00A7, 0x25AC, 0x21A8,
    0x2191, 0x2193, 0x2192, 0x2190, 0x221F, 0x2194, 0x25B2, 0x25BC,
]


# Look-alikes for pictures some sources draw under a neighbouring code point.
ALTERNATIVES = {0x25BA: [0x25B6], 0x25C4: [0x25C0]}


def cp437_unicode(code):
    if code < 0x20:
        return CP437_LOW[code]
    if code == 0x7F:
        return 0x2302
    return ord(bytes([code]).decode("cp437"))


class Cell:
    """A glyph cell as rows of 0/1 pixels."""

    def __init__(self, w, h):
        self.w, self.h = w, h
        self.px = [[0] * w for _ in range(h)]

    def set(self, x, y):
        if 0 <= x < self.w and 0 <= y < self.h:
            self.px[y][x] = 1

    def encode(self):
        out = []
        for row in self.px:
            for b in range(0, self.w, 8):
                byte = 0
                for k in range(min(8, self.w - b)):
                    byte |= row[b + k] << k
                out.append(byte)
        return out


def read_psf(path):
    """Returns (width, height, {codepoint: rows of 0/1}) of a PSF1 or PSF2 font."""
    data = gzip.open(path).read() if path.endswith(".gz") else open(path, "rb").read()
    glyphs = []
    table = {}
    if data[:2] == b"\x36\x04":
        mode, size = data[2], data[3]
        count = 512 if mode & 1 else 256
        w, h, bpr, off = 8, size, 1, 4
        glyph_bytes = size
        pos = off + count * glyph_bytes
        if mode & 2:
            for g in range(count):
                in_seq = False
                while True:
                    (u,) = struct.unpack_from("<H", data, pos)
                    pos += 2
                    if u == 0xFFFF:
                        break
                    if u == 0xFFFE:
                        in_seq = True
                    elif not in_seq:
                        table.setdefault(u, g)
    elif data[:4] == b"\x72\xb5\x4a\x86":
        _, _, off, flags, count, glyph_bytes, h, w = struct.unpack_from("<8I", data, 0)
        bpr = (w + 7) // 8
        pos = off + count * glyph_bytes
        if flags & 1:
            for g in range(count):
                end = data.index(b"\xff", pos)
                entry = data[pos:end]
                pos = end + 1
                single = entry.split(b"\xfe")[0].decode("utf-8", "replace")
                for ch in single:
                    table.setdefault(ord(ch), g)
    else:
        raise ValueError(path + ": not a PSF font")
    for g in range(count):
        base = off + g * glyph_bytes
        rows = []
        for y in range(h):
            row = []
            for x in range(w):
                byte = data[base + y * bpr + x // 8]
                row.append((byte >> (7 - x % 8)) & 1)  # PSF is MSB-first
            rows.append(row)
        glyphs.append(rows)
    return w, h, {u: glyphs[g] for u, g in table.items()}


def render_psf(path, cw, ch, missing):
    w, h, glyphs = read_psf(path)
    dx, dy = (cw - w) // 2, (ch - h) // 2
    cells = []
    for code in range(256):
        cell = Cell(cw, ch)
        u = cp437_unicode(code)
        u = next((a for a in [u] + ALTERNATIVES.get(u, []) if a in glyphs), u)
        if u in glyphs:
            for y, row in enumerate(glyphs[u]):
                for x, bit in enumerate(row):
                    if bit:
                        cell.set(x + dx, y + dy)
        elif u != 0:
            missing.append(code)
        cells.append(cell)
    return cells


def blit_ft(face, cell, u, ox, baseline):
    face.load_char(chr(u), freetype.FT_LOAD_RENDER | freetype.FT_LOAD_TARGET_MONO)
    g = face.glyph
    bm = g.bitmap
    for y in range(bm.rows):
        for x in range(bm.width):
            if bm.buffer[y * bm.pitch + x // 8] & (0x80 >> (x % 8)):
                cell.set(ox + g.bitmap_left + x, baseline - g.bitmap_top + y)


def render_ft(path, cw, ch, em, missing):
    face = freetype.Face(path)
    if em is None:  # a bitmap font: its one strike
        face.select_size(0)
        src_w = face.available_sizes[0].width
        src_h = face.available_sizes[0].height
        ascent = face.size.ascender >> 6
        ox, oy = (cw - src_w) // 2, (ch - src_h) // 2
    else:
        face.set_pixel_sizes(0, em)
        ascent = face.size.ascender >> 6
        descent = -(face.size.descender >> 6)
        face.load_char("M")
        advance = face.glyph.advance.x >> 6
        ox = (cw - advance) // 2
        oy = max(0, (ch - ascent - descent) // 2)
    cells = []
    for code in range(256):
        cell = Cell(cw, ch)
        u = cp437_unicode(code)
        u = next((a for a in [u] + ALTERNATIVES.get(u, []) if face.get_char_index(a)), u)
        if u != 0:
            if face.get_char_index(u):
                blit_ft(face, cell, u, ox, oy + ascent)
            else:
                missing.append(code)
        cells.append(cell)
    return cells


def write_font(out_dir, index, w, h, source, cells):
    name = "Font%02d_%dx%d.cpp" % (index, w, h)
    bpr = (w + 7) // 8
    with open(os.path.join(out_dir, name), "w") as f:
        f.write("// Generated by tools/fontgen/make_fonts.py from %s; do not edit.\n" % os.path.basename(source))
        f.write("#include <cstdint>\n\nnamespace ux {\n\n")
        f.write("extern const uint8_t kFont%02dGlyphs[256 * %d];\n" % (index, bpr * h))
        f.write("const uint8_t kFont%02dGlyphs[256 * %d] = {\n" % (index, bpr * h))
        for code, cell in enumerate(cells):
            f.write("    " + ",".join("0x%02x" % b for b in cell.encode()) + ",  // %d\n" % code)
        f.write("};\n\n}  // namespace ux\n")


def write_index(out_dir):
    with open(os.path.join(out_dir, "uxFonts.cpp"), "w") as f:
        f.write("// Generated by tools/fontgen/make_fonts.py; do not edit.\n")
        f.write('#include "toolkit/fonts/uxFonts.h"\n\nnamespace ux {\n\n')
        for index, w, h, *_ in FONTS:
            f.write("extern const uint8_t kFont%02dGlyphs[256 * %d];\n" % (index, (w + 7) // 8 * h))
        f.write("\nconst FontTable kFonts[kFontCount] = {\n")
        for index, w, h, *_ in FONTS:
            f.write("    {%d, %d, kFont%02dGlyphs},\n" % (w, h, index))
        f.write("};\n\n}  // namespace ux\n")


def write_specimen(path, fonts):
    from PIL import Image

    cols = 32
    widths = [w * cols + 4 for (_, w, _, _) in fonts]
    height = sum(h * 8 + 6 for (_, _, h, _) in fonts)
    img = Image.new("RGB", (max(widths), height), (40, 40, 40))
    top = 0
    for index, w, h, cells in fonts:
        for code, cell in enumerate(cells):
            x0, y0 = 2 + (code % cols) * w, top + 3 + (code // cols) * h
            for y in range(h):
                for x in range(w):
                    odd = ((code % cols) + (code // cols)) % 2
                    img.putpixel((x0 + x, y0 + y), (255, 255, 255) if cell.px[y][x] else ((0, 0, 90) if odd else (0, 0, 0)))
        top += h * 8 + 6
    img.save(path)


def main():
    ap = argparse.ArgumentParser()
    here = os.path.dirname(os.path.abspath(__file__))
    ap.add_argument("--out", default=os.path.join(here, "..", "..", "toolkit", "fonts"))
    ap.add_argument("--specimen", default=None)
    args = ap.parse_args()
    made = []
    for index, w, h, kind, source, em in FONTS:
        missing = []
        if kind == "psf":
            cells = render_psf(source, w, h, missing)
        else:
            cells = render_ft(source, w, h, em, missing)
        write_font(args.out, index, w, h, source, cells)
        made.append((index, w, h, cells))
        if missing:
            print("font %d (%dx%d, %s): blank for codes %s" % (index, w, h, os.path.basename(source),
                                                               " ".join("%d" % c for c in missing)))
    write_index(args.out)
    if args.specimen:
        write_specimen(args.specimen, made)
    return 0


if __name__ == "__main__":
    sys.exit(main())
