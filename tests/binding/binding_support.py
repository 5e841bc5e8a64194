"""What the tests of the tovgui module share: C stdout capture, a runner for code that must
start in a fresh interpreter, the stand-in devices, the module's function list and the
create/destroy loop that finds leaks."""

import contextlib
import ctypes
import gc
import os
import shutil
import socket
import struct
import subprocess
import sys
import tempfile
import time
import tracemalloc
import unittest
import zlib

import _tovgui
import tovgui

HERE = os.path.dirname(os.path.abspath(__file__))
# Set by CTest in the AddressSanitizer configuration, whose quarantine makes RSS meaningless.
SANITIZED = os.environ.get("SYNTH_SANITIZE") == "1"

_libc = ctypes.CDLL(None)


def module_function_names():
    """The 535 functions scripts may rely on, one name a line."""
    with open(os.path.join(HERE, "module_functions.txt"), encoding="ascii") as f:
        return [line.strip() for line in f if line.strip()]


def overload_text(name, *prototypes):
    """The NotImplementedError text of a call that fits none of a function's forms."""
    return (f"Wrong number or type of arguments for overloaded function '{name}'.\n"
            "  Possible C/C++ prototypes are:\n" + "".join(f"    {p}\n" for p in prototypes))


def wrapper_names():
    """The functions the built module has, in its table's order."""
    return [k for k, v in vars(_tovgui).items() if type(v).__name__ == "builtin_function_or_method"]


@contextlib.contextmanager
def c_stdout():
    """Collects what native code writes to file descriptor 1 (printf and friends, buffered in
    C stdio) while the block runs. Yields a list that holds the text afterwards."""
    out = []
    sys.stdout.flush()
    _libc.fflush(None)
    saved = os.dup(1)
    with tempfile.TemporaryFile() as sink:
        os.dup2(sink.fileno(), 1)
        try:
            yield out
        finally:
            _libc.fflush(None)
            sys.stdout.flush()
            os.dup2(saved, 1)
            os.close(saved)
            sink.seek(0)
            out.append(sink.read().decode("utf-8", "surrogateescape"))


def c_text(captured):
    return captured[0] if captured else ""


def run_python(code, timeout=30):
    """Runs `code` in a new interpreter with this process's module path and environment
    (the sanitizer runtime included). Returns the CompletedProcess; output is text."""
    return subprocess.run([sys.executable, "-c", code], capture_output=True, text=True, timeout=timeout,
                          env=os.environ.copy())


def install_stand_ins(root, can_directory=None, screen_file=None):
    """Puts the module's paths under `root`, CAN on the virtual bus and drawing contexts on a
    memory framebuffer, through the module's one C function for tests. Returns its result."""
    lib = ctypes.CDLL(_tovgui.__file__)
    fn = lib.tovgui_install_stand_ins
    fn.argtypes = [ctypes.c_char_p, ctypes.c_char_p, ctypes.c_char_p]
    fn.restype = ctypes.c_int

    def enc(s):
        return None if s is None else os.fsencode(s)

    return fn(enc(root), enc(can_directory), enc(screen_file))


def _rss_bytes():
    with open("/proc/self/statm") as f:
        return int(f.read().split()[1]) * os.sysconf("SC_PAGE_SIZE")


def assert_no_growth(one_round, rounds=20000, warmup=2000, traced_bound=256 * 1024, rss_bound=1024 * 1024):
    """Runs `one_round` `warmup` times, then `rounds` times more, and raises AssertionError
    when Python's traced memory or the process's resident size grew past its bound over the
    second run. Every round must drop what it made; one leaked record per round trips it."""
    was_tracing = tracemalloc.is_tracing()
    if not was_tracing:
        tracemalloc.start()
    try:
        for _ in range(warmup):
            one_round()
        gc.collect()
        traced0, rss0 = tracemalloc.get_traced_memory()[0], _rss_bytes()
        for _ in range(rounds):
            one_round()
        gc.collect()
        traced, rss = tracemalloc.get_traced_memory()[0] - traced0, _rss_bytes() - rss0
    finally:
        if not was_tracing:
            tracemalloc.stop()
    if traced > traced_bound:
        raise AssertionError(f"Python memory grew by {traced} bytes over {rounds} rounds")
    if not SANITIZED and rss > rss_bound:
        raise AssertionError(f"resident size grew by {rss} bytes over {rounds} rounds")
    return traced, rss


