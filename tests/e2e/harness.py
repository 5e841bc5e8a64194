"""End-to-end harness for synthcore-sim: a temporary data tree mirroring the board's absolute
layout, the virtual CAN bus with a panel on it, the serial MIDI port on a PTY, the touch
screen's FIFO, the host link's client, the audio capture and the screen.

Standard library only. Later tests reuse these pieces; each piece fails loudly with what it
saw when an expectation is not met."""

import array
import fcntl
import math
import os
import pty
import re
import shutil
import signal
import socket
import struct
import subprocess
import tempfile
import termios
import threading
import time
import tty
import zlib

FRAME = struct.Struct("<IB3x8s")  # struct can_frame: id, dlc, padding, data
# struct input_event: a 64-bit time value on a 64-bit host, 32-bit on the 32-bit board.
INPUT_EVENT = {64: struct.Struct("<qqHHi"), 32: struct.Struct("<iiHHi")}
HOST_HEADER = struct.Struct("<III")  # payload length, magic, crc32(payload)
HOST_MAGIC = 0xAA551122
BEAT_PULSE_ID = 32
# What start-up sends the panel last: mode 1, part A, no focus, both volumes 0.
STARTUP_FRAMES = [(40, b"\xA2\x01"), (40, b"\xA0\x00"), (40, b"\xA1\xFF"), (416, b"\x00"), (417, b"\x00")]

SCREEN_W, SCREEN_H = 800, 480


class DataTree:
    """A temporary root with the directories the instrument uses at their absolute places."""

    DIRS = ("dev/input", "tmp", "run/can", "var/lib/ruv/working", "usr/share/ruv/gui")

    def __init__(self, gpio=True, touch=True, length=0):
        """`length`: the root's path is made at least that long (nested folders of a long name)."""
        self._tmp = tempfile.TemporaryDirectory(prefix="synthcore-e2e-")
        self.root = self._tmp.name
        while len(self.root) < length:
            self.root = os.path.join(self.root, "d" * min(100, max(1, length - len(self.root) - 1)))
            os.mkdir(self.root)
        for d in self.DIRS:
            os.makedirs(self.path("/" + d), exist_ok=True)
        if gpio:
            with open(self.path("/dev/mem"), "wb") as f:
                f.truncate(16 * 1024 * 1024)  # sparse: the GPIO block the sim maps at offset 0
        if touch:
            os.mkfifo(self.path("/dev/input/event0"))
        self.can_dir = self.path("/run/can")

    def path(self, absolute):
        return self.root + absolute

    def cleanup(self):
        self._tmp.cleanup()


class Hub:
    """The virtual CAN bus's hub program for interface can0."""

    def __init__(self, hub_program, directory, seconds=120):
        self.proc = subprocess.Popen(command(hub_program) + ["can0", directory, str(seconds)],
                                     stdout=subprocess.PIPE, stderr=subprocess.STDOUT, text=True)
        line = self.proc.stdout.readline()
        if "ready" not in line:
            raise RuntimeError("hub did not start: %r" % line)
        self.path = os.path.join(directory, "can0")

    def interrupt(self, timeout=15.0):
        """Ctrl-C: SIGINT to the sim alone; its exit status."""
        self.proc.send_signal(signal.SIGINT)
        return self.wait(timeout)

    def stop(self):
        if self.proc.poll() is None:
            self.proc.terminate()
        self.proc.wait(5)
        self.proc.stdout.close()


def format_frame(can_id, data):
    return "%03X#%s" % (can_id, bytes(data).hex().upper())


