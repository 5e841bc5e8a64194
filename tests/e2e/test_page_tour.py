"""A tour of every page of the running instrument: each main tab and each tab of the pages'
own strips is visited and sent a touch, a turn of the first panel encoder and a program
change on channel 1; after each, what the screen shows must be what a paint of the whole
screen from scratch shows (SIGUSR2 asks synthcore-sim for one). A widget that a page's own
repaint wiped and never drew again shows up as the difference."""

import os
import signal
import subprocess
import time
import unittest

import harness

SIM = os.environ["SYNTHCORE_SIM"]
HUB = os.environ["RUV_CANHUB"]
FACTORY_BANK = os.environ.get("FACTORY_BANK")

W, H = harness.SCREEN_W, harness.SCREEN_H
# Regions that change on their own while nothing is touched: song positions, the scopes,
# load and memory figures. Each is (left, top, width, height).
POSITION_DRUM = (320, 90, 150, 35)
POSITION_ARP = (340, 90, 150, 35)
POSITION_CLIP = (70, 370, 125, 40)
DIAG_LIVE = (0, 60, 800, 420)
MASTER_SCOPES = (0, 40, 800, 170)
LEFT_SCOPE = (10, 60, 380, 140)

# A value label shown changed stays lit for six GUI ticks of 90 ms; a screen that settled while
# one is lit would be compared with a paint that no longer lights it.
HIGHLIGHT = 0.65

MAIN = {"ARRANGER": (50, 20), "MASTER": (148, 20), "SYNTH": (235, 20), "VOICE": (330, 20), "FX": (405, 20),
        "ARP": (480, 20), "DRUM": (557, 20), "CLIP": (612, 20), "MIDI": (673, 20), "DIAG": (730, 20)}
ARP_TABS = {"SETTINGS": (52, 60), "ASSIGN": (148, 60), "MODE": (218, 60), "SEMITONE": (300, 60),
            "OCTAVE": (393, 60), "VELOCITY": (488, 60), "CVA": (563, 60), "CVB": (605, 60), "CVC": (655, 60)}
DRUM_TABS = {"KIT": (23, 60), "GRID": (75, 60), "CLHAT": (200, 60), "RIDE": (330, 60), "TOM1": (465, 60)}
MIDI_TABS = {"IN-A": (42, 60), "IN-B": (123, 60), "IN-C": (205, 60), "IN-D": (288, 60), "IO-ET1": (370, 60),
             "IO-ET2": (452, 60), "Clock": (527, 60), "DEVICES": (610, 60)}

# (name, taps that lead there from the page before, where the page is touched, masked regions)
TOUR = [("ARRANGER", [MAIN["ARRANGER"]], (600, 300), []),
        ("MASTER", [MAIN["MASTER"]], (300, 375), [MASTER_SCOPES]),
        ("SYNTH", [MAIN["SYNTH"]], (200, 380), []),
        ("VOICE", [MAIN["VOICE"]], (320, 435), []),
        ("FX", [MAIN["FX"]], (160, 130), []),
        ("DIAG", [MAIN["DIAG"]], (600, 200), [DIAG_LIVE]),
        ("CLIP", [MAIN["CLIP"]], (440, 180), [POSITION_CLIP])]
TOUR += [("ARP " + name, ([MAIN["ARP"]] if i == 0 else []) + [place], (330, 260), [POSITION_ARP])
         for i, (name, place) in enumerate(ARP_TABS.items())]
TOUR += [("DRUM " + name, ([MAIN["DRUM"]] if i == 0 else []) + [place], (300, 200), [POSITION_DRUM])
         for i, (name, place) in enumerate(DRUM_TABS.items())]
TOUR += [("MIDI " + name, ([MAIN["MIDI"]] if i == 0 else []) + [place], (100, 300), [])
         for i, (name, place) in enumerate(MIDI_TABS.items())]


def masked(screen, regions):
    data = bytearray(screen)
    for left, top, width, height in regions:
        for y in range(top, min(top + height, H)):
            data[(y * W + left) * 4:(y * W + min(left + width, W)) * 4] = bytes(4 * (min(left + width, W) - left))
    return data


def differing_box(a, b):
    """The box (left, top, right, bottom) of the pixels that differ, or None. A lit button
    fills from its frame's offset and leaves the five columns left of it as they were; a
    difference only there (no cluster of differing columns wider than that) is left out."""
    rows = [y for y in range(H) if a[y * W * 4:(y + 1) * W * 4] != b[y * W * 4:(y + 1) * W * 4]]
    if not rows:
        return None
    columns = sorted({x for y in rows for x in range(W)
                      if a[(y * W + x) * 4:(y * W + x) * 4 + 3] != b[(y * W + x) * 4:(y * W + x) * 4 + 3]})
    clusters = [[columns[0], columns[0]]]
    for x in columns[1:]:
        if x > clusters[-1][1] + 1:
            clusters.append([x, x])
        clusters[-1][1] = x
    if all(right - left < 5 for left, right in clusters):
        return None
    return columns[0], rows[0], columns[-1], rows[-1]


