"""The image and font records from scripts, and the image widget: members and their ranges,
None as the record or the value, and what the widget shows (read back from screen shots)."""

import ctypes
import os
import unittest

import _tovgui as m
import tovgui

from binding_support import c_stdout, clear_screen, fixture_png, overload_text, screen_shot, start_gui, stop_gui

ROOT = IMAGES = DC = GM = None
PICTURES = {"one.png": ("rgb", 5, 3, 0), "two.png": ("rgba", 5, 3, 1), "three.png": ("palette", 5, 3, 2)}


def setUpModule():
    global ROOT, IMAGES, DC, GM
    ROOT, IMAGES, DC, GM = start_gui("tovgui-images-")
    # A widget takes the size of its first picture: its pictures share one size.
    for name, kind in PICTURES.items():
        with open(os.path.join(IMAGES, name), "wb") as f:
            f.write(fixture_png(*kind)[0])
    assert len({picture(name) for name in PICTURES}) == len(PICTURES), "pictures must tell apart"


def tearDownModule():
    stop_gui(ROOT, DC, GM)


def size_of(font_size):
    return tuple((ctypes.c_uint16 * 2).from_address(int(font_size)))


def shot():
    return screen_shot(DC, IMAGES, 40)


def picture(name):
    """The colours of a picture of the image folder, row by row."""
    return tuple(tuple((r << 16) | (g << 8) | b for r, g, b in row) for row in fixture_png(*PICTURES[name])[1])


def clear():
    clear_screen(DC)


