"""The module as a whole: what importing it does, its constants and global variables, its
function table and the stand-in door for tests."""

import ctypes
import math
import os
import sys
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
        self.assertEqual(len(CONSTANTS), 125)
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


# The registered classes in the order of the function table.
CLASSES = ("CTheme IGUIManager CDrvInput CCANDev CANDevCB tUX_Message uxBaseElement uxFONT uxPOINT uxRECT tImage uxDC "
           "uxButton uxBarCtrl uxGridCtrl tStdIconItem uxPanelCtrl uxGroup uxImage uxImageButton uxKeyboardCtrl uxLabel "
           "tListItem uxLISTCtrl uxMessageBox uxPeakMeter uxPopup uxPopupMsg uxPopupPB uxPopupValue uxSelectCtrl "
           "uxTabCtrl uxTabItemCtrl uxTableCtrl uxTableRow uxTextBox tENUM uxValueCtrl tEnumItem uxValueLabel "
           "GUIManager GUIManagerCB").split()

# What a pointer argument of a class takes besides the class itself; every other class takes
# only itself.
DERIVED = {
    "uxBaseElement": set("uxValueLabel uxValueCtrl uxMessageBox uxImageButton uxButton uxSelectCtrl uxTextBox "
                         "uxPeakMeter uxTableRow uxImage uxGroup uxGridCtrl uxTabItemCtrl uxPanelCtrl uxPopupPB "
                         "uxLISTCtrl uxPopup uxPopupValue uxTabCtrl uxBarCtrl uxKeyboardCtrl uxTableCtrl uxPopupMsg "
                         "uxLabel".split()),
    "uxBarCtrl": {"uxPeakMeter"},
    "uxPanelCtrl": {"uxGroup", "uxKeyboardCtrl", "uxTableCtrl"},
    "uxPopup": {"uxPopupPB", "uxPopupValue", "uxPopupMsg"},
    "CDrvInput": {"GUIManager"},
    "IGUIManager": {"GUIManager"},
}


class _CastInfo(ctypes.Structure):
    pass


class _TypeInfo(ctypes.Structure):
    _fields_ = [("name", ctypes.c_char_p), ("str", ctypes.c_char_p), ("dcast", ctypes.c_void_p),
                ("cast", ctypes.POINTER(_CastInfo)), ("clientdata", ctypes.c_void_p), ("owndata", ctypes.c_int)]


_CastInfo._fields_ = [("type", ctypes.POINTER(_TypeInfo)), ("converter", ctypes.c_void_p),
                      ("next", ctypes.POINTER(_CastInfo)), ("prev", ctypes.POINTER(_CastInfo))]


class _ModuleInfo(ctypes.Structure):
    _fields_ = [("types", ctypes.POINTER(ctypes.POINTER(_TypeInfo))), ("size", ctypes.c_size_t),
                ("next", ctypes.c_void_p), ("type_initial", ctypes.c_void_p), ("cast_initial", ctypes.c_void_p),
                ("clientdata", ctypes.c_void_p)]


def accepted_classes():
    """For every registered class, the classes its pointer arguments take, read from the type
    records the module shares through its runtime capsule: a pointer converts to a type only
    when that type's cast list names the pointer's type."""
    get = ctypes.pythonapi.PyCapsule_GetPointer
    get.restype, get.argtypes = ctypes.c_void_p, [ctypes.py_object, ctypes.c_char_p]
    module = _ModuleInfo.from_address(get(sys.modules["swig_runtime_data4"].type_pointer_capsule,
                                          b"swig_runtime_data4.type_pointer_capsule"))

    def klass(record):  # a registered class's client data starts with its proxy class
        proxy = ctypes.c_void_p.from_address(record.clientdata).value if record.clientdata else None
        return ctypes.cast(record.clientdata, ctypes.POINTER(ctypes.py_object))[0].__name__ if proxy else None

    out = {}
    for i in range(module.size):
        record = module.types[i].contents
        name = klass(record)
        if name is None:
            continue
        taken = out.setdefault(name, set())
        cast = record.cast
        while cast:
            taken.add(klass(cast.contents.type.contents) or cast.contents.type.contents.name.decode())
            cast = cast.contents.next
    return out