class Panel:
    """A member of the virtual bus standing in for the front panel."""

    def __init__(self, hub_path):
        self.sock = socket.socket(socket.AF_UNIX, socket.SOCK_SEQPACKET)
        self.sock.connect(hub_path)
        self.frames = []  # (id, bytes) in arrival order
        self._cond = threading.Condition()
        self._thread = threading.Thread(target=self._read, daemon=True)
        self._thread.start()

    def _read(self):
        while True:
            try:
                raw = self.sock.recv(FRAME.size)
            except OSError:
                return
            if len(raw) != FRAME.size:
                return
            can_id, dlc, data = FRAME.unpack(raw)
            with self._cond:
                self.frames.append((can_id & 0x7FF, data[:min(dlc, 8)]))
                self._cond.notify_all()

    def send(self, can_id, data):
        data = bytes(data)
        self.sock.send(FRAME.pack(can_id, len(data), data.ljust(8, b"\0")))

    def expect(self, expected, timeout=10.0, start=0):
        """Waits until `expected` ((id, bytes) pairs) arrived in this order, other frames (beat
        pulses, values) in between allowed. Returns the index after the last match."""
        deadline = time.monotonic() + timeout
        with self._cond:
            while True:
                i, at = 0, start
                while at < len(self.frames) and i < len(expected):
                    can_id, data = self.frames[at]
                    if not (can_id == BEAT_PULSE_ID and not data):
                        if (can_id, bytes(data)) == (expected[i][0], bytes(expected[i][1])):
                            i += 1
                    at += 1
                if i == len(expected):
                    return at
                left = deadline - time.monotonic()
                if left <= 0:
                    seen = [format_frame(c, d) for c, d in self.frames if not (c == BEAT_PULSE_ID and not d)]
                    raise AssertionError("frames %s not seen in order; got %s" % (
                        [format_frame(c, bytes(d)) for c, d in expected], seen[:40]))
                self._cond.wait(left)

    def close(self):
        try:
            self.sock.shutdown(socket.SHUT_RDWR)
        except OSError:
            pass
        self.sock.close()


class Sim:
    """synthcore-sim in its own session (the panel's shutdown signals the whole group), its
    output drained continuously so real-time threads never block on a full pipe."""

    def __init__(self, program, tree, args=(), host_port=None, capture=None, screen=None,
                 splash_echo=True, preexec=None, prefix=(), window=False, env=None):
        """`prefix`: a command the sim runs under (setpriv, ...); `window`: the sim may open
        its window where the environment names a display (else it keeps to files)."""
        self.tree = tree
        if getattr(tree, "midi_writer", None) is not None:
            tree.midi_writer.free_line()
        self.host_port = host_port or free_port()
        cmd = list(prefix) + command(program) + ["--root", tree.root, "--can-dir", tree.can_dir, "--host-port", str(self.host_port)]
        if capture:
            cmd += ["--capture", capture]
        if screen:
            cmd += ["--screen", screen]
        if splash_echo:
            cmd.append("--splash-echo")
        if not window:
            cmd.append("--no-window")
        cmd += list(args)
        self.started = time.monotonic()
        self.proc = subprocess.Popen(cmd, stdout=subprocess.PIPE, stderr=subprocess.STDOUT,
                                     start_new_session=True, preexec_fn=preexec, env=env)
        self.lines = []
        self._cond = threading.Condition()
        self._thread = threading.Thread(target=self._drain, daemon=True)
        self._thread.start()

    def _drain(self):
        for raw in self.proc.stdout:
            with self._cond:
                self.lines.append(raw.decode("latin-1").rstrip("\n"))
                self._cond.notify_all()
        with self._cond:
            self._cond.notify_all()

    @property
    def pid(self):
        return self.proc.pid

    def wait_line(self, pattern, timeout=15.0):
        """The first output line matching the regular expression `pattern`."""
        rx = re.compile(pattern)
        deadline = time.monotonic() + timeout
        with self._cond:
            while True:
                for line in self.lines:
                    if rx.search(line):
                        return line
                left = deadline - time.monotonic()
                if left <= 0 or (self.proc.poll() is not None and not self._thread.is_alive()):
                    raise AssertionError("no line matching %r; output:\n%s" % (pattern, self.text()[-3000:]))
                self._cond.wait(min(left, 0.2))

    def wait_ready(self, panel=None, timeout=20.0):
        """Start-up is over once the panel saw its five frames and the main loop (the last
        step, after the signal handler) said so."""
        if panel is not None:
            panel.expect(STARTUP_FRAMES, timeout=timeout)
        # The host link's thread may have begun a line of its own ("Mark the socket for
        # listening...", which ends without a newline) just before.
        self.wait_line(r"synthcore-sim: running$", timeout=timeout)

    def splash(self):
        return [l[len("[splash] "):] for l in list(self.lines) if l.startswith("[splash] ")]

    def text(self):
        with self._cond:
            return "\n".join(self.lines)

    def wait(self, timeout=30.0):
        status = self.proc.wait(timeout)
        self._thread.join(5)
        return status

    def interrupt(self, timeout=15.0):
        """Ctrl-C: SIGINT to the sim alone; its exit status."""
        self.proc.send_signal(signal.SIGINT)
        return self.wait(timeout)

    def stop(self):
        if self.proc.poll() is None:
            try:
                os.killpg(self.proc.pid, signal.SIGTERM)
            except ProcessLookupError:
                pass
        try:
            self.proc.wait(10)
        except subprocess.TimeoutExpired:
            os.killpg(self.proc.pid, signal.SIGKILL)
            self.proc.wait(10)
        self._thread.join(5)
        self.proc.stdout.close()

    def threads(self):
        """{name: [(policy, rt_priority, cpus_allowed), ...]} from /proc, the kernel's view."""
        result = {}
        task_dir = "/proc/%d/task" % self.pid
        for tid in os.listdir(task_dir):
            try:
                with open("%s/%s/comm" % (task_dir, tid)) as f:
                    name = f.read().rstrip("\n")
                with open("%s/%s/stat" % (task_dir, tid)) as f:
                    stat = f.read()
                with open("%s/%s/status" % (task_dir, tid)) as f:
                    status = f.read()
            except FileNotFoundError:
                continue
            fields = stat[stat.rindex(")") + 2:].split()
            # Fields from 3 on: rt_priority is field 40, policy 41.
            rt_priority, policy = int(fields[40 - 3]), int(fields[41 - 3])
            cpus = re.search(r"Cpus_allowed_list:\s*(\S+)", status).group(1)
            result.setdefault(name, []).append((policy, rt_priority, cpus))
        return result


