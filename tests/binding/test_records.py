"""The toolkit's plain records from scripts: the message forms, the rectangle's operations,
what the pointer members do to ownership, and None given as the record."""

import unittest

import _tovgui as m
import tovgui

MEMBERS = ("type", "param", "flag", "arg", "pData", "m_x", "m_y", "m_evt_type")


def message(msg):
    return {k: getattr(m, f"tUX_Message_{k}_get")(msg) for k in MEMBERS}


def rect(r):
    return tuple(getattr(m, f"uxRECT_{k}_get")(r) for k in ("left", "top", "right", "bottom", "width", "height"))


class Message(unittest.TestCase):
    def test_each_form_sets_its_members_and_the_trial_order_prefers_pointers(self):
        base = dict.fromkeys(MEMBERS, 0) | {"pData": None}
        cases = [
            ((), {}),
            ((m.UX_MSG_KEY,), {"type": 257}),
            ((m.UX_MSG_TOUCH_EVENT, 10, 20, m.TYPE_PRESS), {"type": 256, "m_x": 10, "m_y": 20, "m_evt_type": 1}),
            # a third argument of None or a pointer takes (int,int,void *); an int, (int,int,int)
            ((m.UX_MSG_FOCUS, 2, None), {"type": 259, "param": 2}),
            ((m.UX_MSG_FOCUS, 2, 5), {"type": 259, "param": 2, "flag": 5}),
            ((m.UX_MSG_FOCUS, 2, None, 7), {"type": 259, "param": 2, "flag": 7}),
            ((m.UX_MSG_FOCUS, 2, 7, None), {"type": 259, "param": 2, "flag": 7}),
            # ints are stored as their 32-bit pattern
            ((m.UX_MSG_FOCUS, m.UX_NOTIFY_HIDE, 0), {"type": 259, "param": 4294967295}),
            ((-1,), {"type": 4294967295}),
        ]
        for args, expected in cases:
            with self.subTest(args=args):
                self.assertEqual(message(m.new_tUX_Message(*args)), base | expected)

    def test_pointer_forms_keep_the_pointer_and_leave_its_owner(self):
        r = tovgui.uxRECT()
        for args in ((259, 2, r), (259, 2, r, 7), (259, 2, 7, r)):
            with self.subTest(len(args)):
                msg = m.new_tUX_Message(*args)
                self.assertEqual(m.tUX_Message_pData_get(msg), r.this)
                self.assertTrue(r.thisown, "the constructor leaves the passed proxy's ownership alone")

    def test_pointer_member_setter_takes_the_object_from_its_proxy(self):
        msg, r = m.new_tUX_Message(1), tovgui.uxRECT()
        self.assertIsNone(m.tUX_Message_pData_set(msg, r))
        self.assertFalse(r.thisown)
        data = m.tUX_Message_pData_get(msg)
        self.assertEqual(data, r.this)
        self.assertFalse(data.own())
        self.assertEqual(repr(data)[:34], "<Swig Object of type 'void *' at 0")
        m.tUX_Message_pData_set(msg, None)
        self.assertIsNone(m.tUX_Message_pData_get(msg))
        r.thisown = True  # the test's own clean-up

    def test_unsigned_members_range(self):
        msg = m.new_tUX_Message(1)
        m.tUX_Message_param_set(msg, 4294967295)
        self.assertEqual(m.tUX_Message_param_get(msg), 4294967295)
        with self.assertRaises(OverflowError):
            m.tUX_Message_param_set(msg, -1)
        self.assertEqual(m.tUX_Message_param_get(msg), 4294967295)


class Rectangle(unittest.TestCase):
    def test_operations_keep_width_and_height_as_the_table_says(self):
        r = m.new_uxRECT(10, 20, 110, 70)
        steps = [
            (None, (10, 20, 110, 70, 100, 50)),
            (lambda: m.uxRECT_move(r, 5, -5), (15, 15, 115, 65, 100, 50)),
            (lambda: m.uxRECT_size(r, 30, 40), (15, 15, 45, 55, 30, 40)),
            (lambda: m.uxRECT_setWidth(r, -5), (15, 15, 10, 55, -5, 40)),
            (lambda: m.uxRECT_setHeight(r, 0), (15, 15, 10, 15, -5, 0)),
            (lambda: m.uxRECT_width_set(r, 7), (15, 15, 10, 15, 7, 0)),
        ]
        for step, expected in steps:
            if step:
                self.assertIsNone(step())
            self.assertEqual(rect(r), expected)

    def test_copies_work_width_and_height_out_from_the_corners(self):
        r = m.new_uxRECT(10, 20, 110, 70)
        m.uxRECT_width_set(r, 7)
        m.uxRECT_height_set(r, 9)
        c = m.new_uxRECT(r)
        self.assertEqual(rect(c), (10, 20, 110, 70, 100, 50))
        self.assertEqual(rect(r), (10, 20, 110, 70, 7, 9), "the original is left as it was")
        self.assertTrue(c.own())
        self.assertEqual(rect(m.new_uxRECT()), (0,) * 6)

    def test_points(self):
        p = m.new_uxPOINT(3, -4)
        q = m.new_uxPOINT(p)
        m.uxPOINT_x_set(p, 9)
        self.assertEqual((m.uxPOINT_x_get(q), m.uxPOINT_y_get(q)), (3, -4))
        self.assertEqual((m.uxPOINT_x_get(m.new_uxPOINT()), m.uxPOINT_y_get(m.new_uxPOINT())), (0, 0))


