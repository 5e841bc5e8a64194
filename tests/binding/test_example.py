"""The example page of examples/: run as a script would be, it prints the path of a screen
shot whose panel, caption, close mark and widgets are where the script put them."""

import os
import subprocess
import sys
import tempfile
import unittest

from binding_support import Screen, decode_png, png_header

SCRIPT = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "examples", "module_page.py")


class ExamplePage(unittest.TestCase):
    def test_the_page_is_saved_and_shows_what_the_script_built(self):
        with tempfile.TemporaryDirectory() as root:
            run = subprocess.run([sys.executable, SCRIPT, root], capture_output=True, text=True, timeout=60)
            self.assertEqual(run.returncode, 0, run.stderr)
            path = run.stdout.strip().splitlines()[-1]
            self.assertTrue(path.startswith(root) and path.endswith(".png"), path)
            with open(path, "rb") as f:
                data = f.read()
        self.assertEqual(png_header(data)[:2], (800, 480))
        screen = Screen(*decode_png(data))
        cases = [  # what, x, y, colour
            ("caption", 400, 5, 0x505050),
            ("close mark's frame", 740, 20, 0xFFFFFF),
            ("close mark's frame", 795, 20, 0xFFFFFF),
            ("panel", 700, 300, 0x202020),
            ("checked button", 60, 85, 0x0000D2),
            ("other button", 260, 85, 0x303030),
            ("bar, filled half", 100, 190, 0x00C000),
            ("bar, empty half", 500, 190, 0x000000),
            ("text box", 300, 300, 0x000000),
        ]
        for what, x, y, colour in cases:
            with self.subTest(what, x=x, y=y):
                self.assertEqual(screen.pixel(x, y), colour)
        # The two lines of the text box, white, near its bottom.
        self.assertTrue(any(screen.pixel(x, y) == 0xFFFFFF for x in range(50, 250) for y in range(405, 430)))


if __name__ == "__main__":
    unittest.main()
