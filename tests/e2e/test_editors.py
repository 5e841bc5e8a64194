"""The voice editors in the whole program: a filter-key frame from the panel while the voice
page shows the filter editor; a WAV loaded into the noise source by its panel keys; the
resonator editor's mute key; a route made with the panel's source and destination keys."""

import math
import os
import struct
import subprocess
import time
import unittest
import wave

import harness

SIM = os.environ["SYNTHCORE_SIM"]
HUB = os.environ["RUV_CANHUB"]
FIXTURE_TREE = os.environ["E2E_FIXTURE_TREE"]

FILTER_KEY = 370  # filter A of part A
VALUE, ENUM_KIND, PART_A = 0xB0, 10, 0
# The response scope of the filter editor (the type and cutoff labels lie below it).
RESPONSE = (10, 100, 522, 300)


def key_frame():
    return bytes([VALUE, PART_A, 1]) + struct.pack("<f", 1.0)


class FilterEditorFromThePanel(unittest.TestCase):

    def setUp(self):
        harness.fixture_tree_on_bus(self, FIXTURE_TREE, HUB)
        self.screen = self.tree.path("/tmp/screen.fb")

    def response_pixels(self):
        return [harness.screen_pixel(self.screen, x, y)
                for y in range(RESPONSE[1], RESPONSE[3], 2) for x in range(RESPONSE[0], RESPONSE[2], 2)]

    def lamp_after(self, start):
        """The enum frame the filter key's lamp gets back; the index after it."""
        deadline = time.monotonic() + 10
        while time.monotonic() < deadline:
            for at in range(start, len(self.panel.frames)):
                can_id, data = self.panel.frames[at]
                if can_id == FILTER_KEY and bytes(data[:3]) == bytes([VALUE, PART_A, ENUM_KIND]):
                    return data[3], at + 1
            time.sleep(0.05)
        self.fail("no enum frame on %d after the key; got %s" % (
            FILTER_KEY, [harness.format_frame(c, d) for c, d in self.panel.frames[start:][:40]]))

    def test_filter_key_echoes_the_type_and_replots(self):
        """A filter-key frame to 370 gives the type's enum frame back on 370 and a new
        response on the screen."""
        sim = harness.Sim(SIM, self.tree, screen=self.screen)
        self.addCleanup(sim.stop)
        sim.wait_ready()
        time.sleep(0.5)

        # The first press opens the filter editor (the voice page) and steps the type.
        at = len(self.panel.frames)
        self.panel.send(FILTER_KEY, key_frame())
        lamp, at = self.lamp_after(at)
        self.assertIn(lamp, (0, 1))
        time.sleep(0.5)
        before = self.response_pixels()
        self.assertGreater(len(set(before)), 1, "the response scope is drawn")

        # The second press steps the type again: lamp back, a different response drawn.
        self.panel.send(FILTER_KEY, key_frame())
        lamp, _ = self.lamp_after(at)
        self.assertIn(lamp, (0, 1))
        time.sleep(0.5)
        after = self.response_pixels()
        changed = sum(1 for a, b in zip(before, after) if a != b)
        self.assertGreater(changed, 20, "the response is drawn anew")


