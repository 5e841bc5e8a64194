"""The GUI manager and the touch driver from scripts: the printed notifications, the defaults
of the dispatching functions, popups, the GUI pass with its tick, touch input through a FIFO
and the client log."""

import math
import os
import stat
import tempfile
import threading
import time
import unittest

import _tovgui as m
import tovgui

from binding_support import c_stdout, c_text, input_events, install_stand_ins, live_c_stdout

ROOT = None
EV_SYN, EV_KEY, EV_ABS, BTN_TOUCH = 0, 1, 3, 330


def setUpModule():
    global ROOT
    ROOT = tempfile.TemporaryDirectory()
    if install_stand_ins(ROOT.name) != 0:
        raise RuntimeError("no stand-ins")


def tearDownModule():
    ROOT.cleanup()


def overload_text(name, *prototypes):
    return (f"Wrong number or type of arguments for overloaded function '{name}'.\n"
            "  Possible C/C++ prototypes are:\n" + "".join(f"    {p}\n" for p in prototypes))


class Recorder(tovgui.GUIManagerCB):
    def __init__(self, out=None):
        super().__init__()
        self.messages = []
        self.out = out

    def MessageReceived(self, msg):
        printed = self.out.text() if self.out else ""
        self.messages.append((msg.type, msg.m_x, msg.m_y, msg.m_evt_type, printed))

    def types(self):
        return [t for t, *_ in self.messages]


class Notifications(unittest.TestCase):
    def test_lines_and_results(self):
        gm = tovgui.GUIManager(None, None)
        cases = [
            (lambda: gm.ValueChanged(0x123, 0.5), None, "[ValChgd] (assign) UID:0123,value:0.500000, [Flags: 0006]\n"),
            (lambda: gm.ValueChanged(-1, -2.25, 1), None, "[ValChgd] (assign) UID:FFFFFFFF,value:-2.250000, [Flags: 0001]\n"),
            (lambda: gm.ValueChanged(1, math.inf), None, "[ValChgd] (assign) UID:0001,value:inf, [Flags: 0006]\n"),
            (lambda: gm.ActivatePanel(5), None, "[ActivatePanel] (assign) nr:0005, [arg: FFFFFFFF]\n"),
            (lambda: gm.ActivatePanel(5, 2), None, "[ActivatePanel] (assign) nr:0005, [arg: 0002]\n"),
            (lambda: gm.CANValueNotify(0x44, 2, 99, 1.5), None,
             "[RecvCAN] (value) part:2, UID:0044,val:1.500000, [CANRX ID: 0044]\n"),
            (lambda: gm.CANAssignNotify(0x45, 1, 0, -1), None,
             "[RecvCAN] (assign) part:1, UID:0045,val:-1.000000, [CANRX ID: 0045]\n"),
            (lambda: gm.CANEncoderEvent(0x10, 3), None, "[RecvCAN] (encoder) canID:0010, [Flags: 0003]\n"),
            (lambda: gm.CANKeyEvent(0x11, 0x80), None, "[RecvCAN] (key) canID:0011, [Flags: 0080]\n"),
            (lambda: gm.SettingValueChanged(1, 2.0), None, ""),
            (lambda: gm.spawn(), None, ""),
            (lambda: gm.SetMidiCC(1, 2), None, ""),
            (lambda: gm.OnMidiCC(1, 2, 3, 4), 0, ""),
            (lambda: gm.GetMidiCC(7), 0, ""),
            (lambda: gm.initialLoad(), True, ""),
            (lambda: gm.AddElement(None), None, ""),
        ]
        for call, result, line in cases:
            with self.subTest(line=line or result):
                with c_stdout() as out:
                    got = call()
                self.assertEqual(c_text(out), line)
                self.assertEqual(got, result)
                self.assertIs(type(got), type(result))

    def test_no_popup_shows_in_any_slot_or_outside_them(self):
        gm = tovgui.GUIManager(None, None)
        for kind in (m.popupAny, m.popupValue, m.popupMsg, m.popupDel, m.popupWT, m.popupPB, m.popupSize, -2,
                     2**31 - 1):
            with self.subTest(kind=kind):
                self.assertIs(gm.isPopup(kind), False)
                self.assertIs(gm.isOtherPopup(kind), False)

    def test_the_dispatchers_forms(self):
        gm = tovgui.GUIManager(None, None)
        cases = [
            (m.new_GUIManager, (None,), overload_text(
                "new_GUIManager", "GUIManager::GUIManager(uxDC *,CCANDev *,std::string)",
                "GUIManager::GUIManager(uxDC *,CCANDev *)")),
            (m.GUIManager_InitGUI, (gm, -1), overload_text(
                "GUIManager_InitGUI", "GUIManager::InitGUI(uxCOLOR)", "GUIManager::InitGUI()")),
            (m.GUIManager_ValueChanged, (gm, 1, "0.5"), overload_text(
                "GUIManager_ValueChanged", "GUIManager::ValueChanged(int,float,int)",
                "GUIManager::ValueChanged(int,float)")),
            (m.GUIManager_ValueChanged, (gm, 1, 1e39), None),
            (m.GUIManager_ActivatePanel, (gm,), overload_text(
                "GUIManager_ActivatePanel", "GUIManager::ActivatePanel(int,int)", "GUIManager::ActivatePanel(int)")),
            (m.GUIManager_sendPanelText, (gm, 1, 2, "abc", 1), overload_text(
                "GUIManager_sendPanelText", "GUIManager::sendPanelText(int,int,char const *,bool)",
                "GUIManager::sendPanelText(int,int,char const *)")),
        ]
        for fn, args, text in cases:
            with self.subTest(fn=fn.__name__, args=args):
                with self.assertRaises(NotImplementedError) as e:
                    fn(*args)
                if text is None:  # the same list again, for a value no form takes
                    text = str(e.exception)
                    self.assertIn(f"'{fn.__name__}'", text)
                self.assertEqual(str(e.exception), text)
        # A form taken by count, then refused by the ordinary conversion.
        with self.assertRaises(TypeError) as e:
            m.new_GUIManager(None, None, None)
        self.assertEqual(str(e.exception), "in method 'new_GUIManager', argument 3 of type 'std::string'")


