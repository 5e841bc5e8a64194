"""Callbacks scripts derive from: what reaches the script's methods, the base bodies, who owns
a callback once a holder has it, and what becomes of a callback's error."""

import sys
import unittest

import _tovgui as m
import tovgui

from binding_support import c_stdout, c_text, run_python


class Frames(tovgui.CANDevCB):
    def __init__(self):
        super().__init__()
        self.calls = []

    def MessageReceived(self, can_id, data, length):
        self.calls.append((can_id, data, length))


class Messages(tovgui.GUIManagerCB):
    def __init__(self):
        super().__init__()
        self.seen = []

    def MessageReceived(self, msg):
        self.seen.append((msg.type, msg.param, msg.m_x, msg.m_y, msg.m_evt_type, msg.thisown))


class Failing(tovgui.CANDevCB):
    def MessageReceived(self, can_id, data, length):
        raise KeyError(can_id)


class FailingMessages(tovgui.GUIManagerCB):
    def __init__(self):
        super().__init__()
        self.fail = True
        self.types = []

    def MessageReceived(self, msg):
        self.types.append(msg.type)
        if self.fail:
            raise KeyError(msg.type)


class CallingTheBase(tovgui.CANDevCB):
    def MessageReceived(self, can_id, data, length):
        tovgui.CANDevCB.MessageReceived(self, can_id, data, length)


NOT_IMPLEMENTED = "Not implemented: CANDevCB.MessageReceived()\n"


class ScriptMethods(unittest.TestCase):
    def test_a_frame_reaches_the_override_with_id_data_and_length(self):
        dev, cb = tovgui.CCANDev(), Frames()
        dev.registerCallback(cb)
        dev.OnCanMessage(0x123, None, 3)
        dev.OnCanMessage(65535, None, 0)
        self.assertEqual(cb.calls, [(0x123, None, 3), (65535, None, 0)])
        dev.registerCallback(None)
        dev.OnCanMessage(1, None, 1)
        self.assertEqual(len(cb.calls), 2, "None removes the callback")

    def test_base_bodies_print_once_and_never_recurse(self):
        plain, calling_base, overrides_one = tovgui.CANDevCB(), CallingTheBase(), Frames()
        cases = [
            (lambda: m.CCANDev_OnCanMessage(self.dev, 1, None, 0), plain, NOT_IMPLEMENTED),
            (lambda: m.CCANDev_OnCanMessage(self.dev, 1, None, 0), calling_base, NOT_IMPLEMENTED),
            # The flat function on the served instance is the base call a method makes.
            (lambda: m.CANDevCB_MessageReceived(overrides_one, 0x123, None, 3), None, NOT_IMPLEMENTED),
            (lambda: m.CANDevCB_run(overrides_one, 1), None, "Not implemented: CANDevCB.run()\n"),
            (lambda: tovgui.GUIManagerCB().run(2), None, "Not implemented: GUIManagerCB.run()\n"),
            (lambda: tovgui.GUIManagerCB().MessageReceived(tovgui.tUX_Message(1)), None,
             "Not implemented: GUIManagerCB.MessageReceived()\n"),
        ]
        self.dev = tovgui.CCANDev()
        for call, registered, line in cases:
            with self.subTest(line=line, registered=type(registered).__name__):
                self.dev.registerCallback(registered)
                with c_stdout() as out:
                    call()
                self.assertEqual(c_text(out), line)
        self.assertEqual(overrides_one.calls, [], "the base call does not reach the override")

    def test_run_is_looked_up_by_name_at_every_call(self):
        dev, cb, runs = tovgui.CCANDev(), Frames(), []
        dev.registerCallback(cb)
        cb.run = runs.append
        m.CANDevCB_run(dev.m_cb, 7)
        cb.run = lambda n: runs.append(-n)
        m.CANDevCB_run(dev.m_cb, 7)
        self.assertEqual(runs, [7, -7])

    def test_a_manager_message_reaches_the_override_as_a_borrowed_record(self):
        gm, cb = tovgui.GUIManager(None, None), Messages()
        gm.setSendMsgCallback(cb)
        gm.OnTouchEvent(10, 20, m.TYPE_RELEASE)
        gm.SendMessage(tovgui.tUX_Message(m.UX_MSG_FOCUS, 2, 0))
        self.assertEqual(cb.seen, [(256, 0, 10, 20, 2, False), (259, 2, 0, 0, 0, False)])
        hook = Messages()
        gm.setHookSendMsgCallback(hook)
        self.assertEqual(gm.HookSendMessage(tovgui.tUX_Message(m.UX_MSG_KEY, 3, 0)), 0)
        self.assertEqual([s[:2] for s in hook.seen], [(257, 3)])
        self.assertEqual(len(cb.seen), 2, "the hook is a slot of its own")