def start_sim_on_bus(owner, sim_program, hub_program):
    """Gives `owner` (a test class, once for all its tests) a data tree, the bus hub, a panel on
    it and the sim, ready; a start that fails stops what had started before it raises."""
    owner.tree = DataTree()
    owner.hub = Hub(hub_program, owner.tree.can_dir)
    owner.panel = Panel(owner.hub.path)
    owner.sim = Sim(sim_program, owner.tree)
    try:
        owner.sim.wait_ready(owner.panel)
    except Exception:
        stop_sim_on_bus(owner)
        raise


def stop_sim_on_bus(owner):
    owner.sim.stop()
    owner.panel.close()
    owner.hub.stop()
    owner.tree.cleanup()


def fixture_tree_on_bus(test, fixture_program, hub_program):
    """Gives `test` (one test, undone at its end) a data tree written by `fixture_program`, the
    bus hub and a panel on it; the sim is the test's to start."""
    test.tree = DataTree()
    test.addCleanup(test.tree.cleanup)
    subprocess.run([fixture_program, test.tree.root], check=True, capture_output=True, timeout=30)
    test.hub = Hub(hub_program, test.tree.can_dir)
    test.addCleanup(test.hub.stop)
    test.panel = Panel(test.hub.path)
    test.addCleanup(test.panel.close)


def target_command(program):
    """The command that starts a program of the build under test: the program itself, or in
    the board's configuration the emulator that SYNTH_EMULATOR names followed by it."""
    return os.environ.get("SYNTH_EMULATOR", "").split() + [program]


def command(program):
    """A program given as a path (started through target_command) or as a whole command."""
    return list(program) if isinstance(program, (list, tuple)) else target_command(program)


