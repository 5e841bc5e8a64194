"""synthcore-sim built with ThreadSanitizer, driven for a bounded time by MIDI on the serial
PTY, host clients, panel frames and touch taps at once. Any report the sanitizer prints, or an
exit other than the panel-less stop, fails the run.

    traffic_under_tsan.py SIM HUB [SECONDS]"""

import os
import random
import struct
import sys
import time

import harness


def main():
    sim_program, hub_program = sys.argv[1], sys.argv[2]
    seconds = float(sys.argv[3]) if len(sys.argv) > 3 else 20.0
    blocked = harness.sim_can_start()
    if blocked:
        print("traffic under tsan: skipped, %s" % blocked)
        return 0
    tree = harness.DataTree()
    hub = harness.Hub(hub_program, tree.can_dir, seconds=int(seconds) + 120)
    panel = harness.Panel(hub.path)
    midi = harness.MidiWriter(tree)
    env_options = "halt_on_error=0 report_signal_unsafe=0 exitcode=66 " + os.environ.get("TSAN_OPTIONS", "")
    os.environ["TSAN_OPTIONS"] = env_options
    sim = harness.Sim(sim_program, tree, capture=tree.path("/tmp/capture.raw"), screen=tree.path("/tmp/screen.fb"))
    status = 1
    try:
        sim.wait_ready(panel, timeout=120)
        touch = harness.TouchWriter(tree)
        rng = random.Random(46)
        end = time.monotonic() + seconds
        client = None
        while time.monotonic() < end:
            k = rng.randrange(8)
            if k == 0:
                midi.send([0x90, 48 + rng.randrange(24), 100, 0x80, 48 + rng.randrange(24), 0])
            elif k == 1:
                midi.send([0xB0, rng.randrange(128), rng.randrange(128)])
            elif k == 2:
                midi.send([0xC0, rng.randrange(4)])
            elif k == 3:
                # A value frame for a panel control, then a key press and release.
                panel.send(0x100 + rng.randrange(64), bytes([0xB0, rng.randrange(4), 1]) + struct.pack("<f", rng.random() * 100))
                panel.send(40, [0xA1, rng.randrange(16)])
            elif k == 4:
                panel.send(416, bytes([0xB0, 0, 1]) + struct.pack("<f", rng.random() * 100))
            elif k == 5:
                # Every other tap on the tab bar, so each page is shown and runs meanwhile.
                if rng.randrange(2):
                    touch.tap(40 + 80 * rng.randrange(10), 20)
                else:
                    touch.tap(rng.randrange(20, 780), rng.randrange(50, 460))
            elif k == 6:
                if client is None:
                    client = harness.HostClient(sim.host_port, timeout=30)
                    client.receive()
                else:
                    client.close()
                    client = None
            else:
                midi.send([0xF8])
            time.sleep(0.005)
        if client is not None:
            client.close()
        touch.close()
        if sim.proc.poll() is not None:
            print("the sim ended during the traffic:\n" + sim.text()[-3000:])
            return 1
        sim.stop()
        text = sim.text()
        reports = text.count("WARNING: ThreadSanitizer")
        if reports:
            print(text[text.index("WARNING: ThreadSanitizer"):][:20000])
            print("traffic under tsan: %d reports" % reports)
            return 1
        print("traffic under tsan: %.0f s of traffic (%d touches seen), no report" %
              (seconds, text.count("[TOUCH] press")))
        status = 0
    finally:
        sim.stop()
        panel.close()
        hub.stop()
        midi.close()
        tree.cleanup()
    return status


if __name__ == "__main__":
    sys.exit(main())