class Records(unittest.TestCase):
    def test_new_records_are_empty(self):
        img, font = m.new_tImage(), m.new_uxFONT()
        self.assertEqual((m.tImage_name_get(img), m.tImage_data_get(img), m.tImage_width_get(img),
                          m.tImage_height_get(img)), ("", None, 0, 0))
        self.assertEqual((m.uxFONT_p_get(font), m.uxFONT_index_get(font), size_of(m.uxFONT_fontsize_get(font)),
                          m.uxFONT_char_h_space_get(font), m.uxFONT_char_v_space_get(font)), (None, 0, (0, 0), 0, 0))

    def test_integer_members_take_their_range(self):
        img, font = m.new_tImage(), m.new_uxFONT()
        cases = [
            ("tImage_width", img, "uint16_t", (0, 65535), (-1, 65536)),
            ("tImage_height", img, "uint16_t", (0, 65535), (-1, 65536)),
            ("uxFONT_index", font, "uint16_t", (0, 65535), (-1, 65536)),
            ("uxFONT_char_h_space", font, "int16_t", (-32768, 32767), (-32769, 32768)),
            ("uxFONT_char_v_space", font, "int16_t", (-32768, 32767), (-32769, 32768)),
        ]
        for member, record, kind, fits, beyond in cases:
            set_, get = getattr(m, member + "_set"), getattr(m, member + "_get")
            for value in fits:
                with self.subTest(member, value=value):
                    set_(record, value)
                    self.assertEqual(get(record), value)
            for value in beyond:
                with self.subTest(member, value=value):
                    with self.assertRaises(OverflowError) as e:
                        set_(record, value)
                    self.assertEqual(str(e.exception), f"in method '{member}_set', argument 2 of type '{kind}'")
                    self.assertEqual(get(record), fits[1])

    def test_names_are_copied_texts(self):
        img = m.new_tImage()
        name = "Bild-ä-" + "x" * 40
        m.tImage_name_set(img, name)
        del name
        self.assertEqual(m.tImage_name_get(img), "Bild-ä-" + "x" * 40)
        cases = [
            (None, ValueError, "invalid null reference in method 'tImage_name_set', argument 2 of type "
                               "'std::string const &'"),
            (5, TypeError, "in method 'tImage_name_set', argument 2 of type 'std::string const &'"),
            (b"bytes", TypeError, "in method 'tImage_name_set', argument 2 of type 'std::string const &'"),
        ]
        for value, kind, text in cases:
            with self.subTest(value=value):
                with self.assertRaises(kind) as e:
                    m.tImage_name_set(img, value)
                self.assertEqual(str(e.exception), text)
        self.assertEqual(m.tImage_name_get(img), "Bild-ä-" + "x" * 40)

    def test_pointer_members_pass_pointers_on(self):
        img = m.uxDC_allocImage(DC, m.new_uxRECT(0, 0, 2, 2), "pointer")
        other, font, selected = m.new_tImage(), m.new_uxFONT(), m.uxDC_FontSelect(DC, 3)
        m.tImage_data_set(other, m.tImage_data_get(img))
        self.assertEqual(int(m.tImage_data_get(other)), int(m.tImage_data_get(img)))
        m.uxFONT_p_set(font, m.uxFONT_p_get(selected))
        self.assertEqual(int(m.uxFONT_p_get(font)), int(m.uxFONT_p_get(selected)))
        self.assertFalse(m.tImage_data_get(img).own())
        self.assertIn("'unsigned char *'", repr(m.uxFONT_p_get(font)))
        m.tImage_data_set(other, None)
        m.uxFONT_p_set(font, None)
        self.assertEqual((m.tImage_data_get(other), m.uxFONT_p_get(font)), (None, None))
        with self.assertRaises(TypeError) as e:
            m.tImage_data_set(other, m.uxFONT_p_get(selected))
        self.assertEqual(str(e.exception), "in method 'tImage_data_set', argument 2 of type 'uint32_t *'")
        m.uxDC_freeImage(DC, img)

    def test_a_size_is_copied_whole(self):
        font, big = m.new_uxFONT(), m.uxDC_FontSelect(DC, 15)
        m.uxFONT_fontsize_set(font, m.uxFONT_fontsize_get(big))
        self.assertEqual(size_of(m.uxFONT_fontsize_get(font)), (32, 53))
        m.uxFONT_fontsize_set(font, m.uxDC_getFontSize(DC, 0))
        self.assertEqual(size_of(m.uxFONT_fontsize_get(font)), (4, 6))
        # A size is a copy: the record it came from keeps its own.
        self.assertEqual(size_of(m.uxFONT_fontsize_get(big)), (32, 53))
        cases = [
            (None, ValueError, "invalid null reference in method 'uxFONT_fontsize_set', argument 2 of type 'tFontSize'"),
            (big, TypeError, "in method 'uxFONT_fontsize_set', argument 2 of type 'tFontSize'"),
            ((4, 6), TypeError, "in method 'uxFONT_fontsize_set', argument 2 of type 'tFontSize'"),
        ]
        for value, kind, text in cases:
            with self.subTest(value=value):
                with self.assertRaises(kind) as e:
                    m.uxFONT_fontsize_set(font, value)
                self.assertEqual(str(e.exception), text)

    def test_none_as_the_record(self):
        size = m.uxDC_getFontSize(DC, 1)
        setters = [("tImage_name_set", "x"), ("tImage_data_set", None), ("tImage_width_set", 5),
                   ("tImage_height_set", 5), ("uxFONT_p_set", None), ("uxFONT_index_set", 1),
                   ("uxFONT_fontsize_set", size), ("uxFONT_char_h_space_set", 1), ("uxFONT_char_v_space_set", 1)]
        for name, value in setters:
            with self.subTest(name):
                self.assertIsNone(getattr(m, name)(None, value))
        for name, value in setters:
            getter = name[:-4] + "_get"
            kind = "tImage *" if name.startswith("tImage") else "tagFONT *"
            with self.subTest(getter):
                with self.assertRaises(ValueError) as e:
                    getattr(m, getter)(None)
                self.assertEqual(str(e.exception), f"invalid null reference in method '{getter}', argument 1 of type "
                                                   f"'{kind}'")
        self.assertIsNone(m.delete_tImage(None))
        self.assertIsNone(m.delete_uxFONT(None))

    def test_proxy_classes_and_list_items(self):
        img = tovgui.tImage()
        img.name, img.width = "icon", 7
        self.assertEqual((img.name, img.width, img.height, img.data), ("icon", 7, 0, None))
        font = tovgui.uxFONT()
        font.char_v_space = -3
        self.assertEqual((font.index, font.char_v_space), (0, -3))
        item = tovgui.tListItem()
        item.pIcon = img  # the item points at the image; the image leaves its proxy
        self.assertFalse(img.thisown)
        self.assertEqual(item.pIcon.name, "icon")
        m.delete_tImage(img)