class LiveCapture:
    """What native code writes to file descriptor 1, readable while the block still runs:
    the toolkit's log lines end in a flush, whichever thread writes them."""

    def __init__(self, path):
        self.path = path

    def text(self):
        with open(self.path, "rb") as f:
            return f.read().decode("utf-8", "surrogateescape")

    def wait_for(self, needle, count=1, timeout=5.0):
        """Waits until `needle` was written `count` times; returns the text so far."""
        deadline = time.monotonic() + timeout
        while True:
            text = self.text()
            if text.count(needle) >= count or time.monotonic() > deadline:
                return text
            time.sleep(0.005)


@contextlib.contextmanager
def live_c_stdout():
    sys.stdout.flush()
    _libc.fflush(None)
    saved = os.dup(1)
    with tempfile.TemporaryDirectory() as d:
        path = os.path.join(d, "stdout")
        fd = os.open(path, os.O_WRONLY | os.O_CREAT | os.O_APPEND, 0o600)
        os.dup2(fd, 1)
        os.close(fd)
        try:
            yield LiveCapture(path)
        finally:
            _libc.fflush(None)
            sys.stdout.flush()
            os.dup2(saved, 1)
            os.close(saved)


# The kernel's classic CAN frame: identifier, data length, three pad bytes, eight data bytes.
CAN_FRAME = struct.Struct("=IB3x8s")


def can_frame(can_id, data):
    return CAN_FRAME.pack(can_id, len(data), bytes(data).ljust(8, b"\0"))


class VirtualBus:
    """A virtual CAN bus for one interface: the project's hub program in a subprocess, and
    peers that are plain sockets in this process. The module's devices reach it once the
    stand-ins point CAN at `directory`."""

    def __init__(self, directory, name="can0"):
        hub = os.environ.get("RUV_CANHUB")
        if not hub:
            raise unittest.SkipTest("RUV_CANHUB (the virtual bus hub) is not set")
        self.directory, self.name = directory, name
        self.path = os.path.join(directory, name)
        # Ends by itself after a while, should a failed run leave it behind.
        # The hub is a program of its own: the sanitizer runtime preloaded into this interpreter
        # is not for it (its own is linked in).
        env = {k: v for k, v in os.environ.items() if k != "LD_PRELOAD"}
        self._hub = subprocess.Popen([hub, name, directory, "300"], stdout=subprocess.PIPE, text=True, env=env)
        if "ready" not in self._hub.stdout.readline():
            self.close()
            raise RuntimeError("the virtual CAN hub did not start")

    def peer(self, timeout=5.0):
        s = socket.socket(socket.AF_UNIX, socket.SOCK_SEQPACKET)
        s.connect(self.path)
        s.settimeout(timeout)
        return s

    def close(self):
        self._hub.terminate()
        self._hub.wait(10)
        self._hub.stdout.close()


def read_frame(peer):
    """The next frame at a peer as (identifier, data bytes)."""
    can_id, length, data = CAN_FRAME.unpack(peer.recv(CAN_FRAME.size + 1))
    return can_id, data[:length]


def no_frame(peer, wait=0.2):
    """True when nothing arrives at the peer within `wait` seconds."""
    saved = peer.gettimeout()
    peer.settimeout(wait)
    try:
        peer.recv(CAN_FRAME.size + 1)
        return False
    except socket.timeout:
        return True
    finally:
        peer.settimeout(saved)


# The kernel's input event record of this machine: time (two longs), type, code, value.
INPUT_EVENT = struct.Struct("llHHi")


def input_events(*events):
    return b"".join(INPUT_EVENT.pack(0, 0, t, c, v) for t, c, v in events)


# PNG from the standard library alone: the pictures the tests write, and the screen shots of
# uxDC_saveScreen decoded independently of libpng.

PNG_SIGNATURE = b"\x89PNG\r\n\x1a\n"


def png_chunk(kind, data):
    body = kind + data
    return struct.pack(">I", len(data)) + body + struct.pack(">I", zlib.crc32(body) & 0xFFFFFFFF)


