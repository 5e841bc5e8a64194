"""The value label and the value control from scripts: the label's constructor forms and the
defaults its methods fill in, its choices and converter (lists and converters from the tests'
peer module), what reaches the manager, the control's texts and results, and None or wrong
input refused."""

import gc
import unittest

import _tovgui as m
import _tovgui_peer as peer
import tovgui

from binding_support import c_stdout, c_text, clear_screen, overload_text, pt, screen_shot, start_gui, std_string, stop_gui

ROOT = IMAGES = DC = GM = None

BACKGROUND, SECOND, TITLE, TEXT = 0x102030, 0xABCDEF, 0x00FF00, 0xFFFF00
# Where a label of 120x60 at (10, 10) draws its frame and its MIDI marker.
FRAME, MARKER = (16, 40), (110, 14)
# A four-colour label's frame, and the marker's fill, as the toolkit paints them.
NO_ACCENT, MARKER_FILL = 0x404040, 0x606060


def setUpModule():
    global ROOT, IMAGES, DC, GM
    ROOT, IMAGES, DC, GM = start_gui("tovgui-values-")


def tearDownModule():
    stop_gui(ROOT, DC, GM)


def paint(element):
    """The screen after the element painted itself on a cleared one."""
    clear_screen(DC)
    m.uxBaseElement_SetEnabled(element, True)
    m.uxBaseElement_setRepaint(element)
    m.uxBaseElement_OnPaint(element)
    return screen_shot(DC, IMAGES)


def painted(element, area=(0, 0, 720, 80)):
    return paint(element).region(*area)


def label(*colours_and_flag, uid=0x1234):
    return m.new_uxValueLabel(GM, uid, 2, pt(10, 10), 120, 60, *(colours_and_flag or (BACKGROUND, SECOND, TITLE, TEXT)))


def control(kind, caption="Cap", fmt="%d", width=400):
    return m.new_uxValueCtrl(GM, 7, 3, caption, pt(10, 10), width, 24, kind, 0xFFFFFF, TEXT, 0x000080, fmt)


def reported(call):
    """The manager's lines printed while `call` runs."""
    with c_stdout() as out:
        call()
    return c_text(out)


