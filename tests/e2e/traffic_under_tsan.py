"""synthcore-sim built with ThreadSanitizer, driven for a bounded time by MIDI on the serial
PTY, host clients, panel frames and touch taps at once. Any report the sanitizer prints, or an
exit other than the panel-less stop, fails the run.

Given the factory-bank tool, the tree holds its presets and two songs whose program maps name
them, and a MIDI file: then program changes on the four parts' channels load presets, taps on
the ARRANGER page's song list load songs, and the file is imported into track 1's clip by touch
now and then, each while the rest of the traffic goes on.

    traffic_under_tsan.py SIM HUB [SECONDS [FACTORY_BANK]]"""

import os
import random
import struct
import subprocess
import sys
import time

import harness

WORKING = "/var/lib/ruv/working/"
# Screen places.
ARRANGER_TAB = (50, 20)
SONG_ROWS = [(600, 80), (600, 120)]
CLIP_KEY = (150, [134])        # the panel key that shows the clip launcher
TRACK_TAB_KEY = (149, [134])   # the panel key that shows the track tab of part A
OPEN_BUTTON = (300, 390)
FIRST_SLOT = (60, 116)         # track 1, scene 1
FILE_TAB = (224, 60)
FIRST_FILE = (600, 120)
IMPORT = (70, 350)
HOST_MIDI_KIND, CMD_CREATE = 2, 200
SONG_EVERY, IMPORT_EVERY = 4.0, 9.0  # seconds between song loads, between imports


def fill_tree(tree, factory_bank):
    """The factory bank, a second song mapping the programs the other way round, and a MIDI
    file of a few hundred notes."""
    subprocess.run([factory_bank, tree.root], check=True, capture_output=True, timeout=120)
    songs = tree.path(WORKING + "arrangments/")
    with open(songs + "[default].arr", encoding="utf-8") as f:
        text = f.read()
    for program in range(4):
        text = text.replace('Nr="%d"' % program, 'Nr="x%d"' % (3 - program))
    with open(songs + "second.arr", "w", encoding="utf-8") as f:
        f.write(text.replace('Nr="x', 'Nr="'))
    track = b""
    for i in range(400):
        key = 48 + i % 24
        track += bytes([0, 0x90, key, 100, 48, 0x80, key, 0])
    track += b"\x00\xff\x2f\x00"
    os.makedirs(tree.path(WORKING + "midifiles"), exist_ok=True)
    with open(tree.path(WORKING + "midifiles/tune.mid"), "wb") as f:
        f.write(b"MThd" + struct.pack(">IHHH", 6, 0, 1, 96) + b"MTrk" + struct.pack(">I", len(track)) + track)


def import_file(sim, panel, touch):
    """Track 1 scene 1 made a MIDI clip by the host, opened on the clip launcher, and the
    first file of the MIDI-FILE tab imported into it."""
    client = harness.HostClient(sim.host_port, timeout=30)
    try:
        client.receive()
        client.send(struct.pack("<5I", 15, HOST_MIDI_KIND, CMD_CREATE, 0, 0) + b"import\0")
    finally:
        client.close()
    panel.send(*CLIP_KEY)
    time.sleep(0.2)
    for place in (OPEN_BUTTON, FIRST_SLOT):
        touch.tap(*place)
        time.sleep(0.2)
    panel.send(*TRACK_TAB_KEY)
    time.sleep(0.2)
    for place in (FILE_TAB, FIRST_FILE, IMPORT):
        touch.tap(*place)
        time.sleep(0.2)


def main():
    sim_program, hub_program = sys.argv[1], sys.argv[2]
    seconds = float(sys.argv[3]) if len(sys.argv) > 3 else 20.0
    factory_bank = sys.argv[4] if len(sys.argv) > 4 else None
    tree = harness.DataTree()
    if factory_bank:
        fill_tree(tree, factory_bank)
    hub = harness.Hub(hub_program, tree.can_dir, seconds=int(seconds) + 120)
    panel = harness.Panel(hub.path)
    midi = harness.MidiWriter(tree)
    suppressions = os.path.join(os.path.dirname(os.path.abspath(__file__)), "tsan_suppressions.txt")
    # A longer history keeps both stacks of a race found late in the run.
    env_options = ("halt_on_error=0 report_signal_unsafe=0 exitcode=66 history_size=7 suppressions=%s "
                   % suppressions
                   + os.environ.get("TSAN_OPTIONS", ""))
    os.environ["TSAN_OPTIONS"] = env_options
    sim = harness.Sim(sim_program, tree, capture=tree.path("/tmp/capture.raw"), screen=tree.path("/tmp/screen.fb"))
    status = 1
    try:
        sim.wait_ready(panel, timeout=120)
        touch = harness.TouchWriter(tree)
        rng = random.Random(46)
        end = time.monotonic() + seconds
        next_song = time.monotonic() + SONG_EVERY
        next_import = time.monotonic() + 2.0
        songs = imports = 0
        client = None
        while time.monotonic() < end:
            if factory_bank and time.monotonic() >= next_import:
                if client is not None:  # the host link serves one client at a time
                    client.close()
                    client = None
                import_file(sim, panel, touch)
                imports += 1
                next_import = time.monotonic() + IMPORT_EVERY
            if factory_bank and time.monotonic() >= next_song:
                touch.tap(*ARRANGER_TAB)
                time.sleep(0.1)
                touch.tap(*SONG_ROWS[songs % 2])
                songs += 1
                next_song = time.monotonic() + SONG_EVERY
            k = rng.randrange(8)
            if k == 0:
                midi.send([0x90, 48 + rng.randrange(24), 100, 0x80, 48 + rng.randrange(24), 0])
            elif k == 1:
                midi.send([0xB0, rng.randrange(128), rng.randrange(128)])
            elif k == 2:
                # A program change on one of the four parts' channels.
                midi.send([0xC0 | rng.randrange(4), rng.randrange(4)])
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
        loads = text.count("TIME: Load Engine")
        print("traffic under tsan: %.0f s of traffic (%d touches seen, %d preset loads, %d song loads asked, "
              "%d imports asked), no report" % (seconds, text.count("[TOUCH] press"), loads, songs, imports))
        if factory_bank and loads == 0:
            print("traffic under tsan: no preset was loaded\n" + text[-3000:])
            return 1
        status = 0
    except Exception:
        print("the traffic stopped; the sim's last lines:\n" + sim.text()[-4000:])
        raise
    finally:
        sim.stop()
        panel.close()
        hub.stop()
        midi.close()
        tree.cleanup()
    return status


if __name__ == "__main__":
    sys.exit(main())