def encode_png(width, height, colour_type, rows, extra=b"", depth=8):
    """A PNG of the given rows (bytes each, unfiltered); `extra` goes before the pixel data."""
    ihdr = struct.pack(">IIBBBBB", width, height, depth, colour_type, 0, 0, 0)
    raw = b"".join(b"\x00" + row for row in rows)
    return (PNG_SIGNATURE + png_chunk(b"IHDR", ihdr) + extra + png_chunk(b"IDAT", zlib.compress(raw)) +
            png_chunk(b"IEND", b""))


def fixture_png(kind, width, height, seed=0):
    """Returns (PNG bytes, pixels as (r, g, b) row by row) of an 8-bit picture whose every
    pixel differs from its neighbours; another seed gives other colours. Kinds: rgb, rgba,
    palette, grey, greyalpha."""
    def colour(x, y):
        return ((x * 53 + 17 + seed * 99) & 255, (y * 71 + 29) & 255, ((x + y) * 37 + 5 + seed * 45) & 255)

    if kind == "palette":
        palette = [colour(i, 3 * i) for i in range(7)]
        index = [[(x + 2 * y) % 7 for x in range(width)] for y in range(height)]
        rows = [bytes(r) for r in index]
        extra = png_chunk(b"PLTE", bytes(v for c in palette for v in c)) + png_chunk(b"tRNS", bytes([255, 128, 0]))
        return encode_png(width, height, 3, rows, extra), [[palette[i] for i in r] for r in index]
    if kind in ("grey", "greyalpha"):
        grey = [[colour(x, y)[0] for x in range(width)] for y in range(height)]
        if kind == "grey":
            rows = [bytes(r) for r in grey]
            return encode_png(width, height, 0, rows), [[(g, g, g) for g in r] for r in grey]
        rows = [bytes(v for g in r for v in (g, 200)) for r in grey]
        return encode_png(width, height, 4, rows), [[(g, g, g) for g in r] for r in grey]
    px = [[colour(x, y) for x in range(width)] for y in range(height)]
    if kind == "rgb":
        return encode_png(width, height, 2, [bytes(v for p in r for v in p) for r in px]), px
    if kind == "rgba":
        rows = [bytes(v for x, p in enumerate(r) for v in p + ((x * 90) & 255,)) for r in px]
        return encode_png(width, height, 6, rows), px
    raise ValueError(kind)


def png_header(data):
    """(width, height, bit depth, colour type, interlace) from the IHDR chunk."""
    if data[:8] != PNG_SIGNATURE or data[12:16] != b"IHDR":
        raise ValueError("not a PNG")
    width, height, depth, colour_type, _, _, interlace = struct.unpack_from(">IIBBBBB", data, 16)
    return width, height, depth, colour_type, interlace