class LabelForms(unittest.TestCase):
    FOUR = "uxValueLabel::uxValueLabel(GUIManager *,{}int,uint32_t,uxPOINT,int16_t,int16_t,uxCOLOR,uxCOLOR,uxCOLOR,uxCOLOR"
    FIVE = FOUR + ",uxCOLOR"

    def prototypes(self):
        forms = []
        for named in ("", "char *,"):
            for form in (self.FOUR, self.FIVE):
                forms += [form.format(named) + ",bool)", form.format(named) + ")"]
        return overload_text("new_uxValueLabel", *forms)

    def test_forms_by_count_and_kind(self):
        four, five = (BACKGROUND, SECOND, TITLE, TEXT), (BACKGROUND, SECOND, TITLE, TEXT, 0xFFFFFF)
        cases = [  # arguments after the manager, name, frame colour, MIDI marker shown
            ((1, 2, pt(10, 10), 120, 60, *four), "ValueLabel", NO_ACCENT, False),
            ((1, 2, pt(10, 10), 120, 60, *four, False), "ValueLabel", NO_ACCENT, False),
            ((1, 2, pt(10, 10), 120, 60, *four, True), "ValueLabel", NO_ACCENT, True),
            ((1, 2, pt(10, 10), 120, 60, *five), "ValueLabel", SECOND, False),
            (("Cut", 1, 2, pt(10, 10), 120, 60, *four), "Cut", NO_ACCENT, False),
            ((1, 2, pt(10, 10), 120, 60, *five, True), "ValueLabel", SECOND, True),
            (("Cut", 1, 2, pt(10, 10), 120, 60, *four, True), "Cut", NO_ACCENT, True),
            (("Cut", 1, 2, pt(10, 10), 120, 60, *five), "Cut", SECOND, False),
            (("Cut", 1, 2, pt(10, 10), 120, 60, *five, True), "Cut", SECOND, True),
        ]
        for args, name, frame, marker in cases:
            with self.subTest(count=len(args) + 1, name=name, last=args[-1]):
                lbl = m.new_uxValueLabel(GM, *args)
                self.assertTrue(lbl.own())
                self.assertEqual(std_string(m.uxBaseElement_getName(lbl)), name)
                self.assertEqual((m.uxBaseElement_GetID(lbl), m.uxBaseElement_GetUserData(lbl)), (1, 2))
                screen = paint(lbl)
                self.assertEqual(screen.pixel(*FRAME), frame)
                self.assertEqual(screen.pixel(*MARKER) == MARKER_FILL, marker)

    def test_calls_that_fit_no_form(self):
        text = self.prototypes()
        cases = [
            (1, 2, pt(0, 0), 120, 60, 1, 2, 3, 4, 5, 6),         # twelve without a name end in a bool
            (1, 2, pt(0, 0), 120, 60, 1, 2, 3),                   # nine
            ("n", 1, 2, pt(0, 0), 120, 60, 1, 2, 3, 4, 5, True, 0),  # fourteen
            (1, 2, pt(0, 0), 40000, 60, 1, 2, 3, 4),              # no int16_t
            (1, 2, pt(0, 0), 120, 60, 1, -2, 3, 4),               # no colour
            (1, 2, pt(0, 0), 120, 60, 1, 2, 3, 4, 5, 1.5),
            (b"n", 1, 2, pt(0, 0), 120, 60, 1, 2, 3, 4),
        ]
        for args in cases:
            with self.subTest(args=args):
                with self.assertRaises(NotImplementedError) as e:
                    m.new_uxValueLabel(GM, *args)
                self.assertEqual(str(e.exception), text)

    def test_none_position_and_name(self):
        cases = [
            ((1, 2, None, 120, 60, 1, 2, 3, 4), "invalid null reference in method 'new_uxValueLabel', argument 4 of "
                                                "type 'uxPOINT'"),
            ((1, 2, None, 120, 60, 1, 2, 3, 4, 5, True), "invalid null reference in method 'new_uxValueLabel', "
                                                         "argument 4 of type 'uxPOINT'"),
            (("n", 1, 2, None, 120, 60, 1, 2, 3, 4), "invalid null reference in method 'new_uxValueLabel', argument 5 "
                                                     "of type 'uxPOINT'"),
            ((None, 1, 2, pt(0, 0), 120, 60, 1, 2, 3, 4), "invalid null reference in method 'new_uxValueLabel', "
                                                          "argument 2 of type 'char *'"),
        ]
        for args, text in cases:
            with self.subTest(text=text[-30:], count=len(args) + 1):
                with self.assertRaises(ValueError) as e:
                    m.new_uxValueLabel(GM, *args)
                self.assertEqual(str(e.exception), text)


