"""The lines a careless script writes end in an exception, never in a crash: objects handed to
two containers, objects kept alive only by the script, proxies kept past their objects, and
objects deleted twice. Each case runs in an interpreter of its own, which must end without a
signal (and, under the sanitizer, without a report)."""

import concurrent.futures
import textwrap
import unittest

from binding_support import run_python

PRELUDE = """
import gc, os, sys, tempfile
import _tovgui as m
import tovgui as t
from binding_support import c_stdout, install_stand_ins
ROOT = tempfile.mkdtemp(prefix="tovgui-careless-")
assert install_stand_ins(ROOT) == 0
P = t.uxPOINT(0, 0)
with c_stdout():  # the context's and the manager's start-up lines
    dc = t.uxDC()
    gm = t.GUIManager(dc, None)

def say(*words):
    print(">", *words, flush=True)

def button(g=None):
    return t.uxButton(g or gm, 1, P, 10, 10, 1, 2, 3)

def panel(g=None):
    return t.uxPanelCtrl(g or gm, 1, "p", P, 100, 100, 0x00FF00)

def table():
    return t.uxTableCtrl(gm, 1, "t", P, 100, 100, 3, 0)

def tab():
    return t.uxTabItemCtrl(gm, 1, "tab", 1, 2, None)

def refused(kind, call):
    try:
        call()
    except kind as e:
        say(type(e).__name__ + ":", e)
    else:
        say("taken")

def quiet(call):
    with c_stdout():
        return call()
"""

HELD = "the element is already held by a container"


def deleted(method, cls):
    return f"ReferenceError: in method '{method}', the {cls} was deleted"


