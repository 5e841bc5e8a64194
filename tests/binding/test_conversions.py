"""How Python values become the toolkit's argument types and back, the texts of a refusal,
and the prototype lists of a failed overload dispatch."""

import math
import unittest

import _tovgui as m
import tovgui

from binding_support import c_stdout, c_text


def overload_text(name, *prototypes):
    return (f"Wrong number or type of arguments for overloaded function '{name}'.\n"
            "  Possible C/C++ prototypes are:\n" + "".join(f"    {p}\n" for p in prototypes))


MESSAGE_FORMS = overload_text(
    "new_tUX_Message", "tagUX_Message::tagUX_Message(int)", "tagUX_Message::tagUX_Message(int,int,void *)",
    "tagUX_Message::tagUX_Message(int,int,void *,int)", "tagUX_Message::tagUX_Message(int,int,int)",
    "tagUX_Message::tagUX_Message(int,int,int,int)", "tagUX_Message::tagUX_Message(int,int,int,void *)",
    "tagUX_Message::tagUX_Message()")
RECT_FORMS = overload_text(
    "new_uxRECT", "tag_uxRECT::tag_uxRECT(tag_uxRECT const &)",
    "tag_uxRECT::tag_uxRECT(int32_t,int32_t,int32_t,int32_t)", "tag_uxRECT::tag_uxRECT()")
POINT_FORMS = overload_text(
    "new_uxPOINT", "tag_uxPOINT::tag_uxPOINT(tag_uxPOINT const &)", "tag_uxPOINT::tag_uxPOINT(int32_t,int32_t)",
    "tag_uxPOINT::tag_uxPOINT()")
SET_COLOUR_FORMS = overload_text(
    "CTheme_SetNamedColor", "CTheme::SetNamedColor(std::string,uxCOLOR)",
    "CTheme::SetNamedColor(std::string,uint8_t,uint8_t,uint8_t)")
LOOKUP_FORMS = overload_text(
    "CTheme_ColorFromName", "CTheme::ColorFromName(std::string,std::string,std::string,uxCOLOR,bool)",
    "CTheme::ColorFromName(std::string,std::string,std::string,uxCOLOR)",
    "CTheme::ColorFromName(std::string,std::string,std::string)", "CTheme::ColorFromName(std::string,std::string)",
    "CTheme::ColorFromName(std::string)")


VALUE_CHANGED_FORMS = overload_text(
    "GUIManager_ValueChanged", "GUIManager::ValueChanged(int,float,int)", "GUIManager::ValueChanged(int,float)")


def arg_text(function, n, type_):
    return f"in method '{function}', argument {n} of type '{type_}'"