@unittest.skipUnless(FACTORY_BANK, "needs the factory-bank tool")
class PageTour(unittest.TestCase):

    def setUp(self):
        self.tree = harness.DataTree()
        self.addCleanup(self.tree.cleanup)
        made = subprocess.run([FACTORY_BANK, self.tree.root], capture_output=True, text=True, timeout=30)
        self.assertEqual(made.returncode, 0, made.stderr)
        self.hub = harness.Hub(HUB, self.tree.can_dir)
        self.addCleanup(self.hub.stop)
        self.panel = harness.Panel(self.hub.path)
        self.addCleanup(self.panel.close)
        self.midi = harness.MidiWriter(self.tree)
        self.addCleanup(self.midi.close)
        self.screen = self.tree.path("/tmp/screen.fb")
        self.sim = harness.Sim(SIM, self.tree, screen=self.screen, capture=self.tree.path("/tmp/capture.raw"))
        self.addCleanup(self.sim.stop)
        self.sim.wait_ready(self.panel)
        self.touch = harness.TouchWriter(self.tree)
        self.addCleanup(self.touch.close)
        self.repaints = 0

    def settle(self, regions, least=0.1):
        """Waits until the screen has stopped changing (a table's choice and a program's load
        reach the pages on later GUI ticks)."""
        time.sleep(least)
        deadline = time.monotonic() + 3
        last = masked(self.read_screen(), regions)
        while time.monotonic() < deadline:
            time.sleep(0.06)
            now = masked(self.read_screen(), regions)
            if now == last:
                return
            last = now

    def read_screen(self):
        with open(self.screen, "rb") as f:
            return f.read(W * H * 4)

    def check(self, where, regions):
        before = masked(self.read_screen(), regions)
        self.repaints += 1
        os.kill(self.sim.pid, signal.SIGUSR2)
        deadline = time.monotonic() + 10
        while self.sim.text().count("synthcore-sim: screen repainted") < self.repaints:
            self.assertLess(time.monotonic(), deadline, "no repaint after SIGUSR2")
            time.sleep(0.02)
        fresh = masked(self.read_screen(), regions)
        box = differing_box(before, fresh)
        if box is not None:
            shown = self.tree.path("/tmp/shown.fb")
            with open(shown, "wb") as f:
                f.write(before)
            kept = os.path.join(os.environ.get("TMPDIR", "/tmp"), "tour-%d-%s" % (os.getpid(), where.replace(" ", "_")))
            harness.screen_to_png(shown, kept + "-shown.png")
            harness.screen_to_png(self.screen, kept + "-fresh.png")
            self.fail("%s: the screen differs from a fresh paint in %r (pictures: %s-*.png)" % (where, box, kept))

    def test_every_page_shows_what_a_fresh_paint_shows(self):
        program = 0
        for name, taps, place, regions in TOUR:
            with self.subTest(page=name):
                for tap in taps:
                    self.touch.tap(*tap)
                    self.settle(regions)
                self.check(name + " shown", regions)
                self.touch.tap(*place)
                self.settle(regions)
                self.check(name + " after a touch", regions)
                self.panel.send(144, [130])  # two detents: a choice of most value labels
                self.panel.send(144, [130])
                self.settle(regions, least=HIGHLIGHT)
                self.check(name + " after an encoder turn", regions)
                program = (program + 1) % 4
                self.midi.send([0xC0, program])
                self.settle(regions, least=HIGHLIGHT)
                self.check(name + " after a program change", regions)

    def test_the_master_scopes_show_a_held_note(self):
        self.touch.tap(*MAIN["MASTER"])
        self.settle([])
        left, top, width, height = LEFT_SCOPE

        def scope():
            screen = self.read_screen()
            return [screen[((top + y) * W + left) * 4:((top + y) * W + left + width) * 4] for y in range(height)]

        quiet = scope()
        self.midi.send([0x90, 60, 120])
        self.addCleanup(self.midi.send, [0x80, 60, 0])
        deadline = time.monotonic() + 3
        while scope() == quiet:
            self.assertLess(time.monotonic(), deadline, "the left scope did not move while a note was held")
            time.sleep(0.05)


if __name__ == "__main__":
    unittest.main()