class CompleteModule(unittest.TestCase):
    """The module as scripts may rely on it."""

    def test_the_list_of_functions_adds_up(self):
        listed = module_function_names()
        counts = {
            "new_": sum(n.startswith("new_") for n in listed),
            "delete_": sum(n.startswith("delete_") for n in listed),
            "_swigregister": sum(n.endswith("_swigregister") for n in listed),
            "_get/_set": sum(n.endswith(("_get", "_set")) for n in listed),
            "disown_": sum(n.startswith("disown_") for n in listed),
        }
        self.assertEqual(counts, {"new_": 41, "delete_": 42, "_swigregister": 42, "_get/_set": 82, "disown_": 2})
        self.assertEqual(len(listed) - sum(counts.values()) - 1, 325, "methods, CANThread among them")
        self.assertEqual([n[:-len("_swigregister")] for n in listed if n.endswith("_swigregister")], CLASSES)

    def test_every_listed_function_and_only_swigs_additions(self):
        listed = module_function_names()
        built = wrapper_names()
        self.assertEqual(sorted(set(listed) - set(built)), [])
        extras = sorted(set(built) - set(listed))
        constructed = [c for c in CLASSES if f"new_{c}" in listed]
        self.assertEqual(extras, sorted([f"{c}_swiginit" for c in constructed] + ["SWIG_PyStaticMethod_New"]))
        self.assertEqual(len(constructed), 41)
        self.assertEqual(len(built), 577)

    def test_classes_register_in_the_order_of_the_function_table(self):
        registered = [n[:-len("_swigregister")] for n in wrapper_names() if n.endswith("_swigregister")]
        self.assertEqual(registered, CLASSES)
        for name in registered:
            self.assertEqual(getattr(tovgui, name).__name__, name)

    def test_pointer_arguments_take_their_class_and_the_derived_ones(self):
        accepted = accepted_classes()
        self.assertEqual(sorted(accepted), sorted(CLASSES))
        for name in CLASSES:
            with self.subTest(name):
                self.assertEqual(accepted[name], {name} | DERIVED.get(name, set()))
        # Through the functions themselves: a derived class taken, a sibling and a base refused.
        from binding_support import start_gui, stop_gui
        root, _, dc, gm = start_gui("tovgui-module-")
        try:
            pos = tovgui.uxPOINT(0, 0)
            table = _tovgui.new_uxTableCtrl(gm, 1, "t", pos, 100, 100, 3, 0)
            meter = _tovgui.new_uxPeakMeter(gm, 1, 0, 0, 10, 10, 1, 2, 3, 4)
            tab = _tovgui.new_uxTabItemCtrl(gm, 1, "t", 1, 2, None)
            self.assertEqual(_tovgui.uxBaseElement_GetID(tab), -1)
            _tovgui.uxPanelCtrl_SetActive(table, 0)
            _tovgui.uxBarCtrl_setMax(meter, 1.0)
            _tovgui.CDrvInput_close(gm)
            for function, arg, kind in ((_tovgui.uxPanelCtrl_SetActive, tab, "uxPanelCtrl *"),
                                        (_tovgui.uxTableCtrl_getSelection, _tovgui.new_uxGroup(gm, 1, "g", pos, 9, 9),
                                         "uxTableCtrl *"),
                                        (_tovgui.uxPeakMeter_doTick, _tovgui.new_uxBarCtrl(gm, 1, 0, 0, 9, 9, 1, 2, 3),
                                         "uxPeakMeter *")):
                with self.subTest(function.__name__):
                    with self.assertRaises(TypeError) as e:
                        function(arg) if function is not _tovgui.uxPanelCtrl_SetActive else function(arg, 0)
                    self.assertEqual(str(e.exception), f"in method '{function.__name__}', argument 1 of type '{kind}'")
        finally:
            stop_gui(root, dc, gm)


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
