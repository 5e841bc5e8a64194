"""The running instrument facing peers that misbehave: frames the panel never sends, and a host
client that stops reading. Observed from outside (output, bus frames, the host link)."""

import os
import socket
import struct
import time
import unittest

import harness

SIM = os.environ["SYNTHCORE_SIM"]
HUB = os.environ["RUV_CANHUB"]


class SimFacingBadPeers(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        harness.start_sim_on_bus(cls, SIM, HUB)

    @classmethod
    def tearDownClass(cls):
        harness.stop_sim_on_bus(cls)

    def test_only_standard_data_frames_reach_the_panel_protocol(self):
        # A focus request past the panel's focus table (the instrument only reports it) under
        # the panel's id 40 with each flag the bus can carry: only the plain frame is the panel's. The plain one goes last, so once it is seen
        # the flagged ones have been read (the bus keeps the order).
        flagged = {"extended": 0x80000000, "remote": 0x40000000, "error": 0x20000000}
        for flag in flagged.values():
            self.panel.send(flag | 40, [0xA1, 15])
        self.panel.send(40, [0xA1, 14])
        self.sim.wait_line(r"CANRX: Focus 14$", timeout=5)
        acted = [l for l in self.sim.text().splitlines() if "CANRX: Focus 15" in l]
        self.assertEqual(acted, [], "a flagged frame was taken as the panel's")


if __name__ == "__main__":
    unittest.main()
