"""The source folders stand in floors: a folder includes only itself and the folders below it,
so a library links what it includes and nothing runs back up."""
import os
import re
import unittest

TOP = os.path.abspath(os.path.join(os.path.dirname(__file__), "..", ".."))

# Folder -> the folders its sources may include (besides itself).
BELOW = {
    "platform": set(),
    "numeric": {"platform"},
    "data": {"numeric", "platform"},
    "engine": {"data", "numeric", "platform"},
    "audio": {"engine", "data", "numeric", "platform"},
    "midi": {"data", "platform"},
    "toolkit": {"platform"},
    "app": {"audio", "engine", "data", "midi", "numeric", "platform", "toolkit"},
    "pages": {"app", "audio", "engine", "data", "midi", "numeric", "platform", "toolkit"},
    "binding": {"toolkit", "platform"},
    "programs": {"app", "pages", "audio", "engine", "data", "midi", "numeric", "platform", "toolkit"},
    "tools": {"app", "pages", "audio", "engine", "data", "midi", "numeric", "platform", "toolkit"},
}

INCLUDE = re.compile(r'^\s*#\s*include\s+"([A-Za-z0-9_]+)/', re.MULTILINE)


def included_folders(folder):
    """Yields (file, included top folder) for every project include under `folder`."""
    for root, _, files in os.walk(os.path.join(TOP, folder)):
        for name in files:
            if not name.endswith((".h", ".cpp", ".c", ".i")):
                continue
            path = os.path.join(root, name)
            with open(path, encoding="utf-8", errors="replace") as f:
                for target in INCLUDE.findall(f.read()):
                    if os.path.isdir(os.path.join(TOP, target)):
                        yield os.path.relpath(path, TOP), target


class IncludeFloors(unittest.TestCase):
    def test_every_folder_is_listed(self):
        for name in BELOW:
            self.assertTrue(os.path.isdir(os.path.join(TOP, name)), name)

    def test_no_include_runs_back_up(self):
        upward = []
        for folder, allowed in BELOW.items():
            for path, target in included_folders(folder):
                if target != folder and target not in allowed:
                    upward.append(f"{path} includes {target}/")
        self.assertEqual(upward, [])


if __name__ == "__main__":
    unittest.main()
