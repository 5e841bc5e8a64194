"""The Master page and the clip launcher page in the whole program: synthcore-sim with its
default data, driven by panel frames, the panel's keys and taps on the touch FIFO, and read
back on the panel, the screen file and the host link's transport frames."""

import os
import time
import unittest

import harness

SIM = os.environ["SYNTHCORE_SIM"]
HUB = os.environ["RUV_CANHUB"]

STRIP_ROWS = 40                # the main tab strip
CLIP_KEY = (150, [134])        # the panel key that shows the clip launcher
FIRST_SLOT = (60, 116)         # track 1 (part A), scene 1: a default arpeggiator clip
TRANSPORT = 1                  # host packet type of the transport frame
RED = 0xFF0000


def strip_colours(fb_path):
    with open(fb_path, "rb") as f:
        data = f.read(harness.SCREEN_W * STRIP_ROWS * 4)
    return {int.from_bytes(data[i:i + 3], "little") for i in range(0, len(data), 4)}


class MasterAndClipPages(unittest.TestCase):

    def setUp(self):
        self.tree = harness.DataTree()
        self.addCleanup(self.tree.cleanup)
        self.hub = harness.Hub(HUB, self.tree.can_dir)
        self.addCleanup(self.hub.stop)
        self.panel = harness.Panel(self.hub.path)
        self.addCleanup(self.panel.close)
        self.screen = self.tree.path("/tmp/screen.fb")
        self.sim = harness.Sim(SIM, self.tree, screen=self.screen)
        self.addCleanup(self.sim.stop)
        self.sim.wait_ready(self.panel)
        self.touch = harness.TouchWriter(self.tree)
        self.addCleanup(self.touch.close)

    def wait_strip(self, condition, timeout=5.0):
        deadline = time.monotonic() + timeout
        while not condition(strip_colours(self.screen)):
            if time.monotonic() > deadline:
                self.fail("the tab strip did not change")
            time.sleep(0.05)

    def test_a_part_chosen_on_the_panel_is_echoed_and_shown_in_the_tabs(self):
        self.assertNotIn(RED, strip_colours(self.screen))
        at = len(self.panel.frames)
        self.panel.send(40, [0xA0, 0x02])
        self.panel.expect([(40, b"\xA0\x02")], start=at)
        # Part C's tabs take its colour.
        self.wait_strip(lambda colours: RED in colours)

    def test_a_tap_on_a_default_clip_launches_it(self):
        host = harness.HostClient(self.sim.host_port)
        self.addCleanup(host.close)
        self.panel.send(*CLIP_KEY)
        time.sleep(0.3)
        host.receive_type(TRANSPORT)  # the transport runs from the start
        self.touch.tap(*FIRST_SLOT)
        states = []
        deadline = time.monotonic() + 15
        while 3 not in states and time.monotonic() < deadline:
            payload = host.receive_type(TRANSPORT)
            state = payload[9]
            if not states or states[-1] != state:
                states.append(state)
        self.assertIn(2, states, states)
        self.assertIn(3, states, states)
        self.assertLess(states.index(2), states.index(3), states)


if __name__ == "__main__":
    unittest.main()
