"""The CAN device from scripts on a virtual bus with a Python peer: the frames the manager
and the device send, frames handed to a script's callback on the receive thread under the
interpreter lock, errors there, closing while frames arrive, and the receive loop run by the
script itself."""

import ctypes
import os
import socket
import struct
import sys
import tempfile
import threading
import time
import unittest

import _tovgui as m
import tovgui

from binding_support import (VirtualBus, assert_no_growth, can_frame, install_stand_ins, live_c_stdout, no_frame,
                             read_frame, run_python)

ROOT = BUS = None
# Holds the interpreter lock for the whole native call, unlike ctypes.CDLL.
_locked_libc = ctypes.PyDLL(None)


def setUpModule():
    global ROOT, BUS
    ROOT = tempfile.TemporaryDirectory()
    can_dir = os.path.join(ROOT.name, "can")
    os.mkdir(can_dir)
    if install_stand_ins(ROOT.name, can_dir) != 0:
        raise RuntimeError("no stand-ins")
    BUS = VirtualBus(can_dir)


def tearDownModule():
    if BUS:
        BUS.close()
    ROOT.cleanup()


class Recorder(tovgui.CANDevCB):
    """Keeps (id, bytes, length, thread) of every frame and lets a test wait for a count."""

    def __init__(self):
        super().__init__()
        self.frames = []
        self.arrived = threading.Condition()

    def take(self, can_id, data, length):
        pass

    def MessageReceived(self, can_id, data, length):
        self.take(can_id, data, length)
        with self.arrived:
            self.frames.append((can_id, length, type(data).__name__, threading.get_ident()))
            self.arrived.notify_all()

    def wait(self, count, timeout=5.0):
        with self.arrived:
            self.arrived.wait_for(lambda: len(self.frames) >= count, timeout)
            return list(self.frames)


class OnTheBus(unittest.TestCase):
    def setUp(self):
        self.peer = BUS.peer()
        self.addCleanup(self.peer.close)
        self.dev = tovgui.CCANDev()
        self.assertEqual(self.dev.Open("can0"), 0)
        self.addCleanup(self.dev.Close)
        # Once a frame of the device reaches the peer, both are members of the bus.
        self.dev.SendMessage(0x7FF, 0, 0, 0, 0)
        self.assertEqual(read_frame(self.peer), (0x7FF, b"\0\0\0"))

    def register(self, cb):
        self.dev.registerCallback(cb)
        self.addCleanup(self.dev.registerCallback, None)
        return cb