def realtime_allowed():
    """Whether the kernel grants SCHED_FIFO here (a container may refuse it even to root)."""
    return subprocess.run(["chrt", "-f", "1", "true"], capture_output=True).returncode == 0 \
        if shutil.which("chrt") else False


def listening_addresses(port):
    """The IPv4 addresses ("127.0.0.1", "0.0.0.0", ...) with a socket listening on TCP `port`."""
    found = []
    with open("/proc/net/tcp") as f:
        for line in f.readlines()[1:]:
            fields = line.split()
            address, hex_port = fields[1].split(":")
            if int(hex_port, 16) == port and fields[3] == "0A":  # TCP_LISTEN
                found.append(socket.inet_ntoa(struct.pack("<I", int(address, 16))))
    return found


def free_port():
    with socket.socket() as s:
        s.bind(("127.0.0.1", 0))
        return s.getsockname()[1]


class MidiWriter:
    """The DIN MIDI port: a PTY whose slave sits at the serial path under the root."""

    def __init__(self, tree):
        self.master, slave = pty.openpty()
        # Raw from the start, as a UART is: bytes sent before the program sets the line up
        # must not meet a terminal's line editing.
        tty.setraw(slave)
        self.slave_name = os.ttyname(slave)
        self._slave = slave  # kept open so the line stays up between the sim's opens
        os.symlink(self.slave_name, tree.path("/dev/serial0"))
        tree.midi_writer = self

    def free_line(self):
        """The instrument takes its line exclusively, and the mode outlives its close while this
        end keeps the line up: cleared for the next start, which may run without the rights
        that open an exclusive line."""
        fcntl.ioctl(self._slave, termios.TIOCNXCL)

    def send(self, data):
        os.write(self.master, bytes(data))

    def close(self):
        os.close(self.master)
        os.close(self._slave)


class TouchWriter:
    """The touch screen: input_event records as `program` reads them (its ELF class chooses
    the layout) into the FIFO at the event device's path, multi-touch protocol, from screen
    coordinates."""

    EV_SYN, EV_ABS = 0, 3
    ABS_MT_POSITION_X, ABS_MT_POSITION_Y, ABS_MT_TRACKING_ID = 53, 54, 57

    def __init__(self, tree, program=None):
        elf_class = 2  # without a program: this machine's own (64-bit) layout
        if program is not None:
            with open(program, "rb") as f:
                elf_class = f.read(5)[4]  # 1: 32-bit, 2: 64-bit
        self._record = INPUT_EVENT[32 if elf_class == 1 else 64]
        self.fd = os.open(tree.path("/dev/input/event0"), os.O_WRONLY)
        self._tracking = 0

    @staticmethod
    def raw(x, y):
        """Raw axis values the driver maps onto screen pixel (x, y)."""
        rx = next(r for r in range(int((x + 10) * 2.5) - 2, int((x + 10) * 2.5) + 4) if int(r / 2.5) - 10 == x)
        ry = next(r for r in range(int((y + 5) * 4.16) - 2, int((y + 5) * 4.16) + 6) if int(r / 4.16) - 5 == y)
        return rx, ry

    def _event(self, type_, code, value):
        now = time.time()
        return self._record.pack(int(now), int((now % 1) * 1e6), type_, code, value)

    def tap(self, x, y):
        rx, ry = self.raw(x, y)
        self._tracking += 1
        records = [self._event(self.EV_ABS, self.ABS_MT_TRACKING_ID, self._tracking),
                   self._event(self.EV_ABS, self.ABS_MT_POSITION_X, rx),
                   self._event(self.EV_ABS, self.ABS_MT_POSITION_Y, ry),
                   self._event(self.EV_SYN, 0, 0),
                   self._event(self.EV_ABS, self.ABS_MT_TRACKING_ID, -1),
                   self._event(self.EV_SYN, 0, 0)]
        os.write(self.fd, b"".join(records))

    def close(self):
        os.close(self.fd)


