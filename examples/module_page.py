"""A small page drawn with the tovgui module: a captioned panel with a close mark, two
buttons (one checked), a label, a bar at half level and a text box with two lines. It paints
the page with one GUI pass, saves the screen as a PNG and prints the PNG's path.

    PYTHONPATH=build/release/binding/python /usr/bin/python3 examples/module_page.py [ROOT]

On a PC the module's board stand-ins take the first call: the data folders go under ROOT (a new
temporary folder when none is given) and the display is a framebuffer in memory.
"""

import ctypes
import os
import sys
import tempfile

import _tovgui
import tovgui

root = sys.argv[1] if len(sys.argv) > 1 else tempfile.mkdtemp(prefix="module-page-")
ctypes.CDLL(_tovgui.__file__).tovgui_install_stand_ins(os.fsencode(root), None, None)
os.makedirs(os.path.join(root, tovgui.PATH_IMAGES.lstrip("/")), exist_ok=True)

# The drawing context, and the manager that paints the page on it (no CAN device here).
dc = tovgui.uxDC()
gui = tovgui.GUIManager(dc, None)

# The page: a full-width panel with caption and close mark. The panel deletes what it holds,
# so each widget is handed over as it is made.
page = tovgui.uxPanelCtrl(gui, 1, "Example", tovgui.uxPOINT(0, 0), 800, 480, 0x202020,
                          tovgui.OPTION_FLAG_CAPTION | tovgui.OPTION_FLAG_CLOSE)
page.SetTypeName("Module page")


def add(widget):
    widget.SetEnabled(True)
    page.AddElement(widget)
    return widget


play = add(tovgui.uxButton(gui, 1, tovgui.uxPOINT(40, 80), 160, 50, 0x303030, 0xC0C0C0, 0xFFFFFF))
play.SetText("Play")
# A checked button fills with the theme's foreground, white by default: a colour of its own
# keeps the white caption readable.
play.SetColor(tovgui.ButtonCheckColor, 0x0000D2)
play.SetChecked(True)
stop = add(tovgui.uxButton(gui, 2, tovgui.uxPOINT(240, 80), 160, 50, 0x303030, 0xC0C0C0, 0xFFFFFF))
stop.SetText("Stop")
label = add(tovgui.uxLabel(gui, tovgui.uxPOINT(440, 80), 200, 50, 0x000000, 0xC0C0C0, 0xFFFFFF, 7))
label.setText("120.0 BPM")
bar = add(tovgui.uxBarCtrl(gui, 3, 40, 170, 600, 40, 0x000000, 0xC0C0C0, 0x00C000))
bar.setOrientation(tovgui.uxBarCtrl_LeftRight)
bar.setLevel(50.0)
log = add(tovgui.uxTextBox(gui, "log", tovgui.uxPOINT(40, 250), 600, 180, 0x000000, 0x101010, 0xFFFFFF, 7))
log.AddLine("Page built from a script")
log.AddLine("Saved below")

page.SetEnabled(True)
gui.AddElement(page)
gui.DoGUI()

dc.saveScreen("module_page")
print(os.path.join(root, tovgui.PATH_IMAGES.lstrip("/"), "module_page.png"))
