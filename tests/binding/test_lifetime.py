"""Objects made and dropped by the thousand leave nothing behind; the test support that shows
it (and the rest of the harness) works."""

import os
import shutil
import subprocess
import tempfile
import unittest

import _tovgui as m
import tovgui

from binding_support import SANITIZED, assert_no_growth, c_stdout, c_text, fixture_png, install_stand_ins, run_python

ROOT = GM = DC = None


def setUpModule():
    # Contexts open a memory framebuffer; pictures come from the image folder under ROOT.
    global ROOT, GM, DC
    ROOT = tempfile.mkdtemp(prefix="tovgui-lifetime-")
    if install_stand_ins(ROOT) != 0:
        raise RuntimeError("no memory framebuffer")
    os.makedirs(os.path.join(ROOT, "usr/share/ruv/gui"))
    for name, seed in (("leak.png", 0), ("leak-two.png", 1)):
        with open(os.path.join(ROOT, "usr/share/ruv/gui", name), "wb") as f:
            f.write(fixture_png("rgba", 16, 8, seed)[0])
    DC = m.new_uxDC()
    with c_stdout():
        GM = m.new_GUIManager(DC, None)


def tearDownModule():
    m.delete_GUIManager(GM)
    m.delete_uxDC(DC)
    shutil.rmtree(ROOT)


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


LONG_NAME = "a name longer than the small-string buffer"


def images_round():
    # A context with pictures loaded, found again by name and missing; images made, filled,
    # drawn, refused and freed; font records and sizes. Dropped by refcount or deleted.
    dc = m.new_uxDC()
    m.uxDC_loadImage(dc, "leak.png")
    m.uxDC_loadImage(dc, "leak-two.png", os.path.join(ROOT, "usr/share/ruv/gui/"))
    m.uxDC_loadImage(dc, "leak.png")
    m.uxDC_loadImage(dc, "missing.png")
    ref = m.new_tImage()
    m.uxDC_getImageRef(dc, 1, ref)
    area = m.new_uxRECT(0, 0, 16, 8)
    img = m.uxDC_allocImage(DC, area, LONG_NAME)
    m.uxDC_BeginPaint(DC, 0, 0, 16, 8)
    m.uxDC_DrawImage(DC, 0, 0, ref)
    m.uxDC_GetImage(DC, area, img)
    m.uxDC_DrawImage(DC, 0, 0, img, 1, 4)
    m.uxDC_EndPaint(DC)
    m.uxDC_freeImage(DC, img)
    for refused in (lambda: m.uxDC_freeImage(dc, ref), lambda: m.uxDC_getImageRef(dc, 5, ref),
                    lambda: m.uxDC_allocImage(dc, m.new_uxRECT(0, 0, 65535, 65535), LONG_NAME)):
        try:
            refused()
        except (ValueError, IndexError, MemoryError):
            pass
    font = m.uxDC_FontSelect(dc, 3)
    m.uxFONT_fontsize_set(font, m.uxDC_getFontSize(dc, m.FONT_SELECTED))
    m.uxFONT_fontsize_get(font)
    m.delete_uxFONT(m.new_uxFONT())
    named = tovgui.tImage()
    named.name = LONG_NAME
    m.delete_uxDC(m.new_uxDC())


def widgets_round():
    w = m.new_uxImage(GM, m.new_uxPOINT(0, 0), "leak.png")
    m.uxImage_addImage(w, "leak-two.png")
    m.uxImage_addImage(w, "missing.png")
    m.uxImage_showImage(w, 1)
    m.uxImage_OnMessage(w, m.new_tUX_Message(m.UX_MSG_REPAINT))
    m.uxImage_OnPaint(w)
    m.delete_uxImage(w)
    tovgui.uxImage(GM, tovgui.uxPOINT(5, 5), "missing.png", ROOT + "/")


def opened_context_round():
    dc = tovgui.uxDC()
    dc.Init()
    dc.Test()


class Lifetime(unittest.TestCase):
    def test_contexts_images_and_fonts_leave_nothing_behind(self):
        assert_no_growth(images_round)

    def test_image_widgets_leave_nothing_behind(self):
        assert_no_growth(widgets_round)

    def test_contexts_with_a_display_leave_nothing_behind(self):
        # Each holds two screen-sized layers: a few hundred rounds show a leak.
        with c_stdout():
            assert_no_growth(opened_context_round, rounds=300, warmup=30)

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
