"""The drum pages in the whole program: synthcore-sim over the factory bank, a WAV written
here with the wave module chosen on the KICK page by touch and heard when the pad's trigger
key arrives on the serial MIDI input; the kit then stored by SAVE_AS and, after a restart,
loaded back from the KIT page's list with the same sample on the pad; a cell of the GRID tab
touched on the screen, as the host link reports the drum track's trigger rows."""

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
FACTORY_BANK = os.environ.get("FACTORY_BANK")

# Screen places: the main tab strip, the drum section's strip below it, the pages under both.
DRUM_TAB = (557, 20)
LEFT_ARROW = (133, 60)
KICK_TAB = (190, 60)
KIT_TAB = (23, 60)
SAMPLE_ROW_1 = (200, 120)
SAVE_AS = (70, 270)
KEYBOARD_OK = (730, 410)
KIT_ROW_2 = (600, 160)
KICK_KEY = 36  # the factory kit's trigger key of pad 0, on channel 10
RATE = 48000
PROBE_FRAMES = RATE // 5


def probe():
    """A falling two-tone burst no factory sound resembles."""
    return [0.6 * (1 - n / PROBE_FRAMES) * math.sin(2 * math.pi * 310 * n / RATE) * (1 if (n // 700) % 2 else 0.4)
            for n in range(PROBE_FRAMES)]


def correlation(a, b):
    num = sum(x * y for x, y in zip(a, b))
    den = math.sqrt(sum(x * x for x in a) * sum(y * y for y in b))
    return num / den if den else 0.0


@unittest.skipUnless(FACTORY_BANK, "needs the factory-bank tool")
class DrumPagesInTheProgram(unittest.TestCase):

    def setUp(self):
        self.tree = harness.DataTree()
        self.addCleanup(self.tree.cleanup)
        made = subprocess.run([FACTORY_BANK, self.tree.root], capture_output=True, text=True, timeout=30)
        self.assertEqual(made.returncode, 0, made.stderr)
        # A kit folder that sorts first, so its sample is the KICK list's first row.
        path = self.tree.path("/var/lib/ruv/working/wave/drumkit/AAA/kick/probe.wav")
        os.makedirs(os.path.dirname(path))
        with wave.open(path, "wb") as w:
            w.setnchannels(1)
            w.setsampwidth(2)
            w.setframerate(RATE)
            w.writeframes(b"".join(int(round(v * 32767)).to_bytes(2, "little", signed=True) for v in probe()))
        self.midi = harness.MidiWriter(self.tree)
        self.addCleanup(self.midi.close)
        self.capture = self.tree.path("/tmp/capture.raw")
        self.screen = self.tree.path("/tmp/screen.fb")

    def start(self):
        sim = harness.Sim(SIM, self.tree, capture=self.capture, screen=self.screen)
        sim.wait_ready()
        touch = harness.TouchWriter(self.tree)
        return sim, touch

    def taps(self, touch, *places):
        for place in places:
            touch.tap(*place)
            time.sleep(0.5)

    def hit(self):
        """The capture's left channel from just before the kick's key to 0.4 s after it."""
        start = os.path.getsize(self.capture) // 8
        self.midi.send([0x99, KICK_KEY, 127])
        time.sleep(0.6)
        self.midi.send([0x89, KICK_KEY, 0])
        end = os.path.getsize(self.capture) // 8
        return harness.capture_frames(self.capture, start, end)

    def assertFollowsProbe(self, samples):
        onset = next((i for i, x in enumerate(samples) if abs(x) > 1e-4), None)
        self.assertIsNotNone(onset, "the pad stayed silent")
        wanted = probe()[:2400]
        # The drum channel's output stage turns the signal over and shapes it a little: the
        # shape must match, whatever its sign.
        best = max(abs(correlation(samples[max(0, onset + lag):max(0, onset + lag) + 2400], wanted))
                   for lag in range(-8, 9))
        self.assertGreater(best, 0.85)

    def test_a_sample_chosen_by_touch_plays_on_its_key_and_a_stored_kit_loads_back(self):
        sim, touch = self.start()
        self.taps(touch, DRUM_TAB, LEFT_ARROW, LEFT_ARROW, KICK_TAB, SAMPLE_ROW_1)
        self.assertFollowsProbe(self.hit())

        # SAVE_AS proposes the current name and "_": confirmed as it stands.
        self.taps(touch, KIT_TAB, SAVE_AS, KEYBOARD_OK)
        stored = self.tree.path("/var/lib/ruv/working/sampler/Factory Kit_.smpl")
        deadline = time.time() + 5
        while not os.path.exists(stored) and time.time() < deadline:
            time.sleep(0.1)
        self.assertTrue(os.path.exists(stored), sim.text()[-2000:])
        touch.close()
        sim.stop()

        # After a restart the arrangement's own kit plays the factory kick again; the stored
        # kit, picked from the list, brings the probe back.
        sim, touch = self.start()
        self.addCleanup(sim.stop)
        self.addCleanup(touch.close)
        self.assertLess(abs(correlation(self.hit()[:2400], probe()[:2400])), 0.5)
        self.taps(touch, DRUM_TAB, KIT_TAB, KIT_ROW_2)
        self.assertFollowsProbe(self.hit())


@unittest.skipUnless(FACTORY_BANK, "needs the factory-bank tool")
class DrumGridInTheProgram(unittest.TestCase):
    DRUM_TRACK, TRIGGER_KIND, CMD_CREATE, CMD_REQUEST, TRIGGER_RECORD = 4, 4, 200, 201, 11
    RECORD_HEADER, ROW_SIZE, CELL_SIZE = 48, 516, 16
    CLIP_KEY = (150, [134])        # the panel key that shows the clip launcher
    OPEN_BUTTON = (300, 390)
    DRUM_SLOT = (440, 116)         # track 5 (the drum track), scene 1
    GRID_TAB = (75, 60)
    # The cell of SNARE (grid row 2) at step 6, and what a touch writes there: the row's first
    # choice (snare 1) at the grid's accent.
    CELL, STEP, TRIGGER = (329, 228), 5, 1
    SNARE_1, HIT_ACCENT = 1, 90

    def setUp(self):
        self.tree = harness.DataTree()
        self.addCleanup(self.tree.cleanup)
        made = subprocess.run([FACTORY_BANK, self.tree.root], capture_output=True, text=True, timeout=30)
        self.assertEqual(made.returncode, 0, made.stderr)
        # The grid starts from the instrument's own clip set, whose drum track is empty, not
        # from the factory's demo song with its beat.
        os.remove(self.tree.path("/var/lib/ruv/working/clips/[default].launch"))
        self.hub = harness.Hub(HUB, self.tree.can_dir)
        self.addCleanup(self.hub.stop)
        self.panel = harness.Panel(self.hub.path)
        self.addCleanup(self.panel.close)
        self.sim = harness.Sim(SIM, self.tree)
        self.addCleanup(self.sim.stop)
        self.sim.wait_ready(self.panel)
        self.touch = harness.TouchWriter(self.tree)
        self.addCleanup(self.touch.close)

    def tap(self, place):
        self.touch.tap(*place)
        time.sleep(0.4)  # a table's choice is taken by a later GUI tick

    def host(self, *words, text=b""):
        client = harness.HostClient(self.sim.host_port)
        self.addCleanup(client.close)
        client.receive()  # the clip grid every client is greeted with
        client.send(struct.pack("<%dI" % len(words), *words) + text + b"\0")
        return client

    def fired(self):
        """(step, trigger, accent, note) of every firing cell the host link reports."""
        client = self.host(15, self.TRIGGER_KIND, self.CMD_REQUEST, self.DRUM_TRACK, 0)
        record = client.receive_type(self.TRIGGER_RECORD)
        client.close()
        cells = []
        for step in range(struct.unpack_from("<i", record, 44)[0]):
            row = self.RECORD_HEADER + step * self.ROW_SIZE
            self.assertEqual(struct.unpack_from("<i", record, row)[0], step)
            for trigger in range((self.ROW_SIZE - 4) // self.CELL_SIZE):
                cell = row + 4 + trigger * self.CELL_SIZE
                if record[cell + 8]:
                    cells.append((step, trigger, record[cell + 10], record[cell + 11]))
        return cells

    def test_a_touched_cell_shows_in_the_trigger_rows(self):
        # A trigger clip on the drum track's first scene, opened as its edit clip.
        self.host(15, self.TRIGGER_KIND, self.CMD_CREATE, self.DRUM_TRACK, 0, text=b"beat").close()
        self.panel.send(*self.CLIP_KEY)
        time.sleep(0.4)
        self.tap(self.OPEN_BUTTON)
        self.tap(self.DRUM_SLOT)
        self.sim.wait_line(r"\[CLIP\] Open Scene \(4:0\)", timeout=5)
        self.assertEqual(self.fired(), [])

        self.tap(DRUM_TAB)
        self.tap(self.GRID_TAB)
        self.tap(self.CELL)
        self.sim.wait_line(r"\[GRID\] takeover", timeout=5)
        self.assertEqual(self.fired(), [(self.STEP, self.TRIGGER, self.HIT_ACCENT, self.SNARE_1)])

        # A second touch takes the hit away again.
        self.tap(self.CELL)
        self.assertEqual(self.fired(), [])


if __name__ == "__main__":
    unittest.main()