class LabelValues(unittest.TestCase):
    def test_value_setters_report_with_their_flags(self):
        lbl = label()
        cases = [  # call, line the manager prints
            (lambda: m.uxValueLabel_SetIntValue(lbl, 3), "value:3.000000, [Flags: 0007]"),
            (lambda: m.uxValueLabel_SetIntValue(lbl, 3, 0), "value:3.000000, [Flags: 0000]"),
            (lambda: m.uxValueLabel_SetIntValue(lbl, 3, True), "value:3.000000, [Flags: 0001]"),
            (lambda: m.uxValueLabel_SetFloatValue(lbl, 2.5), "value:2.500000, [Flags: 0007]"),
            (lambda: m.uxValueLabel_SetFloatValue(lbl, 2.5, 0xFFFFFFFF), "value:2.500000, [Flags: FFFFFFFF]"),
        ]
        for call, line in cases:
            with self.subTest(line):
                self.assertEqual(reported(call), f"[ValChgd] (assign) UID:1234,{line}\n")
        self.assertEqual((m.uxValueLabel_getText(lbl), m.uxValueLabel_GetFloatValue(lbl)), ("2", 2.5))

    def test_base_value_slots_stay_the_base_on_a_label(self):
        lbl = label()
        m.uxValueLabel_SetTextValue(lbl, "42")
        for call in (lambda: m.uxBaseElement_SetIntValue(lbl, 3), lambda: m.uxBaseElement_SetFloatValue(lbl, 2.5),
                     lambda: m.uxBaseElement_SetTextValue(lbl, "7")):
            self.assertEqual(reported(call), "")
        self.assertEqual(m.uxValueLabel_getText(lbl), "42")
        self.assertEqual(reported(lambda: m.uxBaseElement_GetFloatValue(lbl)), "")

    def test_label_text_sets_caption_and_unit_and_empties_the_choices(self):
        lbl = label()
        m.uxValueLabel_AddEnumText(lbl, "Off")
        m.uxValueLabel_SetLabelText(lbl, "Cutoff", "Hz")
        self.assertEqual((m.uxValueLabel_getLabelText(lbl), m.uxValueLabel_getUnitText(lbl)), ("Cutoff", "Hz"))
        m.uxValueLabel_AddEnumText(lbl, "Off")
        m.uxValueLabel_SetLabelText(lbl, "Res")
        self.assertEqual((m.uxValueLabel_getLabelText(lbl), m.uxValueLabel_getUnitText(lbl),
                          m.uxValueLabel_getEnumText(lbl, 0)), ("Res", "", ""))
        m.uxValueLabel_AddEnumText(lbl, "On")
        for args in ((None,), (None, "dB"), (None, "dB", 9)):
            with self.subTest(args=args):
                m.uxValueLabel_SetLabelText(lbl, *args)
                self.assertEqual((m.uxValueLabel_getLabelText(lbl), m.uxValueLabel_getUnitText(lbl),
                                  m.uxValueLabel_getEnumText(lbl, 0)), ("Res", "", "On"))
        # The value's font: 13 unless given.
        a, b = label(), label()
        for lbl_, args in ((a, ("Cut",)), (b, ("Cut", None, 13))):
            m.uxValueLabel_SetLabelText(lbl_, *args)
            m.uxValueLabel_SetTextValue(lbl_, "88")
        self.assertEqual(painted(a), painted(b))
        m.uxValueLabel_SetLabelText(b, "Cut", None, 9)
        self.assertNotEqual(painted(a), painted(b))

    def test_choices_on_the_label_own_list(self):
        lbl = label()
        m.uxValueLabel_AddEnumText(lbl, "Off")
        m.uxValueLabel_AddEnumText(lbl, "On", 5)
        m.uxValueLabel_AddEnumText(lbl, "Max", 0xFFFFFFFF)
        cases = [(0, "Off", 0), (1, "On", 5), (2, "Max", 0xFFFFFFFF), (3, "", 0), (-1, "", 0), (2**31 - 1, "", 0)]
        for index, text, attr in cases:
            with self.subTest(index=index):
                self.assertEqual((m.uxValueLabel_getEnumText(lbl, index), m.uxValueLabel_getEnumAttr(lbl, index)),
                                 (text, attr))
        # A choice's number shows its text.
        reported(lambda: m.uxValueLabel_SetIntValue(lbl, 1))
        self.assertEqual(m.uxValueLabel_getText(lbl), "On")
        m.uxValueLabel_ClearEnums(lbl)
        self.assertEqual((m.uxValueLabel_getEnumText(lbl, 0), m.uxValueLabel_getEnumAttr(lbl, 1)), ("", 0))

    def test_choices_on_a_list_from_elsewhere(self):
        choices = peer.new_choices()
        try:
            peer.choices_add(choices, "Saw", 0)
            peer.choices_add(choices, "Square", 3)
            lbl = label()
            m.uxValueLabel_AddEnumText(lbl, "own")
            m.uxValueLabel_SetEnumRef(lbl, choices)
            self.assertEqual((m.uxValueLabel_getEnumText(lbl, 1), m.uxValueLabel_getEnumAttr(lbl, 1),
                              m.uxValueLabel_getEnumText(lbl, 2)), ("Square", 3, ""))
            m.uxValueLabel_AddEnumText(lbl, "Noise", 1)  # lands in the list the label reads
            self.assertEqual((peer.choices_size(choices), peer.choices_text(choices, 2)), (3, "Noise"))
            m.delete_uxValueLabel(lbl)
            self.assertEqual([peer.choices_text(choices, i) for i in range(peer.choices_size(choices))],
                             ["Saw", "Square", "Noise"])
            # Dropping a label by its proxy leaves the list as well.
            other = label()
            m.uxValueLabel_SetEnumRef(other, choices)
            m.uxValueLabel_ClearEnums(other)
            self.assertEqual(peer.choices_size(choices), 0)
            del other
            gc.collect()
            peer.choices_add(choices, "Saw", 0)
            self.assertEqual(peer.choices_size(choices), 1)
        finally:
            peer.delete_choices(choices)
        with self.assertRaises(TypeError) as e:
            m.uxValueLabel_SetEnumRef(label(), pt(0, 0))
        self.assertEqual(str(e.exception), "in method 'uxValueLabel_SetEnumRef', argument 2 of type "
                                           "'vector< tEnumItem > *'")

    def test_converter_preview(self):
        lbl = label()
        cases = [  # converter given (or none at all), convert(0.5)
            ((), 0.5),
            ((None,), 0.5),
            ((peer.CONVERT_HZ,), 12.5),
            ((peer.CONVERT_NO_NUMBER,), 0.0),
            ((peer.CONVERT_FLAG,), 1.0),  # the converter is asked for a number to read back
            ((None,), 0.5),
        ]
        for given, value in cases:
            with self.subTest(given=given):
                if given:
                    m.uxValueLabel_setConvertFunction(lbl, *given)
                result = m.uxValueLabel_convert(lbl, 0.5)
                self.assertIs(type(result), float)
                self.assertEqual(result, value)
        # Shown values are asked for display.
        m.uxValueLabel_setConvertFunction(lbl, peer.CONVERT_FLAG)
        reported(lambda: m.uxValueLabel_SetFloatValue(lbl, 3.0))
        self.assertEqual(m.uxValueLabel_getText(lbl), "0")
        cases = [
            (m.uxValueLabel_setConvertFunction, lambda v, f: "1 Hz", "char *(*)(float,bool)"),
            (m.uxValueLabel_setConvertFunction, peer.FORMULA_DOUBLED, "char *(*)(float,bool)"),
            (m.uxValueCtrl_SetFormular, lambda v: 1.0, "float (*)(int)"),
            (m.uxValueCtrl_SetFormular, peer.CONVERT_HZ, "float (*)(int)"),
        ]
        ctrl = control(m.uxValueCtrl_val_float)
        for function, given, kind in cases:
            with self.subTest(function.__name__, kind=kind, given=given):
                with self.assertRaises(TypeError) as e:
                    function(lbl if "Label" in function.__name__ else ctrl, given)
                self.assertEqual(str(e.exception), f"in method '{function.__name__}', argument 2 of type '{kind}'")

    def test_midi_off_ends_learning(self):
        lbl, plain = label(), label()
        m.uxValueLabel_setEnableMidiCC(lbl, True)
        m.uxBaseElement_SetFocus(lbl, True)
        m.uxValueLabel_OnMessage(lbl, tovgui.tUX_Message(m.UX_MSG_TOUCH_EVENT, 50, 40, m.TYPE_PRESS))
        for _ in range(31):
            m.uxValueLabel_OnMessage(lbl, tovgui.tUX_Message(m.UX_MSG_TICK_EVENT))
        learning = paint(lbl)  # a long press turns learning on
        self.assertEqual(learning.pixel(*MARKER), MARKER_FILL)
        m.uxValueLabel_setEnableMidiCC(lbl, False)
        # No longer learning: a controller that comes now is not learned (no marker with its
        # number), and the label paints as one that never had MIDI.
        self.assertIs(m.uxValueLabel_OnMidiCC(lbl, 0, 0, 7, 100), False)
        m.uxBaseElement_SetChecked(lbl, False)
        self.assertEqual(painted(lbl), painted(plain))

    def test_an_assigned_label_follows_its_controller(self):
        lbl = label(BACKGROUND, SECOND, TITLE, TEXT, True)
        m.uxValueLabel_SetEncoderMode(lbl, 1)
        with c_stdout() as out:
            taken = [m.uxValueLabel_OnMidiCC(lbl, 0, 0, 0, 127), m.uxValueLabel_OnMidiCC(lbl, 0, 0, 0, 127)]
        self.assertEqual(taken, [True, False])
        self.assertEqual(c_text(out), "[ValChgd] (assign) UID:1234,value:100.000000, [Flags: 0001]\n")

    def test_encoder_steps_and_their_settings(self):
        lbl = label()
        m.uxValueLabel_SetEncoderMode(lbl, 1)
        m.uxValueLabel_SetFloatRawValue(lbl, 3.0)
        m.uxValueLabel_EncoderStep(lbl, True)
        self.assertEqual(m.uxValueLabel_GetFloatRawValue(lbl), 4.0)
        m.uxValueLabel_setEncoderFactor(lbl, 10.0, "x10")
        m.uxValueLabel_set2nd(lbl, True)
        m.uxValueLabel_EncoderStep(lbl, True)
        self.assertEqual(m.uxValueLabel_GetFloatRawValue(lbl), 14.0)
        # A turn of its encoder reports with the label's notification flags.
        m.uxValueLabel_setEncoderNotifications(lbl, 3)
        m.uxBaseElement_SetFocus(lbl, True)
        m.uxBaseElement_SetChecked(lbl, True)
        turn = tovgui.tUX_Message(m.UX_MSG_ENCODER_EVENT, 0, 130)
        self.assertIn("value:24.000000, [Flags: 0003]", reported(lambda: m.uxValueLabel_OnMessage(lbl, turn)))

    def test_inactive_label_shows_its_greyed_text(self):
        a, b = label(), label()
        m.uxValueLabel_setGrayedText(a, "n/a")
        m.uxValueLabel_SetActive(a, False)
        m.uxValueLabel_SetTextValue(b, "n/a")
        m.uxValueLabel_SetActive(b, False)
        self.assertNotEqual(painted(a), painted(b))  # b shows its own greyed text, "-"
        m.uxValueLabel_setGrayedText(b, "n/a")
        self.assertEqual(painted(a), painted(b))
        m.uxValueLabel_SetActive(a, True, False)
        self.assertNotEqual(painted(a), painted(b))

    def test_overload_texts_name_the_full_form_first(self):
        lbl = label()
        cases = [  # function, a call that fits no form, parameter lists from the full one down
            ("SetLabelText", ("a", "b", 1, 2), ("char *,char *,int", "char *,char *", "char *")),
            ("SetEnabled", (True, 1), ("bool,bool", "bool")),
            ("SetActive", (), ("bool,bool", "bool")),
            ("SetTextValue", ("a", -1), ("char *,uint32_t", "char *")),
            ("SetIntValue", (1.5,), ("int,uint32_t", "int")),
            ("SetFloatValue", (1.0, 2, 3), ("float,uint32_t", "float")),
            ("AddEnumText", (1,), ("char *,uint32_t", "char *")),
            ("SetEncoderMode", (1, 2.5), ("int,int", "int")),
        ]
        for name, args, forms in cases:
            with self.subTest(name):
                with self.assertRaises(NotImplementedError) as e:
                    getattr(m, "uxValueLabel_" + name)(lbl, *args)
                self.assertEqual(str(e.exception), overload_text(
                    "uxValueLabel_" + name, *[f"uxValueLabel::{name}({f})" for f in forms]))


