"""The module as a whole: what importing it does, its constants and global variables, its
function table and the stand-in door for tests."""

import ctypes
import math
import os
import tempfile
import unittest

import _tovgui
import tovgui

from binding_support import module_function_names, run_python, wrapper_names

# In the order scripts see them: (name, value, type).
CONSTANTS = [
    ("PATH_IMAGES", "/usr/share/ruv/gui/", str), ("TWO_PI", 6.283185307179586, float),
    ("PI", 3.141592653589793, float), ("LOG_10", 2.302585093, float), ("CORE_GUI", 0, int),
    ("DEVICE_PX415", 1, int), ("DEVICE_TYPE_STRING", "TGUI", str), ("SOFTWARE_VERSION", "0.9", str),
    ("SOFTWARE_RELEASE", "Beta", str),
    ("TYPE_PRESS", 1, int), ("TYPE_MOVE", 0, int), ("TYPE_RELEASE", 2, int),
] + [(n, 256 + i, int) for i, n in enumerate(
    "UX_MSG_TOUCH_EVENT UX_MSG_KEY UX_MSG_ENCODER UX_MSG_FOCUS UX_MSG_POPUP_SHOW UX_MSG_POPUP_HIDE "
    "UX_MSG_VALUES_CHANGED UX_MSG_TAB_SELECT UX_MSG_LIST_SELECT UX_MSG_PANEL_CTRL UX_MSG_ON_BUTTON "
    "UX_MSG_OFF_BUTTON UX_MSG_TABLE_ITEM_SEL UX_MSG_ACTIVATE_MODUL UX_MSG_CLOSE_PANEL UX_MSG_ON_LABEL "
    "UX_MSG_TICK_EVENT EN_MSG_SET_VALUE UX_MSG_ENCODER_EVENT UX_MSG_ENCODER_VALUE_CHANGED "
    "UX_MSG_ASSIGN_DESTINATION UX_MSG_ASSIGN_SOURCE UX_MSG_REPAINT UX_MSG_PART_CHANGED UX_MSG_BPM_QN_TICK".split())
] + [(n, 1 + i, int) for i, n in enumerate(
    "UX_PARAM_ENTER UX_PARAM_BACK UX_PARAM_ESC UX_PARAM_INC UX_PARAM_DEC UX_PARAM_MENU UX_PARAM_STORE "
    "UX_PARAM_SELECT".split())
] + [
    ("UX_NOTIFY_REPAINT", 0, int), ("UX_NOTIFY_ENTER", 1, int), ("UX_NOTIFY_LEAVE", 2, int),
    ("UX_NOTIFY_DESELECT", 3, int), ("UX_NOTIFY_SELECT", 4, int), ("UX_NOTIFY_HIDE", -1, int),
    ("EXCLUSIVE_REGION", True, bool), ("FONT_SELECTED", -1, int),
    ("ButtonBackgroundColor", 0, int), ("ButtonBoundingColor", 1, int), ("ButtonCheckColor", 2, int),
    ("ButtonTextColor", 3, int), ("ButtonSelectColor", 4, int),
    ("BtnModeToggle", 0, int), ("BtnModeGridToggle", 1, int), ("BtnModeSelectable", 2, int),
    ("uxBarCtrl_LeftRight", 0, int), ("uxBarCtrl_RightLeft", 1, int), ("uxBarCtrl_BottomUp", 2, int),
    ("uxBarCtrl_TopDown", 3, int), ("uxBarCtrl_verticalBipolar", 4, int),
    ("uxBarCtrl_horicontalBipolar", 5, int), ("uxBarCtrl_horicontalBipolarMarker", 6, int),
    ("CAPTION_HEIGHT", 40, int), ("OPTION_FLAG_CAPTION", 1, int), ("OPTION_FLAG_CLOSE", 2, int),
    ("AVERAGE_BUF", 32, int), ("uxPeakMeter_LeftRight", 0, int), ("uxPeakMeter_RightLeft", 1, int),
    ("uxPeakMeter_BottomUp", 2, int), ("uxPeakMeter_TopDown", 3, int), ("uxPeakMeter_verticalBipolar", 4, int),
    ("uxPeakMeter_horicontalBipolar", 5, int),
    ("WT_FACT", 2, int), ("WT_FACT2", 3, int), ("WT_INTERLEAVE", 5, int), ("WT_POS_X", 160, int),
    ("WT_POS_Y", 34, int), ("WT_WIDTH", 280, int), ("WT_HEIGHT", 24, int),
    ("uxTableCtrl_Drag", 0, int), ("uxTableCtrl_Radio", 1, int), ("uxTableCtrl_Set", 2, int),
    ("uxTableCtrl_Toggle", 3, int), ("uxTableCtrl_RadioToggle", 4, int), ("uxTableCtrl_touchonly", 0, int),
    ("uxTableCtrl_touch_datawheel", 1, int), ("STRETCH_VAL", 8, int), ("SLIDER_WIDTH", 10, int),
    ("MAX_ENUMS", 9, int), ("FMT_LEN", 32, int), ("NAME_LEN", 32, int), ("TEXT_LEN", 32, int),
    ("uxValueCtrl_enumerator", 0, int), ("uxValueCtrl_val", 1, int), ("uxValueCtrl_bar", 2, int),
    ("uxValueCtrl_text", 3, int), ("uxValueCtrl_val_float", 4, int),
    ("STATE_MIDI_NONE", 0, int), ("STATE_MIDI_CC_LEARN", 1, int), ("STATE_MIDI_CC_ASSIGNED", 2, int),
    ("FLAG_NONE", 0, int), ("FLAG_REPAINT", 1, int), ("FLAG_UPDATE_DS", 2, int),
    ("FLAG_UPDATE_ENGINE_IM", 4, int), ("FLAG_UPDATE_ENGINE", 8, int), ("FLAG_SEND_CAN", 16, int),
    ("uxValueLabel_state_released", 0, int), ("uxValueLabel_state_rising", 1, int),
    ("uxValueLabel_state_pressed", 2, int), ("uxValueLabel_state_2nd", 3, int),
    ("PROG_NAME_SIZE", 14, int),
    ("popupValue", 0, int), ("popupMsg", 1, int), ("popupDel", 2, int), ("popupWT", 3, int),
    ("popupPB", 4, int), ("popupSize", 5, int), ("popupAny", -1, int),
    ("TOUCH_SCREEN_SAVE", 1, int),
]

