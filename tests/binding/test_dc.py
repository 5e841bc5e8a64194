"""The drawing context from scripts: dispatch between coordinate and record forms, what reaches
the screen (read back through uxDC_saveScreen and decoded here), clipping and panning, fonts,
the context's pictures, images made by scripts, and the refusals of bad input."""

import ctypes
import glob
import os
import shutil
import struct
import tempfile
import unittest

import _tovgui as m
import tovgui  # noqa: F401  (registers the classes, so owned results are freed)

from binding_support import (Screen, c_stdout, c_text, decode_png, encode_png, fixture_png, install_stand_ins,
                             overload_text, png_header, run_python)

ROOT = IMAGES = DC = None
BLACK, RED, GREEN, BLUE, WHITE = 0, 0xFF0000, 0x00FF00, 0x0000FF, 0xFFFFFF
# The toolkit's built-in fonts: glyph width and height, font 0 to 15.
FONT_SIZES = [(4, 6), (5, 8), (5, 12), (6, 8), (6, 10), (7, 12), (8, 8), (8, 12), (8, 14), (10, 16), (12, 16),
              (12, 20), (16, 26), (22, 36), (24, 40), (32, 53)]


def setUpModule():
    global ROOT, IMAGES, DC
    ROOT = tempfile.mkdtemp(prefix="tovgui-dc-")
    if install_stand_ins(ROOT) != 0:
        raise RuntimeError("no memory framebuffer")
    IMAGES = os.path.join(ROOT, "usr/share/ruv/gui")
    os.makedirs(IMAGES)
    DC = m.new_uxDC()
    with c_stdout():
        if m.uxDC_Init(DC) != 0:
            raise RuntimeError("the context did not open the memory framebuffer")


def tearDownModule():
    m.delete_uxDC(DC)
    shutil.rmtree(ROOT)


def rect(left, top, right, bottom, width=None, height=None):
    r = m.new_uxRECT(left, top, right, bottom)
    if width is not None:
        m.uxRECT_width_set(r, width)
    if height is not None:
        m.uxRECT_height_set(r, height)
    return r


def fields(r):
    return tuple(getattr(m, f"uxRECT_{k}_get")(r) for k in ("left", "top", "right", "bottom", "width", "height"))


def point(x, y):
    return m.new_uxPOINT(x, y)


def fresh():
    """A black screen and back layer, and a context without clipping, panning or exclusive
    region. (A paint copies its whole region of the back layer to the screen.)"""
    m.uxDC_ReleaseClippingRegion(DC)
    m.uxDC_ReleasePanning(DC)
    m.uxDC_resetExclusiveRegion(DC)
    paint((m.uxDC_FillFrame, 0, 0, 799, 479, BLACK))


def paint(*calls):
    """Runs the drawing calls (function, further arguments) over the whole screen."""
    m.uxDC_BeginPaint(DC, 0, 0, 800, 480)
    for fn, *args in calls:
        fn(DC, *args)
    m.uxDC_EndPaint(DC)


def shot(rows=480):
    with c_stdout() as out:
        m.uxDC_saveScreen(DC, "shot")
    assert c_text(out) == "Screen Saved\n", c_text(out)
    with open(os.path.join(IMAGES, "shot.png"), "rb") as f:
        return Screen(*decode_png(f.read(), rows))


def box(x0, y0, x1, y1):
    """The pixels of [x0, x1] x [y0, y1], both ends included."""
    return {(x, y) for y in range(y0, y1 + 1) for x in range(x0, x1 + 1)}


def size_of(font_size):
    """The two halves of an opaque size, read where its pointer points."""
    return tuple((ctypes.c_uint16 * 2).from_address(int(font_size)))


def write(path, data):
    with open(path, "wb") as f:
        f.write(data)
    return path


def loaded(dc, index):
    """(name, width, height) of a picture of the context."""
    img = m.new_tImage()
    m.uxDC_getImageRef(dc, index, img)
    return m.tImage_name_get(img), m.tImage_width_get(img), m.tImage_height_get(img)


_PACKAGE_PNGS = None


def package_pngs():
    """One PNG file of each layout installed under /usr/share, names all different:
    {(bit depth, colour type, interlace): (path, width, height)} from their own headers."""
    global _PACKAGE_PNGS
    if _PACKAGE_PNGS is None:
        _PACKAGE_PNGS, names = {}, set()
        for path in sorted(glob.glob("/usr/share/**/*.png", recursive=True)):
            with open(path, "rb") as f:
                head = f.read(33)
            try:
                width, height, *layout = png_header(head)
            except ValueError:
                continue
            if tuple(layout) not in _PACKAGE_PNGS and os.path.basename(path) not in names:
                _PACKAGE_PNGS[tuple(layout)] = (path, width, height)
                names.add(os.path.basename(path))
    return _PACKAGE_PNGS


