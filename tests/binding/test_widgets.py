"""The base element and the simple widgets from scripts: every class through the base
functions, the constructor forms and their trial order, defaults filled in, what a call did
(read back through getters and from screen shots), and None or wrong input refused."""

import unittest

import _tovgui as m
import tovgui

from binding_support import (address, assert_raise_table, clear_screen, overload_text, pt, screen_shot, start_gui,
                             std_string, stop_gui)

ROOT = IMAGES = DC = GM = None


def setUpModule():
    global ROOT, IMAGES, DC, GM
    ROOT, IMAGES, DC, GM = start_gui("tovgui-widgets-")


def tearDownModule():
    stop_gui(ROOT, DC, GM)


def shot():
    return screen_shot(DC, IMAGES)


def clear():
    clear_screen(DC)


def paint(element):
    """The screen after the element painted itself on a cleared one."""
    clear()
    m.uxBaseElement_SetEnabled(element, True)
    m.uxBaseElement_setRepaint(element)
    m.uxBaseElement_OnPaint(element)
    return shot()


def painted(element, area=(0, 0, 200, 100)):
    return paint(element).region(*area)


# One maker per class of this part, each at (10, 10) on the module's manager.
MAKERS = {
    "uxButton": lambda: m.new_uxButton(GM, 7, pt(10, 10), 80, 30, 0x203040, 0xC0C0C0, 0xFFFFFF),
    "uxImageButton": lambda: m.new_uxImageButton(GM, pt(10, 10), "on.png", "off.png"),
    "uxLabel": lambda: m.new_uxLabel(GM, pt(10, 10), 80, 30, 0x203040, 0xC0C0C0, 0xFFFFFF, 1),
    "uxBarCtrl": lambda: m.new_uxBarCtrl(GM, 7, 10, 10, 80, 30, 0x203040, 0xC0C0C0, 0x00FF00),
    "uxPeakMeter": lambda: m.new_uxPeakMeter(GM, 7, 10, 10, 80, 30, 0x203040, 0xC0C0C0, 0x00FF00, 0xFF0000),
    "uxTextBox": lambda: m.new_uxTextBox(GM, "box", pt(10, 10), 80, 30, 0x203040, 0x102030, 0xFFFFFF, 1),
    "uxKeyboardCtrl": lambda: m.new_uxKeyboardCtrl(GM, pt(10, 10), 400, 240, 0xC0C0C0, 0x203040),
    "uxSelectCtrl": lambda: m.new_uxSelectCtrl(GM, 7, pt(10, 10), 80, 30, 0xFF0000, None, None),
    "uxGroup": lambda: m.new_uxGroup(GM, 7, "group", pt(10, 10), 80, 30),
    "uxImage": lambda: m.new_uxImage(GM, pt(10, 10), "missing.png"),
}


