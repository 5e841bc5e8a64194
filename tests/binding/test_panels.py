"""Panels, popups and message boxes from scripts: the constructor forms seen on screen,
closing with and without the panel frame on the bus, the caption calls, the element list and
who deletes what, popups shown and hidden, the message box's formatted texts, and bad input."""

import ctypes
import os
import tempfile
import unittest

import _tovgui as m
import tovgui

from binding_support import (VirtualBus, assert_raise_table, c_stdout, clear_screen, fixture_png, install_stand_ins,
                             no_frame, overload_text, pt, read_frame, screen_shot)

ROOT = IMAGES = BUS = DC = GM = None
CAPTION, CLOSE_FRAME, TYPE_TEXT = 0x505050, 0xFFFFFF, 0xFFFFFF
PANEL_FORMS = ("uxPanelCtrl::uxPanelCtrl(GUIManager *,uint32_t,char *,uxPOINT,int16_t,int16_t,uxCOLOR,int)",
               "uxPanelCtrl::uxPanelCtrl(GUIManager *,uint32_t,char *,uxPOINT,int16_t,int16_t,uxCOLOR)",
               "uxPanelCtrl::uxPanelCtrl(GUIManager *,uint32_t,char *,uxPOINT,int16_t,int16_t,char *)")


def setUpModule():
    global ROOT, IMAGES, BUS, DC, GM
    ROOT = tempfile.TemporaryDirectory(prefix="tovgui-panels-")
    can_dir = os.path.join(ROOT.name, "can")
    os.mkdir(can_dir)
    if install_stand_ins(ROOT.name, can_dir) != 0:
        raise RuntimeError("no stand-ins")
    BUS = VirtualBus(can_dir)
    IMAGES = os.path.join(ROOT.name, "usr/share/ruv/gui")
    os.makedirs(IMAGES)
    for name, seed in (("back.png", 0), ("icon.png", 1)):
        with open(os.path.join(IMAGES, name), "wb") as f:
            f.write(fixture_png("rgb", 6, 4, seed)[0])
    DC = m.new_uxDC()
    with c_stdout():
        GM = m.new_GUIManager(DC, None)


def tearDownModule():
    m.delete_GUIManager(GM)
    m.delete_uxDC(DC)
    BUS.close()
    ROOT.cleanup()


def shot():
    return screen_shot(DC, IMAGES)


def clear():
    clear_screen(DC)


def paint(element, enable=True):
    clear()
    if enable:
        m.uxBaseElement_SetEnabled(element, True)
        m.uxBaseElement_setRepaint(element)
    m.uxBaseElement_OnPaint(element)
    return shot()


def picture(name, seed):
    return tuple(tuple((r << 16) | (g << 8) | b for r, g, b in row) for row in fixture_png("rgb", 6, 4, seed)[1])


def element_count(wrapped_list):
    """The length of a wrapped `vector< uxBaseElement * > *` (begin and end pointers)."""
    begin, end = (ctypes.c_void_p * 2).from_address(int(wrapped_list))
    return ((end or 0) - (begin or 0)) // ctypes.sizeof(ctypes.c_void_p)


class Recorder(tovgui.GUIManagerCB):
    def __init__(self):
        super().__init__()
        self.seen = []

    def MessageReceived(self, msg):
        self.seen.append((msg.type, msg.param))