class Dispatch(unittest.TestCase):
    def test_a_call_that_fits_no_form_lists_the_prototypes(self):
        dc_forms = {
            "DrawImage": ["DrawImage(int16_t,int16_t,tImage const *,int,int,int)",
                          "DrawImage(int16_t,int16_t,tImage const *,int,int)",
                          "DrawImage(int16_t,int16_t,tImage const *)"],
            "BeginPaint": ["BeginPaint(int16_t,int16_t,int16_t,int16_t,bool,bool)",
                           "BeginPaint(int16_t,int16_t,int16_t,int16_t,bool)",
                           "BeginPaint(int16_t,int16_t,int16_t,int16_t)"],
            "loadImage": ["loadImage(char *,std::string)", "loadImage(char *)"],
            "FillFrame": ["FillFrame(int16_t,int16_t,int16_t,int16_t,uxCOLOR)", "FillFrame(uxRECT,uxCOLOR)"],
            "FillRoundFrame": ["FillRoundFrame(int16_t,int16_t,int16_t,int16_t,int16_t,uxCOLOR)",
                               "FillRoundFrame(uxRECT,int16_t,uxCOLOR)"],
            "DrawMesh": ["DrawMesh(int16_t,int16_t,int16_t,int16_t,uxCOLOR)", "DrawMesh(uxRECT,uxCOLOR)"],
            "DrawFrame": ["DrawFrame(int16_t,int16_t,int16_t,int16_t,uxCOLOR)", "DrawFrame(uxRECT,uxCOLOR)"],
            "DrawRoundFrame": ["DrawRoundFrame(int16_t,int16_t,int16_t,int16_t,int16_t,uxCOLOR)",
                               "DrawRoundFrame(uxRECT,int16_t,uxCOLOR)"],
            "DrawPixel": ["DrawPixel(int16_t,int16_t,uxCOLOR)", "DrawPixel(uxPOINT,uxCOLOR)"],
            "DrawCircle": ["DrawCircle(int16_t,int16_t,int16_t,uxCOLOR)", "DrawCircle(uxPOINT,int16_t,uxCOLOR)"],
            "FillCircle": ["FillCircle(int16_t,int16_t,int16_t,uxCOLOR)", "FillCircle(uxPOINT,int16_t,uxCOLOR)"],
            "DrawArc": ["DrawArc(int16_t,int16_t,int16_t,uint8_t,uxCOLOR)", "DrawArc(uxPOINT,int16_t,uint8_t,uxCOLOR)"],
            "DrawLine": ["DrawLine(int16_t,int16_t,int16_t,int16_t,uxCOLOR)", "DrawLine(uxPOINT,uxPOINT,uxCOLOR)"],
            "DrawDottedLine": ["DrawDottedLine(int16_t,int16_t,int16_t,int16_t,int,uxCOLOR)",
                               "DrawDottedLine(uxPOINT,uxPOINT,int,uxCOLOR)"],
            "PutString": ["PutString(int16_t,int16_t,char *)", "PutString(uxPOINT,char *)"],
            "PutChar": ["PutChar(char,int16_t,int16_t,uxCOLOR,uxCOLOR)", "PutChar(char,uxPOINT,uxCOLOR,uxCOLOR)"],
        }
        for op, forms in dc_forms.items():
            name = "uxDC_" + op
            with self.subTest(name):
                with self.assertRaises(NotImplementedError) as e:
                    getattr(m, name)(DC)
                self.assertEqual(str(e.exception), overload_text(name, *("uxDC::" + f for f in forms)))

    def test_every_argument_of_the_form_is_tried(self):
        img = m.new_tImage()
        cases = [
            (m.uxDC_BeginPaint, (DC, 0, 0, 100, 50, 1)),  # 1 is no truth value
            (m.uxDC_BeginPaint, (DC, 0, 0, 100, 50, True, 0)),
            (m.uxDC_FillFrame, (DC, 0, 0, 40000, 1, RED)),  # beyond int16_t
            (m.uxDC_FillFrame, (DC, rect(0, 0, 1, 1), -1)),  # no uxCOLOR
            (m.uxDC_DrawImage, (DC, 0, 0, point(1, 1))),  # a record of another type
            (m.uxDC_DrawImage, (DC, 0, 0, img, 0, 2**31)),
            (m.uxDC_PutChar, (DC, "é", 0, 0, RED, BLACK)),  # two bytes in UTF-8
            (m.uxDC_PutChar, (DC, 256, 0, 0, RED, BLACK)),
            (m.uxDC_PutChar, (DC, -1, 0, 0, RED, BLACK)),
            (m.uxDC_PutChar, (DC, "AB", 0, 0, RED, BLACK)),
            (m.uxDC_PutString, (DC, 0, 0, b"bytes")),
            (m.uxDC_DrawArc, (DC, 1, 1, 1, 256, RED)),
        ]
        for fn, args in cases:
            with self.subTest(fn=fn.__name__, args=args[1:]):
                with self.assertRaises(NotImplementedError):
                    fn(*args)

    def test_flags_take_true_false_and_the_exclusive_constant(self):
        for flags in ((), (False,), (True,), (m.EXCLUSIVE_REGION,), (False, False), (m.EXCLUSIVE_REGION, False)):
            with self.subTest(flags=flags):
                self.assertIs(m.uxDC_BeginPaint(DC, 0, 0, 100, 50, *flags), True)
                m.uxDC_EndPaint(DC)
        m.uxDC_resetExclusiveRegion(DC)

    def test_none_for_a_record_by_value_is_refused_with_its_argument_number(self):
        p, r = point(1, 1), rect(0, 0, 1, 1)
        cases = [
            (m.uxDC_FillFrame, (None, RED), 2, "uxRECT"),
            (m.uxDC_FillRoundFrame, (None, 2, RED), 2, "uxRECT"),
            (m.uxDC_DrawMesh, (None, RED), 2, "uxRECT"),
            (m.uxDC_DrawFrame, (None, RED), 2, "uxRECT"),
            (m.uxDC_DrawRoundFrame, (None, 2, RED), 2, "uxRECT"),
            (m.uxDC_DrawPixel, (None, RED), 2, "uxPOINT"),
            (m.uxDC_DrawCircle, (None, 2, RED), 2, "uxPOINT"),
            (m.uxDC_FillCircle, (None, 2, RED), 2, "uxPOINT"),
            (m.uxDC_DrawArc, (None, 2, 1, RED), 2, "uxPOINT"),
            (m.uxDC_DrawLine, (None, p, RED), 2, "uxPOINT"),
            (m.uxDC_DrawLine, (p, None, RED), 3, "uxPOINT"),
            (m.uxDC_DrawDottedLine, (None, p, 2, RED), 2, "uxPOINT"),
            (m.uxDC_DrawDottedLine, (p, None, 2, RED), 3, "uxPOINT"),
            (m.uxDC_PutString, (None, "x"), 2, "uxPOINT"),
            (m.uxDC_PutChar, ("A", None, RED, BLACK), 3, "uxPOINT"),
            (m.uxDC_allocImage, (None, "x"), 2, "uxRECT"),
            (m.uxDC_GetImage, (None, m.new_tImage()), 2, "uxRECT"),
            (m.uxDC_SetClippingRegion, (None,), 2, "uxRECT"),
            (m.uxDC_StartPanning, (None,), 2, "uxPOINT"),
        ]
        for fn, args, number, kind in cases:
            name = fn.__name__
            with self.subTest(name, number=number):
                with self.assertRaises(ValueError) as e:
                    fn(DC, *args)
                self.assertEqual(str(e.exception),
                                 f"invalid null reference in method '{name}', argument {number} of type '{kind}'")
        self.assertEqual(fields(r), (0, 0, 1, 1, 1, 1))

    def test_conversion_errors_name_the_argument_and_its_type(self):
        cases = [
            (m.uxDC_getFontSize, (DC, "0"), TypeError, "in method 'uxDC_getFontSize', argument 2 of type 'int'"),
            (m.uxDC_saveScreen, (DC, 5), TypeError, "in method 'uxDC_saveScreen', argument 2 of type 'char const *'"),
            (m.uxDC_AdjustPanning, (DC, point(0, 0)), TypeError,
             "in method 'uxDC_AdjustPanning', argument 2 of type 'uxRECT *'"),
            (m.uxDC_SetClippingRegion, (DC, point(0, 0)), TypeError,
             "in method 'uxDC_SetClippingRegion', argument 2 of type 'uxRECT'"),
            (m.uxDC_FontSelect, (DC, 65536), OverflowError, "in method 'uxDC_FontSelect', argument 2 of type 'uint16_t'"),
            (m.uxDC_FontSetHSpace, (DC, -1), OverflowError,
             "in method 'uxDC_FontSetHSpace', argument 2 of type 'uint16_t'"),
            (m.uxDC_FillScreen, (DC, 2**32), OverflowError, "in method 'uxDC_FillScreen', argument 2 of type 'uxCOLOR'"),
            (m.uxDC_getImageRef, (DC, -1, rect(0, 0, 1, 1)), TypeError,
             "in method 'uxDC_getImageRef', argument 3 of type 'tImage *'"),
            (m.uxDC_allocImage, (DC, rect(0, 0, 1, 1), 7), TypeError,
             "in method 'uxDC_allocImage', argument 3 of type 'char *'"),
            (m.uxDC_Init, (rect(0, 0, 1, 1),), TypeError, "in method 'uxDC_Init', argument 1 of type 'uxDC *'"),
            # A folder of None fits the form by count and is then refused, as for any std::string.
            (m.uxDC_loadImage, (DC, "a.png", None), TypeError,
             "in method 'uxDC_loadImage', argument 3 of type 'std::string'"),
        ]
        for fn, args, kind, text in cases:
            with self.subTest(fn.__name__):
                with self.assertRaises(kind) as e:
                    fn(*args)
                self.assertEqual(str(e.exception), text)

    def test_results(self):
        self.assertIsNone(m.uxDC_deleteImage(DC, 3))
        self.assertIsNone(m.uxDC_Test(DC))
        self.assertEqual(m.uxDC_getSelectColor(DC), 210)
        # A context takes the theme's selection colour when it is made.
        m.CTheme_SetNamedColor("Selector", 1, 2, 3)
        try:
            self.assertEqual(m.uxDC_getSelectColor(tovgui.uxDC()), 0x010203)
        finally:
            m.CTheme_DeleteNamedColor("Selector")
        self.assertIsInstance(m.uxDC_FontSelect(DC, 0), tovgui.uxFONT)
        self.assertTrue(m.uxDC_FontSelect(DC, 0).thisown)