class Ownership(unittest.TestCase):
    def test_disown_takes_one_reference_however_often_it_is_called(self):
        cb, plain = Frames(), tovgui.CANDevCB()
        before = sys.getrefcount(cb)
        m.disown_CANDevCB(cb)
        m.disown_CANDevCB(cb)
        self.assertEqual(sys.getrefcount(cb), before + 1)
        m.disown_CANDevCB(plain)  # no script object behind it: nothing to take
        gcb = Messages()
        before = sys.getrefcount(gcb)
        m.disown_GUIManagerCB(gcb)
        m.disown_GUIManagerCB(gcb)
        self.assertEqual(sys.getrefcount(gcb), before + 1)
        # Deleting the callback gives the reference back.
        cb.thisown = False
        m.delete_CANDevCB(cb)
        self.assertEqual(sys.getrefcount(cb), before)

    def test_a_callback_stored_through_the_member_belongs_to_the_holder(self):
        dev, gm = tovgui.CCANDev(), tovgui.GUIManager(None, None)
        cb, sent, hooked = Frames(), Messages(), Messages()
        calls, seen, hooks = cb.calls, sent.seen, hooked.seen
        self.assertTrue(cb.thisown)
        dev.m_cb, gm.m_sendmsg_cb, gm.m_hooksendmsg_cb = cb, sent, hooked
        self.assertFalse(cb.thisown or sent.thisown or hooked.thisown)
        del cb, sent, hooked
        dev.OnCanMessage(9, None, 1)
        gm.SendMessage(tovgui.tUX_Message(300))
        gm.HookSendMessage(tovgui.tUX_Message(301))
        self.assertEqual((calls, [s[0] for s in seen], [s[0] for s in hooks]), ([(9, None, 1)], [300], [301]))

    def test_reading_the_member_gives_a_new_proxy_that_reaches_the_override(self):
        dev, gm, cb, gcb = tovgui.CCANDev(), tovgui.GUIManager(None, None), Frames(), Messages()
        dev.registerCallback(cb)
        gm.setSendMsgCallback(gcb)
        for holder, member, kind, own in [(dev, "m_cb", tovgui.CANDevCB, cb),
                                          (gm, "m_sendmsg_cb", tovgui.GUIManagerCB, gcb)]:
            with self.subTest(member):
                got = getattr(holder, member)
                self.assertIs(type(got), kind)
                self.assertIsNot(got, own)
                self.assertFalse(got.thisown)
                self.assertEqual(got.this, own.this)
        # Not the served instance, so no base call: the override runs.
        m.CANDevCB_MessageReceived(dev.m_cb, 0x123, None, 3)
        m.GUIManagerCB_MessageReceived(gm.m_sendmsg_cb, tovgui.tUX_Message(5))
        self.assertEqual(cb.calls, [(0x123, None, 3)])
        self.assertEqual([s[0] for s in gcb.seen], [5])
        self.assertIsNone(gm.m_hooksendmsg_cb)
        dev.m_cb = None
        self.assertIsNone(dev.m_cb)


class Errors(unittest.TestCase):
    def test_an_error_reaches_the_script_call_and_the_next_call_works(self):
        dev, gm, cb, failing, frames = tovgui.CCANDev(), tovgui.GUIManager(None, None), FailingMessages(), Failing(), Frames()
        dev.registerCallback(failing)
        gm.setSendMsgCallback(cb)
        calls = [
            ("CCANDev_OnCanMessage", lambda: m.CCANDev_OnCanMessage(dev, 7, None, 0), 7),
            ("GUIManager_SendMessage", lambda: m.GUIManager_SendMessage(gm, tovgui.tUX_Message(300)), 300),
            ("GUIManager_OnTouchEvent", lambda: m.GUIManager_OnTouchEvent(gm, 1, 2, 1), 256),
            ("CDrvInput_OnTouchEvent", lambda: m.CDrvInput_OnTouchEvent(gm, 1, 2, 1), 256),
            ("GUIManagerCB_MessageReceived",
             lambda: m.GUIManagerCB_MessageReceived(gm.m_sendmsg_cb, tovgui.tUX_Message(301)), 301),
        ]
        for name, call, key in calls:
            with self.subTest(name):
                with self.assertRaises(KeyError) as e:
                    call()
                self.assertEqual(e.exception.args, (key,))
        # A GUI pass: the tick message fails on the pass that sends it.
        gm.doTick()
        for _ in range(4):
            try:
                gm.DoGUI()
            except KeyError as e:
                self.assertEqual(e.args, (m.UX_MSG_TICK_EVENT,))
                break
        else:
            self.fail("no pass sent the tick")
        cb.fail = False
        dev.registerCallback(frames)
        dev.OnCanMessage(1, None, 0)
        self.assertEqual(frames.calls, [(1, None, 0)])
        self.assertEqual(gm.SendMessage(tovgui.tUX_Message(302)), 0)
        self.assertEqual(cb.types[-1], 302)

    def test_a_method_that_cannot_be_called_is_an_error_of_the_call(self):
        dev, cb = tovgui.CCANDev(), Frames()
        cb.MessageReceived = 5
        dev.registerCallback(cb)
        with self.assertRaises(TypeError):
            dev.OnCanMessage(1, None, 0)

    def test_a_subclass_that_skips_the_base_initialiser_cannot_be_registered(self):
        class Uninitialised(tovgui.CANDevCB):
            def __init__(self):
                pass

        with self.assertRaises((TypeError, AttributeError)):
            tovgui.CCANDev().registerCallback(Uninitialised())


if __name__ == "__main__":
    unittest.main()