class Panels(unittest.TestCase):
    def test_constructor_forms_on_screen(self):
        plain = m.new_uxPanelCtrl(GM, 1, "Title", pt(100, 100), 300, 200, 0x202020)
        screen = paint(plain)
        self.assertEqual((screen.pixel(100, 100), screen.pixel(399, 299), screen.pixel(400, 300)),
                         (0x202020, 0x202020, 0))
        self.assertEqual(m.uxBaseElement_GetID(plain), -1)
        self.assertEqual(m.uxBaseElement_GetUserData(plain), 1)
        image = m.new_uxPanelCtrl(GM, 1, "Title", pt(100, 100), 300, 200, "back.png")
        self.assertEqual(paint(image).region(100, 100, 106, 104), picture("back.png", 0))
        captioned = m.new_uxPanelCtrl(GM, 1, "Title", pt(0, 0), 800, 480, 0x202020, 3)
        screen = paint(captioned)
        rect = m.uxBaseElement_getClientRect(captioned)
        self.assertEqual((rect.top, rect.height), (40, 440))
        self.assertEqual((screen.pixel(400, 2), screen.pixel(400, 300)), (CAPTION, 0x202020))
        # The close mark's frame, from 740 to 795 in a full-width caption.
        self.assertEqual((screen.pixel(740, 20), screen.pixel(795, 20), screen.pixel(770, 5)),
                         (CLOSE_FRAME,) * 3)
        self.assertEqual(screen.pixel(796, 20), CAPTION)
        # A narrower panel further right has its mark in its own caption, where a touch closes it.
        narrow = m.new_uxPanelCtrl(GM, 1, "N", pt(200, 100), 300, 200, 0x202020, 3)
        screen = paint(narrow)
        self.assertEqual((screen.pixel(440, 120), screen.pixel(495, 120)), (CLOSE_FRAME, CLOSE_FRAME))
        self.assertEqual(screen.pixel(499, 120), CAPTION)
        m.uxPanelCtrl_SetFocus(narrow, True)
        m.uxPanelCtrl_OnMessage(narrow, tovgui.tUX_Message(m.UX_MSG_TOUCH_EVENT, 470, 120, m.TYPE_PRESS))
        self.assertFalse(m.uxBaseElement_isFocus(narrow))

    def test_calls_that_fit_no_form(self):
        text = overload_text("new_uxPanelCtrl", *PANEL_FORMS)
        cases = [
            (GM, 1, "T", pt(0, 0), 300, 200, -1),
            (GM, 1, "T", pt(0, 0), 32768, 200, 0x202020),
            (GM, 1, "T", pt(0, 0), 32768, 200, 0x202020, 3),
            (GM, 1, "T", pt(0, 0), 300, 200),
            (GM, 1, "T", pt(0, 0), 300, 200, 1, 2, 3),
            (GM, 1, "T", pt(0, 0), 300, 200, 1, 1.5),
        ]
        for args in cases:
            with self.subTest(args=args[4:]):
                with self.assertRaises(NotImplementedError) as e:
                    m.new_uxPanelCtrl(*args)
                self.assertEqual(str(e.exception), text)
        with self.assertRaises(ValueError) as e:
            m.new_uxPanelCtrl(GM, 1, "T", None, 300, 200, 1)
        self.assertEqual(str(e.exception),
                         "invalid null reference in method 'new_uxPanelCtrl', argument 4 of type 'uxPOINT'")

    def test_close_sends_the_panel_frame_only_when_asked(self):
        peer = BUS.peer()
        self.addCleanup(peer.close)
        dev = tovgui.CCANDev()
        self.assertEqual(dev.Open("can0"), 0)
        self.addCleanup(dev.Close)
        with c_stdout():
            gm = tovgui.GUIManager(DC, dev)
        cb = Recorder()
        gm.setSendMsgCallback(cb)
        for args, frames in (((), [(40, b"\xA1\xFF")]), ((True,), [(40, b"\xA1\xFF")]), ((False,), [])):
            with self.subTest(args=args):
                cb.seen.clear()
                panel = m.new_uxPanelCtrl(gm, 1, "P", pt(0, 0), 800, 480, 0, 3)
                m.uxPanelCtrl_SetFocus(panel, True)
                m.uxPanelCtrl_Close(panel, *args)
                self.assertEqual([read_frame(peer) for _ in frames], frames)
                self.assertTrue(no_frame(peer))
                self.assertEqual(cb.seen, [(m.UX_MSG_FOCUS, 3), (m.UX_MSG_FOCUS, 0)])
                self.assertFalse(m.uxBaseElement_isFocus(panel))
        with self.assertRaises(NotImplementedError) as e:
            m.uxPanelCtrl_Close(panel, 1)
        self.assertEqual(str(e.exception), overload_text("uxPanelCtrl_Close", "uxPanelCtrl::Close(bool)",
                                                         "uxPanelCtrl::Close()"))

    def test_caption_calls(self):
        panel = m.new_uxPanelCtrl(GM, 1, "Osc", pt(0, 0), 800, 480, 0x202020, 1)
        paint(panel)
        clear()
        m.uxPanelCtrl_SetTypeName(panel, "LFO")
        m.uxBaseElement_OnPaint(panel)
        self.assertFalse(shot().painted(0, 0, 800, 40))
        m.uxPanelCtrl_SetTypeName(panel, "LFO", True)
        m.uxBaseElement_OnPaint(panel)
        screen = shot()
        # The type name is white on the caption's grey, after the name; the client area stays.
        self.assertIn(TYPE_TEXT, {c for row in screen.region(100, 0, 160, 40) for c in row})
        self.assertEqual(screen.pixel(100, 1), CAPTION)
        self.assertFalse(screen.painted(0, 40, 800, 480))
        m.uxPanelCtrl_SetCaptionIcon(panel, "icon.png", pt(300, 10), True)
        self.assertEqual(paint(panel, enable=False).region(300, 10, 306, 14), picture("icon.png", 1))
        m.uxPanelCtrl_SetCaptionIcon(panel, "missing.png", pt(300, 10))
        self.assertEqual(paint(panel).region(300, 10, 306, 14), tuple((CAPTION,) * 6 for _ in range(4)))
        before = paint(panel).region(0, 0, 800, 60)
        self.assertIsNone(m.uxPanelCtrl_SetActive(panel, 1))
        self.assertEqual(paint(panel).region(0, 0, 800, 60), before)
        cases = [
            (m.uxPanelCtrl_SetTypeName, (panel, None), ValueError,
             "invalid null reference in method 'uxPanelCtrl_SetTypeName', argument 2 of type 'std::string const &'"),
            (m.uxPanelCtrl_SetTypeName, (panel, "x", 1), NotImplementedError, overload_text(
                "uxPanelCtrl_SetTypeName", "uxPanelCtrl::SetTypeName(std::string const &,bool)",
                "uxPanelCtrl::SetTypeName(std::string const &)")),
            (m.uxPanelCtrl_SetCaptionIcon, (panel, "icon.png", None), ValueError,
             "invalid null reference in method 'uxPanelCtrl_SetCaptionIcon', argument 3 of type 'uxPOINT'"),
            (m.uxPanelCtrl_SetCaptionIcon, (panel, None, pt(0, 0)), ValueError,
             "invalid null reference in method 'uxPanelCtrl_SetCaptionIcon', argument 2 of type 'char *'"),
            (m.uxPanelCtrl_SetCaptionIcon, (panel, "icon.png", pt(0, 0), 0), NotImplementedError, overload_text(
                "uxPanelCtrl_SetCaptionIcon", "uxPanelCtrl::SetCaptionIcon(char *,uxPOINT,bool)",
                "uxPanelCtrl::SetCaptionIcon(char *,uxPOINT)")),
            (m.uxPanelCtrl_SetActive, (panel, "1"), TypeError, "in method 'uxPanelCtrl_SetActive', argument 2 of "
                                                              "type 'int'"),
        ]
        assert_raise_table(self, cases)

    def test_elements_belong_to_the_panel(self):
        panel = m.new_uxPanelCtrl(GM, 1, "P", pt(0, 0), 800, 480, 0x202020)
        first, second = m.uxPanelCtrl_GetElementList(panel), m.uxPanelCtrl_GetElementList(panel)
        self.assertIn("'vector< uxBaseElement * > *'", repr(first))
        self.assertEqual((int(first), first.own(), second.own()), (int(second), False, False))
        buttons = [m.new_uxButton(GM, i, pt(10 + 100 * i, 100), 80, 30, 0x00FF00, 0xC0C0C0, 0xFFFFFF)
                   for i in range(3)]
        for b in buttons:
            m.uxPanelCtrl_AddElement(panel, b)
            self.assertFalse(b.own())  # the panel deletes it, not the proxy
        self.assertEqual(element_count(first), 3)
        screen = paint(panel)
        self.assertEqual([screen.pixel(50 + 100 * i, 115) for i in range(3)], [0x00FF00] * 3)
        m.uxPanelCtrl_Clear(panel)
        self.assertEqual(element_count(first), 0)
        self.assertEqual(paint(panel).pixel(50, 115), 0x202020)
        label = tovgui.uxLabel(GM, pt(400, 300), 80, 30, 0x0000FF, 0xC0C0C0, 0xFFFFFF, 1)
        label.thisown = False  # as a script that follows the rule itself: nothing changes
        m.uxPanelCtrl_AddElement(panel, label)
        self.assertEqual(element_count(first), 1)
        self.assertEqual(paint(panel).pixel(440, 315), 0x0000FF)
        # The manager holds what it is given until it ends.
        mine = tovgui.uxButton(GM, 9, pt(0, 0), 10, 10, 1, 2, 3)
        m.GUIManager_AddElement(tovgui.GUIManager(None, None), mine)
        self.assertFalse(mine.thisown)

    def test_deleting_a_panel_deletes_its_elements_once(self):
        # Under the sanitizer a second delete of any of them is reported.
        for delete in (m.delete_uxPanelCtrl, m.delete_uxBaseElement, lambda p: None):
            with self.subTest(delete):
                panel = tovgui.uxPanelCtrl(GM, 1, "P", pt(0, 0), 800, 480, 0)
                buttons = [tovgui.uxButton(GM, i, pt(0, 0), 10, 10, 1, 2, 3) for i in range(3)]
                for b in buttons:
                    panel.AddElement(b)
                delete(panel)
                del panel
                del buttons

    def test_panel_classes(self):
        group = m.new_uxGroup(GM, 1, "G", pt(0, 0), 100, 100, 0x202020)
        keyboard = m.new_uxKeyboardCtrl(GM, pt(0, 0), 400, 240, 1, 2)
        for panel in (group, keyboard):
            with self.subTest(repr(panel)):
                count = element_count(m.uxPanelCtrl_GetElementList(panel))
                m.uxPanelCtrl_AddElement(panel, m.new_uxButton(GM, 1, pt(0, 0), 10, 10, 1, 2, 3))
                self.assertEqual(element_count(m.uxPanelCtrl_GetElementList(panel)), count + 1)
        with self.assertRaises(TypeError) as e:
            m.uxGroup_getSelectedID(m.new_uxPanelCtrl(GM, 1, "P", pt(0, 0), 10, 10, 0))
        self.assertEqual(str(e.exception), "in method 'uxGroup_getSelectedID', argument 1 of type 'uxGroup *'")

    def test_none_refused(self):
        panel = m.new_uxPanelCtrl(GM, 1, "P", pt(0, 0), 10, 10, 0)
        cases = [
            (m.uxPanelCtrl_AddElement, (panel, None), 2, "uxBaseElement *"),
            (m.uxPanelCtrl_AddElement, (None, m.new_uxButton(GM, 1, pt(0, 0), 10, 10, 1, 2, 3)), 1, "uxPanelCtrl *"),
            (m.uxPanelCtrl_Clear, (None,), 1, "uxPanelCtrl *"),
            (m.uxPanelCtrl_OnPaint, (None,), 1, "uxPanelCtrl *"),
            (m.uxPanelCtrl_OnMessage, (panel, None), 2, "tUX_Message *"),
            (m.uxPanelCtrl_GetElementList, (None,), 1, "uxPanelCtrl *"),
            (m.new_uxPanelCtrl, (GM, 1, None, pt(0, 0), 10, 10, 0), 3, "char *"),
            (m.new_uxPanelCtrl, (GM, 1, None, pt(0, 0), 10, 10, 0, 3), 3, "char *"),
            (m.new_uxPanelCtrl, (GM, 1, "P", pt(0, 0), 10, 10, None), 7, "char *"),
        ]
        for function, args, number, kind in cases:
            with self.subTest(function.__name__, number=number):
                with self.assertRaises(ValueError) as e:
                    function(*args)
                self.assertEqual(str(e.exception), f"invalid null reference in method '{function.__name__}', "
                                                   f"argument {number} of type '{kind}'")
        # The panel itself, or an element it already holds, would be deleted twice.
        held = m.new_uxButton(GM, 1, pt(0, 0), 10, 10, 1, 2, 3)
        m.uxPanelCtrl_AddElement(panel, held)
        for element, text in ((held, "the element is already held by a container"),
                              (panel, "the element is the container or holds it")):
            with self.subTest(element=repr(element)):
                with self.assertRaises(ValueError) as e:
                    m.uxPanelCtrl_AddElement(panel, element)
                self.assertEqual(str(e.exception), f"in method 'uxPanelCtrl_AddElement', {text}")
        self.assertEqual(element_count(m.uxPanelCtrl_GetElementList(panel)), 1)
        self.assertTrue(panel.own())
        # A refused element keeps its owner.
        b = m.new_uxButton(GM, 1, pt(0, 0), 10, 10, 1, 2, 3)
        with self.assertRaises(ValueError):
            m.uxPanelCtrl_AddElement(None, b)
        self.assertTrue(b.own())
        self.assertIsNone(m.delete_uxPanelCtrl(None))


