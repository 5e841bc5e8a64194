"""The running instrument facing peers that misbehave: frames the panel never sends, and a host
client that stops reading. Observed from outside (output, bus frames, the host link)."""

import os
import signal
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


class SimStartingWhileTheBusHubWaits(unittest.TestCase):
    def test_a_hub_kept_waiting_through_the_start_up_burst_loses_no_frame(self):
        # A busy machine may leave the hub unscheduled while the starting instrument sends its
        # pages' values (some 700 frames): they wait for it instead of being refused.
        tree = harness.DataTree()
        hub = harness.Hub(HUB, tree.can_dir)
        panel = harness.Panel(hub.path)
        sim = None
        try:
            hub.proc.send_signal(signal.SIGSTOP)
            sim = harness.Sim(SIM, tree)
            sim.wait_line(r"synthcore-sim: running$", timeout=20)
            time.sleep(0.5)
            hub.proc.send_signal(signal.SIGCONT)
            sim.wait_ready(panel)
            self.assertNotIn("CAN Device write", sim.text())
        finally:
            hub.proc.send_signal(signal.SIGCONT)
            if sim is not None:
                sim.stop()
            panel.close()
            hub.stop()
            tree.cleanup()


if __name__ == "__main__":
    unittest.main()