class Sending(OnTheBus):
    def test_frames_of_the_manager_and_the_device_at_the_peer(self):
        gm = tovgui.GUIManager(None, self.dev)
        cases = [
            (lambda: gm.sendCANFocus(7), [(40, b"\xA1\x07")]),
            (lambda: gm.setPanelMode(2), [(40, b"\xA2\x02")]),
            (lambda: gm.sendPanelEnum(0x30, 1, 2), [(0x30, b"\xB0\x01\x0A\x02")]),
            (lambda: gm.sendPanelFloat(0x31, 1, 2, 1.0), [(0x31, b"\xB0\x01\x02" + struct.pack("<f", 1.0))]),
            (lambda: gm.sendPanelText(0x32, 3, "ABC"), [(0x32, b"\xC0\x03ABC"), (0x32, b"\xC1\x03")]),
            (lambda: gm.sendPanelText(0x32, 4, "ABCDEFGHIJKL"),
             [(0x32, b"\xC0\x04ABCDEF"), (0x32, b"\xC1\x04GHIJKL")]),
            (lambda: gm.sendPanelText(0x32, 5, "ABCDEFGHIJKLMN", True),
             [(0x32, b"\xE0\x05ABCDEF"), (0x32, b"\xE1\x05GHIJKL")]),
            (lambda: gm.sendCANMidiMsg(0x90, 60, 100, 0), [(16, b"\x90\x3C\x64\x00")]),
            (lambda: m.CCANDev_SendMessage(self.dev, 0x28, 0xA0, 1, 5, 6), [(0x28, b"\xA1\x05\x06")]),
            (lambda: m.CCANDev_SendRAW(self.dev, 0x29, None, 9), []),
            (lambda: m.GUIManager_sendRawPanelMsg(gm, 0x2A, None, 0), [(0x2A, b"")]),
        ]
        for send, frames in cases:
            with self.subTest(frames=frames):
                send()
                self.assertEqual([read_frame(self.peer) for _ in frames], frames)
                self.assertTrue(no_frame(self.peer, 0.05))
        self.assertEqual(gm.getPanelMode(), 2)

    def test_a_manager_without_a_device_sends_nothing(self):
        gm = tovgui.GUIManager(None, None)
        gm.setPanelMode(3)
        gm.sendCANFocus(1)
        gm.sendPanelEnum(1, 2, 3)
        gm.sendPanelFloat(1, 2, 3, 4.0)
        gm.sendPanelText(1, 2, "abc", True)
        gm.sendCANMidiMsg(0x90, 1, 2, 3)
        gm.sendRawPanelMsg(1, None, 0)
        self.assertEqual(gm.getPanelMode(), 0)
        self.assertTrue(no_frame(self.peer))

    def test_the_callbacks_data_goes_back_out_and_nine_bytes_send_nothing(self):
        class Echo(Recorder):
            def take(self, can_id, data, length):
                self.pointer = (repr(data), data.own())
                m.CCANDev_SendRAW(dev, 0x51, data, 9)
                m.CCANDev_SendRAW(dev, 0x50, data, length)

        dev = self.dev
        echo = self.register(Echo())
        self.peer.send(can_frame(0x10, b"\x01\x02\x03"))
        self.assertEqual(read_frame(self.peer), (0x50, b"\x01\x02\x03"))
        self.assertTrue(no_frame(self.peer))
        self.assertEqual(echo.wait(1)[0][2], "SwigPyObject")
        # The frame's bytes, borrowed for the call; the pointer's readable type is the
        # byte type itself.
        self.assertRegex(echo.pointer[0], r"^<Swig Object of type 'unsigned char \*' at 0x[0-9a-f]+>$")
        self.assertIs(echo.pointer[1], False)


class Receiving(OnTheBus):
    FRAMES = [
        (0x100, b"\xB0\x00\x01" + struct.pack("<f", 1.0), "ID: 0100 , DLC: 7 , B0 00 01 00 00 80 3F  <1.000000>\n"),
        (0x101, b"\xC0\x02\x05\x07" + struct.pack("<f", 0.5),
         "ID: 0101 , DLC: 8 , C0 02 05 07 00 00 00 3F MX[2] src:5 dst:7 amt:<0.500000>\n"),
        (0x102, b"\x01\x02", "ID: 0102 , DLC: 2 , 01 02 \n"),
    ]

    def send_all(self):
        for can_id, data, _ in self.FRAMES:
            self.peer.send(can_frame(can_id, data))

    def test_one_callback_per_frame_on_the_receive_thread_then_the_trace(self):
        rec = self.register(Recorder())
        with live_c_stdout() as out:
            self.send_all()
            frames = rec.wait(3)
            text = out.wait_for("ID: 0102")
        self.assertEqual([f[:3] for f in frames], [(0x100, 7, "SwigPyObject"), (0x101, 8, "SwigPyObject"),
                                                   (0x102, 2, "SwigPyObject")])
        self.assertNotIn(threading.get_ident(), {f[3] for f in frames})
        self.assertEqual(text, "".join(line for _, _, line in self.FRAMES))

    def test_frames_are_traced_without_the_lock_unless_a_callback_is_registered(self):
        traces = "".join(line for _, _, line in self.FRAMES)
        frames = [can_frame(can_id, data) for can_id, data, _ in self.FRAMES]
        seen = ctypes.create_string_buffer(4096)
        for registered in (None, tovgui.CANDevCB()):
            with self.subTest(registered=type(registered).__name__):
                self.dev.registerCallback(registered)
                with live_c_stdout() as out:
                    fd = os.open(out.path, os.O_RDONLY)
                    self.addCleanup(os.close, fd)
                    # Sent, waited for and read back in native calls that keep the
                    # interpreter lock, with no thread switch between them.
                    saved = sys.getswitchinterval()
                    sys.setswitchinterval(10)
                    try:
                        for f in frames:
                            _locked_libc.send(self.peer.fileno(), f, len(f), 0)
                        _locked_libc.usleep(300000)
                        n = _locked_libc.pread(fd, seen, len(seen) - 1, ctypes.c_long(0))
                    finally:
                        sys.setswitchinterval(saved)
                    after = out.wait_for("ID: 0102")
                while_locked = seen.raw[:n].decode()
                if registered is None:
                    self.assertEqual(while_locked, traces, "no Python ran for these frames")
                else:
                    self.assertEqual(while_locked, "", "the first frame waits for the lock")
                    self.assertEqual(after, "".join("Not implemented: CANDevCB.MessageReceived()\n" + line
                                                    for _, _, line in self.FRAMES))
        self.dev.registerCallback(None)

    def test_other_threads_go_on_while_a_callback_waits(self):
        inside, release = threading.Event(), threading.Event()

        class Waits(Recorder):
            def take(self, can_id, data, length):
                inside.set()
                release.wait(5)

        rec = self.register(Waits())
        self.peer.send(can_frame(1, b"\x01"))
        self.assertTrue(inside.wait(5))
        self.assertEqual(sum(range(100000)), 4999950000)  # Python runs here meanwhile
        release.set()
        self.assertEqual(len(rec.wait(1)), 1)

    def test_an_error_on_the_receive_thread_is_unraisable_and_the_next_frame_arrives(self):
        class FailsFirst(Recorder):
            def take(self, can_id, data, length):
                if can_id == 1:
                    raise KeyError("first")

        rec = self.register(FailsFirst())
        seen = []
        saved, sys.unraisablehook = sys.unraisablehook, seen.append
        try:
            self.peer.send(can_frame(1, b""))
            self.peer.send(can_frame(2, b""))
            frames = rec.wait(1)
        finally:
            sys.unraisablehook = saved
        self.assertEqual([f[0] for f in frames], [2])
        self.assertEqual([(s.exc_type, s.object) for s in seen], [(KeyError, rec)])