class Popups(unittest.TestCase):
    def make(self, kind="PB", enabled=True):
        popup = getattr(m, f"new_uxPopup{kind}")(GM, "pop", pt(200, 100), 300, 150, 0x303030, 0xFFFFFF)
        if not enabled:
            m.uxBaseElement_SetEnabled(popup, False)
        return popup

    def shown(self, popup):
        """Whether the popup paints: its frame's corner is white."""
        clear()
        m.uxBaseElement_setRepaint(popup)
        m.uxPopup_OnPaint(popup)
        visible = shot().pixel(200, 100) == 0xFFFFFF
        m.uxDC_restoreExlusiveRegion(DC)
        m.uxDC_resetExclusiveRegion(DC)
        return visible

    def test_show_hide_and_messages(self):
        for kind in ("", "Msg", "PB", "Value"):
            with self.subTest(kind or "uxPopup"):
                popup = self.make(kind)
                self.assertFalse(self.shown(popup))
                m.uxPopup_show(popup)
                self.assertTrue(self.shown(popup))
                m.uxPopup_hide(popup)
                self.assertFalse(self.shown(popup))
                disabled = self.make(kind, enabled=False)
                m.uxPopup_show(disabled)
                self.assertFalse(self.shown(disabled))
        enabled, disabled = self.make(), self.make(enabled=False)
        m.uxPopupPB_Message(enabled, "Saving", "preset")
        m.uxPopupPB_Message(disabled, "Saving", "preset")
        self.assertTrue(self.shown(enabled))
        self.assertFalse(self.shown(disabled))
        # The texts were stored all the same: shown later, the popup paints them.
        m.uxBaseElement_SetEnabled(disabled, True)
        m.uxPopup_show(disabled)
        clear()
        m.uxPopup_OnPaint(disabled)
        later = shot().region(200, 100, 500, 250)
        clear()
        m.uxBaseElement_setRepaint(enabled)
        m.uxPopup_OnPaint(enabled)
        self.assertEqual(shot().region(200, 100, 500, 250), later)
        m.uxDC_resetExclusiveRegion(DC)
        message = self.make("Msg")
        m.uxPopupMsg_Message(message, "Title", "middle", "bottom")
        self.assertFalse(self.shown(message))  # only stored
        with self.assertRaises(TypeError) as e:
            m.uxPopupMsg_Message(enabled, "a", "b", "c")
        self.assertEqual(str(e.exception), "in method 'uxPopupMsg_Message', argument 1 of type 'uxPopupMsg *'")

    def test_progress_fills_its_share(self):
        pb = self.make()
        m.uxPopupPB_Message(pb, "T", "t")
        m.uxPopupPB_setProgress(pb, 50.0, 100.0)
        clear()
        m.uxPopup_OnPaint(pb)
        row = [shot().pixel(x, 100 + 150 - 20) for x in range(200, 500)]
        m.uxPopup_hide(pb)
        filled = [x for x, c in enumerate(row) if c == 0x0000C8]
        self.assertEqual((filled[0], len(filled)), (1, 150))

    def test_none_and_wrong_input(self):
        value = self.make("Value")
        cases = [
            (m.new_uxPopup, (GM, "n", None, 1, 1, 1, 1), ValueError,
             "invalid null reference in method 'new_uxPopup', argument 3 of type 'uxPOINT'"),
            (m.new_uxPopupValue, (GM, None, pt(0, 0), 1, 1, 1, 1), ValueError,
             "invalid null reference in method 'new_uxPopupValue', argument 2 of type 'char *'"),
            (m.uxPopupPB_Message, (self.make(), "t", None), ValueError,
             "invalid null reference in method 'uxPopupPB_Message', argument 3 of type 'char const *'"),
            (m.uxPopupValue_setValues, (value, 0, 1, 1.5, 0, 0, 0, "u", "l"), TypeError,
             "in method 'uxPopupValue_setValues', argument 4 of type 'int'"),
            (m.uxPopupValue_setValues, (value, 0, 1, 1, 0, 0, 0, "u", None), ValueError,
             "invalid null reference in method 'uxPopupValue_setValues', argument 9 of type 'char const *'"),
            (m.uxPopup_OnUserPaint, (value, None), ValueError,
             "invalid null reference in method 'uxPopup_OnUserPaint', argument 2 of type 'uxDC *'"),
            (m.uxPopup_show, (None,), ValueError,
             "invalid null reference in method 'uxPopup_show', argument 1 of type 'uxPopup *'"),
        ]
        assert_raise_table(self, cases)
        m.uxPopupValue_setTracking(value, True)
        m.uxPopupValue_setValues(value, -10, 10, 1, 2.5, 0, 2.5, "dB", "Level")
        m.uxPopup_show(value)
        self.assertTrue(self.shown(value))