class BaseElement(unittest.TestCase):
    def test_every_widget_is_taken_as_an_element_and_a_record_is_not(self):
        for name, make in MAKERS.items():
            with self.subTest(name):
                e = make()
                self.assertIn(f"'{name} *'", repr(e))
                self.assertTrue(e.own())
                m.uxBaseElement_SetID(e, 41)
                m.uxBaseElement_SetUserData(e, 9)
                self.assertEqual((m.uxBaseElement_GetID(e), m.uxBaseElement_GetUserData(e)), (41, 9))
                self.assertIs(type(m.uxBaseElement_OnPaint(e)), bool)
                manager, driver = m.uxBaseElement_getGUIManager(e), m.uxBaseElement_GetDriver(e)
                self.assertEqual((address(manager), address(driver)), (int(GM), int(DC)))
                self.assertFalse(manager.thisown or driver.thisown)
                m.delete_uxBaseElement(e)
                self.assertFalse(e.own())
        for function in ("GetID", "OnPaint", "isChecked", "getClientRect"):
            with self.subTest(function):
                with self.assertRaises(TypeError) as e:
                    getattr(m, "uxBaseElement_" + function)(pt(1, 2))
                self.assertEqual(str(e.exception),
                                 f"in method 'uxBaseElement_{function}', argument 1 of type 'uxBaseElement *'")

    def test_an_empty_image_widget_has_an_empty_rectangle(self):
        image = MAKERS["uxImage"]()
        rect = m.uxBaseElement_getClientRect(image)
        self.assertEqual((rect.width, rect.height), (0, 0))

    def test_a_class_takes_its_subclasses_only(self):
        button, meter, bar = MAKERS["uxButton"](), MAKERS["uxPeakMeter"](), MAKERS["uxBarCtrl"]()
        m.uxBarCtrl_setLevel(meter, 30.0)
        self.assertEqual(m.uxBarCtrl_getLevel(meter), 30.0)
        cases = [
            (m.uxPeakMeter_smooth, (bar, 1.0), "in method 'uxPeakMeter_smooth', argument 1 of type 'uxPeakMeter *'"),
            (m.uxBarCtrl_getLevel, (button,), "in method 'uxBarCtrl_getLevel', argument 1 of type 'uxBarCtrl *'"),
            (m.uxButton_GetText, (bar, True), None),
            (m.uxGroup_getSelectedID, (MAKERS["uxKeyboardCtrl"](),),
             "in method 'uxGroup_getSelectedID', argument 1 of type 'uxGroup *'"),
        ]
        for function, args, text in cases:
            with self.subTest(function.__name__):
                with self.assertRaises((TypeError, NotImplementedError)) as e:
                    function(*args)
                if text:
                    self.assertEqual(str(e.exception), text)

    def test_identifier_mask_replaces_the_masked_bits(self):
        cases = [  # identifier, mask, value, identifier after
            (0x00AB, 0xFF00, 0x1234, 0x12AB),
            (0x00AB, 0, 0x1234, 0x00AB),
            (0x00AB, 0xFFFFFFFF, 0x1234, 0x1234),
            (-1, 0x0000FFFF, 0, -65536),
            (0, 0x80000000, 0xFFFFFFFF, -2147483648),
        ]
        e = MAKERS["uxButton"]()
        for start, mask, value, after in cases:
            with self.subTest(start=start, mask=mask, value=value):
                m.uxBaseElement_SetID(e, start)
                m.uxBaseElement_SetIDmask(e, mask, value)
                self.assertEqual(m.uxBaseElement_GetID(e), after)
        with self.assertRaises(OverflowError) as err:
            m.uxBaseElement_SetIDmask(e, 0, -1)
        self.assertEqual(str(err.exception), "in method 'uxBaseElement_SetIDmask', argument 3 of type 'uint32_t'")

    def test_client_rectangle_is_the_element_own(self):
        e = MAKERS["uxButton"]()
        r = m.uxBaseElement_getClientRect(e)
        self.assertFalse(r.thisown)
        left, width = r.left, r.width
        self.assertEqual((left, r.top, width, r.height), (10, 10, 80, 30))
        m.uxRECT_move(r, 10, 0)
        again = m.uxBaseElement_getClientRect(e)
        self.assertEqual((again.left, again.width, again.right - again.left), (left + 10, width, r.right - r.left))
        # The element itself moved: it is hit where it now is, and paints there.
        self.assertFalse(m.uxBaseElement_intersect(e, pt(left, 20)))
        self.assertTrue(m.uxBaseElement_intersect(e, pt(left + 10, 20)))
        screen = paint(e)
        self.assertFalse(screen.painted(0, 0, 20, 60))
        self.assertTrue(screen.painted(20, 10, 100, 40))

    def test_intersect_hits_every_edge_and_misses_one_pixel_beyond(self):
        e = MAKERS["uxButton"]()
        r = m.uxBaseElement_getClientRect(e)
        edges = [(r.left, r.top), (r.right, r.top), (r.left, r.bottom), (r.right, r.bottom)]
        beyond = [(r.left - 1, r.top), (r.right + 1, r.top), (r.left, r.top - 1), (r.left, r.bottom + 1)]
        # A rectangle given by value counts its corners: a stale width changes nothing.
        given = tovgui.uxRECT(r.left + 90, r.top + 190, r.right + 90, r.bottom + 190)
        given.width = 1
        for x, y in edges:
            with self.subTest("edge", x=x, y=y):
                self.assertIs(m.uxBaseElement_intersect(e, pt(x, y)), True)
                self.assertTrue(m.uxBaseElement_intersect(e, given, pt(x + 90, y + 190)))
        for x, y in beyond:
            with self.subTest("beyond", x=x, y=y):
                self.assertIs(m.uxBaseElement_intersect(e, pt(x, y)), False)
                self.assertFalse(m.uxBaseElement_intersect(e, given, pt(x + 90, y + 190)))
        prototypes = ("uxBaseElement::intersect(uxPOINT)", "uxBaseElement::intersect(uxRECT,uxPOINT)")
        cases = [
            ((e, None), ValueError, "invalid null reference in method 'uxBaseElement_intersect', argument 2 of type 'uxPOINT'"),
            ((e, None, pt(1, 1)), ValueError,
             "invalid null reference in method 'uxBaseElement_intersect', argument 2 of type 'uxRECT'"),
            ((e, given, None), ValueError,
             "invalid null reference in method 'uxBaseElement_intersect', argument 3 of type 'uxPOINT'"),
            ((e, given), NotImplementedError, overload_text("uxBaseElement_intersect", *prototypes)),
            ((e, pt(1, 1), pt(1, 1)), NotImplementedError, overload_text("uxBaseElement_intersect", *prototypes)),
            ((e,), NotImplementedError, overload_text("uxBaseElement_intersect", *prototypes)),
        ]
        for args, kind, text in cases:
            with self.subTest(args=len(args), text=text[:40]):
                with self.assertRaises(kind) as err:
                    m.uxBaseElement_intersect(*args)
                self.assertEqual(str(err.exception), text)

    def test_name_is_the_element_own_string(self):
        e = m.new_uxButton(GM, "first", 7, pt(10, 10), 80, 30, 1, 2, 3)
        name = m.uxBaseElement_getName(e)
        self.assertIn("'std::string *'", repr(name))
        self.assertFalse(name.own())
        self.assertEqual(std_string(name), "first")
        m.uxBaseElement_setName(e, "renamed-ä")
        self.assertEqual(std_string(name), "renamed-ä")
        self.assertEqual(int(m.uxBaseElement_getName(e)), int(name))

    def test_checked_with_one_flag_is_with_two(self):
        prototypes = overload_text("uxBaseElement_SetChecked", "uxBaseElement::SetChecked(bool,bool)",
                                   "uxBaseElement::SetChecked(bool)")
        a, b = MAKERS["uxButton"](), MAKERS["uxButton"]()
        painted(a), painted(b)
        m.uxBaseElement_SetChecked(a, True)
        m.uxBaseElement_SetChecked(b, True, True)
        self.assertEqual((m.uxBaseElement_isChecked(a), m.uxBaseElement_isChecked(b)), (True, True))
        for e in (a, b):
            clear()
            self.assertTrue(m.uxBaseElement_OnPaint(e))
            self.assertTrue(shot().painted(10, 10, 90, 40))
        for args in ((a, 1), (a, True, 0), (a,), (a, True, True, True)):
            with self.subTest(args=args[1:]):
                with self.assertRaises(NotImplementedError) as e:
                    m.uxBaseElement_SetChecked(*args)
                self.assertEqual(str(e.exception), prototypes)
        self.assertTrue(m.uxBaseElement_isChecked(a))

    def test_messages_go_to_the_manager_and_without_one_nowhere(self):
        seen = []

        class Recorder(tovgui.GUIManagerCB):
            def MessageReceived(self, msg):
                seen.append((msg.type, msg.param))

        cb = Recorder()
        m.GUIManager_setSendMsgCallback(GM, cb)
        try:
            msg = tovgui.tUX_Message(m.UX_MSG_FOCUS, 3, 0)
            self.assertEqual(m.uxBaseElement_SendMessage(MAKERS["uxLabel"](), msg), 0)
            self.assertEqual(seen, [(m.UX_MSG_FOCUS, 3)])
            alone = m.new_uxLabel(None, pt(0, 0), 10, 10, 1, 2, 3, 1)
            self.assertIsNone(m.uxBaseElement_getGUIManager(alone))
            self.assertEqual(m.uxBaseElement_SendMessage(alone, msg), 0)
            self.assertEqual(len(seen), 1)
        finally:
            m.GUIManager_setSendMsgCallback(GM, None)

    def test_a_base_proxy_acts_as_its_widget(self):
        button = m.new_uxButton(GM, 3, pt(10, 10), 80, 30, 0x203040, 0xC0C0C0, 0xFFFFFF)
        m.uxButton_SetText(button, "OK")
        item = tovgui.tListItem()
        item.pElemt = button
        base = item.pElemt
        self.assertIs(type(base), tovgui.uxBaseElement)
        self.assertFalse(base.thisown)
        self.assertEqual(m.uxBaseElement_GetUserData(base), 3)
        shown = painted(base)
        self.assertTrue(any(any(row) for row in shown))
        self.assertEqual(shown, painted(button))
        # The base proxy is no button for the button's own functions.
        with self.assertRaises(NotImplementedError):
            m.uxButton_GetText(base)

    def test_values_and_states_reach_the_widget(self):
        bar = MAKERS["uxBarCtrl"]()
        m.uxBaseElement_SetScaleFactor(bar, 42.5)  # the bar's override: the level as given
        self.assertEqual(m.uxBarCtrl_getLevel(bar), 42.5)
        e = MAKERS["uxLabel"]()
        for setter, getter in (("SetEnabled", "isEnabled"), ("SetFocus", "isFocus"), ("SetGrayed", "isGrayed")):
            with self.subTest(setter):
                for value in (True, False):
                    getattr(m, "uxBaseElement_" + setter)(e, value)
                    self.assertIs(getattr(m, "uxBaseElement_" + getter)(e), value)
        self.assertEqual((m.uxBaseElement_GetIntValue(e), m.uxBaseElement_GetFloatValue(e),
                          m.uxBaseElement_GetStringValue(e), m.uxBaseElement_OnMidiCC(e, 1, 2, 3, 4)),
                         (0, 0.0, "", False))