class NoiseSampleFromThePanel(unittest.TestCase):
    NAME_KEY = 324  # the noise source's sample name of part A
    BROWSE_NEXT, LOAD = 2.0, 4.0
    SYNTH_TAB, CATEGORY_BUTTON = (235, 20), (330, 290)
    CATEGORY_ROW_1, PRESET_ROW_2 = (600, 120), (600, 160)
    RATE = 48000

    def setUp(self):
        self.tree = harness.DataTree()
        self.addCleanup(self.tree.cleanup)
        subprocess.run([FIXTURE_TREE, self.tree.root], check=True, capture_output=True, timeout=30)
        folder = self.tree.path("/var/lib/ruv/working/wave/noises")
        os.makedirs(folder, exist_ok=True)
        # A second of a 220 Hz tone: the only thing the part can sound.
        with wave.open(os.path.join(folder, "tone.wav"), "wb") as w:
            w.setnchannels(1)
            w.setsampwidth(2)
            w.setframerate(self.RATE)
            w.writeframes(b"".join(struct.pack("<h", int(20000 * math.sin(2 * math.pi * 220 * n / self.RATE)))
                                   for n in range(self.RATE)))
        self.hub = harness.Hub(HUB, self.tree.can_dir)
        self.addCleanup(self.hub.stop)
        self.panel = harness.Panel(self.hub.path)
        self.addCleanup(self.panel.close)
        self.midi = harness.MidiWriter(self.tree)
        self.addCleanup(self.midi.close)
        self.capture = self.tree.path("/tmp/capture.raw")

    def press(self, value):
        self.panel.send(self.NAME_KEY, bytes([VALUE, PART_A, 1]) + struct.pack("<f", value))
        time.sleep(0.3)

    def note(self):
        """The capture's peak before a held note on part A's channel, and its left channel from
        the note on."""
        _, _, start = harness.capture_levels(self.capture)
        time.sleep(0.3)
        quiet, _, frames = harness.capture_levels(self.capture, skip_frames=start)
        start += frames
        self.midi.send([0x90, 60, 120])
        time.sleep(0.6)
        self.midi.send([0x80, 60, 0])
        end = os.path.getsize(self.capture) // 8
        time.sleep(0.5)
        return quiet, harness.capture_frames(self.capture, start, end)

    def test_wav_loaded_by_panel_keys_sounds(self):
        """Frames to 324 (browse 2, load 4) load a WAV from the noise folder into the part,
        and a note on the MIDI PTY then sounds in the capture."""
        sim = harness.Sim(SIM, self.tree, capture=self.capture)
        self.addCleanup(sim.stop)
        sim.wait_ready(self.panel)
        touch = harness.TouchWriter(self.tree)
        self.addCleanup(touch.close)
        for place in (self.SYNTH_TAB, self.CATEGORY_BUTTON, self.CATEGORY_ROW_1, self.PRESET_ROW_2):
            touch.tap(*place)
            time.sleep(0.4)
        sim.wait_line(r"Sound/Noise", timeout=10)
        time.sleep(0.5)

        quiet, samples = self.note()
        self.assertLess(max(map(abs, samples)), max(0.0003, 4 * quiet), "no sample, no sound")

        at = len(self.panel.frames)
        self.press(self.BROWSE_NEXT)
        self.press(self.LOAD)
        # The panel's name display gets the loaded name.
        deadline = time.monotonic() + 5
        while time.monotonic() < deadline and not any(
                c == self.NAME_KEY and bytes(d[:2]) == bytes([0xC0, PART_A]) and b"tone" in bytes(d)
                for c, d in self.panel.frames[at:]):
            time.sleep(0.05)
        names = [harness.format_frame(c, d) for c, d in self.panel.frames[at:] if c == self.NAME_KEY]
        self.assertTrue(any("746F6E65" in n for n in names), names)
        time.sleep(0.3)
        quiet, samples = self.note()
        self.assertGreater(max(map(abs, samples)), max(0.0003, 4 * quiet), sim.text()[-2000:])
        # Played at its own rate (the key does not track): the file's 220 Hz.
        onset = next(i for i, x in enumerate(samples) if abs(x) > 0.0003)
        self.assertAlmostEqual(harness.fundamental(samples[onset + 480:onset + 5280], 220), 220, delta=3)


