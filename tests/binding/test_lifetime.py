"""Objects made and dropped by the thousand leave nothing behind; the test support that shows
it (and the rest of the harness) works."""

import os
import subprocess
import unittest

import _tovgui as m
import tovgui

from binding_support import SANITIZED, assert_no_growth, c_stdout, c_text, run_python


def records_round():
    # Every record form and its members, dropped by refcount or deleted explicitly.
    r = m.new_uxRECT(1, 2, 3, 4)
    m.uxRECT_move(r, 1, 1)
    copy = m.new_uxRECT(r)
    m.delete_uxRECT(copy)
    p = tovgui.uxPOINT(tovgui.uxPOINT(1, 2))
    msg = m.new_tUX_Message(256, 1, 2, 1)
    m.tUX_Message_pData_set(msg, p)
    p.thisown = True  # taken back from the record: the proxy frees it
    m.new_tUX_Message(259, 2, None)
    m.new_tUX_Message()
    e = m.new_tENUM()
    m.tENUM_text_set(e, "a text longer than the small-string buffer")
    m.tENUM_text_set(e, "and another one that replaces the first")
    item = tovgui.tListItem()
    item.item_text = "a text longer than the small-string buffer"
    choice = m.new_tEnumItem()
    m.tEnumItem_text_set(choice, "a text longer than the small-string buffer")
    m.delete_tEnumItem(choice)
    m.new_tStdIconItem()
    m.CTheme_SetNamedColor("lifetime.colour", 1, 2, 3)
    m.CTheme_ColorFromName("lifetime.colour", "widget", "element", 0, True)
    m.CTheme_DeleteNamedColor("lifetime.colour")
    m.CTheme_AppColors_set(m.cvar.CTheme_AppColors)
    tovgui.CTheme()


class _Frames(tovgui.CANDevCB):
    def MessageReceived(self, can_id, data, length):
        self.last = can_id


class _Messages(tovgui.GUIManagerCB):
    def MessageReceived(self, msg):
        if msg.type == 999:
            raise KeyError(msg.type)


def callbacks_round():
    # Callbacks owned by their proxies, or handed to the native side and deleted there;
    # managers and devices with their callbacks, messages and errors.
    dev = tovgui.CCANDev()
    owned, handed = _Frames(), _Frames()
    dev.registerCallback(owned)
    dev.OnCanMessage(1, None, 0)
    dev.m_cb = handed
    m.CANDevCB_MessageReceived(dev.m_cb, 2, None, 0)
    dev.m_cb = None
    m.delete_CANDevCB(handed)
    plain = tovgui.CANDevCB()
    plain.thisown = False
    m.disown_CANDevCB(plain)
    m.delete_CANDevCB(plain)
    gm = tovgui.GUIManager(None, dev)
    sent, hooked = _Messages(), _Messages()
    gm.setSendMsgCallback(sent)
    hooked.thisown = False
    m.disown_GUIManagerCB(hooked)
    gm.setHookSendMsgCallback(hooked)
    gm.SendMessage(tovgui.tUX_Message(300))
    gm.HookSendMessage(tovgui.tUX_Message(301))
    try:
        gm.SendMessage(tovgui.tUX_Message(999))
    except KeyError:
        pass
    gm.doTick()
    gm.DoGUI()
    gm.setHookSendMsgCallback(None)
    m.delete_GUIManagerCB(hooked)
    m.delete_GUIManager(gm)
    tovgui.IGUIManager()
    tovgui.CDrvInput()


class Lifetime(unittest.TestCase):
    def test_callbacks_managers_and_devices_leave_nothing_behind(self):
        assert_no_growth(callbacks_round)

    def test_records_and_theme_leave_nothing_behind(self):
        assert_no_growth(records_round)

    def test_a_record_kept_per_round_trips_the_check(self):
        kept = []
        with self.assertRaises(AssertionError) as e:
            assert_no_growth(lambda: kept.append(m.new_uxRECT()), rounds=20000)
        self.assertIn("Python memory grew", str(e.exception))

    @unittest.skipIf(SANITIZED, "the sanitizer's quarantine makes resident size meaningless")
    def test_a_native_record_leaked_per_round_trips_the_check(self):
        def leak():
            m.new_tUX_Message(1).disown()

        with self.assertRaises(AssertionError) as e:
            assert_no_growth(leak, rounds=40000)
        self.assertIn("resident size grew", str(e.exception))


class Harness(unittest.TestCase):
    def test_c_stdout_collects_native_output_and_restores_the_descriptor(self):
        import ctypes
        libc = ctypes.CDLL(None)
        before = os.fstat(1)
        with c_stdout() as out:
            libc.printf(b"from C %d\n", 42)  # buffered in C stdio until flushed
        self.assertEqual(c_text(out), "from C 42\n")
        after = os.fstat(1)
        self.assertEqual((after.st_dev, after.st_ino), (before.st_dev, before.st_ino))
        with c_stdout() as out:
            pass
        self.assertEqual(c_text(out), "")

    def test_runner_reports_output_status_and_time_out(self):
        r = run_python("import tovgui, sys; print(tovgui.UX_MSG_KEY); sys.exit(3)")
        self.assertEqual((r.returncode, r.stdout), (3, "257\n"))
        with self.assertRaises(subprocess.TimeoutExpired):
            run_python("import time; time.sleep(10)", timeout=0.5)

    @unittest.skipUnless(SANITIZED, "only the sanitizer configuration watches memory")
    def test_sanitizer_sees_the_module(self):
        # Reading a record after deleting it: the runtime must be loaded and the module built with it.
        r = run_python("import _tovgui as m\n"
                       "r = m.new_uxRECT(1, 2, 3, 4)\n"
                       "m.delete_uxRECT(r)\n"
                       "m.uxRECT_width_get(r)\n")
        self.assertNotEqual(r.returncode, 0)
        self.assertIn("heap-use-after-free", r.stderr)
        self.assertIn("_wrap_uxRECT_width_get", r.stderr)


if __name__ == "__main__":
    unittest.main()
