"""The effects page in the whole program: synthcore-sim over the page checks' data tree, a
ladder filter given to part A's first slot by touch and the panel's first encoder, switched
on, heard in the capture, stored with the part's preset and read back after a restart; and a
reverb given its first preset (written here with ElementTree) that leaves a tail behind a
short note only while it is switched on."""

import os
import time
import unittest
import xml.etree.ElementTree as ET

import harness

SIM = os.environ["SYNTHCORE_SIM"]
HUB = os.environ["RUV_CANHUB"]
FIXTURE_TREE = os.environ["E2E_FIXTURE_TREE"]

# Screen places (the main tab strip is 40 pixels high; pages below it).
SYNTH_TAB = (235, 20)
FX_TAB = (405, 20)
CATEGORY_BUTTON = (330, 290)
PRESET_ROW_1 = (600, 120)
SAVE = (200, 200)
# Row 01 of the slot list: its type button and its ON button, and row 02's type button.
ROW_1_TYPE = (50, 60, 280, 108)
ROW_1_ON = (280, 60, 340, 108)
ROW_2_TYPE = (50, 108, 280, 156)
NUMBER_01 = (20, 70)
ENCODER_A = 144
TURN_RIGHT, PUSH = 130, 132
LADDER_FILTER = 4
REVERB = 6
RATE = 48000
WHITE = 0xFFFFFF
NUMBER_BUTTON = 0xC0C0C0


def centre(box):
    return (box[0] + box[2]) // 2, (box[1] + box[3]) // 2