def _unfilter(kind, line, prev, bpp):
    """One reconstructed scan line. None, Sub and Up work on whole lines as integers, one
    byte per lane; Average and Paeth go byte by byte."""
    if kind == 0:
        return line
    n = len(line)
    if kind in (1, 2):
        low, high = int.from_bytes(b"\x7f" * n, "little"), int.from_bytes(b"\x80" * n, "little")
        mask = (1 << (8 * n)) - 1

        def add(a, b):  # bytewise a + b mod 256, no carry between bytes
            return ((a & low) + (b & low)) ^ ((a ^ b) & high)

        x = int.from_bytes(line, "little")
        if kind == 2:
            return add(x, int.from_bytes(prev, "little")).to_bytes(n, "little")
        shift = 8 * bpp
        while shift < 8 * n:
            x = add(x, (x << shift) & mask)
            shift *= 2
        return x.to_bytes(n, "little")
    out = bytearray(line)
    for i in range(n):
        a = out[i - bpp] if i >= bpp else 0
        b = prev[i]
        if kind == 3:
            out[i] = (out[i] + (a + b) // 2) & 255
            continue
        c = prev[i - bpp] if i >= bpp else 0
        p = a + b - c
        pa, pb, pc = abs(p - a), abs(p - b), abs(p - c)
        out[i] = (out[i] + (a if pa <= pb and pa <= pc else b if pb <= pc else c)) & 255
    return bytes(out)


def decode_png(data, rows=None):
    """Decodes an 8-bit RGB or RGBA PNG, CRCs checked. Returns (width, height, lines), each
    line the RGBA bytes of one row; only the first `rows` rows when given."""
    width, height, depth, colour_type, interlace = png_header(data)
    if depth != 8 or colour_type not in (2, 6) or interlace:
        raise ValueError("layout not decoded here: depth %d, colour type %d" % (depth, colour_type))
    pos, idat = 8, []
    while pos < len(data):
        (length,) = struct.unpack_from(">I", data, pos)
        kind, body = data[pos + 4:pos + 8], data[pos + 8:pos + 8 + length]
        (crc,) = struct.unpack_from(">I", data, pos + 8 + length)
        if zlib.crc32(kind + body) & 0xFFFFFFFF != crc:
            raise ValueError("bad CRC in " + kind.decode("latin-1"))
        if kind == b"IDAT":
            idat.append(body)
        elif kind == b"IEND":
            break
        pos += 12 + length
    bpp = 4 if colour_type == 6 else 3
    stride = width * bpp
    raw = zlib.decompress(b"".join(idat))
    prev, lines = bytes(stride), []
    for y in range(height if rows is None else min(rows, height)):
        start = y * (stride + 1)
        prev = _unfilter(raw[start], raw[start + 1:start + 1 + stride], prev, bpp)
        lines.append(prev if bpp == 4 else b"".join(prev[i:i + 3] + b"\xff" for i in range(0, stride, 3)))
    return width, height, lines


class Screen:
    """A decoded screen shot: colours as 0xRRGGBB."""

    def __init__(self, width, height, lines):
        self.width, self.height, self.lines = width, height, lines

    def pixel(self, x, y):
        r, g, b = self.lines[y][4 * x:4 * x + 3]
        return (r << 16) | (g << 8) | b

    def region(self, x0, y0, x1, y1):
        """The colours of [x0, x1) x [y0, y1), row by row, as a tuple of tuples."""
        return tuple(tuple(self.pixel(x, y) for x in range(x0, x1)) for y in range(y0, y1))

    def painted(self, x0, y0, x1, y1, background=0):
        """The set of (x, y) in the region whose colour is not the background."""
        return {(x, y) for y in range(y0, y1) for x in range(x0, x1) if self.pixel(x, y) != background}


def screen_shot(dc, folder, rows=None):
    """The screen as `dc` saves it into the image `folder` (its first `rows` rows when given)."""
    with c_stdout():
        _tovgui.uxDC_saveScreen(dc, "shot")
    with open(os.path.join(folder, "shot.png"), "rb") as f:
        return Screen(*decode_png(f.read(), rows))


def clear_screen(dc):
    _tovgui.uxDC_BeginPaint(dc, 0, 0, 800, 480)
    _tovgui.uxDC_FillFrame(dc, 0, 0, 799, 479, 0)
    _tovgui.uxDC_EndPaint(dc)


def start_gui(prefix):
    """A fresh root with the stand-ins and an empty image folder, a screen and a GUIManager on
    it: (root, image folder, screen, manager). stop_gui ends them."""
    root = tempfile.mkdtemp(prefix=prefix)
    if install_stand_ins(root) != 0:
        raise RuntimeError("no memory framebuffer")
    images = os.path.join(root, "usr/share/ruv/gui")
    os.makedirs(images)
    dc = _tovgui.new_uxDC()
    with c_stdout():
        gm = _tovgui.new_GUIManager(dc, None)  # opens the context
    return root, images, dc, gm


def stop_gui(root, dc, gm):
    _tovgui.delete_GUIManager(gm)
    _tovgui.delete_uxDC(dc)
    shutil.rmtree(root)


def pt(x, y):
    return tovgui.uxPOINT(x, y)


def assert_raise_table(test, cases):
    """Each (function, args, kind, text) case raises `kind` with exactly `text`."""
    for function, args, kind, text in cases:
        with test.subTest(function.__name__, args=args[1:]):
            with test.assertRaises(kind) as e:
                function(*args)
            test.assertEqual(str(e.exception), text)


def address(wrapped):
    """The C++ address behind a proxy or a bare pointer object."""
    return int(getattr(wrapped, "this", wrapped))


def std_string(wrapped):
    """The text of a wrapped `std::string *` (the C++ runtime's layout: data pointer, size)."""
    where = int(wrapped)
    data = ctypes.c_void_p.from_address(where).value
    size = ctypes.c_size_t.from_address(where + ctypes.sizeof(ctypes.c_void_p)).value
    return ctypes.string_at(data, size).decode()