class Pixels(unittest.TestCase):
    def setUp(self):
        fresh()

    def test_the_test_pattern(self):
        m.uxDC_Test(DC)
        want = {}
        # Three overlapping fills in a 50 x 50 paint region at (10, 10), clipped to it.
        for x1, y1, x2, y2, c in ((0, 0, 15, 15, RED), (15, 15, 30, 35, GREEN), (21, 15, 40, 50, BLUE)):
            for xy in box(10 + x1, 10 + y1, 10 + min(x2, 49), 10 + min(y2, 49)):
                want[xy] = c
        s = shot(80)
        got = {(x, y): s.pixel(x, y) for x in range(80) for y in range(80) if s.pixel(x, y)}
        self.assertEqual(got, want)

    def test_a_rectangle_fills_corner_to_corner_whatever_its_width_holds(self):
        for width, height in ((None, None), (3, 2), (500, 0), (-40, 90)):
            with self.subTest(width=width, height=height):
                fresh()
                paint((m.uxDC_FillFrame, rect(20, 30, 60, 45, width, height), RED))
                self.assertEqual(shot(100).painted(0, 0, 100, 100), box(20, 30, 60, 45))

    def test_record_forms_draw_what_their_coordinate_forms_draw(self):
        stale = rect(20, 30, 60, 70, 999, 7)  # width and height are never read
        far = rect(65536 + 20, 30, 65536 + 60, 70)  # coordinates are cut to 16 bits
        p, q = point(40, 50), point(70, 90)
        m.uxDC_FontSelect(DC, 5)
        m.uxDC_SetForecolor(DC, WHITE)
        m.uxDC_SetBackcolor(DC, BLUE)
        pairs = [
            (m.uxDC_FillFrame, (20, 30, 60, 70, RED), (stale, RED)),
            (m.uxDC_FillFrame, (20, 30, 60, 70, RED), (far, RED)),
            (m.uxDC_FillRoundFrame, (20, 30, 60, 70, 8, RED), (stale, 8, RED)),
            (m.uxDC_DrawMesh, (20, 30, 60, 70, RED), (stale, RED)),
            (m.uxDC_DrawFrame, (20, 30, 60, 70, RED), (stale, RED)),
            (m.uxDC_DrawRoundFrame, (20, 30, 60, 70, 8, RED), (stale, 8, RED)),
            (m.uxDC_DrawPixel, (40, 50, RED), (p, RED)),
            (m.uxDC_DrawCircle, (40, 50, 12, RED), (p, 12, RED)),
            (m.uxDC_FillCircle, (40, 50, 12, RED), (p, 12, RED)),
            (m.uxDC_DrawArc, (40, 50, 12, 0x0F, RED), (p, 12, 0x0F, RED)),
            (m.uxDC_DrawLine, (40, 50, 70, 90, RED), (p, q, RED)),
            (m.uxDC_DrawDottedLine, (40, 50, 70, 90, 3, RED), (p, q, 3, RED)),
            (m.uxDC_PutString, (40, 50, "Ab"), (p, "Ab")),
            (m.uxDC_PutChar, ("A", 40, 50, RED, GREEN), ("A", p, RED, GREEN)),
        ]
        for fn, coordinates, record in pairs:
            with self.subTest(fn.__name__, record=record):
                fresh()
                paint((fn, *coordinates))
                want = shot(120).region(0, 0, 120, 120)
                fresh()
                paint((fn, *record))
                self.assertEqual(shot(120).region(0, 0, 120, 120), want)
                self.assertTrue(any(any(row) for row in want))
        self.assertEqual(fields(stale), (20, 30, 60, 70, 999, 7))

    def test_characters_by_string_and_by_code(self):
        m.uxDC_FontSelect(DC, 9)

        def glyph(ch):
            fresh()
            paint((m.uxDC_PutChar, ch, 10, 10, WHITE, BLUE))
            return shot(40).region(0, 0, 40, 40)

        a = glyph("A")
        self.assertEqual(glyph(65), a)
        # The cell is the font's size, background and all.
        self.assertEqual(shot(40).painted(0, 0, 40, 40), box(10, 10, 19, 25))
        # Codes above 127 come as integers and have glyphs of their own.
        self.assertNotIn(glyph(200), (a, glyph(0)))

    def test_text_goes_byte_by_byte(self):
        m.uxDC_FontSelect(DC, 9)
        m.uxDC_SetForecolor(DC, WHITE)
        m.uxDC_SetBackcolor(DC, BLUE)
        paint((m.uxDC_PutString, 10, 10, "é"))  # two bytes in UTF-8: 0xC3 0xA9
        text = shot(40).region(0, 0, 60, 40)
        fresh()
        paint((m.uxDC_PutChar, 0xC3, 10, 10, WHITE, BLUE), (m.uxDC_PutChar, 0xA9, 20, 10, WHITE, BLUE))
        self.assertEqual(shot(40).region(0, 0, 60, 40), text)

    def test_the_exclusive_region_stays_on_top_until_restored(self):
        paint((m.uxDC_FillFrame, 0, 0, 99, 99, RED))
        m.uxDC_BeginPaint(DC, 20, 20, 30, 30, m.EXCLUSIVE_REGION)
        m.uxDC_FillFrame(DC, 0, 0, 29, 29, GREEN)
        m.uxDC_EndPaint(DC)
        paint((m.uxDC_FillFrame, 0, 0, 99, 99, BLUE))
        s = shot(100)
        self.assertEqual({xy for xy in box(0, 0, 99, 99) if s.pixel(*xy) == GREEN}, box(20, 20, 49, 49))
        self.assertEqual(s.pixel(19, 19), BLUE)
        m.uxDC_restoreExlusiveRegion(DC)  # what lies beneath comes back
        self.assertEqual(shot(100).painted(0, 0, 100, 100, background=BLUE), set())
        m.uxDC_resetExclusiveRegion(DC)
        paint((m.uxDC_FillFrame, 0, 0, 99, 99, WHITE))
        self.assertEqual(shot(100).painted(0, 0, 100, 100, background=WHITE), set())

    def test_a_direct_paint_draws_on_the_screen_at_once(self):
        m.uxDC_BeginPaint(DC, 0, 0, 800, 480, False, True)
        m.uxDC_FillFrame(DC, 10, 10, 19, 19, RED)
        self.assertEqual(shot(40).painted(0, 0, 40, 40), box(10, 10, 19, 19))
        m.uxDC_EndPaint(DC)  # the back layer, still black, is not copied
        self.assertEqual(shot(40).painted(0, 0, 40, 40), box(10, 10, 19, 19))

    def test_clipping_takes_the_corners_of_a_rectangle_with_a_stale_width(self):
        clip = rect(100, 100, 120, 110, 500, 300)
        m.uxDC_SetClippingRegion(DC, clip)
        paint((m.uxDC_FillFrame, 0, 0, 799, 479, RED))
        self.assertEqual(shot(200).painted(0, 0, 800, 200), box(100, 100, 119, 109))
        self.assertEqual(fields(clip), (100, 100, 120, 110, 500, 300))
        m.uxDC_ReleaseClippingRegion(DC)
        paint((m.uxDC_FillFrame, 0, 0, 799, 479, RED))
        self.assertEqual(len(shot().painted(0, 0, 800, 480)), 800 * 480)

    def test_panning_moves_what_is_painted_and_the_rectangles_adjusted(self):
        m.uxDC_StartPanning(DC, point(100, 50))
        m.uxDC_BeginPaint(DC, 0, 0, 10, 10)
        m.uxDC_FillFrame(DC, 0, 0, 9, 9, GREEN)
        m.uxDC_EndPaint(DC)
        self.assertEqual(shot(100).painted(0, 0, 200, 100), box(100, 50, 109, 59))

        r = rect(10, 20, 30, 50, 99, 30)
        m.uxDC_StartPanning(DC, point(5, -7))
        self.assertIsNone(m.uxDC_AdjustPanning(DC, r))
        self.assertEqual(fields(r), (15, 13, 35, 43, 99, 30))
        m.uxDC_ReleasePanning(DC)
        m.uxDC_AdjustPanning(DC, r)
        self.assertEqual(fields(r), (15, 13, 35, 43, 99, 30))

    def test_an_image_drawn_with_offset_and_width_draws_no_rows(self):
        png, pixels = fixture_png("rgb", 7, 4)
        write(os.path.join(ROOT, "offset.png"), png)
        img = m.new_tImage()
        self.assertTrue(m.uxDC_getImageRef(DC, m.uxDC_loadImage(DC, "offset.png", ROOT + "/"), img))

        def drawn(*args):
            fresh()
            paint((m.uxDC_DrawImage, 30, 20, img, *args))
            return shot(40)

        self.assertEqual(drawn(0, 7).painted(0, 0, 60, 40), set())
        self.assertEqual(drawn(0, 7, 0).painted(0, 0, 60, 40), set())
        # With rows: the columns from the offset on, as many rows as asked.
        s = drawn(2, 3, 2)
        self.assertEqual(s.painted(0, 0, 60, 40), box(30, 20, 32, 21))
        self.assertEqual(s.region(30, 20, 33, 22),
                         tuple(tuple((r << 16) | (g << 8) | b for r, g, b in row[2:5]) for row in pixels[:2]))
        self.assertEqual(drawn().region(0, 0, 60, 40), drawn(0, 7, 4).region(0, 0, 60, 40))