class SmallRecords(unittest.TestCase):
    def test_new_records_start_empty(self):
        cases = [
            (m.new_tListItem(), {"item_text": "", "pIcon": None, "userdata": 0, "pElemt": None}, "tListItem"),
            (m.new_tEnumItem(), {"text": "", "attr": 0}, "tEnumItem"),
            (m.new_tENUM(), {"val": 0, "text": None}, "tENUM"),
            (m.new_tStdIconItem(), {"index": 0, "indexGreyed": 0}, "tStdIconItem"),
        ]
        for obj, members, cls in cases:
            with self.subTest(cls):
                self.assertEqual({k: getattr(m, f"{cls}_{k}_get")(obj) for k in members}, members)

    def test_enumeration_text_is_copied(self):
        e = m.new_tENUM()
        text = "abc"
        m.tENUM_text_set(e, text)
        self.assertEqual(m.tENUM_text_get(e), "abc")
        m.tENUM_text_set(e, "longer than before")
        self.assertEqual(m.tENUM_text_get(e), "longer than before")
        m.tENUM_text_set(e, None)
        self.assertIsNone(m.tENUM_text_get(e))

    def test_string_members_copy_and_keep_their_text(self):
        item, choice = m.new_tListItem(), m.new_tEnumItem()
        m.tListItem_item_text_set(item, "Saw")
        m.tEnumItem_text_set(choice, "On")
        m.tEnumItem_attr_set(choice, 5)
        self.assertEqual((m.tListItem_item_text_get(item), m.tEnumItem_text_get(choice),
                          m.tEnumItem_attr_get(choice)), ("Saw", "On", 5))

    def test_proxy_classes_read_and_write_the_same_members(self):
        r = tovgui.uxRECT(1, 2, 3, 4)
        r.left = 0
        self.assertEqual((r.left, r.width), (0, 2))
        msg = tovgui.tUX_Message(m.UX_MSG_FOCUS, 2, 5)
        self.assertEqual((msg.type, msg.param, msg.flag), (259, 2, 5))
        e = tovgui.tENUM()
        e.text = "x"
        self.assertEqual(e.text, "x")


RECORD_MEMBERS = {
    "tUX_Message": MEMBERS, "uxPOINT": ("x", "y"), "uxRECT": ("left", "top", "right", "bottom", "width", "height"),
    "tListItem": ("item_text", "pIcon", "userdata", "pElemt"), "tEnumItem": ("text", "attr"),
    "tENUM": ("val", "text"), "tStdIconItem": ("index", "indexGreyed"),
}
# A value each setter takes.
VALUES = {"pData": None, "pIcon": None, "pElemt": None, "item_text": "x", "text": "x"}


class NoneAsTheRecord(unittest.TestCase):
    def test_getters_and_rectangle_operations_refuse_none(self):
        calls = [(f"{c}_{k}_get", ()) for c, ks in RECORD_MEMBERS.items() for k in ks]
        calls += [("uxRECT_move", (1, 2)), ("uxRECT_size", (1, 2)), ("uxRECT_setWidth", (1,)),
                  ("uxRECT_setHeight", (1,))]
        for name, args in calls:
            with self.subTest(name):
                with self.assertRaises(ValueError) as e:
                    getattr(m, name)(None, *args)
                self.assertRegex(str(e.exception), rf"^invalid null reference in method '{name}', argument 1 of type ")

    def test_setters_with_none_do_nothing_but_the_enumeration_text(self):
        for cls, members in RECORD_MEMBERS.items():
            for member in members:
                name = f"{cls}_{member}_set"
                with self.subTest(name):
                    if name == "tENUM_text_set":
                        with self.assertRaises(ValueError) as e:
                            m.tENUM_text_set(None, "abc")
                        self.assertEqual(str(e.exception), "invalid null reference in method 'tENUM_text_set', "
                                         "argument 1 of type 'tagENUM *'")
                    else:
                        self.assertIsNone(getattr(m, name)(None, VALUES.get(member, 1)))

    def test_deleting_none_deletes_nothing(self):
        for cls in RECORD_MEMBERS:
            with self.subTest(cls):
                self.assertIsNone(getattr(m, f"delete_{cls}")(None))


if __name__ == "__main__":
    unittest.main()