class Controls(unittest.TestCase):
    def test_set_value_says_whether_it_was_taken(self):
        c = control(m.uxValueCtrl_val)
        cases = [(50, True), (50, False), (150, False), (-1, False), (100, True), (0, True)]
        for value, taken in cases:
            with self.subTest(value=value):
                self.assertIs(m.uxValueCtrl_SetValue(c, value), taken)
        m.uxValueCtrl_SetMinMax(c, -10.0, 10.0)
        self.assertEqual([m.uxValueCtrl_SetValue(c, v) for v in (-5, 50)], [True, False])
        self.assertEqual((m.uxValueCtrl_GetIntValue(c), m.uxValueCtrl_GetMinValue(c), m.uxValueCtrl_GetMaxValue(c)),
                         (-5, -10, 10))

    def test_texts_are_kept_to_31_bytes(self):
        c = control(m.uxValueCtrl_text)
        cases = [
            ("x" * 40, "x" * 31),
            ("é" * 20, "é" * 15 + "\udcc3"),  # cut inside a character: its first byte reads back escaped
            ("Cutoff", "Cutoff"),
        ]
        for text, kept in cases:
            with self.subTest(text=text):
                m.uxValueCtrl_SetTextValue(c, text)
                self.assertEqual(m.uxValueCtrl_GetStringValue(c), kept)
        m.uxBaseElement_SetTextValue(c, "through the base")
        self.assertEqual(m.uxBaseElement_GetStringValue(c), "through the base")
        self.assertEqual(std_string(m.uxBaseElement_getName(c)), "")
        # The constructor's texts: 40 characters paint as their first 31.
        long_caption, long_format = "C" * 40, "%d" + "-" * 38
        reference = painted(control(m.uxValueCtrl_bar, long_caption[:31], long_format[:31], width=700))
        self.assertEqual(painted(control(m.uxValueCtrl_bar, long_caption, long_format, width=700)), reference)
        self.assertNotEqual(painted(control(m.uxValueCtrl_bar, long_caption[:30], long_format[:31], width=700)),
                            reference)
        self.assertNotEqual(painted(control(m.uxValueCtrl_bar, long_caption[:31], long_format[:30], width=700)),
                            reference)

    def test_a_choice_text_outlives_the_script_str(self):
        c = control(m.uxValueCtrl_enumerator)
        m.uxValueCtrl_SetEnumValue(c, 1, "".join(["Fi", "ne"]))  # a str no one else holds
        m.uxValueCtrl_SetEnumValue(c, 2, None)
        gc.collect()
        m.uxValueCtrl_SetValue(c, 1)
        shown = control(m.uxValueCtrl_text)
        m.uxValueCtrl_SetTextValue(shown, "Fine")
        self.assertEqual(painted(c), painted(shown))
        self.assertNotEqual(painted(c), painted(control(m.uxValueCtrl_text)))
        with self.assertRaises(OverflowError) as e:
            m.uxValueCtrl_SetEnumValue(c, 256, "x")
        self.assertEqual(str(e.exception), "in method 'uxValueCtrl_SetEnumValue', argument 2 of type 'uint8_t'")

    def test_formula_shows_as_a_scale(self):
        formula, scaled, plain = (control(m.uxValueCtrl_val_float, fmt="%.2f") for _ in range(3))
        for c in (formula, scaled, plain):
            m.uxValueCtrl_SetValue(c, 21)
        m.uxValueCtrl_SetFormular(formula, peer.FORMULA_DOUBLED)
        m.uxValueCtrl_SetScaleFactor(scaled, 2.0)
        self.assertEqual(m.uxValueCtrl_GetScaleFactor(scaled), 2.0)
        self.assertEqual(painted(formula), painted(scaled))
        self.assertNotEqual(painted(formula), painted(plain))
        m.uxValueCtrl_SetFormular(formula, None)
        self.assertEqual(painted(formula), painted(plain))

    def test_a_kind_not_listed_is_taken_as_given(self):
        empty = painted(control(m.uxValueCtrl_text))
        for kind in (5, 7, 99, -1, 2**31 - 1):
            with self.subTest(kind=kind):
                c = control(kind)
                m.uxValueCtrl_SetValue(c, 50)
                self.assertEqual(painted(c), empty)  # the frame and caption alone
                self.assertEqual((m.uxValueCtrl_GetMaxValue(c), m.uxValueCtrl_GetMinValue(c)), (0, 0))

    def test_inverse_and_selection_show(self):
        shots = []
        for inverse, selected in ((False, False), (True, False), (True, True)):
            c = control(m.uxValueCtrl_text)
            m.uxValueCtrl_SetTextValue(c, "Go")
            m.uxValueCtrl_Inverse(c, inverse)
            m.uxValueCtrl_Select(c, selected)
            shots.append(painted(c))
        # The selection frame is drawn in the caption colour: it shows on an inverted control.
        self.assertEqual(len(set(shots)), 3)

    def test_constructor_errors(self):
        good = [GM, 7, 3, "Cap", pt(0, 0), 100, 24, 1, 1, 2, 3, "%d"]
        cases = [  # argument index and value, exception, text
            ((5, 40000), OverflowError, "in method 'new_uxValueCtrl', argument 6 of type 'int16_t'"),
            ((7, 1.5), TypeError, "in method 'new_uxValueCtrl', argument 8 of type 'uxValueCtrl::CtrlType'"),
            ((4, None), ValueError, "invalid null reference in method 'new_uxValueCtrl', argument 5 of type 'uxPOINT'"),
            ((3, None), ValueError, "invalid null reference in method 'new_uxValueCtrl', argument 4 of type "
                                    "'char const *'"),
            ((11, None), ValueError, "invalid null reference in method 'new_uxValueCtrl', argument 12 of type "
                                     "'char const *'"),
            ((0, pt(0, 0)), TypeError, "in method 'new_uxValueCtrl', argument 1 of type 'GUIManager *'"),
        ]
        for (index, value), kind, text in cases:
            with self.subTest(text):
                args = list(good)
                args[index] = value
                with self.assertRaises(kind) as e:
                    m.new_uxValueCtrl(*args)
                self.assertEqual(str(e.exception), text)
        with self.assertRaises(TypeError) as e:
            m.new_uxValueCtrl(*good[:11])
        self.assertEqual(str(e.exception), "new_uxValueCtrl expected 12 arguments, got 11")