class EffectsPageInTheProgram(unittest.TestCase):

    def setUp(self):
        harness.fixture_tree_on_bus(self, FIXTURE_TREE, HUB)
        self.midi = harness.MidiWriter(self.tree)
        self.addCleanup(self.midi.close)
        self.capture = self.tree.path("/tmp/capture.raw")
        self.screen = self.tree.path("/tmp/screen.fb")

    def start(self):
        sim = harness.Sim(SIM, self.tree, capture=self.capture, screen=self.screen)
        self.addCleanup(sim.stop)
        sim.wait_ready()
        touch = harness.TouchWriter(self.tree)
        self.addCleanup(touch.close)
        return sim, touch

    def tap(self, touch, place):
        touch.tap(*place)
        # A table's choice is taken by a later GUI tick; give it a few.
        time.sleep(0.3)

    def load_sounding_preset(self, touch):
        self.tap(touch, SYNTH_TAB)
        self.tap(touch, CATEGORY_BUTTON)
        self.tap(touch, PRESET_ROW_1)  # category "Sound"
        self.tap(touch, PRESET_ROW_1)  # preset "Amp"
        time.sleep(1.0)

    def white_pixels(self, box):
        return sum(1 for y in range(box[1], box[3], 2) for x in range(box[0], box[2], 2)
                   if harness.screen_pixel(self.screen, x, y) == WHITE)

    def note_peak(self):
        _, _, start = harness.capture_levels(self.capture)
        self.midi.send([0x90, 60, 120])
        time.sleep(0.8)
        self.midi.send([0x80, 60, 0])
        time.sleep(0.3)
        peak, _, _ = harness.capture_levels(self.capture, skip_frames=start)
        time.sleep(0.5)  # the release dies away
        return peak

    def test_a_ladder_filter_assigned_switched_on_stored_and_reloaded(self):
        sim, touch = self.start()
        self.load_sounding_preset(touch)
        self.tap(touch, FX_TAB)
        if harness.screen_pixel(self.screen, *NUMBER_01) != NUMBER_BUTTON:
            self.skipTest("the FX tab does not hold the effects page yet")

        with self.subTest("the ladder filter assigned to row 01, bypassed"):
            self.tap(touch, centre(ROW_1_TYPE))
            for _ in range(2 * LADDER_FILTER):  # two detents a type
                self.panel.send(ENCODER_A, [TURN_RIGHT])
            time.sleep(0.2)
            self.panel.send(ENCODER_A, [PUSH])
            time.sleep(0.3)
            self.assertGreater(self.white_pixels(ROW_1_TYPE), 2 * self.white_pixels(ROW_2_TYPE),
                               "row 01 names a type, row 02 shows ----")
            bypassed = self.note_peak()
            self.assertGreater(bypassed, 0.0003)

        with self.subTest("switched on, the note is far quieter"):
            self.tap(touch, centre(ROW_1_ON))
            time.sleep(0.3)  # the switch fades in over 39 periods
            filtered = self.note_peak()
            self.assertLess(filtered, bypassed / 4, (filtered, bypassed))

        with self.subTest("stored with the part's preset"):
            self.tap(touch, SYNTH_TAB)
            self.tap(touch, SAVE)
            sim.wait_line(r"^\[PART:\d\] Preset Stored <Sound/Amp>", timeout=10)

        sim.stop()
        sim, touch = self.start()
        with self.subTest("reloaded, row 01 shows the type and ON"):
            self.load_sounding_preset(touch)
            self.tap(touch, FX_TAB)
            self.assertGreater(self.white_pixels(ROW_1_TYPE), 2 * self.white_pixels(ROW_2_TYPE))
            self.assertGreater(self.white_pixels(ROW_1_ON), 0, "ON is lit")
            self.assertLess(self.note_peak(), bypassed / 4)


    def write_reverb_presets(self):
        """A wet preset first in the list (no direct sound, a long loop), a dry one after it."""
        folder = self.tree.path("/var/lib/ruv/working/effects")
        os.makedirs(folder, exist_ok=True)
        presets = {
            "A-Wet": [(1, "PREDelay T", 10), (2, "Reverb T", 0.97), (3, "Damping", 20), (4, "WET", 6),
                      (5, "DRY", -50), (10, "APF max", 50), (11, "APF weight", 80), (12, "Fixed max", 100),
                      (13, "Fixed weight", 80), (14, "Density", 1)],
            "B-Dry": [(2, "Reverb T", 0.1), (4, "WET", -50), (5, "DRY", 0)],
        }
        for name, params in presets.items():
            root = ET.Element("FXPreset", Version="1.0")
            for nr, label, value in params:
                ET.SubElement(root, "Parameter", Nr=str(nr), Name=label, Value=str(value))
            ET.ElementTree(root).write(os.path.join(folder, name + ".reverbfx"), encoding="utf-8",
                                       xml_declaration=True)

    def tail_rms(self):
        """RMS of the capture from 1.0 s to 2.0 s after a short note's release."""
        _, _, start = harness.capture_levels(self.capture)
        self.midi.send([0x90, 60, 120])
        time.sleep(0.2)
        _, _, off = harness.capture_levels(self.capture)
        self.midi.send([0x80, 60, 0])
        time.sleep(2.2)
        tail = harness.capture_frames(self.capture, off + int(1.0 * RATE), off + int(2.0 * RATE))
        self.assertGreater(len(tail), RATE // 4, "the capture runs")
        return (sum(s * s for s in tail) / len(tail)) ** 0.5

    def test_a_reverb_given_its_first_preset_leaves_a_tail_only_while_on(self):
        self.write_reverb_presets()
        sim, touch = self.start()
        self.load_sounding_preset(touch)
        self.tap(touch, FX_TAB)
        if harness.screen_pixel(self.screen, *NUMBER_01) != NUMBER_BUTTON:
            self.skipTest("the FX tab does not hold the effects page yet")

        self.tap(touch, centre(ROW_1_TYPE))
        for _ in range(2 * REVERB):  # two detents a type
            self.panel.send(ENCODER_A, [TURN_RIGHT])
        time.sleep(0.2)
        self.panel.send(ENCODER_A, [PUSH])
        time.sleep(0.5)
        bypassed = self.tail_rms()

        self.tap(touch, centre(ROW_1_ON))
        time.sleep(0.3)  # the switch fades in
        on = self.tail_rms()
        # The preset takes the direct sound 50 dB down: what rings on is the reverb's.
        self.assertGreater(on, 3 * bypassed, (on, bypassed))


if __name__ == "__main__":
    unittest.main()