class Closing(unittest.TestCase):
    """Closing or deleting waits for the receive thread, whose next frame may be waiting for
    the interpreter lock the closing script holds."""

    def test_close_and_delete_return_promptly_on_a_quiet_bus_and_in_a_flood(self):
        for how in ("Close", "delete"):
            for flood in (False, True):
                with self.subTest(how=how, flood=flood):
                    peer = BUS.peer()
                    self.addCleanup(peer.close)
                    started = threading.Event()

                    class Slow(tovgui.CANDevCB):
                        def MessageReceived(self, can_id, data, length):
                            started.set()
                            time.sleep(0.05)

                    dev, cb = tovgui.CCANDev(), Slow()
                    self.assertEqual(dev.Open("can0"), 0)
                    dev.registerCallback(cb)
                    if flood:
                        dev.SendMessage(0x7FF, 0, 0, 0, 0)
                        read_frame(peer)
                        for i in range(100):
                            peer.send(can_frame(i, b"\x01\x02"))
                        self.assertTrue(started.wait(5))
                    t0 = time.monotonic()
                    if how == "Close":
                        dev.Close()
                    else:
                        m.delete_CCANDev(dev)
                    self.assertLess(time.monotonic() - t0, 1.0)
                    self.assertFalse(dev.m_fRun if how == "Close" else dev.thisown)

    def test_a_callback_may_close_its_own_device(self):
        peer = BUS.peer()
        self.addCleanup(peer.close)
        dev = tovgui.CCANDev()
        self.assertEqual(dev.Open("can0"), 0)

        class ClosesAtOnce(Recorder):
            def take(self, can_id, data, length):
                dev.Close()

        rec = ClosesAtOnce()
        dev.registerCallback(rec)
        dev.SendMessage(0x7FF, 0, 0, 0, 0)
        read_frame(peer)
        peer.send(can_frame(1, b""))
        self.assertEqual(len(rec.wait(1)), 1)
        peer.send(can_frame(2, b""))
        self.assertEqual(len(rec.wait(2, timeout=0.3)), 1, "the loop ended with the callback")
        dev.Close()
        self.assertEqual((dev.m_fRun, dev.m_can_sock), (False, -1))

    def test_leaving_the_process_with_an_open_device_and_a_callback(self):
        for flood in (False, True):
            with self.subTest(flood=flood):
                r = run_python(
                    "import os, socket, threading, tovgui\n"
                    "from binding_support import install_stand_ins, can_frame\n"
                    f"install_stand_ins({ROOT.name!r}, {BUS.directory!r})\n"
                    "peer = socket.socket(socket.AF_UNIX, socket.SOCK_SEQPACKET)\n"
                    f"peer.connect({BUS.path!r})\n"
                    "got = threading.Event()\n"
                    "class Cb(tovgui.CANDevCB):\n"
                    "    def MessageReceived(self, i, d, n): got.set()\n"
                    "dev, cb = tovgui.CCANDev(), Cb()\n"
                    "assert dev.Open('can0') == 0\n"
                    "dev.registerCallback(cb)\n"
                    "def send():\n"
                    "    while True: peer.send(can_frame(1, b'x'))\n"
                    "dev.SendMessage(1, 0, 0, 0, 0); peer.recv(16)\n"
                    + ("threading.Thread(target=send, daemon=True).start()\n" if flood
                       else "peer.send(can_frame(1, b'x'))\n") +
                    "assert got.wait(5)\n"
                    "import sys; sys.stderr.write('leaving\\n')\n", timeout=20)
                self.assertEqual((r.returncode, r.stderr), (0, "leaving\n"))