class Buttons(unittest.TestCase):
    ID_FORM = "uxButton::uxButton(GUIManager *,uint32_t,uxPOINT,int16_t,int16_t,uxCOLOR,uxCOLOR,uxCOLOR,bool,short,int)"
    NAME_FORM = ("uxButton::uxButton(GUIManager *,char *,uint32_t,uxPOINT,int16_t,int16_t,uxCOLOR,uxCOLOR,uxCOLOR,"
                 "bool,short,int)")

    @staticmethod
    def cut(form, count):
        head, params = form[:-1].split("(")
        return head + "(" + ",".join(params.split(",")[:count]) + ")"

    def test_constructor_forms_and_their_trial_order(self):
        colours = (0x203040, 0xC0C0C0, 0xFFFFFF)
        cases = [  # arguments after the manager, name of the element
            ((5, pt(10, 10), 80, 30, *colours), "Button"),
            ((5, pt(10, 10), 80, 30, *colours, True), "Button"),
            (("named", 5, pt(10, 10), 80, 30, *colours), "named"),
            ((5, pt(10, 10), 80, 30, *colours, True, 1), "Button"),
            (("named", 5, pt(10, 10), 80, 30, *colours, True), "named"),
            ((5, pt(10, 10), 80, 30, *colours, True, 1, 5), "Button"),
            (("named", 5, pt(10, 10), 80, 30, *colours, True, 1), "named"),
            (("named", 5, pt(10, 10), 80, 30, *colours, True, 1, 5), "named"),
        ]
        reference = m.new_uxButton(GM, 5, pt(10, 10), 80, 30, *colours, True, 1, 5)
        m.uxButton_SetText(reference, "Go")
        expected = painted(reference)
        self.assertTrue(any(any(row) for row in expected))
        for args, name in cases:
            with self.subTest(count=len(args) + 1, name=name):
                b = m.new_uxButton(GM, *args)
                self.assertTrue(b.own())
                self.assertEqual((std_string(m.uxBaseElement_getName(b)), m.uxBaseElement_GetID(b)), (name, -1))
                self.assertEqual(m.uxBaseElement_GetUserData(b), 5)
                m.uxButton_SetText(b, "Go")
                self.assertEqual(painted(b), expected)  # True, 1, 5 filled in
        small = m.new_uxButton(GM, 5, pt(10, 10), 80, 30, *colours, False, 1, 5)
        m.uxButton_SetText(small, "Go")
        self.assertNotEqual(painted(small), expected)

    def test_calls_that_fit_no_form(self):
        text = overload_text("new_uxButton", *[self.cut(self.ID_FORM, n) for n in (11, 10, 9, 8)],
                             *[self.cut(self.NAME_FORM, n) for n in (12, 11, 10, 9)])
        colours = (1, 2, 3)
        cases = [
            (GM, 5, pt(0, 0), 80, 30, 1, 2),
            (GM, "n", 5, pt(0, 0), 80, 30, *colours, True, 1, 5, 0),
            (GM, 5, pt(0, 0), 80, 30, *colours, True, 1, 5, 0),  # twelve need a name
            (GM, 5, pt(0, 0), 80, 30, *colours, 1),               # 1 is no bool
            (GM, 5, pt(0, 0), 32768, 30, *colours),
            (GM, 5, pt(0, 0), 80, 30, -1, 2, 3),
            (GM, 5, pt(0, 0), 80, 30, *colours, True, 32768),
            (GM, b"n", 5, pt(0, 0), 80, 30, *colours),
        ]
        for args in cases:
            with self.subTest(args=args):
                with self.assertRaises(NotImplementedError) as e:
                    m.new_uxButton(*args)
                self.assertEqual(str(e.exception), text)

    def test_text_defaults_and_refusals(self):
        a, b = MAKERS["uxButton"](), MAKERS["uxButton"]()
        m.uxButton_SetText(a, "x")
        m.uxButton_SetText(b, "x", True, False)
        self.assertEqual(painted(a), painted(b))
        m.uxButton_SetText(b, "x", True, True)  # the small font shows
        self.assertNotEqual(painted(a), painted(b))
        m.uxButton_SetText(a, "second", False)
        self.assertEqual((m.uxButton_GetText(a), m.uxButton_GetText(a, True), m.uxButton_GetText(a, False)),
                         ("x", "x", "second"))
        m.uxButton_SetText(a, None)  # the toolkit's no-op
        self.assertEqual(m.uxButton_GetText(a), "x")
        set_text = overload_text("uxButton_SetText", "uxButton::SetText(char *,bool,bool)",
                                 "uxButton::SetText(char *,bool)", "uxButton::SetText(char *)")
        get_text = overload_text("uxButton_GetText", "uxButton::GetText(bool)", "uxButton::GetText()")
        cases = [
            (m.uxButton_SetText, (a, "y", 1), set_text),
            (m.uxButton_SetText, (a, "y", True, 0), set_text),
            (m.uxButton_SetText, (a,), set_text),
            (m.uxButton_GetText, (a, 1), get_text),
            (m.uxButton_GetText, (a, True, True), get_text),
        ]
        for function, args, text in cases:
            with self.subTest(function.__name__, args=args[1:]):
                with self.assertRaises(NotImplementedError) as e:
                    function(*args)
                self.assertEqual(str(e.exception), text)
        self.assertEqual(m.uxButton_GetText(a), "x")

    def test_state_and_colours(self):
        b = MAKERS["uxButton"]()
        m.uxButton_setButtonState(b, True)
        self.assertIs(m.uxButton_getButtonState(b), True)
        before = painted(b)
        m.uxButton_SetColor(b, m.ButtonBackgroundColor, 0x00FF00)
        self.assertNotEqual(painted(b), before)
        self.assertEqual(shot().pixel(50, 25), 0x00FF00)
        cases = [
            (m.uxButton_SetColor, (b, "x", 1), TypeError, "in method 'uxButton_SetColor', argument 2 of type "
                                                          "'eButtonColorSelect'"),
            (m.uxButton_setButtonState, (b, 1), TypeError, "in method 'uxButton_setButtonState', argument 2 of type "
                                                           "'bool'"),
            (m.uxButton_SetTextRef, (b, None), ValueError, "invalid null reference in method 'uxButton_SetTextRef', "
                                                           "argument 2 of type 'char **'"),
            (m.uxButton_SetTextRef, (b, "x"), TypeError, "in method 'uxButton_SetTextRef', argument 2 of type "
                                                         "'char **'"),
        ]
        assert_raise_table(self, cases)


