"""synthcore-sim as a person meets it on a PC: from any folder, without privileges, with a
quiet start, the host link on this machine only, and a capture that keeps every period when
it is stopped."""

import os
import re
import resource
import shutil
import signal
import subprocess
import tempfile
import time
import unittest

import harness

SIM = os.environ["SYNTHCORE_SIM"]
FACTORY_BANK = os.environ.get("FACTORY_BANK")
HUB = os.environ.get("RUV_CANHUB")
NOBODY = 65534


def own_lines(sim):
    return [l for l in sim.lines if l.startswith("synthcore-sim: ")]


class FirstRun(unittest.TestCase):

    def test_under_a_long_path_it_plays_and_the_capture_keeps_every_period_at_ctrl_c(self):
        tree = harness.DataTree(length=200)
        self.addCleanup(tree.cleanup)
        self.assertGreaterEqual(len(tree.root), 200)
        capture = tree.path("/tmp/capture.raw")
        sim = harness.Sim(SIM, tree, capture=capture, splash_echo=False)
        self.addCleanup(sim.stop)
        sim.wait_ready()
        time.sleep(0.5)
        self.assertEqual(sim.interrupt(), 0, sim.text()[-3000:])
        periods = int(re.search(r"^synthcore-sim: stopped after (\d+) audio periods$", sim.text(), re.M).group(1))
        self.assertGreater(periods, 0)
        self.assertEqual(os.path.getsize(capture), periods * 128 * 2 * 4)

    def test_a_device_that_cannot_open_is_one_line_naming_it_and_why(self):
        cases = [
            # (arguments relative to the tree, the line)
            (["--pcm", "no_such_pcm_device"],
             r'^synthcore-sim: the audio device "no_such_pcm_device" cannot open: .*Unknown PCM no_such_pcm_device'),
            (["--capture", "{root}/missing/capture.raw"],
             r'^synthcore-sim: the capture file "{root}/missing/capture.raw" cannot be written: No such file'),
        ]
        for args, line in cases:
            with self.subTest(args=args):
                tree = harness.DataTree(length=120)
                self.addCleanup(tree.cleanup)
                sim = harness.Sim(SIM, tree, [a.format(root=tree.root) for a in args], splash_echo=False)
                self.addCleanup(sim.stop)
                self.assertEqual(sim.wait(30), 251, sim.text())
                self.assertEqual(len(own_lines(sim)), 1, sim.text())
                self.assertRegex(own_lines(sim)[0], line.format(root=re.escape(tree.root)))
                self.assertNotIn("ALSA lib", sim.text())

    def test_what_the_sim_does_unasked_and_when_asked(self):
        cases = [
            # (arguments, listening address, self-test lines, profiling dump)
            ([], "127.0.0.1", False, False),
            (["--host-address", "0.0.0.0", "--self-test", "--profiling"], "0.0.0.0", True, True),
        ]
        for args, address, self_test, dump in cases:
            with self.subTest(args=args):
                tree = harness.DataTree()
                self.addCleanup(tree.cleanup)
                sim = harness.Sim(SIM, tree, args, splash_echo=False)
                self.addCleanup(sim.stop)
                sim.wait_ready()
                self.assertEqual(harness.listening_addresses(sim.host_port), [address])
                client = harness.HostClient(sim.host_port)
                self.assertEqual(client.receive()[0], 16)
                client.close()
                self.assertEqual(any(l.startswith("fastAtan(") for l in sim.lines), self_test)
                time.sleep(0.1)
                self.assertEqual(os.path.exists(tree.path("/tmp/profiling2.data")), dump)
                sim.stop()

    @unittest.skipUnless(shutil.which("setpriv"), "needs setpriv")
    def test_an_ordinary_user_without_capabilities_runs_it(self):
        if os.geteuid() != 0:
            self.skipTest("changing user needs root")
        tree = harness.DataTree()
        self.addCleanup(tree.cleanup)
        for top, dirs, files in os.walk(tree.root):
            for name in dirs + files:
                os.lchown(os.path.join(top, name), NOBODY, NOBODY)
        os.chown(tree.root, NOBODY, NOBODY)
        capture = tree.path("/tmp/capture.raw")
        sim = harness.Sim(SIM, tree, capture=capture, splash_echo=False, prefix=[
            "setpriv", "--reuid=%d" % NOBODY, "--regid=%d" % NOBODY, "--clear-groups",
            "--inh-caps=-all", "--bounding-set=-all", "--"])
        self.addCleanup(sim.stop)
        try:
            sim.wait_ready()
        except AssertionError:
            if "Permission denied" in sim.text() and "synthcore-sim" not in sim.text():
                self.skipTest("the build folder is not reachable for uid %d" % NOBODY)
            raise
        if resource.getrlimit(resource.RLIMIT_RTPRIO)[0] == 0:
            self.assertEqual(own_lines(sim)[0],
                             "synthcore-sim: real-time scheduling is not granted here; running with normal scheduling")
            # Said once: the audio thread's fall-back is the same news.
            self.assertNotIn("Couldn't set high priority scheduling", sim.text())
        self.assertNotIn("Missing cpability", sim.text())
        os.kill(sim.pid, signal.SIGINT)
        self.assertEqual(sim.wait(15), 0)
        self.assertGreater(os.path.getsize(capture), 0)