class Pictures(unittest.TestCase):
    """The context's list of loaded PNG pictures."""

    def setUp(self):
        self.dir = tempfile.mkdtemp(dir=ROOT) + "/"
        self.dc = m.new_uxDC()

    def tearDown(self):
        m.delete_uxDC(self.dc)
        shutil.rmtree(self.dir)

    def test_each_layout_draws_its_pixels(self):
        cases = [("rgb", 1, 1), ("rgb", 7, 3), ("rgba", 5, 4), ("palette", 9, 2), ("grey", 3, 5), ("greyalpha", 6, 1)]
        for kind, w, h in cases:
            with self.subTest(kind=kind, size=(w, h)):
                png, pixels = fixture_png(kind, w, h)
                name = f"{kind}-{w}x{h}.png"
                write(self.dir + name, png)
                index = m.uxDC_loadImage(DC, name, self.dir)
                self.assertGreaterEqual(index, 0)
                self.assertEqual(loaded(DC, index), (name, w, h))
                img = m.new_tImage()
                m.uxDC_getImageRef(DC, index, img)
                fresh()
                paint((m.uxDC_DrawImage, 11, 13, img))
                want = tuple(tuple((r << 16) | (g << 8) | b for r, g, b in row) for row in pixels)
                s = shot(20)
                self.assertEqual(s.region(11, 13, 11 + w, 13 + h), want)
                self.assertEqual(s.painted(0, 0, 30, 20), box(11, 13, 10 + w, 12 + h))

    def test_a_name_loaded_again_is_not_read_again(self):
        write(self.dir + "once.png", fixture_png("rgb", 3, 2)[0])
        write(self.dir + "other.png", fixture_png("rgb", 4, 4)[0])
        self.assertEqual(m.uxDC_loadImage(self.dc, "once.png", self.dir), 0)
        self.assertEqual(m.uxDC_loadImage(self.dc, "other.png", self.dir), 1)
        os.remove(self.dir + "once.png")
        self.assertEqual(m.uxDC_loadImage(self.dc, "once.png", self.dir), 0)
        self.assertEqual(m.uxDC_loadImage(self.dc, "once.png"), 0)
        self.assertEqual(loaded(self.dc, 0), ("once.png", 3, 2))
        # deleteImage has no effect on the list.
        m.uxDC_deleteImage(self.dc, 0)
        m.uxDC_deleteImage(self.dc, 1)
        self.assertEqual([loaded(self.dc, i) for i in (0, 1)], [("once.png", 3, 2), ("other.png", 4, 4)])
        with self.assertRaises(IndexError):
            m.uxDC_getImageRef(self.dc, 2, m.new_tImage())

    def test_without_a_folder_the_image_folder_is_read(self):
        write(os.path.join(IMAGES, "in-folder.png"), fixture_png("rgb", 2, 3)[0])
        write(self.dir + "elsewhere.png", fixture_png("rgb", 2, 3)[0])
        self.assertEqual(m.uxDC_loadImage(self.dc, "elsewhere.png"), -1)
        self.assertEqual(m.uxDC_loadImage(self.dc, "in-folder.png"), 0)
        self.assertEqual(loaded(self.dc, 0), ("in-folder.png", 2, 3))

    def test_unreadable_files_give_minus_one(self):
        good = fixture_png("rgba", 6, 6)[0]
        idat = good.index(b"IDAT")
        cases = {
            "missing.png": None,
            "empty.png": b"",
            "text.png": b"this is no picture\n" * 10,
            "signature-only.png": good[:8],
            "cut-in-the-data.png": good[:idat + 10],
            "bad-crc.png": good[:idat + 4] + bytes([good[idat + 4] ^ 1]) + good[idat + 5:],
            "no-width.png": encode_png(0, 1, 2, [b""]),
        }
        for name, data in cases.items():
            with self.subTest(name):
                if data is not None:
                    write(self.dir + name, data)
                self.assertEqual(m.uxDC_loadImage(self.dc, name, self.dir), -1)
        self.assertEqual(m.uxDC_loadImage(self.dc, os.path.basename(self.dir[:-1]), ROOT + "/"), -1)  # a folder
        with self.assertRaises(IndexError):
            m.uxDC_getImageRef(self.dc, 0, m.new_tImage())

    def test_a_picture_beyond_four_screens_is_refused(self):
        for name, w, h, index in (("four-screens.png", 1600, 960, 0), ("beyond.png", 1601, 960, -1),
                                  ("too-wide.png", 65536, 1, -1)):
            with self.subTest(name):
                write(self.dir + name, encode_png(w, h, 0, [bytes(w)] * h))
                self.assertEqual(m.uxDC_loadImage(self.dc, name, self.dir), index)

    def test_pngs_of_installed_packages_load_at_their_size_and_cut_ones_do_not(self):
        chosen = package_pngs()
        if len(chosen) < 3:
            self.skipTest("too few PNG files under /usr/share")
        for layout, (path, w, h) in sorted(chosen.items()):
            with self.subTest(path, layout=layout):
                name = os.path.basename(path)
                index = m.uxDC_loadImage(self.dc, name, os.path.dirname(path) + "/")
                if w * h > 4 * 800 * 480:  # beyond four screens: refused
                    self.assertEqual(index, -1)
                    continue
                self.assertEqual(loaded(self.dc, index), (name, w, h))
                with open(path, "rb") as f:
                    data = f.read()
                idat = data.index(b"IDAT")
                (length,) = struct.unpack_from(">I", data, idat - 4)
                write(self.dir + "cut-" + name, data[:idat + 4 + length // 2])
                self.assertEqual(m.uxDC_loadImage(self.dc, "cut-" + name, self.dir), -1)

    def test_package_pictures_draw_the_colours_of_their_files(self):
        # 8-bit RGB and RGBA, the layouts decoded here; alpha is not drawn.
        chosen = [v for k, v in package_pngs().items() if k in ((8, 2, 0), (8, 6, 0)) and v[1] <= 800 and v[2] <= 480]
        if not chosen:
            self.skipTest("no 8-bit RGB or RGBA PNG under /usr/share fits the screen")
        for path, w, h in chosen:
            with self.subTest(path):
                with open(path, "rb") as f:
                    lines = decode_png(f.read())[2]
                img = m.new_tImage()
                m.uxDC_getImageRef(self.dc, m.uxDC_loadImage(self.dc, os.path.basename(path),
                                                             os.path.dirname(path) + "/"), img)
                fresh()
                paint((m.uxDC_DrawImage, 0, 0, img))
                want = tuple(tuple(int.from_bytes(line[4 * x:4 * x + 3], "big") for x in range(w)) for line in lines)
                self.assertEqual(shot(h).region(0, 0, w, h), want)

    def test_the_reference_of_minus_one_empties_the_record_and_keeps_its_name(self):
        write(self.dir + "ref.png", fixture_png("rgb", 3, 2)[0])
        m.uxDC_loadImage(self.dc, "ref.png", self.dir)
        img = m.new_tImage()
        self.assertIs(m.uxDC_getImageRef(self.dc, 0, img), True)
        self.assertIsNotNone(m.tImage_data_get(img))
        m.tImage_name_set(img, "kept")
        self.assertIs(m.uxDC_getImageRef(self.dc, -1, img), False)
        self.assertEqual((m.tImage_name_get(img), m.tImage_data_get(img), m.tImage_width_get(img),
                          m.tImage_height_get(img)), ("kept", None, 0, 0))
        for index in (1, -2, 2**31 - 1, -2**31):
            with self.subTest(index=index):
                with self.assertRaises(IndexError) as e:
                    m.uxDC_getImageRef(self.dc, index, img)
                self.assertEqual(str(e.exception),
                                 f"in method 'uxDC_getImageRef', image index {index} is neither -1 nor a loaded image")
                self.assertEqual(m.tImage_name_get(img), "kept")


class ScriptImages(unittest.TestCase):
    """Images a script allocates, fills from the screen, draws and frees."""

    def setUp(self):
        fresh()

    def test_a_rectangle_copied_from_the_screen_is_drawn_elsewhere(self):
        paint((m.uxDC_FillFrame, 10, 10, 39, 29, RED), (m.uxDC_FillFrame, 20, 15, 24, 18, GREEN),
              (m.uxDC_DrawLine, 10, 29, 39, 10, BLUE), (m.uxDC_DrawPixel, 39, 29, WHITE))
        area = rect(10, 10, 40, 30)
        img = m.uxDC_allocImage(DC, area, "copy")
        self.assertTrue(img.thisown)
        self.assertEqual((m.tImage_name_get(img), m.tImage_width_get(img), m.tImage_height_get(img)), ("copy", 30, 20))
        # A stale width in the rectangle: the copy still takes its corners.
        paint((m.uxDC_GetImage, rect(10, 10, 40, 30, 7, 7), img), (m.uxDC_DrawImage, 300, 200, img))
        s = shot(240)
        self.assertEqual(s.region(300, 200, 330, 220), s.region(10, 10, 40, 30))
        self.assertLessEqual(s.painted(290, 190, 340, 230), box(300, 200, 329, 219))
        m.uxDC_freeImage(DC, img)
        self.assertEqual((m.tImage_name_get(img), m.tImage_data_get(img), m.tImage_width_get(img),
                          m.tImage_height_get(img)), ("", None, 0, 0))
        # Nothing left to free or draw.
        m.uxDC_freeImage(DC, img)
        paint((m.uxDC_DrawImage, 0, 0, img), (m.uxDC_GetImage, area, img), (m.uxDC_DrawImage, 0, 0, None),
              (m.uxDC_GetImage, area, None))

    def test_freeing_is_for_pixels_allocated_and_not_yet_freed(self):
        dc = m.new_uxDC()
        write(os.path.join(IMAGES, "owned.png"), fixture_png("rgb", 2, 2)[0])
        m.uxDC_loadImage(dc, "owned.png")
        ref = m.new_tImage()
        m.uxDC_getImageRef(dc, 0, ref)
        img = m.uxDC_allocImage(dc, rect(0, 0, 4, 4), "mine")
        twin = m.new_tImage()
        m.tImage_data_set(twin, m.tImage_data_get(img))
        m.tImage_width_set(twin, 4)
        m.tImage_height_set(twin, 4)
        text = "in method 'uxDC_freeImage', argument 2: the image's pixels were not made by allocImage or are freed"
        with self.assertRaises(ValueError) as e:
            m.uxDC_freeImage(dc, ref)
        self.assertEqual(str(e.exception), text)
        self.assertEqual(loaded(dc, 0), ("owned.png", 2, 2))
        m.uxDC_freeImage(dc, img)
        with self.assertRaises(ValueError):
            m.uxDC_freeImage(dc, twin)
        # The context's own pictures are freed once, with it.
        m.delete_uxDC(dc)

    def test_records_that_outgrew_or_outlived_their_pixels_are_refused(self):
        dc = m.new_uxDC()
        write(os.path.join(IMAGES, "short-lived.png"), fixture_png("rgb", 3, 3)[0])
        m.uxDC_loadImage(dc, "short-lived.png")
        ref = m.new_tImage()
        m.uxDC_getImageRef(dc, 0, ref)
        m.uxDC_BeginPaint(DC, 0, 0, 800, 480)
        m.uxDC_DrawImage(DC, 0, 0, ref)
        img = m.uxDC_allocImage(DC, rect(0, 0, 5, 5), "small")
        m.uxDC_GetImage(DC, rect(0, 0, 5, 5), img)
        m.tImage_height_set(img, 4)  # smaller is fine
        m.uxDC_DrawImage(DC, 0, 0, img)
        m.tImage_width_set(img, 60)
        m.tImage_height_set(img, 60)
        twin = m.new_tImage()
        m.tImage_data_set(twin, m.tImage_data_get(img))
        m.tImage_width_set(twin, 5)
        m.tImage_height_set(twin, 5)
        m.delete_uxDC(dc)
        cases = [
            (m.uxDC_DrawImage, (0, 0, img), 4),  # larger than its pixels
            (m.uxDC_DrawImage, (0, 0, img, 0, 60, 60), 4),
            (m.uxDC_GetImage, (rect(0, 0, 60, 60), img), 3),
            (m.uxDC_DrawImage, (0, 0, ref), 4),  # its context is gone
        ]
        for fn, args, number in cases:
            with self.subTest(fn.__name__, args=args):
                with self.assertRaises(ValueError) as e:
                    fn(DC, *args)
                self.assertEqual(str(e.exception), f"in method '{fn.__name__}', argument {number}: the image's "
                                 "pixels are freed or smaller than its size")
        m.tImage_width_set(img, 5)
        m.tImage_height_set(img, 5)
        m.uxDC_freeImage(DC, img)
        with self.assertRaises(ValueError):
            m.uxDC_DrawImage(DC, 0, 0, twin)  # its pixels are freed
        m.uxDC_EndPaint(DC)

    def test_an_allocation_beyond_the_limit_is_a_memory_error(self):
        for area in (rect(0, 0, 65535, 65535), rect(0, 0, 2**31 - 1, 2)):
            with self.subTest(area=fields(area)):
                with self.assertRaises(MemoryError) as e:
                    m.uxDC_allocImage(DC, area, "huge")
                self.assertEqual(str(e.exception), "in method 'uxDC_allocImage': out of memory")
        # A reversed rectangle is the script's mistake, not a lack of memory.
        for area, size in ((rect(10, 0, 0, 10), "-10 x 10"), (rect(0, 10, 10, 0), "10 x -10")):
            with self.subTest(area=fields(area)):
                with self.assertRaises(ValueError) as e:
                    m.uxDC_allocImage(DC, area, "reversed")
                self.assertEqual(str(e.exception), f"in method 'uxDC_allocImage', argument 2: the size {size} is negative")
        img = m.uxDC_allocImage(DC, rect(0, 0, 800, 480), "screen")
        self.assertEqual((m.tImage_width_get(img), m.tImage_height_get(img)), (800, 480))
        m.uxDC_freeImage(DC, img)
        empty = m.uxDC_allocImage(DC, rect(5, 5, 5, 5), "empty")
        self.assertEqual((m.tImage_width_get(empty), m.tImage_height_get(empty)), (0, 0))
        m.uxDC_freeImage(DC, empty)


class Fonts(unittest.TestCase):
    def setUp(self):
        fresh()
        m.uxDC_FontSetHSpace(DC, 0)
        m.uxDC_FontSetVSpace(DC, 1)

    def text(self, s="AB"):
        m.uxDC_SetForecolor(DC, WHITE)
        m.uxDC_SetBackcolor(DC, BLUE)
        fresh()
        paint((m.uxDC_PutString, 10, 10, s))
        return shot(80).region(0, 0, 120, 80)

    def test_the_selected_font_is_a_copy(self):
        font = m.uxDC_FontSelect(DC, 7)
        self.assertEqual((m.uxFONT_index_get(font), size_of(m.uxFONT_fontsize_get(font)),
                          m.uxFONT_char_h_space_get(font), m.uxFONT_char_v_space_get(font)), (7, (8, 12), 0, 1))
        self.assertIsNotNone(m.uxFONT_p_get(font))
        before = self.text()
        m.uxFONT_char_h_space_set(font, 20)
        m.uxFONT_index_set(font, 15)
        m.uxFONT_p_set(font, None)
        self.assertEqual(self.text(), before)
        self.assertEqual(size_of(m.uxDC_getFontSize(DC, m.FONT_SELECTED)), (8, 12))
        m.uxDC_FontSetHSpace(DC, 20)
        self.assertNotEqual(self.text(), before)
        self.assertEqual(m.uxFONT_char_h_space_get(m.uxDC_FontSelect(DC, 7)), 20)

    def test_sizes_of_every_font_and_of_the_selected_one(self):
        for font, size in enumerate(FONT_SIZES):
            with self.subTest(font=font):
                self.assertEqual(size_of(m.uxDC_getFontSize(DC, font)), size)
                selected = m.uxDC_FontSelect(DC, font)
                self.assertEqual(size_of(m.uxDC_getFontSize(DC, m.FONT_SELECTED)), size)
                self.assertEqual(size_of(m.uxFONT_fontsize_get(selected)), size)
        self.assertEqual(repr(m.uxDC_getFontSize(DC, 0)).split(" at ")[0], "<Swig Object of type 'tFontSize *'")

    def test_numbers_beyond_the_sixteen_fonts_have_no_glyphs(self):
        m.uxDC_FontSelect(DC, 7)
        drawn = self.text()
        for font in (16, 100, 65535):
            with self.subTest(font=font):
                selected = m.uxDC_FontSelect(DC, font)
                self.assertEqual((m.uxFONT_index_get(selected), m.uxFONT_p_get(selected),
                                  size_of(m.uxFONT_fontsize_get(selected))), (font, None, (0, 0)))
                self.assertEqual(size_of(m.uxDC_getFontSize(DC, m.FONT_SELECTED)), (0, 0))
                self.assertEqual(size_of(m.uxDC_getFontSize(DC, font)), (0, 0))
                self.assertFalse(any(any(row) for row in self.text()))
        for font in (-2, -2**31, 2**31 - 1):
            with self.subTest(font=font):
                self.assertEqual(size_of(m.uxDC_getFontSize(DC, font)), (0, 0))
        m.uxDC_FontSelect(DC, 7)
        self.assertEqual(self.text(), drawn)

    def test_a_released_size_is_freed_quietly(self):
        with c_stdout() as out:
            size = m.uxDC_getFontSize(DC, 3)
            self.assertTrue(size.own())
            del size
            m.uxFONT_fontsize_get(m.new_uxFONT())
            m.delete_uxFONT(m.uxDC_FontSelect(DC, 2))
        self.assertEqual(c_text(out), "")

    def test_the_vertical_spacing_steps_lines(self):
        m.uxDC_FontSelect(DC, 0)
        lines = self.text("A\nA")
        m.uxDC_FontSetVSpace(DC, 10)
        self.assertNotEqual(self.text("A\nA"), lines)


class BadInput(unittest.TestCase):
    def test_none_as_the_context(self):
        img, r = m.new_tImage(), rect(0, 0, 1, 1)
        calls = [
            (m.uxDC_Init, ()), (m.uxDC_getFontSize, (0,)), (m.uxDC_saveScreen, ("x",)), (m.uxDC_loadImage, ("x",)),
            (m.uxDC_loadImage, ("x", "/")), (m.uxDC_deleteImage, (0,)), (m.uxDC_getImageRef, (-1, img)),
            (m.uxDC_DrawImage, (0, 0, img)), (m.uxDC_allocImage, (r, "x")), (m.uxDC_freeImage, (img,)),
            (m.uxDC_GetImage, (r, img)), (m.uxDC_BeginPaint, (0, 0, 1, 1)), (m.uxDC_EndPaint, ()),
            (m.uxDC_resetExclusiveRegion, ()), (m.uxDC_restoreExlusiveRegion, ()), (m.uxDC_FontSelect, (0,)),
            (m.uxDC_FillScreen, (0,)), (m.uxDC_FillFrame, (r, 0)), (m.uxDC_DrawLine, (0, 0, 1, 1, 0)),
            (m.uxDC_PutString, (0, 0, "x")), (m.uxDC_PutChar, ("x", point(0, 0), 0, 0)),
            (m.uxDC_SetForecolor, (0,)), (m.uxDC_FontSetVSpace, (0,)), (m.uxDC_Test, ()),
            (m.uxDC_getSelectColor, ()), (m.uxDC_AdjustPanning, (r,)), (m.uxDC_StartPanning, (point(0, 0),)),
            (m.uxDC_ReleasePanning, ()), (m.uxDC_SetClippingRegion, (r,)), (m.uxDC_ReleaseClippingRegion, ()),
        ]
        for fn, args in calls:
            with self.subTest(fn.__name__):
                with self.assertRaises(ValueError) as e:
                    fn(None, *args)
                self.assertEqual(str(e.exception),
                                 f"invalid null reference in method '{fn.__name__}', argument 1 of type 'uxDC *'")
        self.assertIsNone(m.delete_uxDC(None))

    def test_none_as_a_text_or_the_record_a_function_writes(self):
        r = rect(0, 0, 1, 1)
        cases = [
            (m.uxDC_PutString, (0, 0, None), 4, "char *"),
            (m.uxDC_PutString, (point(0, 0), None), 3, "char *"),
            (m.uxDC_loadImage, (None,), 2, "char *"),
            (m.uxDC_loadImage, (None, IMAGES + "/"), 2, "char *"),
            (m.uxDC_allocImage, (r, None), 3, "char *"),
            (m.uxDC_saveScreen, (None,), 2, "char const *"),
            (m.uxDC_getImageRef, (-1, None), 3, "tImage *"),
            (m.uxDC_freeImage, (None,), 2, "tImage *"),
            (m.uxDC_AdjustPanning, (None,), 2, "uxRECT *"),
        ]
        for fn, args, number, kind in cases:
            with self.subTest(fn.__name__, args=args):
                with self.assertRaises(ValueError) as e:
                    fn(DC, *args)
                self.assertEqual(str(e.exception),
                                 f"invalid null reference in method '{fn.__name__}', argument {number} of type '{kind}'")


class Context(unittest.TestCase):
    def test_without_a_display_init_fails_and_drawing_does_nothing(self):
        if os.path.exists("/dev/fb0"):
            self.skipTest("this machine has a framebuffer")
        r = run_python("import _tovgui as m, tovgui\n"
                       "dc = m.new_uxDC()\n"
                       "print(m.uxDC_Init(dc))\n"
                       "m.uxDC_BeginPaint(dc, 0, 0, 10, 10); m.uxDC_FillFrame(dc, 0, 0, 9, 9, 1)\n"
                       "m.uxDC_EndPaint(dc); m.uxDC_Test(dc); m.uxDC_saveScreen(dc, 'x')\n"
                       "m.delete_uxDC(dc)\n")
        self.assertEqual(r.returncode, 0, r.stderr)
        self.assertEqual(r.stdout.splitlines()[-1], "-1")
        self.assertEqual(r.stderr, "")

    def test_a_manager_opens_the_context_it_is_given(self):
        dc = m.new_uxDC()
        with c_stdout() as out:
            gm = m.new_GUIManager(dc, None)
        self.assertIn("The framebuffer device was mapped to memory successfully.", c_text(out))
        self.assertEqual(m.GUIManager_getDC(gm).this, dc)
        fresh()
        m.uxDC_FillScreen(dc, GREEN)  # the same display
        self.assertEqual(shot(1).pixel(0, 0), GREEN)
        m.delete_GUIManager(gm)
        m.delete_uxDC(dc)

    def test_proxy_class(self):
        dc = tovgui.uxDC()
        self.assertTrue(dc.thisown)
        self.assertEqual(dc.getSelectColor(), m.uxDC_getSelectColor(DC))
        del dc


if __name__ == "__main__":
    unittest.main()