class ResonatorMuteFromThePanel(unittest.TestCase):
    TYPE_KEY, MUTE_KEY, LAMP_KEY = 298, 299, 297  # oscillator 1 of part A
    RESONATOR_LAMP = 4
    MUTE_TEXT = [(MUTE_KEY, bytes([0xC0, PART_A]) + b"    <M"), (MUTE_KEY, bytes([0xC1, PART_A]) + b"UTE>  ")]

    def setUp(self):
        self.tree = harness.DataTree()
        self.addCleanup(self.tree.cleanup)
        subprocess.run([FIXTURE_TREE, self.tree.root], check=True, capture_output=True, timeout=30)
        self.hub = harness.Hub(HUB, self.tree.can_dir)
        self.addCleanup(self.hub.stop)
        self.panel = harness.Panel(self.hub.path)
        self.addCleanup(self.panel.close)

    def press(self, can_id, value):
        self.panel.send(can_id, bytes([VALUE, PART_A, 1]) + struct.pack("<f", value))

    def lamp_after(self, start):
        deadline = time.monotonic() + 10
        while time.monotonic() < deadline:
            for can_id, data in self.panel.frames[start:]:
                if can_id == self.LAMP_KEY and bytes(data[:3]) == bytes([VALUE, PART_A, ENUM_KIND]):
                    return data[3]
            time.sleep(0.05)
        self.fail("no lamp frame on %d after the type key" % self.LAMP_KEY)

    def text_after(self, start):
        """The two text frames on the mute key after `start`, as one string; the index after."""
        deadline = time.monotonic() + 10
        while time.monotonic() < deadline:
            texts = [(at, bytes(d)) for at, (c, d) in enumerate(self.panel.frames[start:], start)
                     if c == self.MUTE_KEY and len(d) >= 2 and d[0] in (0xC0, 0xC1) and d[1] == PART_A]
            for i in range(len(texts) - 1):
                if texts[i][1][0] == 0xC0 and texts[i + 1][1][0] == 0xC1:
                    return (texts[i][1][2:] + texts[i + 1][1][2:]).decode(), texts[i + 1][0] + 1
            time.sleep(0.05)
        self.fail("no text frames on %d; got %s" % (
            self.MUTE_KEY, [harness.format_frame(c, d) for c, d in self.panel.frames[start:][:40]]))

    def test_mute_key_sends_the_two_text_frames(self):
        """A mute-key frame (299, value 7) for oscillator 1 while the resonator editor is shown
        gives the two text frames of "    <MUTE>  " back, and a second one the mode text."""
        sim = harness.Sim(SIM, self.tree)
        self.addCleanup(sim.stop)
        sim.wait_ready(self.panel)
        time.sleep(0.5)

        # The type switch (6 on the type key) steps the oscillator's editor until its lamp
        # says resonator.
        lamp = None
        for _ in range(3):
            at = len(self.panel.frames)
            self.press(self.TYPE_KEY, 6.0)
            lamp = self.lamp_after(at)
            if lamp == self.RESONATOR_LAMP:
                break
        self.assertEqual(lamp, self.RESONATOR_LAMP)

        at = len(self.panel.frames)
        self.press(self.MUTE_KEY, 7.0)
        at = self.panel.expect(self.MUTE_TEXT, start=at)

        # Any other value on the mute key is not the mute.
        self.press(self.MUTE_KEY, 6.0)
        self.press(self.MUTE_KEY, 7.0)
        text, _ = self.text_after(at)
        self.assertNotIn("MUTE", text)
        self.assertTrue(text.strip(), "the mode text")


class MatrixFromThePanel(unittest.TestCase):
    def setUp(self):
        self.tree = harness.DataTree()
        self.addCleanup(self.tree.cleanup)
        subprocess.run([os.environ["E2E_FIXTURE_TREE"], self.tree.root], check=True, capture_output=True,
                       timeout=30)
        self.hub = harness.Hub(os.environ["RUV_CANHUB"], self.tree.can_dir)
        self.addCleanup(self.hub.stop)
        self.panel = harness.Panel(self.hub.path)
        self.addCleanup(self.panel.close)

    def test_source_then_destination_key_make_a_route(self):
        """Source key 4 (the first oscillator) and then the noise FM key with amount 35 give
        part A's first free row that route, in the data set and the engine."""
        sim = harness.Sim(os.environ["SYNTHCORE_SIM"], self.tree)
        self.addCleanup(sim.stop)
        sim.wait_ready()
        self.panel.send(40, bytes([0xA4, 4]))
        self.panel.send(320, bytes([0xE0, 0, 1]) + struct.pack("<f", 35.0))
        sim.wait_line(r"^AMMOUT Ext:35\.000000$")
        sim.wait_line(r"^MATRIX->insert 0$")


if __name__ == "__main__":
    unittest.main()