class Refusals(unittest.TestCase):
    def test_each_parameter_type_refuses_with_its_exception_and_text(self):
        msg, rect, enum, item = m.new_tUX_Message(1), m.new_uxRECT(), m.new_tENUM(), m.new_tListItem()
        gm, dev = tovgui.GUIManager(None, None), tovgui.CCANDev()
        rgb, setting = "CTheme_ColorFromRGB", "GUIManager_SettingValueChanged"
        cases = [
            # float: finite values within single range; ints that fit a double
            (m.GUIManager_SettingValueChanged, (gm, 1, 1e39), OverflowError, arg_text(setting, 3, "float")),
            (m.GUIManager_SettingValueChanged, (gm, 1, -1e39), OverflowError, arg_text(setting, 3, "float")),
            (m.GUIManager_SettingValueChanged, (gm, 1, 10**400), TypeError, arg_text(setting, 3, "float")),
            (m.GUIManager_SettingValueChanged, (gm, 1, "1"), TypeError, arg_text(setting, 3, "float")),
            (m.GUIManager_sendPanelFloat, (gm, 1, 2, 3, None), TypeError,
             arg_text("GUIManager_sendPanelFloat", 5, "float")),
            # in a dispatcher the range is part of the fit
            (m.GUIManager_ValueChanged, (gm, 1, 1e39), NotImplementedError, VALUE_CHANGED_FORMS),
            # the application objects' own parameter types
            (m.GUIManager_isPopup, (gm, "x"), TypeError, arg_text("GUIManager_isPopup", 2, "ePopupType")),
            (m.GUIManager_isPopup, (gm, 2**31), OverflowError, arg_text("GUIManager_isPopup", 2, "ePopupType")),
            (m.CCANDev_SendMessage, (dev, 70000, 0, 0, 0, 0), OverflowError,
             arg_text("CCANDev_SendMessage", 2, "uint16_t")),
            (m.GUIManager_sendCANMidiMsg, (gm, 1, 256, 0, 0), OverflowError,
             arg_text("GUIManager_sendCANMidiMsg", 3, "uint8_t")),
            (m.CDrvInput_OnKey, (gm, 1, 1), TypeError, arg_text("CDrvInput_OnKey", 3, "bool")),
            (m.CCANDev_SendRAW, (dev, 1, rect, 1), TypeError, arg_text("CCANDev_SendRAW", 3, "uint8_t *")),
            (m.GUIManager_setSendMsgCallback, (gm, tovgui.CANDevCB()), TypeError,
             arg_text("GUIManager_setSendMsgCallback", 2, "GUIManagerCB *")),
            (m.new_GUIManager, (rect, None), NotImplementedError, overload_text(
                "new_GUIManager", "GUIManager::GUIManager(uxDC *,CCANDev *,std::string)",
                "GUIManager::GUIManager(uxDC *,CCANDev *)")),
            # uint8_t: 0 .. 255, ints only
            (m.CTheme_ColorFromRGB, (256, 0, 0), OverflowError, arg_text(rgb, 1, "uint8_t")),
            (m.CTheme_ColorFromRGB, (0, -1, 0), OverflowError, arg_text(rgb, 2, "uint8_t")),
            (m.CTheme_ColorFromRGB, (0, 0, 1.5), TypeError, arg_text(rgb, 3, "uint8_t")),
            (m.CTheme_ColorFromRGB, (0, 0, "1"), TypeError, arg_text(rgb, 3, "uint8_t")),
            (m.tENUM_val_set, (enum, 256), OverflowError, arg_text("tENUM_val_set", 2, "uint8_t")),
            # uint32_t: 0 .. 4294967295
            (m.tUX_Message_param_set, (msg, -1), OverflowError, arg_text("tUX_Message_param_set", 2, "uint32_t")),
            (m.tUX_Message_arg_set, (msg, 2**32), OverflowError, arg_text("tUX_Message_arg_set", 2, "uint32_t")),
            (m.tEnumItem_attr_set, (m.new_tEnumItem(), None), TypeError, arg_text("tEnumItem_attr_set", 2, "uint32_t")),
            # int32_t and int: the 32-bit range; a float is no int; huge ints overflow
            (m.tUX_Message_m_x_set, (msg, 2**31), OverflowError, arg_text("tUX_Message_m_x_set", 2, "int32_t")),
            (m.tUX_Message_m_y_set, (msg, -2**31 - 1), OverflowError, arg_text("tUX_Message_m_y_set", 2, "int32_t")),
            (m.uxRECT_move, (rect, 10**400, 0), OverflowError, arg_text("uxRECT_move", 2, "int")),
            (m.uxRECT_move, (rect, 0, 1.0), TypeError, arg_text("uxRECT_move", 3, "int")),
            (m.tListItem_userdata_set, (item, "1"), TypeError, arg_text("tListItem_userdata_set", 2, "int")),
            # text: str or None; bytes are refused
            (m.tENUM_text_set, (enum, b"abc"), TypeError, arg_text("tENUM_text_set", 2, "char const *")),
            (m.tENUM_text_set, (enum, 5), TypeError, arg_text("tENUM_text_set", 2, "char const *")),
            # std::string: str only; by reference None is a null reference
            (m.CTheme_DeleteNamedColor, (None,), TypeError, arg_text("CTheme_DeleteNamedColor", 1, "std::string")),
            (m.CTheme_DeleteNamedColor, (b"Fg",), TypeError, arg_text("CTheme_DeleteNamedColor", 1, "std::string")),
            (m.CTheme_ColorFromName, (None,), TypeError, arg_text("CTheme_ColorFromName", 1, "std::string")),
            (m.tListItem_item_text_set, (item, None), ValueError,
             "invalid null reference " + arg_text("tListItem_item_text_set", 2, "std::string const &")),
            (m.tListItem_item_text_set, (item, 7), TypeError,
             arg_text("tListItem_item_text_set", 2, "std::string const &")),
            (m.tEnumItem_text_set, (m.new_tEnumItem(), None), ValueError,
             "invalid null reference " + arg_text("tEnumItem_text_set", 2, "std::string const &")),
            # pointers: the declared class (or None); void * takes any wrapped pointer
            (m.tListItem_pElemt_set, (item, rect), TypeError, arg_text("tListItem_pElemt_set", 2, "uxBaseElement *")),
            (m.tUX_Message_pData_set, (msg, 5), TypeError, arg_text("tUX_Message_pData_set", 2, "void *")),
            (m.tUX_Message_type_get, (rect,), TypeError, arg_text("tUX_Message_type_get", 1, "tagUX_Message *")),
            # a record by reference: None is a null reference of the chosen form
            (m.new_uxRECT, (None,), ValueError,
             "invalid null reference " + arg_text("new_uxRECT", 1, "tag_uxRECT const &")),
            (m.new_uxPOINT, (None,), ValueError,
             "invalid null reference " + arg_text("new_uxPOINT", 1, "tag_uxPOINT const &")),
            # bool: exactly True or False
            (m.CTheme_ColorFromName, ("Fg", "", "", 0, 1), NotImplementedError, LOOKUP_FORMS),
            (m.CTheme_ColorFromName, ("Fg", "", "", 0, None), NotImplementedError, LOOKUP_FORMS),
            # overloads: a count no form has, or arguments no form takes
            (m.new_tUX_Message, (1, 2), NotImplementedError, MESSAGE_FORMS),
            (m.new_tUX_Message, (1, 2, 3, 4, 5), NotImplementedError, MESSAGE_FORMS),
            (m.new_tUX_Message, ("1",), NotImplementedError, MESSAGE_FORMS),
            (m.new_uxRECT, (1, 2), NotImplementedError, RECT_FORMS),
            (m.new_uxRECT, (m.new_uxPOINT(),), NotImplementedError, RECT_FORMS),
            (m.new_uxRECT, (1, 2, 3, 2**31), NotImplementedError, RECT_FORMS),
            (m.new_uxPOINT, (1, 2, 3), NotImplementedError, POINT_FORMS),
            (m.new_uxPOINT, (1,), NotImplementedError, POINT_FORMS),
            (m.CTheme_SetNamedColor, ("Fg", 1, 2), NotImplementedError, SET_COLOUR_FORMS),
            (m.CTheme_SetNamedColor, ("Fg", -1), NotImplementedError, SET_COLOUR_FORMS),
            (m.CTheme_SetNamedColor, ("Fg", 256, 0, 0), NotImplementedError, SET_COLOUR_FORMS),
            (m.CTheme_ColorFromName, (), NotImplementedError, LOOKUP_FORMS),
            (m.CTheme_ColorFromName, ("a", "b", "c", 0, True, 1), NotImplementedError, LOOKUP_FORMS),
        ]
        for fn, args, exc, text in cases:
            with self.subTest(fn=fn.__name__, args=args):
                with self.assertRaises(exc) as e:
                    fn(*args)
                self.assertIs(type(e.exception), exc)
                self.assertEqual(str(e.exception), text)

    def test_a_refused_call_changes_nothing(self):
        msg = m.new_tUX_Message(1, 2, 3)
        with self.assertRaises(OverflowError):
            m.tUX_Message_param_set(msg, -1)
        self.assertEqual(m.tUX_Message_param_get(msg), 2)
        m.CTheme_SetNamedColor("conv.keep", 5)
        with self.assertRaises(NotImplementedError):
            m.CTheme_SetNamedColor("conv.keep", 1, 2)
        self.assertEqual(m.CTheme_ColorFromName("conv.keep"), 5)