class GpioBlock:
    """The GPIO register block the sim maps from its "/dev/mem" file: 32-bit words."""

    def __init__(self, tree):
        self.path = tree.path("/dev/mem")

    def word(self, index):
        with open(self.path, "rb") as f:
            f.seek(4 * index)
            return struct.unpack("<I", f.read(4))[0]

    def set_word(self, index, value):
        with open(self.path, "r+b") as f:
            f.seek(4 * index)
            f.write(struct.pack("<I", value))

    def wait_bits(self, index, mask, timeout=5.0):
        deadline = time.monotonic() + timeout
        while self.word(index) & mask != mask:
            if time.monotonic() > deadline:
                raise AssertionError("GPIO word %d is %08X, bits %08X never set" % (index, self.word(index), mask))
            time.sleep(0.01)


class HostClient:
    """The host application's side of the TCP link: length-prefixed packets, CRC-checked."""

    def __init__(self, port, timeout=15.0):
        deadline = time.monotonic() + timeout
        while True:
            try:
                self.sock = socket.create_connection(("127.0.0.1", port), timeout=2)
                break
            except OSError:
                if time.monotonic() > deadline:
                    raise
                time.sleep(0.1)
        self.sock.settimeout(timeout)

    def _exact(self, n):
        data = b""
        while len(data) < n:
            chunk = self.sock.recv(n - len(data))
            if not chunk:
                raise ConnectionError("host link closed")
            data += chunk
        return data

    def receive(self):
        """(type, payload) of the next packet; the CRC and magic must hold."""
        length, magic, crc = HOST_HEADER.unpack(self._exact(HOST_HEADER.size))
        if magic != HOST_MAGIC:
            raise AssertionError("bad magic %08X" % magic)
        payload = self._exact(length)
        if zlib.crc32(payload) != crc:
            raise AssertionError("bad CRC %08X for %d bytes" % (crc, length))
        return struct.unpack_from("<I", payload)[0], payload

    def receive_type(self, wanted, limit=2000):
        for _ in range(limit):
            t, payload = self.receive()
            if t == wanted:
                return payload
        raise AssertionError("no packet of type %d" % wanted)

    def send(self, payload):
        self.sock.sendall(HOST_HEADER.pack(len(payload), HOST_MAGIC, zlib.crc32(payload)) + payload)

    def close(self):
        self.sock.close()


