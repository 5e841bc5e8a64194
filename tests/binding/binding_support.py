"""What the tests of the tovgui module share: C stdout capture, a runner for code that must
start in a fresh interpreter, the stand-in devices, the module's function list and the
create/destroy loop that finds leaks."""

import contextlib
import ctypes
import gc
import os
import subprocess
import sys
import tempfile
import tracemalloc

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