class BadInput(unittest.TestCase):
    def test_none_as_the_object_or_the_message(self):
        names = [n for n in dir(m) if n.split("_")[0] in ("uxValueLabel", "uxValueCtrl") and callable(getattr(m, n))
                 and not n.endswith(("swigregister", "swiginit"))]
        self.assertEqual(len(names), 29 + 15)
        takes = {"OnMessage": (tovgui.tUX_Message(m.UX_MSG_TICK_EVENT),), "OnMidiCC": (0, 0, 0, 0),
                 "SetValue": (1,), "SetTextValue": ("x",), "SetMinMax": (1.0, 2.0), "SetEnumValue": (1, "x"),
                 "SetScaleFactor": (1.0,), "Select": (True,), "Inverse": (True,), "SetFormular": (None,),
                 "setEnableMidiCC": (True,), "EncoderStep": (True,), "SetLabelText": ("x",), "SetEnabled": (True,),
                 "SetActive": (True,), "SetIntValue": (1,), "SetFloatValue": (1.0,), "SetFloatRawValue": (1.0,),
                 "set2nd": (True,), "setGrayedText": ("x",), "setConvertFunction": (None,), "convert": (1.0,),
                 "SetEnumRef": (peer.new_choices(),), "AddEnumText": ("x",), "SetEncoderMode": (1,),
                 "getEnumText": (0,), "getEnumAttr": (0,), "setEncoderNotifications": (1,),
                 "setEncoderFactor": (1.0, "x")}
        try:
            for name in names:
                cls, method = name.split("_", 1)
                with self.subTest(name):
                    with self.assertRaises(ValueError) as e:
                        getattr(m, name)(None, *takes.get(method, ()))
                    self.assertEqual(str(e.exception), f"invalid null reference in method '{name}', argument 1 of "
                                                       f"type '{cls} *'")
        finally:
            peer.delete_choices(takes["SetEnumRef"][0])
        for name, make in (("uxValueLabel_OnMessage", label), ("uxValueCtrl_OnMessage",
                                                               lambda: control(m.uxValueCtrl_val))):
            with self.subTest(name):
                with self.assertRaises(ValueError) as e:
                    getattr(m, name)(make(), None)
                self.assertEqual(str(e.exception), f"invalid null reference in method '{name}', argument 2 of type "
                                                   "'tUX_Message *'")
        for name in ("delete_uxValueLabel", "delete_uxValueCtrl"):
            self.assertIsNone(getattr(m, name)(None))

    def test_none_as_a_text_that_is_kept(self):
        lbl, ctrl = label(), control(m.uxValueCtrl_text)
        m.uxValueLabel_AddEnumText(lbl, "kept")
        cases = [  # function, arguments, argument number, type
            (m.uxValueLabel_setGrayedText, (lbl, None), 2, "char *"),
            (m.uxValueLabel_setEncoderFactor, (lbl, 2.0, None), 3, "char *"),
            (m.uxValueLabel_AddEnumText, (lbl, None), 2, "char *"),
            (m.uxValueLabel_AddEnumText, (lbl, None, 1), 2, "char *"),
            (m.uxValueLabel_SetEnumRef, (lbl, None), 2, "vector< tEnumItem > *"),
            (m.uxValueCtrl_SetTextValue, (ctrl, None), 2, "char *"),
        ]
        for function, args, number, kind in cases:
            with self.subTest(function.__name__, count=len(args)):
                with self.assertRaises(ValueError) as e:
                    function(*args)
                self.assertEqual(str(e.exception), f"invalid null reference in method '{function.__name__}', "
                                                   f"argument {number} of type '{kind}'")
        self.assertEqual((m.uxValueLabel_getEnumText(lbl, 0), m.uxValueLabel_getEnumText(lbl, 1)), ("kept", ""))
        # None as the value text changes nothing, and reports nothing.
        m.uxValueLabel_SetTextValue(lbl, "12")
        for args in ((None,), (None, 7)):
            self.assertEqual(reported(lambda: m.uxValueLabel_SetTextValue(lbl, *args)), "")
        self.assertEqual(m.uxValueLabel_getText(lbl), "12")
        with self.assertRaises(TypeError) as e:
            m.uxValueLabel_setEncoderFactor(lbl, 2.0, 5)
        self.assertEqual(str(e.exception), "in method 'uxValueLabel_setEncoderFactor', argument 3 of type 'char *'")


if __name__ == "__main__":
    unittest.main()