class ScriptThreadLoop(unittest.TestCase):
    def setUp(self):
        self.dev = tovgui.CCANDev()
        ours, self.peer = socket.socketpair(socket.AF_UNIX, socket.SOCK_SEQPACKET)
        self.addCleanup(self.peer.close)
        self.dev.m_can_sock = ours.detach()  # the device closes it

    def test_the_loop_runs_on_the_calling_thread_until_the_flag_is_cleared(self):
        dev = self.dev

        class StopsAtTwo(Recorder):
            def take(self, can_id, data, length):
                if can_id == 2:
                    dev.m_fRun = False

        rec = StopsAtTwo()
        dev.registerCallback(rec)
        for i in (1, 2, 3):
            self.peer.send(can_frame(i, bytes([i])))
        dev.m_fRun = True
        self.assertIsNone(m.CANThread(dev))
        self.assertEqual([(f[0], f[3]) for f in rec.frames], [(1, threading.get_ident()), (2, threading.get_ident())])
        self.assertFalse(dev.m_fRun)

    def test_an_error_of_the_callback_ends_the_loop_and_reaches_the_script(self):
        class Fails(tovgui.CANDevCB):
            def MessageReceived(self, can_id, data, length):
                raise KeyError(can_id)

        cb = Fails()
        self.dev.registerCallback(cb)
        self.peer.send(can_frame(5, b""))
        self.dev.m_fRun = True
        with self.assertRaises(KeyError) as e:
            m.CANThread(self.dev)
        self.assertEqual(e.exception.args, (5,))
        # The lock was given back: another thread can take it.
        t = threading.Thread(target=lambda: None)
        t.start()
        t.join(5)
        self.assertFalse(t.is_alive())

    def test_anything_but_a_device_is_refused(self):
        cases = [(tovgui.uxRECT(), TypeError, "in method 'CANThread', argument 1 of type 'void *'"),
                 (tovgui.GUIManager(None, None), TypeError, "in method 'CANThread', argument 1 of type 'void *'"),
                 (None, ValueError, "invalid null reference in method 'CANThread', argument 1 of type 'void *'")]
        for arg, exc, text in cases:
            with self.subTest(arg=type(arg).__name__):
                with self.assertRaises(exc) as e:
                    m.CANThread(arg)
                self.assertEqual(str(e.exception), text)


class Opening(unittest.TestCase):
    def test_failures_and_names_of_any_length(self):
        cases = [("can9", -3), ("can0" + "x" * 200, -3), ("", -3), ("../can/can0", -3), ("can0", 0)]
        for name, result in cases:
            with self.subTest(name=name[:20]):
                dev = tovgui.CCANDev()
                self.assertEqual(dev.Open(name), result)
                self.assertEqual(dev.m_fRun, result == 0)
                self.assertEqual(dev.m_can_sock >= 0, result == 0)
                del dev

    def test_devices_never_opened_are_deleted_safely(self):
        for delete in (m.delete_CCANDev, lambda d: d.Close(), lambda d: None):
            dev = tovgui.CCANDev()
            delete(dev)
            del dev

    def test_opening_and_closing_leaks_nothing(self):
        def one_round():
            dev = tovgui.CCANDev()
            dev.Open("can0")
            dev.Close()

        assert_no_growth(one_round, rounds=2000, warmup=200)


if __name__ == "__main__":
    unittest.main()