class Careless(unittest.TestCase):
    def run_cases(self, cases):
        """Runs each (name, code, expected lines) in its own interpreter, a few at a time."""

        def run(code):
            return run_python(PRELUDE + textwrap.dedent(code) + "\nsay('end')\n", timeout=90)

        with concurrent.futures.ThreadPoolExecutor(4) as pool:
            results = list(pool.map(run, [code for _, code, _ in cases]))
        for (name, _, expected), r in zip(cases, results):
            with self.subTest(name):
                self.assertGreaterEqual(r.returncode, 0, f"ended by signal {-r.returncode}:\n{r.stderr[-3000:]}")
                self.assertNotIn("AddressSanitizer", r.stderr)
                self.assertEqual(r.returncode, 0, r.stderr[-3000:])
                said = [line[2:] for line in r.stdout.splitlines() if line.startswith("> ")]
                self.assertEqual(said, expected + ["end"])

    def test_an_object_handed_to_a_second_container_is_refused(self):
        self.run_cases([
            ("button in two panels", """
                a, c, b = panel(), panel(), button()
                a.AddElement(b)
                refused(ValueError, lambda: c.AddElement(b))
                del a, c, b
            """, [f"ValueError: in method 'uxPanelCtrl_AddElement', {HELD}"]),
            ("row in two tables", """
                t1, t2 = table(), table()
                row = t.uxTableRow(t1, 0, 0, 20)
                t1.addRow(row)
                refused(ValueError, lambda: t2.addRow(row))
                refused(ValueError, lambda: t2.AddElement(row))
                del t1, row
                t2.OnPaint()
            """, [f"ValueError: in method 'uxTableCtrl_addRow', {HELD}",
                  f"ValueError: in method 'uxPanelCtrl_AddElement', {HELD}"]),
            ("column in a row, then a panel", """
                row = t.uxTableRow(table(), 0, 0, 20)
                b = button()
                row.addColumn(b)
                refused(ValueError, lambda: panel().AddElement(b))
            """, [f"ValueError: in method 'uxPanelCtrl_AddElement', {HELD}"]),
            ("panel in a tab, then a panel", """
                tb, p = tab(), panel()
                tb.AddPanel(p)
                refused(ValueError, lambda: panel().AddElement(p))
            """, [f"ValueError: in method 'uxPanelCtrl_AddElement', {HELD}"]),
            ("panel in a panel, then a tab", """
                outer, p = panel(), panel()
                outer.AddElement(p)
                refused(ValueError, lambda: tab().AddPanel(p))
            """, [f"ValueError: in method 'uxTabItemCtrl_AddPanel', {HELD}"]),
            ("element of the manager, then a panel", """
                b = button()
                gm.AddElement(b)
                refused(ValueError, lambda: panel().AddElement(b))
                refused(ValueError, lambda: gm.AddElement(b))
            """, [f"ValueError: in method 'uxPanelCtrl_AddElement', {HELD}",
                  f"ValueError: in method 'GUIManager_AddElement', {HELD}"]),
            ("container put inside what it holds", """
                outer, inner = panel(), panel()
                outer.AddElement(inner)
                refused(ValueError, lambda: inner.AddElement(outer))
            """, ["ValueError: in method 'uxPanelCtrl_AddElement', the element is the container or holds it"]),
            ("held element deleted by the script", """
                a, b = panel(), button()
                a.AddElement(b)
                refused(ValueError, lambda: m.delete_uxButton(b))
                del a
                refused(ReferenceError, b.OnPaint)
            """, ["ValueError: in method 'delete_uxButton', the element is held by a container, which deletes it",
                  deleted("uxButton_OnPaint", "uxButton")]),
        ])

    def test_what_the_manager_points_to_lives_as_long_as_it_does(self):
        self.run_cases([
            ("manager on a temporary context, then a paint", """
                g = quiet(lambda: t.GUIManager(t.uxDC(), None))
                gc.collect()
                p = panel(g)
                g.InitGUI()
                p.OnPaint()
                g.DoGUI()
                say("painted")
            """, ["painted"]),
            ("temporary element handed to the manager, then DoGUI", """
                gm.AddElement(panel())
                gm.AddElement(t.uxLabel(gm, P, 10, 10, 1, 2, 3, 1))
                gc.collect()
                gm.DoGUI()
                gm.SendMessage(t.tUX_Message(t.UX_MSG_REPAINT))
                say("painted")
            """, ["painted"]),
            ("callbacks dropped after they were set", """
                class Told(t.GUIManagerCB):
                    def __init__(self, word):
                        super().__init__()
                        self.word = word
                    def MessageReceived(self, msg):
                        say(self.word, msg.type)
                gm.setSendMsgCallback(Told("sent"))
                gm.setHookSendMsgCallback(Told("hooked"))
                gc.collect()
                gm.SendMessage(t.tUX_Message(300))
                gm.HookSendMessage(t.tUX_Message(301))
                gm.setSendMsgCallback(None)
                gm.SendMessage(t.tUX_Message(302))
            """, ["sent 300", "hooked 301"]),
            ("manager and context dropped before the widgets", """
                b, p = button(), panel()
                p.AddElement(button())
                del gm, dc
                gc.collect()
                b.OnPaint()
                p.OnPaint()
                b.OnMessage(t.tUX_Message(t.UX_MSG_REPAINT))
                b.getGUIManager().DoGUI()
                say("painted")
            """, ["painted"]),
            ("manager deleted before the widgets", """
                b = button()
                m.delete_GUIManager(gm)
                b.OnPaint()
                b.getGUIManager().DoGUI()
                refused(ReferenceError, gm.DoGUI)
                del b
                refused(ReferenceError, gm.DoGUI)
            """, [deleted("GUIManager_DoGUI", "GUIManager"), deleted("GUIManager_DoGUI", "GUIManager")]),
            ("context deleted before its manager", """
                b = button()
                m.delete_uxDC(dc)
                b.OnPaint()
                gm.InitGUI()
                refused(ReferenceError, lambda: dc.FillScreen(0))
            """, [deleted("uxDC_FillScreen", "uxDC")]),
            ("CAN device deleted before its manager", """
                dev = t.CCANDev()
                g = t.GUIManager(None, dev)
                m.delete_CCANDev(dev)
                g.sendPanelEnum(1, 2, 3)
                refused(ReferenceError, lambda: dev.SendMessage(1, 2, 3, 4, 5))
                del g
            """, [deleted("CCANDev_SendMessage", "CCANDev")]),
            ("manager dropped while the script keeps an element handed to it", """
                p, b = panel(), button()
                gm.AddElement(p)
                p.AddElement(b)
                del gm, dc
                gc.collect()
                p.OnPaint()
                b.OnPaint()
                p.getGUIManager().DoGUI()
                say("painted")
            """, ["painted"]),
            ("list control whose item element and icon were dropped", """
                lst = t.uxLISTCtrl(gm, 1, 0, 0, 100, 1, 2)
                lst.AddItem(7, "item", t.tImage(), button())
                gc.collect()
                lst.OnPaint()
                lst.OnMessage(t.tUX_Message(t.UX_MSG_REPAINT))
                say("painted")
            """, ["painted"]),
        ])

    def test_proxies_outlive_what_their_containers_delete(self):
        self.run_cases([
            ("widget after its panel is deleted, cleared or deleted by name", """
                for end in (lambda p: None, lambda p: p.Clear(), m.delete_uxPanelCtrl):
                    p, b = panel(), button()
                    p.AddElement(b)
                    end(p)
                    del p
                    refused(ReferenceError, b.OnPaint)
            """, [deleted("uxButton_OnPaint", "uxButton")] * 3),
            ("tab after its tab control", """
                tabs, tb = t.uxTabCtrl(gm, 1, "T", P, 800, 40, 1, 2, 3, 9), tab()
                tabs.AddTabItem(tb)
                del tabs
                refused(ReferenceError, tb.getTabName)
            """, [deleted("uxTabItemCtrl_getTabName", "uxTabItemCtrl")]),
            ("row after its table, column after its row", """
                tb = table()
                row = t.uxTableRow(tb, 0, 0, 20)
                row.addColumn(button())
                tb.addRow(row)
                column = row.getColumn(0)
                tb.Clear()
                refused(ReferenceError, row.getHeight)
                refused(ReferenceError, column.OnPaint)
                refused(ReferenceError, lambda: tb.repaintRow(row))
            """, [deleted("uxTableRow_getHeight", "uxTableRow"), deleted("uxBaseElement_OnPaint", "uxBaseElement"),
                  deleted("uxTableCtrl_repaintRow", "uxTableRow")]),
            ("list item's element after the element", """
                item, b = t.tListItem(), button()
                item.pElemt = b
                m.delete_uxButton(b)
                say(item.pElemt)
            """, ["None"]),
            ("rectangle and text views after their element", """
                b, kb = button(), t.uxKeyboardCtrl(gm, P, 400, 240, 1, 2)
                rect, name, text = b.getClientRect(), b.getName(), kb.getText()
                del b, kb
                refused(ReferenceError, lambda: rect.width)
                refused(ReferenceError, lambda: rect.move(1, 1))
                other = t.uxKeyboardCtrl(gm, P, 400, 240, 1, 2)
                refused(ValueError, lambda: other.setText(text))
                refused(ValueError, lambda: other.setText(name))
            """, [deleted("uxRECT_width_get", "uxRECT"), deleted("uxRECT_move", "uxRECT"),
                  *["ValueError: invalid null reference in method 'uxKeyboardCtrl_setText', argument 2 of type "
                    "'std::string &'"] * 2]),
        ])

    def test_deleting_clears_the_proxy(self):
        self.run_cases([
            ("widget deleted twice, then used", """
                b = button()
                m.delete_uxButton(b)
                m.delete_uxBaseElement(b)
                refused(ReferenceError, b.OnPaint)
                refused(ReferenceError, lambda: panel().AddElement(b))
                del b
            """, [deleted("uxButton_OnPaint", "uxButton"), deleted("uxPanelCtrl_AddElement", "uxButton")]),
            ("record deleted twice, then used", """
                r = t.uxRECT(1, 2, 3, 4)
                m.delete_uxRECT(r)
                m.delete_uxRECT(r)
                refused(ReferenceError, lambda: r.width)
                refused(ReferenceError, lambda: setattr(r, "left", 5))
                raw = m.new_tUX_Message(1)
                m.delete_tUX_Message(raw)
                refused(ReferenceError, lambda: m.tUX_Message_type_get(raw))
            """, [deleted("uxRECT_width_get", "uxRECT"), deleted("uxRECT_left_set", "uxRECT"),
                  deleted("tUX_Message_type_get", "tUX_Message")]),
            ("context and manager deleted twice", """
                m.delete_GUIManager(gm)
                m.delete_GUIManager(gm)
                m.delete_uxDC(dc)
                m.delete_uxDC(dc)
                refused(ReferenceError, lambda: dc.Init())
            """, [deleted("uxDC_Init", "uxDC")]),
        ])

    def test_allocated_pixels_go_with_their_record(self):
        self.run_cases([
            ("records released with and without freeImage", """
                img = dc.allocImage(t.uxRECT(0, 0, 4, 4), "freed")
                dc.freeImage(img)
                del img
                kept = dc.allocImage(t.uxRECT(0, 0, 4, 4), "kept")
                twin = t.tImage()
                twin.data, twin.width, twin.height = kept.data, 4, 4
                del twin  # not the record that owns the pixels
                dc.BeginPaint(0, 0, 4, 4)
                dc.DrawImage(0, 0, kept)
                dc.EndPaint()
                dropped = dc.allocImage(t.uxRECT(0, 0, 4, 4), "dropped")
                copy = t.tImage()
                copy.data, copy.width, copy.height = dropped.data, 4, 4
                del dropped
                refused(ValueError, lambda: dc.DrawImage(0, 0, copy))
            """, ["ValueError: in method 'uxDC_DrawImage', argument 4: the image's pixels are freed or smaller than "
                  "its size"]),
        ])


if __name__ == "__main__":
    unittest.main()
