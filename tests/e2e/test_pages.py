"""The part and arrangement pages in the whole program: synthcore-sim over a data tree written
by the instrument's own writers (a preset that sounds, an arrangement with a program map),
driven by taps on the touch FIFO, panel frames, the MIDI PTY and the host link."""

import os
import re
import shutil
import struct
import time
import unittest

import harness

SIM = os.environ["SYNTHCORE_SIM"]
HUB = os.environ["RUV_CANHUB"]
FIXTURE_TREE = os.environ["E2E_FIXTURE_TREE"]

WORKING = "/var/lib/ruv/working/"
# Screen places (the main tab strip is 40 pixels high; pages below it).
CATEGORY_BUTTON = (330, 290)
PRESET_ROW_1 = (600, 120)
SONG_ROW = [(600, 80), (600, 120)]
SAVE_AS = (70, 200)
KEYBOARD_OK = (748, 415)
# The keyboard's letter keys: row top, first key's left edge, letters, pitch 76, 68 x 50.
KEY_ROWS = [(250, 25, "QWERTZUIOP"), (320, 40, "ASDFGHIJKL"), (390, 55, "YXCVBNM_")]
# The tabs of the main tab strip.
ARRANGER_TAB = (50, 20)
SYNTH_TAB = (235, 20)
MIDI_TAB = (673, 20)


def key_place(letter):
    for top, left, letters in KEY_ROWS:
        if letter in letters:
            return left + 76 * letters.index(letter) + 34, top + 25
    raise ValueError(letter)


