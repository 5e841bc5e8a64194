"""The board's build of the tovgui module, imported by the board's own interpreter under the
emulator. No armhf Python can be installed beside the host's, so Debian's packages are fetched
and unpacked into the build folder the first time, and the test skips when they cannot be."""

import os
import shutil
import subprocess
import tempfile
import unittest

MODULE_DIR = os.environ["TOVGUI_PYTHON_DIR"]
EMULATOR = os.environ["SYNTH_EMULATOR"].split()
ROOT = os.environ["BOARD_PYTHON_ROOT"]
PACKAGES = ("python3.11-minimal:armhf", "libpython3.11-minimal:armhf", "libpython3.11-stdlib:armhf")
INTERPRETER = os.path.join(ROOT, "usr", "bin", "python3.11")

# Runs on the board's interpreter. Pointer size and extension suffix show which build was
# loaded; the int member's limit is where a 32-bit long differs from the host's.
SCRIPT = r"""
import struct, sys
sys.path.insert(0, sys.argv[1])
import tovgui
r = tovgui.uxRECT(10, 20, 110, 70)
r.move(5, -5)
print(struct.calcsize("P"), tovgui._tovgui.__file__.rsplit(".", 2)[-2])
print(tovgui.SOFTWARE_RELEASE, tovgui.LOG_10, tovgui.EXCLUSIVE_REGION)
print(r.left, r.top, r.right, r.bottom, r.width, r.height)
r.left = 2**31 - 1
try:
    r.left = 2**31
except OverflowError:
    print("overflow", r.left)
"""


def fetch_interpreter():
    """Unpacks the board's interpreter and standard library under ROOT; returns why not, or None."""
    if os.path.exists(INTERPRETER):
        return None
    os.makedirs(os.path.dirname(ROOT), exist_ok=True)
    work = tempfile.mkdtemp(prefix="board-python.", dir=os.path.dirname(ROOT))
    try:
        got = subprocess.run(["apt-get", "download", "-q", *PACKAGES], cwd=work, capture_output=True,
                             text=True, timeout=300)
        debs = sorted(f for f in os.listdir(work) if f.endswith(".deb"))
        if got.returncode != 0 or len(debs) != len(PACKAGES):
            last = (got.stderr.strip().splitlines() or ["no output"])[-1]
            return f"cannot fetch the board's Python (apt-get download {' '.join(PACKAGES)}): {last}"
        for deb in debs:
            subprocess.run(["dpkg", "-x", deb, "root"], cwd=work, check=True, timeout=120)
        # Renamed into place whole, so a run cut short leaves nothing half unpacked.
        os.rename(os.path.join(work, "root"), ROOT)
        return None
    finally:
        shutil.rmtree(work, ignore_errors=True)


class BoardImport(unittest.TestCase):
    def test_board_interpreter_imports_the_board_module(self):
        why = fetch_interpreter()
        if why:
            self.skipTest(why)
        # -I: nothing from the host's environment or site-packages reaches the board's interpreter.
        run = subprocess.run([*EMULATOR, INTERPRETER, "-I", "-c", SCRIPT, MODULE_DIR], capture_output=True,
                             text=True, timeout=120)
        self.assertEqual(run.returncode, 0, run.stderr)
        self.assertEqual(run.stdout.splitlines(), [
            "4 cpython-311-arm-linux-gnueabihf",
            "Beta 2.302585093 True",
            "15 15 115 65 100 50",
            "overflow 2147483647",
        ])


if __name__ == "__main__":
    unittest.main()
