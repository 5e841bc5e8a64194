"""The MIDI track page in the running program: a real MIDI file (Debian's openttd-openmsx)
imported by touch on the MIDI-FILE tab lands in the track's clip as an independent reader
(mido, through tests/support/midi_oracle.py) pairs its notes, is reported so by the host
link, is drawn by the GRID tab and sounds when the clip plays; and a file's note sounds at
the pitch of the same note played live."""

import os
import shutil
import struct
import subprocess
import tempfile
import time
import unittest

import harness

SIM = os.environ["SYNTHCORE_SIM"]
HUB = os.environ["RUV_CANHUB"]
FIXTURE_TREE = os.environ["E2E_FIXTURE_TREE"]
FACTORY_BANK = os.environ.get("FACTORY_BANK")
ORACLE = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "support", "midi_oracle.py")
MUSIC = "/usr/share/games/openttd/baseset/openmsx/"
FILE = "chuggachugga.mid"

# Screen places.
SYNTH_TAB = (235, 20)
CATEGORY_BUTTON = (330, 290)
PRESET_ROW_1 = (600, 120)
CLIP_KEY = (150, [134])        # the panel key that shows the clip launcher
TRACK_TAB_KEY = (149, [134])   # the panel key that shows the track tab of part A
OPEN_BUTTON = (300, 390)
FIRST_SLOT = (60, 116)         # track 1, scene 1
GRID_TAB = (29, 60)
FILE_TAB = (224, 60)
FIRST_FILE = (600, 120)
IMPORT = (70, 350)
ROLL = (5, 100, 795, 400)      # the grid tab's roll on the screen
NOTE_BAR = 0x202080

HOST_MIDI_KIND = 2
CMD_CREATE, CMD_REQUEST = 200, 201
MIDI_RECORD = 9
RECORD_HEADER, EVENT_SIZE = 48, 16
KIND_SCENE, CMD_LAUNCH = 5, 3
TRANSPORT, PLAYING = 1, 3   # host packet type of the transport frame; a playing scene
# Part A's MIDI input moves live keys by its octave setting (+3 by default); a clip holds keys
# so moved, and an import moves the file's keys as much.
LIVE_KEY_OFFSET = 36


def oracle_notes(path):
    """(start, end, key) of every paired note of the track the import takes, at 96 a quarter."""
    out = tempfile.mkdtemp()
    try:
        subprocess.run(["/usr/bin/python3", ORACLE, "dump", out, path], check=True, capture_output=True, timeout=60)
        with open(os.path.join(out, os.path.basename(path) + ".dump")) as f:
            lines = f.read().split("\n")
    finally:
        shutil.rmtree(out)
    tpq = int(lines[0].split()[3])
    pairs = [list(map(int, line.split()[1:])) for line in lines if line.startswith("p ")]
    tracks = sorted({p[0] for p in pairs})
    track = tracks[0] if tracks else 0

    def scale(tick):
        return (tick * 96 * 2 + tpq) // (2 * tpq)
    return sorted((scale(p[1]), scale(p[2]), p[4]) for p in pairs if p[0] == track)


class SimWithAMidiFile:
    """A sim on a tree made by `tree_program`, with `path` in its MIDI-file folder, a panel
    on the bus, touch and the DIN MIDI port."""

    def start(self, tree_program, path):
        self.tree = harness.DataTree()
        self.addCleanup(self.tree.cleanup)
        subprocess.run([tree_program, self.tree.root], check=True, capture_output=True, timeout=30)
        # The file given is the MIDI-FILE tab's first (and only) row: the factory's own files go.
        folder = self.tree.path("/var/lib/ruv/working/midifiles")
        shutil.rmtree(folder, ignore_errors=True)
        os.makedirs(folder)
        shutil.copy(path, folder)
        self.midi = harness.MidiWriter(self.tree)
        self.addCleanup(self.midi.close)
        self.hub = harness.Hub(HUB, self.tree.can_dir)
        self.addCleanup(self.hub.stop)
        self.panel = harness.Panel(self.hub.path)
        self.addCleanup(self.panel.close)
        self.capture = self.tree.path("/tmp/capture.raw")
        self.screen = self.tree.path("/tmp/screen.fb")
        self.sim = harness.Sim(SIM, self.tree, capture=self.capture, screen=self.screen)
        self.addCleanup(self.sim.stop)
        self.sim.wait_ready(self.panel)
        self.touch = harness.TouchWriter(self.tree)
        self.addCleanup(self.touch.close)

    def import_into_track_1(self):
        """Track 1 scene 1 becomes a MIDI clip and the track's edit clip; the first file of
        the MIDI-FILE tab is imported into it by touch."""
        self.host(15, HOST_MIDI_KIND, CMD_CREATE, 0, 0, text=b"import").close()
        self.panel.send(*CLIP_KEY)
        time.sleep(0.4)
        self.tap(OPEN_BUTTON)
        self.tap(FIRST_SLOT)
        self.sim.wait_line(r"\[CLIP\] Open Scene \(0:0\)", timeout=5)
        self.panel.send(*TRACK_TAB_KEY)
        time.sleep(0.4)
        self.tap(FILE_TAB)
        self.tap(FIRST_FILE)
        self.tap(IMPORT)
        deadline = time.monotonic() + 15
        notes = []
        while time.monotonic() < deadline:
            notes = self.clip_notes()
            if notes:
                break
            time.sleep(0.3)
        return notes

    def launch_track_1(self):
        client = self.host(4, KIND_SCENE, CMD_LAUNCH, 0, 0)
        # The launch waits for the launch quantum; the transport frame tells when it plays.
        deadline = time.monotonic() + 20
        state = 0
        while state != PLAYING and time.monotonic() < deadline:
            state = client.receive_type(TRANSPORT)[9]
        client.close()
        self.assertEqual(state, PLAYING)

    def tap(self, place):
        self.touch.tap(*place)
        time.sleep(0.4)  # a table's choice is taken by a later GUI tick

    def host(self, *words, text=b""):
        client = harness.HostClient(self.sim.host_port)
        self.addCleanup(client.close)
        client.receive()  # the clip grid every client is greeted with
        client.send(struct.pack("<%dI" % len(words), *words) + text + b"\0")
        return client

    def clip_notes(self):
        client = self.host(15, HOST_MIDI_KIND, CMD_REQUEST, 0, 0)
        record = client.receive_type(MIDI_RECORD)
        client.close()
        notes = []
        for at in range(RECORD_HEADER, len(record) - EVENT_SIZE + 1, EVENT_SIZE):
            kind, start, end = struct.unpack_from("<iii", record, at)
            if kind == 0:
                notes.append((start, end, record[at + 13]))
        return sorted(notes)

    def roll_note_pixels(self):
        return sum(1 for y in range(ROLL[1], ROLL[3], 2) for x in range(ROLL[0], ROLL[2], 2)
                   if harness.screen_pixel(self.screen, x, y) == NOTE_BAR)