class LabelsBarsAndBoxes(unittest.TestCase):
    def test_label_forms_and_texts(self):
        plain = m.new_uxLabel(GM, pt(10, 10), 80, 30, 0x203040, 0xC0C0C0, 0xFFFFFF, 1)
        named = m.new_uxLabel(GM, "lbl", pt(10, 10), 80, 30, 0x203040, 0xC0C0C0, 0xFFFFFF, 1)
        self.assertEqual(std_string(m.uxBaseElement_getName(named)), "lbl")
        m.uxLabel_setText(plain, "12")
        self.assertEqual(m.uxLabel_getText(plain), "12")
        m.uxLabel_setText(plain, "34", 0xFF0000, 0x0000FF)
        self.assertEqual(m.uxLabel_getText(plain), "34")
        colours = {c for row in painted(plain) for c in row}
        self.assertTrue({0xFF0000, 0x0000FF} <= colours, colours)
        set_text = overload_text("uxLabel_setText", "uxLabel::setText(char *)", "uxLabel::setText(char *,uxCOLOR,uxCOLOR)")
        with self.assertRaises(NotImplementedError) as e:
            m.uxLabel_setText(plain, "56", 0xFF0000)
        self.assertEqual(str(e.exception), set_text)
        self.assertEqual(m.uxLabel_getText(plain), "34")
        m.uxLabel_setLabelText(plain, "Cap", "Hz", 0x00FF00)
        self.assertIn(0x00FF00, {c for row in painted(plain) for c in row})

    def test_bar_and_meter_levels(self):
        bar, meter = MAKERS["uxBarCtrl"](), MAKERS["uxPeakMeter"]()
        self.assertIs(m.uxBarCtrl_setLevel(bar, 50.0), True)
        self.assertEqual(m.uxBarCtrl_getLevel(bar), 50.0)
        self.assertIs(m.uxBarCtrl_setLevel(meter, 64.0), True)  # the bar's operation: no smoothing
        self.assertEqual(m.uxBarCtrl_getLevel(meter), 64.0)
        self.assertIsNone(m.uxPeakMeter_setLevel(meter, 64.0))  # the meter's: one of 32 in the average
        self.assertEqual(m.uxBarCtrl_getLevel(meter), 2.0)
        smoothed = m.uxPeakMeter_smooth(meter, 32.0)
        self.assertIs(type(smoothed), float)
        self.assertEqual(smoothed, 3.0)
        m.uxPeakMeter_doTick(meter)
        m.uxBarCtrl_setOrientation(bar, m.uxBarCtrl_LeftRight)
        with self.assertRaises(TypeError) as e:
            m.uxBarCtrl_setOrientation(bar, 1.5)
        self.assertEqual(str(e.exception), "in method 'uxBarCtrl_setOrientation', argument 2 of type "
                                           "'uxBarCtrl::eOrientation'")
        # A half-full bar from the left fills the left half of its inside and not the right.
        m.uxBarCtrl_setLevel(bar, 50.0)
        screen = paint(bar)
        self.assertEqual(screen.pixel(30, 25), 0x00FF00)
        self.assertNotEqual(screen.pixel(80, 25), 0x00FF00)

    def test_text_box_adds_lines_as_given(self):
        doubled, single = MAKERS["uxTextBox"](), MAKERS["uxTextBox"]()
        m.uxTextBox_AddLine(doubled, "a%%b")
        m.uxTextBox_AddLine(single, "a%b")
        # Both percent signs are kept: the doubled line is one glyph wider.
        wide, narrow = painted(doubled), painted(single)
        self.assertNotEqual(wide, narrow)
        self.assertGreater(*[max(max((x for x, c in enumerate(row) if c == 0xFFFFFF), default=0) for row in s)
                             for s in (wide, narrow)])
        m.uxTextBox_Clear(doubled)
        blank = MAKERS["uxTextBox"]()
        self.assertEqual(painted(doubled), painted(blank))
        text = overload_text("uxTextBox_AddLine", "uxTextBox::AddLine(char *)", "uxTextBox::AddLine(char const *,...)")
        for args in ((doubled, "a", 1), (doubled,), (doubled, 5)):
            with self.subTest(args=args[1:]):
                with self.assertRaises(NotImplementedError) as e:
                    m.uxTextBox_AddLine(*args)
                self.assertEqual(str(e.exception), text)


