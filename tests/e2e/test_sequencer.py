"""The sequencer page in the running program: a semitone cell of " ARP A " touched on the
touch screen's FIFO is in the arpeggiator clip the host link hands out."""

import os
import struct
import time
import unittest

import harness

SIM = os.environ["SYNTHCORE_SIM"]
HUB = os.environ["RUV_CANHUB"]

ARP_TAB_KEY = 149      # its alternative press shows the " ARP A " tab
ALT_PRESS = 134
HOST_ARP_KIND = 3      # the host's number for an arpeggiator clip
CMD_REQUEST = 201
ARP_RECORD = 10
RECORD_HEADER = 48     # the record's steps follow its header, nine bytes each
SEMITONE = 4           # byte of a step


class SequencerPageInTheSim(unittest.TestCase):

    @classmethod
    def setUpClass(cls):
        harness.start_sim_on_bus(cls, SIM, HUB)

    @classmethod
    def tearDownClass(cls):
        harness.stop_sim_on_bus(cls)

    def arp_clip(self, track, clip):
        client = harness.HostClient(self.sim.host_port)
        try:
            client.receive()  # the clip grid every client is greeted with
            client.send(struct.pack("<5I", 15, HOST_ARP_KIND, CMD_REQUEST, track, clip) + b"\0")
            return client.receive_type(ARP_RECORD)
        finally:
            client.close()

    def step_byte(self, record, step, byte):
        return record[RECORD_HEADER + 9 * step + byte]

    def test_a_touched_semitone_cell_is_in_the_host_links_clip(self):
        self.assertNotEqual(self.step_byte(self.arp_clip(0, 0), 0, SEMITONE), 11)
        self.panel.send(ARP_TAB_KEY, [ALT_PRESS])
        touch = harness.TouchWriter(self.tree)
        self.addCleanup(touch.close)
        time.sleep(0.3)
        touch.tap(300, 60)   # the page's own tab "SEMITONE"
        time.sleep(0.3)
        touch.tap(55, 174)   # "H" in the first column: step 1 of bank 0
        self.sim.wait_line(r"\[TableCtrl\] StepSemi, touch x:55 y:174$", timeout=5)
        deadline = time.monotonic() + 10
        while True:
            semitone = self.step_byte(self.arp_clip(0, 0), 0, SEMITONE)
            if semitone == 11 or time.monotonic() > deadline:
                break
            time.sleep(0.2)
        self.assertEqual(semitone, 11, self.sim.text()[-3000:])


if __name__ == "__main__":
    unittest.main()