class Widget(unittest.TestCase):
    def setUp(self):
        clear()

    def test_the_widget_shows_its_pictures_in_turn(self):
        w = m.new_uxImage(GM, m.new_uxPOINT(20, 10), "one.png")
        self.assertIs(m.uxImage_OnPaint(w), True)
        self.assertIs(m.uxImage_OnPaint(w), False)  # nothing changed since
        s = shot()
        self.assertEqual(s.region(20, 10, 25, 13), picture("one.png"))
        self.assertEqual(len(s.painted(0, 0, 60, 40)), 15)
        self.assertEqual(m.uxImage_addImage(w, "two.png"), 1)
        self.assertEqual(m.uxImage_addImage(w, "three.png"), 2)
        m.uxImage_showImage(w, 1)
        self.assertIs(m.uxImage_OnPaint(w), True)
        self.assertEqual(shot().region(20, 10, 25, 13), picture("two.png"))
        # Positions outside the list change nothing.
        for position in (99, 3, -1):
            with self.subTest(position=position):
                self.assertIsNone(m.uxImage_showImage(w, position))
                self.assertIs(m.uxImage_OnPaint(w), False)
        m.uxImage_showImage(w, 2)
        m.uxImage_OnPaint(w)
        self.assertEqual(shot().region(20, 10, 25, 13), picture("three.png"))
        m.delete_uxImage(w)

    def test_a_name_another_widget_loaded_is_the_same_picture(self):
        dc = m.new_uxDC()
        with c_stdout():
            gm = m.new_GUIManager(dc, None)
        first = m.new_uxImage(gm, m.new_uxPOINT(0, 0), "two.png")
        second = m.new_uxImage(gm, m.new_uxPOINT(100, 0), "one.png", IMAGES + "/")
        self.assertEqual(m.uxImage_addImage(second, "two.png"), 1)
        # Still two pictures in the context: two.png is its first.
        self.assertEqual(m.uxDC_loadImage(dc, "two.png"), 0)
        with self.assertRaises(IndexError):
            m.uxDC_getImageRef(dc, 2, m.new_tImage())
        m.uxImage_showImage(second, 1)
        m.uxImage_OnPaint(second)
        self.assertEqual(shot().region(100, 0, 105, 3), picture("two.png"))
        for widget in (first, second):
            m.delete_uxImage(widget)
        m.delete_GUIManager(gm)
        m.delete_uxDC(dc)

    def test_a_missing_file_makes_an_empty_widget(self):
        w = m.new_uxImage(GM, m.new_uxPOINT(30, 5), "missing.png", IMAGES + "/")
        self.assertEqual(m.uxImage_addImage(w, "missing-too.png"), -1)
        m.uxImage_OnPaint(w)
        self.assertEqual(shot().painted(0, 0, 100, 40), set())
        get_rect = getattr(m, "uxBaseElement_getClientRect", None)
        if get_rect:  # the base element's functions, where the module has them
            r = get_rect(w)
            self.assertEqual((m.uxRECT_width_get(r), m.uxRECT_height_get(r)), (0, 0))
        # A picture added later can still be shown.
        self.assertEqual(m.uxImage_addImage(w, "one.png"), 1)
        m.delete_uxImage(w)

    def test_a_widget_without_a_context_shows_nothing(self):
        with c_stdout():
            gm = m.new_GUIManager(None, None)
        for manager in (gm, None):
            with self.subTest(manager=manager):
                w = m.new_uxImage(manager, m.new_uxPOINT(0, 0), "one.png")
                self.assertEqual(m.uxImage_addImage(w, "two.png"), -1)
                self.assertIs(m.uxImage_OnPaint(w), False)
                m.delete_uxImage(w)
        m.delete_GUIManager(gm)

    def test_messages_reach_the_widget(self):
        w = m.new_uxImage(GM, m.new_uxPOINT(0, 0), "one.png")
        m.uxImage_OnPaint(w)
        self.assertIsNone(m.uxImage_OnMessage(w, m.new_tUX_Message(m.UX_MSG_REPAINT)))
        self.assertIs(m.uxImage_OnPaint(w), True)  # the repaint request was taken
        proxy = tovgui.uxImage(GM, tovgui.uxPOINT(0, 0), "one.png")
        proxy.OnMessage(tovgui.tUX_Message(m.UX_MSG_KEY))
        self.assertTrue(proxy.OnPaint())
        m.delete_uxImage(w)

    def test_bad_arguments(self):
        w = m.new_uxImage(GM, m.new_uxPOINT(0, 0), "one.png")
        forms = ("uxImage::uxImage(GUIManager *,uxPOINT,char *)",
                 "uxImage::uxImage(GUIManager *,uxPOINT,char *,std::string)")
        cases = [
            (m.new_uxImage, (GM,), NotImplementedError, overload_text("new_uxImage", *forms)),
            (m.new_uxImage, (DC, m.new_uxPOINT(0, 0), "one.png"), NotImplementedError,
             overload_text("new_uxImage", *forms)),
            (m.new_uxImage, (GM, None, "one.png"), ValueError,
             "invalid null reference in method 'new_uxImage', argument 2 of type 'uxPOINT'"),
            (m.new_uxImage, (GM, m.new_uxPOINT(0, 0), None), ValueError,
             "invalid null reference in method 'new_uxImage', argument 3 of type 'char *'"),
            (m.new_uxImage, (GM, m.new_uxPOINT(0, 0), None, "/"), ValueError,
             "invalid null reference in method 'new_uxImage', argument 3 of type 'char *'"),
            (m.uxImage_addImage, (w, 5), TypeError, "in method 'uxImage_addImage', argument 2 of type 'char *'"),
            (m.uxImage_addImage, (w, None), ValueError,
             "invalid null reference in method 'uxImage_addImage', argument 2 of type 'char *'"),
            (m.uxImage_OnMessage, (w, None), ValueError,
             "invalid null reference in method 'uxImage_OnMessage', argument 2 of type 'tUX_Message *'"),
            (m.uxImage_showImage, (DC, 0), TypeError, "in method 'uxImage_showImage', argument 1 of type 'uxImage *'"),
            (m.uxImage_showImage, (w, 2**31), OverflowError, "in method 'uxImage_showImage', argument 2 of type 'int'"),
        ]
        for name in ("uxImage_OnPaint", "uxImage_OnMessage", "uxImage_addImage", "uxImage_showImage"):
            args = {"uxImage_OnPaint": (), "uxImage_OnMessage": (m.new_tUX_Message(1),)}.get(name, ("one.png",))
            if name == "uxImage_showImage":
                args = (0,)
            cases.append((getattr(m, name), (None, *args), ValueError,
                          f"invalid null reference in method '{name}', argument 1 of type 'uxImage *'"))
        for fn, args, kind, text in cases:
            with self.subTest(fn.__name__, args=args):
                with self.assertRaises(kind) as e:
                    fn(*args)
                self.assertEqual(str(e.exception), text)
        self.assertIsNone(m.delete_uxImage(None))
        m.delete_uxImage(w)


if __name__ == "__main__":
    unittest.main()