class SelectorsGroupsKeyboards(unittest.TestCase):
    def test_set_active_defaults(self):
        seen = []

        class Recorder(tovgui.GUIManagerCB):
            def MessageReceived(self, msg):
                seen.append((msg.type, msg.param, msg.flag, msg.arg))

        cb = Recorder()
        m.GUIManager_setSendMsgCallback(GM, cb)
        try:
            outcomes = []
            for args in ((), (0, -1), (2,), (2, -1), (3, 7)):
                seen.clear()
                focus, module = MAKERS["uxGroup"](), MAKERS["uxGroup"]()
                sel = m.new_uxSelectCtrl(GM, 7, pt(10, 10), 80, 30, 0xFF0000, 0x00FF00, focus, module)
                m.uxSelectCtrl_SetActive(sel, *args)
                outcomes.append((m.uxBaseElement_isEnabled(module), m.uxBaseElement_isFocus(module),
                                 m.uxBaseElement_isChecked(sel), tuple(seen)))
            self.assertEqual(outcomes[0], outcomes[1])
            self.assertEqual(outcomes[2], outcomes[3])
            self.assertNotEqual(outcomes[0], outcomes[2])
            self.assertEqual(outcomes[4][3], ((m.UX_MSG_FOCUS, 4, 3, 7),))
            self.assertEqual(outcomes[0][:3], (True, True, True))
        finally:
            m.GUIManager_setSendMsgCallback(GM, None)
        text = overload_text("uxSelectCtrl_SetActive", "uxSelectCtrl::SetActive(int,int)",
                             "uxSelectCtrl::SetActive(int)", "uxSelectCtrl::SetActive()")
        with self.assertRaises(NotImplementedError) as e:
            m.uxSelectCtrl_SetActive(sel, 1, 2, 3)
        self.assertEqual(str(e.exception), text)

    def test_activate_changes_nothing(self):
        module = MAKERS["uxGroup"]()
        sel = m.new_uxSelectCtrl(GM, 7, pt(10, 10), 80, 30, 0xFF0000, None, module)
        before = (m.uxBaseElement_isEnabled(module), m.uxBaseElement_isChecked(sel), painted(sel))
        self.assertIsNone(m.uxSelectCtrl_Activate(sel))
        self.assertEqual((m.uxBaseElement_isEnabled(module), m.uxBaseElement_isChecked(sel), painted(sel)), before)
        m.uxSelectCtrl_SetEnabled(sel, False)
        self.assertFalse(m.uxBaseElement_isEnabled(sel))

    def test_constructor_texts(self):
        cases = [
            (m.new_uxGroup, (GM, 1, "g", pt(0, 0), 10), (
                "uxGroup::uxGroup(GUIManager *,uint32_t,char *,uxPOINT,int16_t,int16_t,uxCOLOR)",
                "uxGroup::uxGroup(GUIManager *,uint32_t,char *,uxPOINT,int16_t,int16_t)")),
            (m.new_uxSelectCtrl, (GM, 1, pt(0, 0), 10, 10, 1, 2, 3, None), (
                "uxSelectCtrl::uxSelectCtrl(GUIManager *,uint32_t,uxPOINT,int16_t,int16_t,uxCOLOR,uxCOLOR,"
                "uxPanelCtrl *,uxPanelCtrl *)",
                "uxSelectCtrl::uxSelectCtrl(GUIManager *,uint32_t,uxPOINT,int16_t,int16_t,uxCOLOR,"
                "uxPanelCtrl *,uxPanelCtrl *)")),
            (m.new_uxLabel, (GM, pt(0, 0), 10, 10, 1, 2, 3), (
                "uxLabel::uxLabel(GUIManager *,uxPOINT,int16_t,int16_t,uxCOLOR,uxCOLOR,uxCOLOR,int)",
                "uxLabel::uxLabel(GUIManager *,char *,uxPOINT,int16_t,int16_t,uxCOLOR,uxCOLOR,uxCOLOR,int)")),
        ]
        for function, args, prototypes in cases:
            with self.subTest(function.__name__):
                with self.assertRaises(NotImplementedError) as e:
                    function(*args)
                self.assertEqual(str(e.exception), overload_text(function.__name__, *prototypes))
        # A selector's panels are panels: a button is none.
        with self.assertRaises(NotImplementedError):
            m.new_uxSelectCtrl(GM, 1, pt(0, 0), 10, 10, 1, MAKERS["uxButton"](), None)
        group = m.new_uxGroup(GM, 1, "g", pt(0, 0), 10, 10, 0x123456)
        self.assertEqual(m.uxGroup_getSelectedID(group), m.uxGroup_getSelectedID(MAKERS["uxGroup"]()))
        self.assertIsNone(m.delete_uxGroup(None))

    def test_keyboard_texts_are_wrapped_strings(self):
        keyboard, named = MAKERS["uxKeyboardCtrl"](), m.new_uxButton(GM, "QWERT", 1, pt(0, 0), 10, 10, 1, 2, 3)
        confirmed = m.uxKeyboardCtrl_getText(keyboard)
        self.assertIn("'std::string *'", repr(confirmed))
        self.assertFalse(confirmed.own())
        self.assertEqual(std_string(confirmed), "")
        self.assertIs(type(m.uxKeyboardCtrl_isActive(keyboard)), bool)
        # The display shows what is handed over; the keyboard's own text fits as well.
        m.uxKeyboardCtrl_setText(keyboard, m.uxBaseElement_getName(named))
        shown = painted(keyboard, (10, 10, 410, 250))
        m.uxKeyboardCtrl_setText(keyboard, confirmed)
        self.assertNotEqual(painted(keyboard, (10, 10, 410, 250)), shown)
        other = MAKERS["uxKeyboardCtrl"]()
        m.uxKeyboardCtrl_setText(other, m.uxBaseElement_getName(named))
        self.assertEqual(painted(other, (10, 10, 410, 250)), shown)
        cases = [
            ("QWERT", TypeError, "in method 'uxKeyboardCtrl_setText', argument 2 of type 'std::string &'"),
            (None, ValueError, "invalid null reference in method 'uxKeyboardCtrl_setText', argument 2 of type "
                               "'std::string &'"),
            (pt(0, 0), TypeError, "in method 'uxKeyboardCtrl_setText', argument 2 of type 'std::string &'"),
        ]
        for value, kind, text in cases:
            with self.subTest(value=value):
                with self.assertRaises(kind) as e:
                    m.uxKeyboardCtrl_setText(keyboard, value)
                self.assertEqual(str(e.exception), text)