class Accepted(unittest.TestCase):
    def test_values_at_the_edges_of_each_type(self):
        msg, rect, enum, item = m.new_tUX_Message(1), m.new_uxRECT(), m.new_tENUM(), m.new_tListItem()
        # (setter, getter, object, value given, value read back)
        cases = [
            (m.tUX_Message_param_set, m.tUX_Message_param_get, msg, 4294967295, 4294967295),
            (m.tUX_Message_param_set, m.tUX_Message_param_get, msg, 0, 0),
            (m.tUX_Message_m_x_set, m.tUX_Message_m_x_get, msg, -2**31, -2**31),
            (m.tUX_Message_m_y_set, m.tUX_Message_m_y_get, msg, 2**31 - 1, 2**31 - 1),
            (m.tUX_Message_m_evt_type_set, m.tUX_Message_m_evt_type_get, msg, True, 1),  # bool counts as int
            (m.tENUM_val_set, m.tENUM_val_get, enum, 255, 255),
            (m.tENUM_text_set, m.tENUM_text_get, enum, "Grüße", "Grüße"),
            (m.tENUM_text_set, m.tENUM_text_get, enum, None, None),
            (m.tListItem_item_text_set, m.tListItem_item_text_get, item, "", ""),
            (m.tListItem_userdata_set, m.tListItem_userdata_get, item, False, 0),
            (m.uxRECT_width_set, m.uxRECT_width_get, rect, -2**31, -2**31),
        ]
        for setter, getter, obj, given, read in cases:
            with self.subTest(setter=setter.__name__, given=given):
                self.assertIsNone(setter(obj, given))
                got = getter(obj)
                self.assertEqual(got, read)
                self.assertIs(type(got), type(read))

    def test_floats_pass_unchanged_or_rounded_to_single_precision(self):
        gm = tovgui.GUIManager(None, None)
        cases = [(math.inf, "inf"), (-math.inf, "-inf"), (math.nan, "nan"), (1, "1.000000"), (0.1, "0.100000"),
                 (3.4028234663852886e38, "340282346638528859811704183484516925440.000000"),
                 (2**53 + 1, "9007199254740992.000000")]
        for given, shown in cases:
            with self.subTest(given=given):
                with c_stdout() as out:
                    m.GUIManager_CANValueNotify(gm, 1, 2, 3, given)
                self.assertEqual(c_text(out), f"[RecvCAN] (value) part:2, UID:0001,val:{shown}, [CANRX ID: 0001]\n")

    def test_results_have_the_declared_kind(self):
        self.assertEqual(m.CTheme_ColorFromRGB(255, 255, 255), 0xFFFFFF)
        m.CTheme_SetNamedColor("conv.high", 4294967295)
        self.assertEqual(m.CTheme_ColorFromName("conv.high"), 4294967295, "unsigned results are never negative")
        self.assertIs(m.CTheme_ColorFromName("conv.absent", "", "", 7, True), 7)
        self.assertEqual(m.CTheme_ColorFromName("conv.absent", "", "", 7, False), 7)
        self.assertIsNone(m.tListItem_pIcon_get(m.new_tListItem()), "a null pointer reads None")


if __name__ == "__main__":
    unittest.main()