class PagesOverTheFixtureTree(unittest.TestCase):

    def setUp(self):
        harness.fixture_tree_on_bus(self, FIXTURE_TREE, HUB)
        self.midi = harness.MidiWriter(self.tree)
        self.addCleanup(self.midi.close)
        self.capture = self.tree.path("/tmp/capture.raw")

    def start(self):
        sim = harness.Sim(SIM, self.tree, capture=self.capture)
        self.addCleanup(sim.stop)
        at = len(self.panel.frames)
        sim.wait_ready()
        self.panel.expect(harness.STARTUP_FRAMES, start=at)
        touch = harness.TouchWriter(self.tree)
        self.addCleanup(touch.close)
        return sim, touch

    def tap(self, touch, place):
        touch.tap(*place)
        # A table's choice is taken by a later GUI tick; give it a few.
        time.sleep(0.3)

    def messages(self):
        try:
            with open(self.tree.path(WORKING + "logClient.txt")) as f:
                return f.read().splitlines()
        except FileNotFoundError:
            return []

    def wait_messages(self, count, line, timeout=10.0):
        deadline = time.monotonic() + timeout
        while self.messages().count(line) < count:
            if time.monotonic() > deadline:
                self.fail("%d x %r not in logClient.txt: %r" % (count, line, self.messages()))
            time.sleep(0.05)

    def panel_send(self, frame):
        self.panel.send(*frame)
        time.sleep(0.2)

    def test_presets_and_arrangements_chosen_on_the_pages(self):
        sim, touch = self.start()
        host = harness.HostClient(sim.host_port)
        self.addCleanup(host.close)

        with self.subTest("the sounding preset chosen by touch"):
            self.tap(touch, SYNTH_TAB)
            self.tap(touch, CATEGORY_BUTTON)
            self.tap(touch, PRESET_ROW_1)  # category "Sound"
            at = len(self.panel.frames)
            self.tap(touch, PRESET_ROW_1)  # preset "Amp"
            self.wait_messages(1, "MESSAGE <Sound/Amp>")
            # The reload sends the part's labels to the panel: portamento, voice and keyboard
            # modes as choices.
            self.panel.expect([(0x1A7, b"\xB0\x00\x09\x00")], start=at)
            self.panel.expect([(0x1A6, b"\xB0\x00\x09\x01")], start=at)
            self.panel.expect([(0x1A9, b"\xB0\x00\x09\x00")], start=at)

        with self.subTest("a note on part A's channel sounds"):
            _, _, quiet_from = harness.capture_levels(self.capture)
            time.sleep(0.3)
            quiet, _, before = harness.capture_levels(self.capture, skip_frames=quiet_from)
            self.assertLess(quiet, 0.001, "silent before the note")
            self.midi.send([0x90, 60, 120])
            time.sleep(0.6)
            self.midi.send([0x80, 60, 0])
            peak, _, _ = harness.capture_levels(self.capture, skip_frames=before)
            # The Master page's reload puts the stored part level (50 %) on the mixer.
            self.assertGreater(peak, max(0.0003, 4 * quiet))

        with self.subTest("the first encoder steps PORTAMENTO"):
            at = len(self.panel.frames)
            # One choice is two detents of the encoder.
            self.panel_send((144, [130]))
            self.panel_send((144, [130]))
            self.panel.expect([(0x1A7, b"\xB0\x00\x09\x01")], start=at)
            for _ in range(2000):
                payload = host.receive_type(5)
                kind, instance, ctrl, value = struct.unpack_from("<IIIf", payload, 4)
                if (kind, ctrl) == (0x100, 1) and value == 1.0:
                    self.assertEqual(instance, 0)
                    break
            else:
                self.fail("no value packet for GLIDE_Mode 1")

        with self.subTest("a program change mapped by the loaded arrangement"):
            self.tap(touch, ARRANGER_TAB)
            self.tap(touch, SONG_ROW[0])  # "fixture"
            sim.wait_line(r"^Load Settings <fixture> \[ERROR\] use default settings$", timeout=10)
            self.midi.send([0xC0, 5])
            self.wait_messages(2, "MESSAGE <Sound/Amp>")

        with self.subTest("an arrangement stored under a new name"):
            self.tap(touch, SAVE_AS)
            for letter in "LIVE":
                self.tap(touch, key_place(letter))
            self.tap(touch, KEYBOARD_OK)
            stored = self.tree.path(WORKING + "arrangments/fixture_LIVE.arr")
            deadline = time.monotonic() + 10
            while not os.path.exists(stored) and time.monotonic() < deadline:
                time.sleep(0.05)
            with open(stored) as f:
                text = f.read()
            self.assertRegex(text, r'<PRESET Active="TRUE" Name="Sound/Amp" Part="0">')

        sim.stop()
        sim, touch = self.start()
        with self.subTest("it outlives the program"):
            loaded = self.messages().count("MESSAGE <Sound/Amp>")
            self.tap(touch, ARRANGER_TAB)
            self.tap(touch, SONG_ROW[1])  # "fixture_LIVE", after "fixture"
            self.wait_messages(loaded + 1, "MESSAGE <Sound/Amp>")
            self.assertNotIn("Load Settings <fixture_LIVE> [ERROR]", sim.text())

    def frames(self):
        return harness.capture_levels(self.capture)[2]

    def sounds(self, channel):
        """Whether a note on `channel` of the MIDI PTY shows in the capture, once the last
        note's release has died away. (capture_levels counts the frames after the skip.)"""
        deadline = time.monotonic() + 5
        while True:
            start = self.frames()
            time.sleep(0.3)
            quiet, _, _ = harness.capture_levels(self.capture, skip_frames=start)
            if quiet < 0.0001 or time.monotonic() > deadline:
                break
        self.assertLess(quiet, 0.0001, "silent before the note on channel %d" % (channel + 1))
        start = self.frames()
        self.midi.send([0x90 | channel, 60, 120])
        time.sleep(0.6)
        self.midi.send([0x80 | channel, 60, 0])
        peak, _, _ = harness.capture_levels(self.capture, skip_frames=start)
        # The fixture's tone at the parts' default level of 50 % peaks near 0.0009.
        return peak > 0.0003

    def test_port_channel_of_part_a_moves_its_midi_channel(self):
        sim, touch = self.start()
        self.tap(touch, SYNTH_TAB)
        self.tap(touch, CATEGORY_BUTTON)
        self.tap(touch, PRESET_ROW_1)  # category "Sound"
        self.tap(touch, PRESET_ROW_1)  # preset "Amp"
        self.wait_messages(1, "MESSAGE <Sound/Amp>")
        self.assertTrue(self.sounds(0), "part A plays on channel 1 at first")
        self.assertFalse(self.sounds(5), "no part listens on channel 6")

        self.tap(touch, MIDI_TAB)  # the MIDI page opens on IN-A
        # PORT-CHN: a push moves the encoder from the port to the channel, a detent steps it.
        self.panel_send((144, [132]))
        for _ in range(5):
            self.panel_send((144, [130]))  # "P1:Chn1" to "P1:Chn6"
        self.assertFalse(self.sounds(0), "nothing on the old channel")
        self.assertTrue(self.sounds(5), "part A on the new channel")


if __name__ == "__main__":
    unittest.main()