class MessageBoxes(unittest.TestCase):
    def box(self, *extra):
        box = m.new_uxMessageBox(GM, "box", 400, 200, 0x101040, 0xFFFFFF, 0x00FF00, *extra)
        m.uxMessageBox_show(box, pt(100, 100), "Log")
        return box

    def lines(self, *texts, extra=()):
        box = self.box(*extra)
        clear()
        for text in texts:
            m.uxMessageBox_AddLine(box, text)
        screen = shot().region(100, 100, 500, 300)
        m.uxMessageBox_hide(box)
        return screen

    def text(self, text, extra=()):
        box = self.box(*extra)
        m.uxMessageBox_setText(box, text)
        clear()
        m.uxBaseElement_setRepaint(box)
        m.uxMessageBox_OnPaint(box)
        screen = shot().region(100, 100, 500, 300)
        m.uxMessageBox_hide(box)
        return screen

    def test_seven_arguments_are_eight_with_seven(self):
        # The last argument is the font whose height sets how many lines the box keeps.
        many = [f"line {i}" for i in range(20)]
        self.assertEqual(self.text("Hello"), self.text("Hello", extra=(7,)))
        self.assertEqual(self.lines(*many), self.lines(*many, extra=(7,)))
        self.assertNotEqual(self.lines(*many), self.lines(*many, extra=(15,)))
        with self.assertRaises(NotImplementedError) as e:
            m.new_uxMessageBox(GM, "box", 400, 200, 1, 2, 3, 7, 8)
        self.assertEqual(str(e.exception), overload_text(
            "new_uxMessageBox", "uxMessageBox::uxMessageBox(GUIManager *,char *,int16_t,int16_t,uxCOLOR,uxCOLOR,"
            "uxCOLOR,int)", "uxMessageBox::uxMessageBox(GUIManager *,char *,int16_t,int16_t,uxCOLOR,uxCOLOR,uxCOLOR)"))

    def test_lines_are_formatted(self):
        # "a%%b" is "a%b": as wide as any three glyphs, narrower than four.
        def width(text):
            region = self.lines(text)
            return max(max((x for x, c in enumerate(row) if c == 0x00FF00), default=0) for row in region)
        self.assertEqual(width("a%%b"), width("xyz"))
        self.assertLess(width("a%%b"), width("wxyz"))
        box = self.box()
        add_line = overload_text("uxMessageBox_AddLine", "uxMessageBox::AddLine(char const *,...)",
                                 "uxMessageBox::AddLine(char *)")
        cases = [
            ((box, "a", 1), NotImplementedError, add_line),
            ((box,), NotImplementedError, add_line),
            ((box, "50%"), ValueError, "in method 'uxMessageBox_AddLine', argument 2: a '%' that is not doubled "
                                       "has no value to format"),
            ((box, "%s%n"), ValueError, "in method 'uxMessageBox_AddLine', argument 2: a '%' that is not doubled "
                                        "has no value to format"),
            ((box, None), ValueError, "invalid null reference in method 'uxMessageBox_AddLine', argument 2 of type "
                                      "'char const *'"),
        ]
        for args, kind, text in cases:
            with self.subTest(args=args[1:]):
                with self.assertRaises(kind) as e:
                    m.uxMessageBox_AddLine(*args)
                self.assertEqual(str(e.exception), text)
        m.uxMessageBox_AddLine(box, "%%" * 400)  # cut to the box's line buffer
        m.uxMessageBox_hide(box)

    def test_set_text_takes_one_text(self):
        box = self.box()
        self.assertIsNone(m.uxMessageBox_setText(box, "a%%b", "ignored", 5))
        m.uxMessageBox_setText(box, "x" * 200)
        cases = [
            ((box, "%d"), ValueError, "in method 'uxMessageBox_setText', argument 2: a '%' that is not doubled has "
                                      "no value to format"),
            ((box, 5), TypeError, "in method 'uxMessageBox_setText', argument 2 of type 'char const *'"),
            ((box,), TypeError, "uxMessageBox_setText expected 2 arguments, got 1"),
        ]
        for args, kind, text in cases:
            with self.subTest(args=args[1:]):
                with self.assertRaises(kind) as e:
                    m.uxMessageBox_setText(*args)
                self.assertEqual(str(e.exception), text)
        with self.assertRaises(ValueError) as e:
            m.uxMessageBox_show(box, None, "t")
        self.assertEqual(str(e.exception),
                         "invalid null reference in method 'uxMessageBox_show', argument 2 of type 'uxPOINT'")
        m.uxMessageBox_hide(box)


if __name__ == "__main__":
    unittest.main()