def capture_levels(path, skip_frames=0):
    """(peak, rms, frames) of a raw interleaved 32-bit float stereo capture."""
    samples = array.array("f")
    with open(path, "rb") as f:
        data = f.read()
    data = data[: len(data) // 8 * 8]
    samples.frombytes(data)
    samples = samples[skip_frames * 2:]
    if not samples:
        return 0.0, 0.0, 0
    peak = max(abs(s) for s in samples)
    rms = math.sqrt(sum(s * s for s in samples) / len(samples))
    return peak, rms, len(samples) // 2


def capture_frames(path, start, end, channel=0):
    """One channel of frames [start, end) of a raw interleaved 32-bit float stereo capture."""
    samples = array.array("f")
    with open(path, "rb") as f:
        f.seek(start * 8)
        data = f.read(max(0, end - start) * 8)
    samples.frombytes(data[: len(data) // 8 * 8])
    return samples[channel::2]


def fundamental(samples, near_hz, rate=48000):
    """The fundamental frequency within 25 % of `near_hz`: the lag of the highest
    autocorrelation there, refined by a parabola through its neighbours."""
    lags = range(int(rate / (near_hz * 1.25)), int(rate / (near_hz * 0.75)) + 2)
    n = len(samples) - lags[-1] - 1
    if n < 2 * lags[-1]:
        raise ValueError("too few samples for %g Hz" % near_hz)

    def corr(lag):
        return sum(samples[i] * samples[i + lag] for i in range(n))

    values = {lag: corr(lag) for lag in range(lags[0] - 1, lags[-1] + 2)}
    best = max(lags, key=lambda lag: values[lag])
    a, b, c = values[best - 1], values[best], values[best + 1]
    shift = 0.5 * (a - c) / (a - 2 * b + c) if a - 2 * b + c != 0 else 0.0
    return rate / (best + shift)


def capture_to_wav(raw_path, wav_path):
    """The capture as a 48 kHz 32-bit float stereo WAV a person can play."""
    with open(raw_path, "rb") as f:
        data = f.read()
    data = data[: len(data) // 8 * 8]
    # IEEE float needs the extended format chunk (cbSize 0) and a fact chunk.
    fmt = struct.pack("<HHIIHHH", 3, 2, 48000, 48000 * 8, 8, 32, 0)
    fact = struct.pack("<I", len(data) // 8)
    with open(wav_path, "wb") as f:
        f.write(b"RIFF" + struct.pack("<I", 4 + 8 + len(fmt) + 8 + len(fact) + 8 + len(data)) + b"WAVE")
        f.write(b"fmt " + struct.pack("<I", len(fmt)) + fmt)
        f.write(b"fact" + struct.pack("<I", len(fact)) + fact)
        f.write(b"data" + struct.pack("<I", len(data)) + data)


def screen_to_png(fb_path, png_path, width=SCREEN_W, height=SCREEN_H):
    """The file-backed framebuffer (32 bpp XRGB) as an RGB PNG."""
    with open(fb_path, "rb") as f:
        fb = f.read(width * height * 4)
    rows = bytearray()
    for y in range(height):
        rows.append(0)
        line = fb[y * width * 4:(y + 1) * width * 4]
        for x in range(width):
            b, g, r = line[4 * x], line[4 * x + 1], line[4 * x + 2]
            rows += bytes((r, g, b))

    def chunk(kind, body):
        return struct.pack(">I", len(body)) + kind + body + struct.pack(">I", zlib.crc32(kind + body))

    with open(png_path, "wb") as f:
        f.write(b"\x89PNG\r\n\x1a\n")
        f.write(chunk(b"IHDR", struct.pack(">IIBBBBB", width, height, 8, 2, 0, 0, 0)))
        f.write(chunk(b"IDAT", zlib.compress(bytes(rows), 6)))
        f.write(chunk(b"IEND", b""))


def screen_pixel(fb_path, x, y, width=SCREEN_W):
    with open(fb_path, "rb") as f:
        f.seek((y * width + x) * 4)
        return struct.unpack("<I", f.read(4))[0] & 0xFFFFFF


class XServer:
    """A virtual X display (Xvfb) for the sim's window, driven through the X test extension
    (libX11 and libXtst by ctypes): pointer and keys in, the screen's pixels out."""

    def __init__(self, number=None, size=(1024, 768)):
        import ctypes
        import ctypes.util
        args = ["-screen", "0", "%dx%dx24" % size, "-nolisten", "tcp"]
        if number is not None:
            self.proc = subprocess.Popen(["Xvfb", ":%d" % number] + args,
                                         stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        else:
            # The server picks a free display and writes its number, so runs side by side
            # never share one.
            read_end, write_end = os.pipe()
            self.proc = subprocess.Popen(["Xvfb", "-displayfd", str(write_end)] + args, pass_fds=(write_end,),
                                         stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
            os.close(write_end)
            with os.fdopen(read_end) as f:
                line = f.readline()
            if not line.strip().isdigit():
                self.proc.kill()
                self.proc.wait(10)
                raise RuntimeError("Xvfb did not name its display")
            number = int(line)
        self.number = number
        self.name = ":%d" % self.number
        self.x11 = ctypes.CDLL(ctypes.util.find_library("X11") or "libX11.so.6")
        self.xtst = ctypes.CDLL(ctypes.util.find_library("Xtst") or "libXtst.so.6")
        self.x11.XOpenDisplay.restype = ctypes.c_void_p
        self.x11.XOpenDisplay.argtypes = [ctypes.c_char_p]
        self.x11.XDefaultRootWindow.restype = ctypes.c_ulong
        self.x11.XDefaultRootWindow.argtypes = [ctypes.c_void_p]
        self.x11.XStringToKeysym.restype = ctypes.c_ulong
        self.x11.XStringToKeysym.argtypes = [ctypes.c_char_p]
        self.x11.XKeysymToKeycode.restype = ctypes.c_ubyte
        self.x11.XKeysymToKeycode.argtypes = [ctypes.c_void_p, ctypes.c_ulong]
        self.x11.XSync.argtypes = [ctypes.c_void_p, ctypes.c_int]
        self.x11.XCloseDisplay.argtypes = [ctypes.c_void_p]

        class XImage(ctypes.Structure):
            _fields_ = [("width", ctypes.c_int), ("height", ctypes.c_int), ("xoffset", ctypes.c_int),
                        ("format", ctypes.c_int), ("data", ctypes.POINTER(ctypes.c_ubyte)),
                        ("byte_order", ctypes.c_int), ("bitmap_unit", ctypes.c_int),
                        ("bitmap_bit_order", ctypes.c_int), ("bitmap_pad", ctypes.c_int),
                        ("depth", ctypes.c_int), ("bytes_per_line", ctypes.c_int),
                        ("bits_per_pixel", ctypes.c_int)]
        self.x11.XGetImage.restype = ctypes.POINTER(XImage)
        self.x11.XGetImage.argtypes = [ctypes.c_void_p, ctypes.c_ulong, ctypes.c_int, ctypes.c_int, ctypes.c_uint,
                                       ctypes.c_uint, ctypes.c_ulong, ctypes.c_int]
        self.xtst.XTestFakeMotionEvent.argtypes = [ctypes.c_void_p, ctypes.c_int, ctypes.c_int, ctypes.c_int,
                                                   ctypes.c_ulong]
        self.xtst.XTestFakeButtonEvent.argtypes = [ctypes.c_void_p, ctypes.c_uint, ctypes.c_int, ctypes.c_ulong]
        self.xtst.XTestFakeKeyEvent.argtypes = [ctypes.c_void_p, ctypes.c_uint, ctypes.c_int, ctypes.c_ulong]
        deadline = time.monotonic() + 10
        self.display = None
        while not self.display:
            self.display = self.x11.XOpenDisplay(self.name.encode())
            if not self.display:
                if time.monotonic() > deadline or self.proc.poll() is not None:
                    self.stop()
                    raise RuntimeError("Xvfb %s did not start" % self.name)
                time.sleep(0.1)
        self.root = self.x11.XDefaultRootWindow(self.display)

    def environment(self):
        env = dict(os.environ)
        env["DISPLAY"] = self.name
        env.pop("WAYLAND_DISPLAY", None)
        return env

    def click(self, x, y):
        self.xtst.XTestFakeMotionEvent(self.display, -1, x, y, 0)
        self.x11.XSync(self.display, 0)
        time.sleep(0.05)
        self.xtst.XTestFakeButtonEvent(self.display, 1, 1, 0)
        self.x11.XSync(self.display, 0)
        time.sleep(0.05)
        self.xtst.XTestFakeButtonEvent(self.display, 1, 0, 0)
        self.x11.XSync(self.display, 0)

    def key(self, name, down):
        code = self.x11.XKeysymToKeycode(self.display, self.x11.XStringToKeysym(name.encode()))
        self.xtst.XTestFakeKeyEvent(self.display, code, 1 if down else 0, 0)
        self.x11.XSync(self.display, 0)

    def pixel(self, x, y):
        """0xRRGGBB of the screen at (x, y)."""
        image = self.x11.XGetImage(self.display, self.root, x, y, 1, 1, 0xFFFFFFFF, 2)  # ZPixmap
        b, g, r = image.contents.data[0], image.contents.data[1], image.contents.data[2]
        return (r << 16) | (g << 8) | b

    def stop(self):
        if self.display:
            self.x11.XCloseDisplay(self.display)
            self.display = None
        if self.proc.poll() is None:
            self.proc.terminate()
        self.proc.wait(10)