class BadInput(unittest.TestCase):
    def test_none_position_of_every_constructor(self):
        cases = [  # function, arguments, argument number of the position
            (m.new_uxButton, (GM, 1, None, 10, 10, 1, 2, 3), 3),
            (m.new_uxButton, (GM, "n", 1, None, 10, 10, 1, 2, 3), 4),
            (m.new_uxButton, (GM, "n", 1, None, 10, 10, 1, 2, 3, True, 1, 5), 4),
            (m.new_uxImageButton, (GM, None, "on.png", "off.png"), 2),
            (m.new_uxLabel, (GM, None, 10, 10, 1, 2, 3, 1), 2),
            (m.new_uxLabel, (GM, "n", None, 10, 10, 1, 2, 3, 1), 3),
            (m.new_uxTextBox, (GM, "n", None, 10, 10, 1, 2, 3, 1), 3),
            (m.new_uxKeyboardCtrl, (GM, None, 10, 10, 1, 2), 2),
            (m.new_uxSelectCtrl, (GM, 1, None, 10, 10, 1, None, None), 3),
            (m.new_uxSelectCtrl, (GM, 1, None, 10, 10, 1, 2, None, None), 3),
            (m.new_uxGroup, (GM, 1, "n", None, 10, 10), 4),
            (m.new_uxGroup, (GM, 1, "n", None, 10, 10, 1), 4),
        ]
        for function, args, number in cases:
            with self.subTest(function.__name__, count=len(args)):
                with self.assertRaises(ValueError) as e:
                    function(*args)
                self.assertEqual(str(e.exception), f"invalid null reference in method '{function.__name__}', "
                                                   f"argument {number} of type 'uxPOINT'")

    def test_none_as_a_copied_text_or_a_file(self):
        b, label, box = MAKERS["uxButton"](), MAKERS["uxLabel"](), MAKERS["uxTextBox"]()
        cases = [  # function, arguments, argument number, type
            (m.uxBaseElement_setName, (b, None), 2, "char const *"),
            (m.uxBaseElement_SetTextValue, (b, None), 2, "char *"),
            (m.new_uxButton, (GM, None, 1, pt(0, 0), 10, 10, 1, 2, 3), 2, "char *"),
            (m.new_uxLabel, (GM, None, pt(0, 0), 10, 10, 1, 2, 3, 1), 2, "char *"),
            (m.new_uxGroup, (GM, 1, None, pt(0, 0), 10, 10), 3, "char *"),
            (m.new_uxTextBox, (GM, None, pt(0, 0), 10, 10, 1, 2, 3, 1), 2, "char *"),
            (m.new_uxImageButton, (GM, pt(0, 0), None, "off.png"), 3, "char *"),
            (m.new_uxImageButton, (GM, pt(0, 0), "on.png", None), 4, "char *"),
            (m.uxLabel_setText, (label, None), 2, "char *"),
            (m.uxLabel_setText, (label, None, 1, 2), 2, "char *"),
            (m.uxLabel_setLabelText, (label, None, "u", 1), 2, "char *"),
            (m.uxLabel_setLabelText, (label, "c", None, 1), 3, "char *"),
            (m.uxTextBox_AddLine, (box, None), 2, "char *"),
        ]
        for function, args, number, kind in cases:
            with self.subTest(function.__name__, number=number, count=len(args)):
                with self.assertRaises(ValueError) as e:
                    function(*args)
                self.assertEqual(str(e.exception), f"invalid null reference in method '{function.__name__}', "
                                                   f"argument {number} of type '{kind}'")
        self.assertEqual(m.uxLabel_getText(label), "")
        m.uxBarCtrl_setText(MAKERS["uxBarCtrl"](), None)  # the bar's caption: None is empty

    def test_none_as_the_object_or_the_message(self):
        names = [n for n in dir(m) if n.split("_")[0] in {
            "uxBaseElement", "uxButton", "uxImageButton", "uxLabel", "uxBarCtrl", "uxPeakMeter", "uxTextBox",
            "uxKeyboardCtrl", "uxSelectCtrl", "uxGroup"} and not n.endswith(("swigregister", "swiginit"))]
        self.assertIn("uxKeyboardCtrl_getText", names)
        for name in names:
            function = getattr(m, name)
            with self.subTest(name):
                try:
                    function(None)
                except NotImplementedError:
                    continue  # dispatched: the count alone fits no form
                except ValueError as e:
                    self.assertEqual(str(e), f"invalid null reference in method '{name}', argument 1 of type "
                                             f"'{name.split('_')[0]} *'")
                except TypeError:
                    continue  # more arguments wanted: below
                else:
                    self.fail(f"{name}(None) was taken")
        keyboard = MAKERS["uxKeyboardCtrl"]()  # its text, a view, lives as long as it does
        cases = [  # functions that need more than the object, with their other arguments
            ("uxBaseElement_SetID", (5,)), ("uxBaseElement_SetIDmask", (1, 2)), ("uxBaseElement_setName", ("n",)),
            ("uxBaseElement_SetChecked", (True,)), ("uxBaseElement_intersect", (pt(0, 0),)),
            ("uxButton_SetText", ("x",)), ("uxButton_GetText", (True,)), ("uxLabel_setText", ("x",)),
            ("uxBarCtrl_setLevel", (1.0,)), ("uxPeakMeter_smooth", (1.0,)), ("uxTextBox_AddLine", ("x",)),
            ("uxSelectCtrl_SetActive", (1,)), ("uxKeyboardCtrl_setText", (m.uxKeyboardCtrl_getText(keyboard),)),
        ]
        for name, rest in cases:
            with self.subTest(name, rest=rest):
                with self.assertRaises(ValueError) as e:
                    getattr(m, name)(None, *rest)
                self.assertEqual(str(e.exception), f"invalid null reference in method '{name}', argument 1 of type "
                                                   f"'{name.split('_')[0]} *'")
        for cls, make in MAKERS.items():
            if cls == "uxImage":
                continue
            for name in (f"{cls}_OnMessage", "uxBaseElement_OnMessage", "uxBaseElement_SendMessage"):
                with self.subTest(name, cls=cls):
                    with self.assertRaises(ValueError) as e:
                        getattr(m, name)(make(), None)
                    self.assertEqual(str(e.exception), f"invalid null reference in method '{name}', argument 2 of "
                                                       "type 'tUX_Message *'")
        for cls in MAKERS:
            with self.subTest(f"delete_{cls}"):
                self.assertIsNone(getattr(m, f"delete_{cls}")(None))


if __name__ == "__main__":
    unittest.main()