class MidiTrackPageInTheSim(SimWithAMidiFile, unittest.TestCase):

    def setUp(self):
        self.path = MUSIC + FILE
        if not os.path.exists(self.path):
            self.skipTest("needs openttd-openmsx (scripts/setup)")
        self.start(FIXTURE_TREE, self.path)

    def test_a_real_file_imported_by_touch(self):
        expected = [(start, end, key + LIVE_KEY_OFFSET) for start, end, key in oracle_notes(self.path)]
        self.assertGreater(len(expected), 0)

        # Part A sounds; the file goes into track 1's clip.
        self.tap(SYNTH_TAB)
        self.tap(CATEGORY_BUTTON)
        self.tap(PRESET_ROW_1)
        self.tap(PRESET_ROW_1)
        time.sleep(1.0)
        notes = self.import_into_track_1()
        with self.subTest("the host link reports the oracle's notes, moved as live keys are"):
            self.assertEqual(notes, expected, self.sim.text()[-3000:])

        with self.subTest("the GRID tab draws them"):
            self.tap(GRID_TAB)
            deadline = time.monotonic() + 5
            while self.roll_note_pixels() == 0 and time.monotonic() < deadline:
                time.sleep(0.2)
            self.assertGreater(self.roll_note_pixels(), 0)

        with self.subTest("the clip sounds"):
            _, _, start = harness.capture_levels(self.capture)
            time.sleep(1.0)
            quiet, _, start = harness.capture_levels(self.capture, skip_frames=start)
            self.launch_track_1()
            _, _, start = harness.capture_levels(self.capture)
            time.sleep(3.0)
            peak, _, _ = harness.capture_levels(self.capture, skip_frames=start)
            self.assertGreater(peak, max(1e-4, 4 * quiet), self.sim.text()[-2000:])

def formula_hz(note, coarse=-24, octave_keys=LIVE_KEY_OFFSET):
    """The engine's pitch of a MIDI note played live on a part of the factory bank: the key
    moved by the part's octave, 103.6 Hz at octave 4 semitone 8, the presets' coarse tuning."""
    key = note + octave_keys
    return 103.6 * 2 ** ((key % 12 + coarse - 8) / 12 + key // 12 - 4)


def one_note_file(path, key, quarters):
    """A format-0 file at 96 a quarter: one note of `key` lasting `quarters`."""
    ticks = quarters * 96
    delta = bytes([ticks & 0x7F])
    while ticks > 0x7F:
        ticks >>= 7
        delta = bytes([0x80 | (ticks & 0x7F)]) + delta
    track = b"\x00\x90" + bytes([key, 100]) + delta + b"\x80" + bytes([key, 0]) + b"\x00\xff\x2f\x00"
    with open(path, "wb") as f:
        f.write(b"MThd" + struct.pack(">IHHH", 6, 0, 1, 96) + b"MTrk" + struct.pack(">I", len(track)) + track)


@unittest.skipUnless(FACTORY_BANK, "needs the factory-bank tool")
class ImportedFilePitch(SimWithAMidiFile, unittest.TestCase):
    """A file's middle C, imported with TRANSPOSE at 0, is held by the clip as the key the
    engine gets for middle C played live on the part's channel, which sounds at the
    formula's pitch."""

    def setUp(self):
        folder = tempfile.mkdtemp()
        self.addCleanup(shutil.rmtree, folder)
        path = os.path.join(folder, "middle-c.mid")
        one_note_file(path, 60, 64)
        self.start(FACTORY_BANK, path)

    def pitch(self, seconds):
        start = os.path.getsize(self.capture) // 8
        time.sleep(seconds)
        end = os.path.getsize(self.capture) // 8
        held = harness.capture_frames(self.capture, start + (end - start) // 3, end)
        self.assertGreater(max(abs(x) for x in held), 0.01, self.sim.text()[-2000:])
        return harness.fundamental(held[:4800], formula_hz(60))

    def test_a_file_plays_at_the_pitches_it_holds(self):
        self.midi.send([0x90, 60, 127])
        live = self.pitch(0.8)
        self.midi.send([0x80, 60, 0])
        time.sleep(0.5)
        self.assertAlmostEqual(live, formula_hz(60), delta=1.0)
        self.assertEqual([key for _, _, key in self.import_into_track_1()], [60 + LIVE_KEY_OFFSET])


if __name__ == "__main__":
    unittest.main()