MAP_TEXT = "in variable 'CTheme::AppColors' of type 'map< std::string,uxCOLOR >'"


class Import(unittest.TestCase):
    def test_import_publishes_the_runtime_capsule_and_opens_nothing(self):
        # A fresh interpreter, so the import itself is what is measured.
        r = run_python(
            "import os, sys\n"
            "def fds():\n"
            "    out = {}\n"
            "    for f in os.listdir('/proc/self/fd'):\n"
            "        try: out[f] = os.readlink('/proc/self/fd/' + f)\n"
            "        except OSError: pass  # the listing's own descriptor, closed by now\n"
            "    return out\n"
            "before, tasks = fds(), len(os.listdir('/proc/self/task'))\n"
            "import tovgui\n"
            "after = fds()\n"
            "print(sorted(v for f, v in after.items() if before.get(f) != v))\n"
            "print(len(os.listdir('/proc/self/task')) - tasks)\n"
            "print(type(sys.modules['swig_runtime_data4'].type_pointer_capsule).__name__)\n")
        self.assertEqual(r.returncode, 0, r.stderr)
        self.assertEqual(r.stdout.splitlines(), ["[]", "0", "PyCapsule"])

    def test_proxy_module_and_extension_are_built_side_by_side(self):
        self.assertEqual(os.path.dirname(tovgui.__file__), os.path.dirname(_tovgui.__file__))
        self.assertIs(tovgui._tovgui, _tovgui)


class Constants(unittest.TestCase):
    def test_constants_in_order_with_value_and_type(self):
        names = [n for n, v in vars(_tovgui).items()
                 if not callable(v) and not n.startswith("__") and n != "cvar"]
        self.assertEqual(names, [n for n, _, _ in CONSTANTS])
        for name, value, kind in CONSTANTS:
            with self.subTest(name):
                got = getattr(_tovgui, name)
                self.assertIs(type(got), kind)
                self.assertEqual(got, value)
                self.assertEqual(getattr(tovgui, name), value)
        self.assertIs(_tovgui.EXCLUSIVE_REGION, True)
        self.assertNotEqual(_tovgui.LOG_10, math.log(10), "ten digits, not the full-precision value")

    def test_cvar_follows_the_module_constants(self):
        names = [n for n, v in vars(_tovgui).items() if not callable(v) or n == "cvar"]
        names = [n for n in names if not n.startswith("__")]
        self.assertEqual(names[names.index("SOFTWARE_RELEASE") + 1], "cvar")

    def test_global_variable_object(self):
        cvar = _tovgui.cvar
        self.assertEqual(type(cvar).__name__, "swigvarlink")
        self.assertEqual(repr(cvar), "<Swig global variables>")
        self.assertEqual(str(cvar), "(CTheme_AppColors)")
        for action in (lambda: cvar.x, lambda: setattr(cvar, "x", 1)):
            with self.assertRaises(AttributeError) as e:
                action()
            self.assertEqual(str(e.exception), "Unknown C global variable 'x'")
        cases = [(1, TypeError, MAP_TEXT), (_tovgui.new_uxRECT(), TypeError, MAP_TEXT),
                 (None, ValueError, "invalid null reference " + MAP_TEXT)]
        for value, exc, text in cases:
            with self.subTest(value=value):
                with self.assertRaises(exc) as e:
                    cvar.CTheme_AppColors = value
                self.assertEqual(str(e.exception), text)
                with self.assertRaises(exc):
                    _tovgui.CTheme_AppColors_set(value)