class RunScript(unittest.TestCase):
    """scripts/run answers a request for help, or an option it does not know, with its usage,
    before it checks, builds or makes anything."""

    RUN = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "scripts", "run")

    def test_help_and_unknown_options_get_the_usage(self):
        cases = [
            # (argument, exit status, where the usage goes)
            ("--help", 0, "stdout"),
            ("-h", 0, "stdout"),
            ("--no-such-option", 2, "stderr"),
        ]
        for argument, status, stream in cases:
            with self.subTest(argument=argument):
                folder = tempfile.mkdtemp()
                self.addCleanup(shutil.rmtree, folder)
                done = subprocess.run(["bash", self.RUN, argument], cwd=folder, capture_output=True, text=True,
                                      timeout=30)
                self.assertEqual(done.returncode, status, done.stdout + done.stderr)
                self.assertIn("usage: scripts/run [DATA_DIR]", getattr(done, stream))
                self.assertEqual(os.listdir(folder), [])
                self.assertFalse(os.path.exists(os.path.join(os.path.dirname(self.RUN), "..", argument)))


def formula_hz(note, coarse=-24, octave_keys=36):
    """The engine's pitch of a MIDI note on a part: the key three octaves up (the parts'
    default octave), 103.6 Hz at octave 4 semitone 8, the factory presets' coarse tuning."""
    key = note + octave_keys
    return 103.6 * 2 ** ((key % 12 + coarse - 8) / 12 + key // 12 - 4)


class PlayedSim(unittest.TestCase):
    """A class's one sim on its prepared `tree`, played through MIDI and heard in its capture:
    a subclass's setUpClass fills the tree, then calls start_sim."""

    @classmethod
    def start_sim(cls, screen=None):
        cls.midi = harness.MidiWriter(cls.tree)
        cls.capture = cls.tree.path("/tmp/capture.raw")
        cls.sim = harness.Sim(SIM, cls.tree, capture=cls.capture, screen=screen, splash_echo=False)
        try:
            cls.sim.wait_ready()
        except Exception:
            cls.tearDownClass()
            raise

    @classmethod
    def tearDownClass(cls):
        cls.sim.stop()
        cls.midi.close()
        cls.tree.cleanup()


@unittest.skipUnless(FACTORY_BANK, "needs the factory-bank tool")
class FactoryBank(PlayedSim):
    """A fresh tree with the factory bank: a note on each of channels 1-4 sounds at once, at
    the formula's pitch, four notes stay below full scale, and the kit plays on channel 10."""

    @classmethod
    def setUpClass(cls):
        cls.tree = harness.DataTree()
        made = subprocess.run([FACTORY_BANK, cls.tree.root], capture_output=True, text=True)
        assert made.returncode == 0, made.stderr
        cls.start_sim()

    def play(self, channel, notes, seconds):
        """The capture's frames while `notes` sound on `channel` (1-16)."""
        start = os.path.getsize(self.capture) // 8
        for n in notes:
            self.midi.send([0x90 | (channel - 1), n, 127])
        time.sleep(seconds)
        end = os.path.getsize(self.capture) // 8
        for n in notes:
            self.midi.send([0x80 | (channel - 1), n, 0])
        time.sleep(0.5)  # the release
        return start, end

    def test_each_part_sounds_at_the_formula_pitch_without_clipping(self):
        cases = [
            # (channel, preset)
            (1, "Init Algorithmic"),
            (2, "Init Wavetable"),
            (3, "Init Resonator"),
            (4, "Init Sample"),
        ]
        for channel, preset in cases:
            with self.subTest(channel=channel, preset=preset):
                self.assertTrue(os.path.isfile(self.tree.path("/var/lib/ruv/working/presets/%s.preset" % preset)))
                start, end = self.play(channel, [69], 0.8)
                # The middle of the note: past the attack, before the release.
                left = harness.capture_frames(self.capture, start + (end - start) // 3, end - (end - start) // 6)
                peak = max(abs(x) for x in left)
                self.assertGreater(peak, 0.03)
                self.assertLess(peak, 0.3)
                self.assertAlmostEqual(harness.fundamental(left[:4800], 440.0), formula_hz(69), delta=1.0)
                start, end = self.play(channel, [57, 60, 64, 67], 0.8)
                chord = harness.capture_frames(self.capture, start, end)
                self.assertGreater(max(abs(x) for x in chord), peak)
                self.assertLess(max(abs(x) for x in chord), 0.9)

    def test_the_kits_drum_notes_play_on_channel_10(self):
        for note in (36, 38, 42, 39):  # kick, snare, hat, clap
            with self.subTest(note=note):
                start, end = self.play(10, [note], 0.4)
                hit = harness.capture_frames(self.capture, start, end)
                self.assertGreater(max(abs(x) for x in hit), 0.1)


@unittest.skipUnless(FACTORY_BANK, "needs the factory-bank tool")
class EarlyNotes(unittest.TestCase):
    """A player does not wait for the start to finish: a note sent the moment the sim starts
    sounds once it runs."""

    def test_a_note_sent_at_once_after_start_is_heard(self):
        tree = harness.DataTree()
        self.addCleanup(tree.cleanup)
        made = subprocess.run([FACTORY_BANK, tree.root], capture_output=True, text=True)
        self.assertEqual(made.returncode, 0, made.stderr)
        midi = harness.MidiWriter(tree)
        self.addCleanup(midi.close)
        capture = tree.path("/tmp/capture.raw")
        sim = harness.Sim(SIM, tree, capture=capture, splash_echo=False)
        self.addCleanup(sim.stop)
        midi.send([0x90, 69, 127])
        sim.wait_line(r"^Open MIDI \[OK\]$")
        midi.send([0x90, 69, 100])  # the line is open, the parts not yet loaded
        sim.wait_ready()
        time.sleep(1.0)
        frames = os.path.getsize(capture) // 8
        held = harness.capture_frames(capture, frames - 24000, frames)
        self.assertGreater(max(abs(x) for x in held), 0.03, "the early notes are silent")
        self.assertAlmostEqual(harness.fundamental(held[:4800], 440.0), formula_hz(69), delta=1.0)
        self.assertNotIn("dropped", sim.text())


@unittest.skipUnless(FACTORY_BANK, "needs the factory-bank tool")
class PedalFollow(PlayedSim):
    """A PC has no expression pedal: the sim's stands at full travel, so a part set to follow
    the pedal on the Master page still plays."""

    EXPEDAL_A = (100, 295)

    @classmethod
    def setUpClass(cls):
        cls.tree = harness.DataTree()
        made = subprocess.run([FACTORY_BANK, cls.tree.root], capture_output=True, text=True)
        assert made.returncode == 0, made.stderr
        cls.start_sim(screen=cls.tree.path("/tmp/screen.fb"))

    def test_a_part_following_the_pedal_plays(self):
        touch = harness.TouchWriter(self.tree)
        self.addCleanup(touch.close)
        screen = self.tree.path("/tmp/screen.fb")
        before = harness.screen_pixel(screen, *self.EXPEDAL_A)
        touch.tap(*self.EXPEDAL_A)
        deadline = time.monotonic() + 5
        while harness.screen_pixel(screen, *self.EXPEDAL_A) == before and time.monotonic() < deadline:
            time.sleep(0.05)
        self.assertNotEqual(harness.screen_pixel(screen, *self.EXPEDAL_A), before, "EXPedal-A is not on")
        time.sleep(0.3)
        start = os.path.getsize(self.capture) // 8
        self.midi.send([0x90, 69, 127])
        time.sleep(0.8)
        end = os.path.getsize(self.capture) // 8
        self.midi.send([0x80, 69, 0])
        held = harness.capture_frames(self.capture, start + (end - start) // 3, end)
        self.assertGreater(max(abs(x) for x in held), 0.03, "the part following the pedal is silent")
        self.assertLess(max(abs(x) for x in held), 0.5)


@unittest.skipUnless(FACTORY_BANK, "needs the factory-bank tool")
class ProgramChanges(PlayedSim):
    """Program changes on part A's channel: after each, a note plays the preset the program map
    names, told apart by pitch; a program whose preset file is missing keeps the sound."""

    PRESETS = "/var/lib/ruv/working/presets/%s.preset"
    # (program, preset, coarse tuning): copies of the factory's algorithmic preset an octave apart.
    MAP = [(0, "Init Algorithmic", -24), (5, "Octave Up", -12), (6, "Octave Down", -36), (7, "Not There", None)]

    @classmethod
    def setUpClass(cls):
        cls.tree = harness.DataTree()
        made = subprocess.run([FACTORY_BANK, cls.tree.root], capture_output=True, text=True)
        assert made.returncode == 0, made.stderr
        with open(cls.tree.path(cls.PRESETS % "Init Algorithmic"), encoding="utf-8") as f:
            base = f.read()
        line = '<Parameter Name="ALGOSC1 Coarse" index="0" Value="-24.000">'
        assert base.count(line) == 1
        entries = ""
        for program, preset, coarse in cls.MAP:
            if coarse is not None and coarse != -24:
                with open(cls.tree.path(cls.PRESETS % preset), "w", encoding="utf-8") as f:
                    f.write(base.replace(line, line.replace("-24.000", "%d.000" % coarse)))
            if program != 0:
                entries += '\t\t<PROGRAM Nr="%d" Preset="%s">\n\t\t</PROGRAM>\n' % (program, preset)
        arrangement = cls.tree.path("/var/lib/ruv/working/arrangments/[default].arr")
        with open(arrangement, encoding="utf-8") as f:
            text = f.read()
        assert text.count("\t</PGM-MAP>") == 1
        with open(arrangement, "w", encoding="utf-8") as f:
            f.write(text.replace("\t</PGM-MAP>", entries + "\t</PGM-MAP>"))
        cls.start_sim()

    def loads_done(self):
        """Program loads finished: the engine filled (the swap follows within a few periods)
        or the preset refused."""
        return sum(1 for l in list(self.sim.lines) if "TIME: Load Engine" in l or "ERROR preset load" in l)

    def pitch_of_a_note(self, near_hz):
        start = os.path.getsize(self.capture) // 8
        self.midi.send([0x90, 69, 127])
        time.sleep(0.6)
        end = os.path.getsize(self.capture) // 8
        self.midi.send([0x80, 69, 0])
        time.sleep(0.5)  # the release
        held = harness.capture_frames(self.capture, start + (end - start) // 3, end)
        self.assertGreater(max(abs(x) for x in held), 0.03)
        return harness.fundamental(held[:4800], near_hz)

    def test_the_note_after_each_program_change_plays_the_mapped_preset(self):
        coarse = {program: c for program, _, c in self.MAP}
        sounding = -24
        self.assertAlmostEqual(self.pitch_of_a_note(formula_hz(69, sounding)), formula_hz(69, sounding), delta=1.0)
        for program in (5, 6, 0, 5, 7, 6, 6):
            with self.subTest(program=program):
                loads = self.loads_done()
                self.midi.send([0xC0, program])
                deadline = time.monotonic() + 10
                while self.loads_done() == loads and time.monotonic() < deadline:
                    time.sleep(0.05)
                time.sleep(0.5)  # the swap and the tick after the load
                if coarse[program] is not None:
                    sounding = coarse[program]
                # Searched near the requested pitch, whose octave neighbours lie outside the window.
                self.assertAlmostEqual(self.pitch_of_a_note(formula_hz(69, sounding)), formula_hz(69, sounding),
                                       delta=1.5)


@unittest.skipUnless(shutil.which("Xvfb") and FACTORY_BANK and HUB, "needs Xvfb, the factory bank and the bus hub")
class Window(unittest.TestCase):
    """The sim on a display: its window shows the framebuffer, takes the mouse as the touch
    screen and the keyboard as the panel's keys and a MIDI keyboard, and lights its level."""

    GRID = [(x, y) for x in range(5, 800, 95) for y in range(5, 480, 79)]
    LEVEL_METER = (645, 500)  # the start of the meter in the strip under the screen
    METER_OFF = 0x202020
    PEDAL = (550, 496)  # the low end of the pedal's bar, above its percentage
    PEDAL_ON = 0x3060C0
    TITLES = (0, 482, 800, 490)  # the row of the strip's group names
    TITLE = 0xC0C0C0

    @classmethod
    def setUpClass(cls):
        cls.x = harness.XServer()
        cls.tree = harness.DataTree()
        subprocess.run([FACTORY_BANK, cls.tree.root], check=True, capture_output=True)
        cls.hub = harness.Hub(HUB, cls.tree.can_dir)
        cls.capture = cls.tree.path("/tmp/capture.raw")
        cls.screen = cls.tree.path("/tmp/screen.fb")
        cls.sim = harness.Sim(SIM, cls.tree, capture=cls.capture, screen=cls.screen, splash_echo=False,
                              window=True, env=cls.x.environment())
        try:
            cls.sim.wait_ready()
            cls.sim.wait_line(r"^synthcore-sim: the screen is in a window", timeout=5)
        except Exception:
            cls.tearDownClass()
            raise

    @classmethod
    def tearDownClass(cls):
        cls.sim.stop()
        cls.hub.stop()
        cls.tree.cleanup()
        cls.x.stop()

    def wait_pixel(self, point, colour, timeout=5.0):
        deadline = time.monotonic() + timeout
        while self.x.pixel(*point) != colour and time.monotonic() < deadline:
            time.sleep(0.05)
        return self.x.pixel(*point)

    def wait_window_shows_screen(self, timeout=5.0):
        deadline = time.monotonic() + timeout
        while True:
            differ = [(x, y) for x, y in self.GRID if self.x.pixel(x, y) != harness.screen_pixel(self.screen, x, y)]
            if not differ:
                return
            if time.monotonic() > deadline:
                self.fail("window and framebuffer differ at %s" % differ[:5])
            time.sleep(0.1)

    def test_touch_and_panel_key_change_the_window_as_the_framebuffer(self):
        cases = [
            # (what, the act, a point of the screen it changes)
            ("a click on the DIAG tab", lambda: self.x.click(730, 20), (730, 20)),
            ("the panel's first key (A)", lambda: (self.x.key("a", True), self.x.key("a", False)), (405, 20)),
        ]
        for what, act, (px, py) in cases:
            with self.subTest(what):
                self.wait_window_shows_screen()
                before = self.x.pixel(px, py)
                act()
                deadline = time.monotonic() + 5
                while self.x.pixel(px, py) == before and time.monotonic() < deadline:
                    time.sleep(0.05)
                self.assertNotEqual(self.x.pixel(px, py), before)
                self.wait_window_shows_screen()

    def test_the_strip_names_its_lamps_and_the_pedal_keys_move_the_pedal(self):
        self.wait_window_shows_screen()
        self.assertEqual(self.wait_pixel(self.PEDAL, self.PEDAL_ON), self.PEDAL_ON, "the pedal starts at full travel")
        x0, y0, x1, y1 = self.TITLES
        lettered = [x for x in range(x0, x1) if any(self.x.pixel(x, y) == self.TITLE for y in range(y0, y1))]
        self.assertGreater(len(lettered), 100, "the strip's groups carry no names")
        for key, colour in (("minus", self.METER_OFF), ("equal", self.PEDAL_ON)):
            for _ in range(10):
                self.x.key(key, True)
                time.sleep(0.02)
                self.x.key(key, False)
                time.sleep(0.02)  # a press at the moment of a release would be taken for the key's repeat
            self.assertEqual(self.wait_pixel(self.PEDAL, colour), colour, key)

    def test_a_computer_key_plays_a_note_and_lights_the_level(self):
        self.wait_window_shows_screen()
        self.assertEqual(self.wait_pixel(self.LEVEL_METER, self.METER_OFF), self.METER_OFF)
        start = os.path.getsize(self.capture) // 8
        self.x.key("z", True)  # C3 on channel 1, part A
        time.sleep(0.6)
        lit = self.x.pixel(*self.LEVEL_METER)
        end = os.path.getsize(self.capture) // 8
        self.x.key("z", False)
        held = harness.capture_frames(self.capture, start + (end - start) // 2, end)
        self.assertGreater(max(abs(v) for v in held), 0.03)
        self.assertNotEqual(lit, self.METER_OFF)
        self.assertAlmostEqual(harness.fundamental(held[:4800], 130.0), formula_hz(48), delta=0.5)


if __name__ == "__main__":
    unittest.main()