class Construction(unittest.TestCase):
    def test_the_manager_sets_up_the_theme(self):
        m.CTheme_SetNamedColor("Bg", 5)
        gm = tovgui.GUIManager(None, None)
        self.assertEqual(m.CTheme_ColorFromName("Bg"), 0x333333)
        self.assertIsNone(gm.getDC())
        self.assertEqual((gm.m_sendmsg_cb, gm.m_hooksendmsg_cb, gm.getPanelMode()), (None, None, 0))

    def test_bases_are_deleted_through_the_driver_and_stand_alone(self):
        gm, dev = tovgui.GUIManager(None, tovgui.CCANDev()), tovgui.CCANDev()
        m.delete_CDrvInput(gm)
        self.assertFalse(gm.thisown)
        m.delete_IGUIManager(m.new_IGUIManager())
        m.delete_CDrvInput(m.new_CDrvInput())
        del dev


class Touch(unittest.TestCase):
    def setUp(self):
        d = tempfile.TemporaryDirectory()
        self.addCleanup(d.cleanup)
        self.fifo = os.path.join(d.name, "event0")
        os.mkfifo(self.fifo)

    def writer(self):
        fd = os.open(self.fifo, os.O_WRONLY | os.O_NONBLOCK)
        self.addCleanup(os.close, fd)
        return fd

    def test_a_touch_reaches_the_send_callback_then_the_drivers_line(self):
        gm = tovgui.GUIManager(None, None)
        with c_stdout() as out:
            m.CDrvInput_open(gm, self.fifo)
        self.assertEqual(c_text(out), 'Input device name: "Unknown"\nSupported events:\n')
        fd = self.writer()
        with live_c_stdout() as out:
            cb = Recorder(out)
            gm.setSendMsgCallback(cb)
            os.write(fd, input_events((EV_ABS, 0, 500), (EV_ABS, 1, 1000), (EV_KEY, BTN_TOUCH, 1), (EV_SYN, 0, 0)))
            for _ in range(4):
                gm.DoGUI()
            os.write(fd, input_events((EV_KEY, BTN_TOUCH, 0), (EV_SYN, 0, 0)))
            for _ in range(4):
                gm.DoGUI()
            text = out.text()
        self.assertEqual(cb.messages, [(256, 190, 235, m.TYPE_PRESS, ""),
                                       (256, 190, 235, m.TYPE_RELEASE, "[TOUCH] press x:190, y:235\n")])
        self.assertEqual(text, "[TOUCH] press x:190, y:235\n[TOUCH] release x:190, y:235\n")

    def test_a_touch_callbacks_error_reaches_the_gui_pass_and_later_reports_still_arrive(self):
        class FailsFirst(Recorder):
            def MessageReceived(self, msg):
                super().MessageReceived(msg)
                if len(self.messages) == 1:
                    raise KeyError("first")

        gm, cb = tovgui.GUIManager(None, None), FailsFirst()
        gm.setSendMsgCallback(cb)
        with c_stdout():
            m.CDrvInput_open(gm, self.fifo)
            os.write(self.writer(), input_events((EV_ABS, 0, 500), (EV_ABS, 1, 1000), (EV_KEY, BTN_TOUCH, 1),
                                                 (EV_SYN, 0, 0), (EV_KEY, BTN_TOUCH, 0), (EV_SYN, 0, 0)))
            errors = 0
            for _ in range(8):
                try:
                    gm.DoGUI()
                except KeyError:
                    errors += 1
        self.assertEqual(errors, 1)
        self.assertEqual([t[3] for t in cb.messages], [m.TYPE_PRESS, m.TYPE_RELEASE])

    def test_the_plain_drivers_own_lines(self):
        drv = tovgui.CDrvInput()
        for kind, line in [(1, "[TOUCH] press x:3, y:-4\n"), (2, "[TOUCH] release x:3, y:-4\n"),
                           (0, "[TOUCH] move x:3, y:-4\n"), (7, "")]:
            with self.subTest(kind=kind):
                with c_stdout() as out:
                    drv.OnTouchEvent(3, -4, kind)
                    drv.OnEncoder(1, True)
                    drv.OnKey(2, False)
                    drv.DoService()  # nothing opened: nothing read
                    drv.close()
                self.assertEqual(c_text(out), line)

    def test_init_opens_the_touch_device_at_the_given_path_and_announces_values(self):
        gm, cb = tovgui.GUIManager(None, None, self.fifo), Recorder()
        gm.setSendMsgCallback(cb)
        # Like every wrapper but closing a device, InitGUI keeps the interpreter lock
        # through its wait: a Python thread gets nothing done meanwhile.
        ticks, stop = [0], threading.Event()

        def count():
            while not stop.is_set():
                ticks[0] += 1
                time.sleep(0.005)

        counter = threading.Thread(target=count)
        counter.start()
        try:
            with c_stdout():
                before = ticks[0]
                gm.InitGUI()
                during = ticks[0] - before
        finally:
            stop.set()
            counter.join()
        self.assertLess(during, 5)
        self.assertEqual(cb.types(), [m.UX_MSG_VALUES_CHANGED])
        os.write(self.writer(), input_events((EV_ABS, 0, 25), (EV_ABS, 1, 21), (EV_KEY, BTN_TOUCH, 1), (EV_SYN, 0, 0)))
        with c_stdout():
            for _ in range(4):
                gm.DoGUI()
        self.assertEqual(cb.messages[1][:4], (256, 0, 0, m.TYPE_PRESS))