class WrappedPointers(unittest.TestCase):
    def test_repr_equality_and_ownership(self):
        a, b = _tovgui.cvar.CTheme_AppColors, _tovgui.cvar.CTheme_AppColors
        self.assertIsNot(a, b)
        self.assertEqual(type(a).__name__, "SwigPyObject")
        self.assertTrue(a == b and not a != b, "two reads are the same map")
        self.assertFalse(a.own(), "a pointer to the theme's table does not own it")
        # The readable name is the type with its typedefs resolved.
        self.assertRegex(repr(a), r"^<Swig Object of type 'map< std::string,unsigned int > \*' at 0x[0-9a-f]+>$")
        with self.assertRaises(TypeError):
            a < b  # noqa: B015 (only == and != compare)

        r, s = tovgui.uxRECT(), tovgui.uxRECT()
        self.assertTrue(r.thisown)
        self.assertTrue(r.this != s.this and not r.this == s.this)
        self.assertRegex(repr(r.this), r"^<Swig Object of type 'tag_uxRECT \*' at 0x[0-9a-f]+>$")
        self.assertIsNone(_tovgui.delete_uxRECT(r))
        self.assertFalse(r.thisown, "the proxy must not delete it again")

    def test_owned_flag_methods(self):
        p = _tovgui.new_uxPOINT()
        self.assertTrue(p.own())
        p.disown()
        self.assertFalse(p.own())
        p.acquire()
        self.assertTrue(p.own())
        self.assertTrue(p.own(False), "own(flag) returns the flag it replaces")
        self.assertFalse(p.own())
        p.own(True)
        self.assertTrue(p.own())


class Inventory(unittest.TestCase):
    def test_every_function_is_in_the_list_but_swigs_own_additions(self):
        listed = module_function_names()
        self.assertEqual(len(listed), 535)
        self.assertEqual(len(set(listed)), 535)
        built = wrapper_names()
        extras = sorted(n for n in built if n not in set(listed))
        self.assertEqual([n for n in extras if not n.endswith("_swiginit")], ["SWIG_PyStaticMethod_New"])
        self.assertIn("SWIG_PyInstanceMethod_New", built)
        # SWIG_PyInstanceMethod_New takes one object; every other function a tuple.
        self.assertEqual(_tovgui.SWIG_PyInstanceMethod_New(len).__func__, len)
        # Each class gets its _swiginit beside its _swigregister.
        for n in extras:
            if n.endswith("_swiginit"):
                self.assertIn(n[:-len("_swiginit")] + "_swigregister", built)

    def test_a_wrapped_class_has_every_function_listed_for_it(self):
        listed, built = module_function_names(), set(wrapper_names())
        classes = sorted((n[:-len("_swigregister")] for n in listed if n.endswith("_swigregister")), key=len,
                         reverse=True)

        def owner(name):
            for c in classes:  # the longest name first: tUX_Message before a class "tUX"
                if name in (f"new_{c}", f"delete_{c}", f"disown_{c}") or name.startswith(c + "_"):
                    return c
            return None

        wrapped = {c for c in classes if c + "_swigregister" in built}
        self.assertTrue({"uxDC", "tImage", "uxFONT", "uxImage", "GUIManager"} <= wrapped)
        self.assertEqual([n for n in listed if owner(n) in wrapped and n not in built], [])

    def test_functions_take_positional_arguments_and_have_no_doc(self):
        for name in wrapper_names():
            with self.subTest(name):
                self.assertIsNone(getattr(_tovgui, name).__doc__)
        with self.assertRaises(TypeError) as e:
            _tovgui.CTheme_ColorFromRGB(1, 2)
        self.assertEqual(str(e.exception), "CTheme_ColorFromRGB expected 3 arguments, got 2")
        with self.assertRaises(TypeError):
            _tovgui.CTheme_ColorFromRGB(red=1, green=2, blue=3)


class StandIns(unittest.TestCase):
    def test_the_door_is_a_c_function_outside_the_python_table(self):
        self.assertFalse(hasattr(_tovgui, "tovgui_install_stand_ins"))
        self.assertTrue(hasattr(ctypes.CDLL(_tovgui.__file__), "tovgui_install_stand_ins"))
        with tempfile.TemporaryDirectory() as root:
            screen, unreachable = os.path.join(root, "screen"), os.path.join(root, "no", "screen")
            # In a fresh interpreter: stand-ins stay for the life of the process.
            r = run_python("from binding_support import install_stand_ins\n"
                           f"print(install_stand_ins({root!r}, None, {screen!r}))\n"
                           f"print(install_stand_ins({root!r}, None, {unreachable!r}))\n")
            self.assertEqual(r.returncode, 0, r.stderr)
            self.assertEqual(r.stdout.split(), ["0", "-1"])
            # The shared screen has the display's format: 800 x 480, four bytes a pixel.
            self.assertEqual(os.path.getsize(screen), 800 * 480 * 4)


if __name__ == "__main__":
    unittest.main()
