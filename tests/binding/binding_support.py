"""What the tests of the tovgui module share: C stdout capture, a runner for code that must
start in a fresh interpreter, the stand-in devices, the module's function list and the
create/destroy loop that finds leaks."""

import contextlib
import ctypes
import gc
import os
import socket
import struct
import subprocess
import sys
import tempfile
import time
import tracemalloc
import unittest

import _tovgui

HERE = os.path.dirname(os.path.abspath(__file__))
# Set by CTest in the AddressSanitizer configuration, whose quarantine makes RSS meaningless.
SANITIZED = os.environ.get("SYNTH_SANITIZE") == "1"

_libc = ctypes.CDLL(None)


def module_function_names():
    """The 535 functions scripts may rely on, one name a line."""
    with open(os.path.join(HERE, "module_functions.txt"), encoding="ascii") as f:
        return [line.strip() for line in f if line.strip()]


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
        self._hub = subprocess.Popen([hub, name, directory, "300"], stdout=subprocess.PIPE, text=True)
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