class Ticks(unittest.TestCase):
    def test_34_ticks_arm_one_tick_message_sent_on_a_pass_in_four(self):
        gm, cb = tovgui.GUIManager(None, None), Recorder()
        gm.setSendMsgCallback(cb)
        for _ in range(34):
            gm.doTick()
        passes = 0
        while not cb.messages and passes < 4:
            gm.DoGUI()
            passes += 1
        self.assertEqual(cb.types(), [m.UX_MSG_TICK_EVENT])
        for _ in range(8):
            gm.DoGUI()
        self.assertEqual(len(cb.messages), 1, "34 ticks arm once")
        gm.doTick()
        passes = 0
        while len(cb.messages) == 1 and passes < 8:
            gm.DoGUI()
            passes += 1
        self.assertEqual((passes, cb.types()), (4, [m.UX_MSG_TICK_EVENT] * 2))


class ClientLog(unittest.TestCase):
    def test_lines_are_appended_when_the_folder_exists_and_nothing_fails_without_it(self):
        gm = tovgui.GUIManager(None, None)
        folder = os.path.join(ROOT.name, "var/lib/ruv/working")
        log = os.path.join(folder, "logClient.txt")
        gm.LoggerText("before the folder")
        self.assertFalse(os.path.exists(folder))
        os.makedirs(folder)
        gm.LoggerText("one")
        gm.LoggerText("%s%n %d")
        gm.LoggerText(None)
        with open(log, encoding="utf-8") as f:
            self.assertEqual(f.read(), "MESSAGE <one>\nMESSAGE <%s%n %d>\n")
        self.assertTrue(stat.S_ISREG(os.stat(log).st_mode))


if __name__ == "__main__":
    unittest.main()
