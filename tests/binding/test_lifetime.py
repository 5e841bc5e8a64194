"""Objects made and dropped by the thousand leave nothing behind; the test support that shows
it (and the rest of the harness) works."""

import os
import shutil
import subprocess
import tempfile
import unittest

import _tovgui as m
import _tovgui_peer as peer
import tovgui

from binding_support import (SANITIZED, assert_no_growth, c_stdout, c_text, fixture_png,
                             install_stand_ins, module_function_names, run_python)

ROOT = GM = DC = None


def setUpModule():
    # Contexts open a memory framebuffer; pictures come from the image folder under ROOT.
    global ROOT, GM, DC
    ROOT = tempfile.mkdtemp(prefix="tovgui-lifetime-")
    if install_stand_ins(ROOT) != 0:
        raise RuntimeError("no memory framebuffer")
    os.makedirs(os.path.join(ROOT, "usr/share/ruv/gui"))
    for name, seed in (("leak.png", 0), ("leak-two.png", 1)):
        with open(os.path.join(ROOT, "usr/share/ruv/gui", name), "wb") as f:
            f.write(fixture_png("rgba", 16, 8, seed)[0])
    DC = m.new_uxDC()
    with c_stdout():
        GM = m.new_GUIManager(DC, None)


def tearDownModule():
    m.delete_GUIManager(GM)
    m.delete_uxDC(DC)
    shutil.rmtree(ROOT)


def records_round():
    # Every record form and its members, dropped by refcount or deleted explicitly.
    r = m.new_uxRECT(1, 2, 3, 4)
    m.uxRECT_move(r, 1, 1)
    copy = m.new_uxRECT(r)
    m.delete_uxRECT(copy)
    p = tovgui.uxPOINT(tovgui.uxPOINT(1, 2))
    msg = m.new_tUX_Message(256, 1, 2, 1)
    m.tUX_Message_pData_set(msg, p)
    p.thisown = True  # taken back from the record: the proxy frees it
    m.new_tUX_Message(259, 2, None)
    m.new_tUX_Message()
    e = m.new_tENUM()
    m.tENUM_text_set(e, "a text longer than the small-string buffer")
    m.tENUM_text_set(e, "and another one that replaces the first")
    item = tovgui.tListItem()
    item.item_text = "a text longer than the small-string buffer"
    choice = m.new_tEnumItem()
    m.tEnumItem_text_set(choice, "a text longer than the small-string buffer")
    m.delete_tEnumItem(choice)
    m.new_tStdIconItem()
    m.CTheme_SetNamedColor("lifetime.colour", 1, 2, 3)
    m.CTheme_ColorFromName("lifetime.colour", "widget", "element", 0, True)
    m.CTheme_DeleteNamedColor("lifetime.colour")
    m.CTheme_AppColors_set(m.cvar.CTheme_AppColors)
    tovgui.CTheme()


class _Frames(tovgui.CANDevCB):
    def MessageReceived(self, can_id, data, length):
        self.last = can_id


class _Messages(tovgui.GUIManagerCB):
    def MessageReceived(self, msg):
        if msg.type == 999:
            raise KeyError(msg.type)


def callbacks_round():
    # Callbacks owned by their proxies, or handed to the native side and deleted there;
    # managers and devices with their callbacks, messages and errors.
    dev = tovgui.CCANDev()
    owned, handed = _Frames(), _Frames()
    dev.registerCallback(owned)
    dev.OnCanMessage(1, None, 0)
    dev.m_cb = handed
    m.CANDevCB_MessageReceived(dev.m_cb, 2, None, 0)
    dev.m_cb = None
    m.delete_CANDevCB(handed)
    plain = tovgui.CANDevCB()
    plain.thisown = False
    m.disown_CANDevCB(plain)
    m.delete_CANDevCB(plain)
    gm = tovgui.GUIManager(None, dev)
    sent, hooked = _Messages(), _Messages()
    gm.setSendMsgCallback(sent)
    hooked.thisown = False
    m.disown_GUIManagerCB(hooked)
    gm.setHookSendMsgCallback(hooked)
    gm.SendMessage(tovgui.tUX_Message(300))
    gm.HookSendMessage(tovgui.tUX_Message(301))
    try:
        gm.SendMessage(tovgui.tUX_Message(999))
    except KeyError:
        pass
    gm.doTick()
    gm.DoGUI()
    gm.setHookSendMsgCallback(None)
    m.delete_GUIManagerCB(hooked)
    m.delete_GUIManager(gm)
    tovgui.IGUIManager()
    tovgui.CDrvInput()


LONG_NAME = "a name longer than the small-string buffer"


def images_round():
    # A context with pictures loaded, found again by name and missing; images made, filled,
    # drawn, refused and freed; font records and sizes. Dropped by refcount or deleted.
    dc = m.new_uxDC()
    m.uxDC_loadImage(dc, "leak.png")
    m.uxDC_loadImage(dc, "leak-two.png", os.path.join(ROOT, "usr/share/ruv/gui/"))
    m.uxDC_loadImage(dc, "leak.png")
    m.uxDC_loadImage(dc, "missing.png")
    ref = m.new_tImage()
    m.uxDC_getImageRef(dc, 1, ref)
    area = m.new_uxRECT(0, 0, 16, 8)
    img = m.uxDC_allocImage(DC, area, LONG_NAME)
    m.uxDC_BeginPaint(DC, 0, 0, 16, 8)
    m.uxDC_DrawImage(DC, 0, 0, ref)
    m.uxDC_GetImage(DC, area, img)
    m.uxDC_DrawImage(DC, 0, 0, img, 1, 4)
    m.uxDC_EndPaint(DC)
    m.uxDC_freeImage(DC, img)
    for refused in (lambda: m.uxDC_freeImage(dc, ref), lambda: m.uxDC_getImageRef(dc, 5, ref),
                    lambda: m.uxDC_allocImage(dc, m.new_uxRECT(0, 0, 65535, 65535), LONG_NAME)):
        try:
            refused()
        except (ValueError, IndexError, MemoryError):
            pass
    font = m.uxDC_FontSelect(dc, 3)
    m.uxFONT_fontsize_set(font, m.uxDC_getFontSize(dc, m.FONT_SELECTED))
    m.uxFONT_fontsize_get(font)
    m.delete_uxFONT(m.new_uxFONT())
    named = tovgui.tImage()
    named.name = LONG_NAME
    m.delete_uxDC(m.new_uxDC())


def widgets_round():
    w = m.new_uxImage(GM, m.new_uxPOINT(0, 0), "leak.png")
    m.uxImage_addImage(w, "leak-two.png")
    m.uxImage_addImage(w, "missing.png")
    m.uxImage_showImage(w, 1)
    m.uxImage_OnMessage(w, m.new_tUX_Message(m.UX_MSG_REPAINT))
    m.uxImage_OnPaint(w)
    m.delete_uxImage(w)
    tovgui.uxImage(GM, tovgui.uxPOINT(5, 5), "missing.png", ROOT + "/")


def simple_widgets_round():
    # Every class of simple widget, dropped by refcount or deleted through its own or the base
    # function, with the calls that copy texts and the refusals that must free them.
    pos = tovgui.uxPOINT(10, 10)
    b = m.new_uxButton(GM, "leak", 1, pos, 40, 20, 1, 2, 3, True, 1, 5)
    m.uxButton_SetText(b, "text " * 20)
    m.uxBaseElement_setName(b, "name " * 20)
    m.uxBaseElement_getName(b)
    m.uxBaseElement_getClientRect(b)
    m.uxBaseElement_intersect(b, m.uxBaseElement_getClientRect(b), pos)
    for bad in ((b, "x", 1), (b, None, True, True, True)):
        try:
            m.uxButton_SetText(*bad)
        except NotImplementedError:
            pass
    m.delete_uxBaseElement(b)
    tovgui.uxButton(GM, 1, pos, 40, 20, 1, 2, 3).OnPaint()
    label = tovgui.uxLabel(GM, "leak", pos, 40, 20, 1, 2, 3, 1)
    label.setText("12", 1, 2)
    label.setLabelText("cap", "unit", 3)
    try:
        m.uxLabel_setText(label, None)
    except ValueError:
        pass
    bar = m.new_uxBarCtrl(GM, 1, 0, 0, 40, 20, 1, 2, 3)
    m.uxBarCtrl_setText(bar, "bar")
    m.uxBarCtrl_setLevel(bar, 5.0)
    m.delete_uxBarCtrl(bar)
    meter = tovgui.uxPeakMeter(GM, 1, 0, 0, 40, 20, 1, 2, 3, 4)
    meter.setLevel(3.0)
    meter.doTick()
    box = m.new_uxTextBox(GM, "leak", pos, 80, 40, 1, 2, 3, 1)
    m.uxTextBox_AddLine(box, "a%%b " * 30)
    m.uxTextBox_OnPaint(box)
    m.delete_uxTextBox(box)
    keyboard = tovgui.uxKeyboardCtrl(GM, pos, 400, 200, 1, 2)
    m.uxKeyboardCtrl_setText(keyboard, m.uxKeyboardCtrl_getText(keyboard))
    group = tovgui.uxGroup(GM, 1, "leak", pos, 40, 20, 5)
    select = m.new_uxSelectCtrl(GM, 1, pos, 40, 20, 1, 2, group, keyboard)
    m.uxSelectCtrl_SetActive(select, 2)
    m.delete_uxSelectCtrl(select)
    tovgui.uxImageButton(GM, pos, "leak.png", "missing.png")


def panels_round():
    # A panel deleting the children handed to it, cleared and refilled; popups and boxes with
    # their texts, refused formats included.
    pos = tovgui.uxPOINT(0, 0)
    panel = tovgui.uxPanelCtrl(GM, 1, "leak", pos, 800, 480, 0, 3)
    for i in range(3):
        panel.AddElement(tovgui.uxButton(GM, i, pos, 10, 10, 1, 2, 3))
    panel.SetTypeName("type " * 10, True)
    panel.SetCaptionIcon("leak.png", pos)
    panel.OnPaint()
    panel.Clear()
    panel.AddElement(tovgui.uxLabel(GM, pos, 10, 10, 1, 2, 3, 1))
    m.uxPanelCtrl_GetElementList(panel)
    m.delete_uxPanelCtrl(m.new_uxPanelCtrl(GM, 1, "leak", pos, 10, 10, "leak.png"))
    for kind in ("uxPopup", "uxPopupMsg", "uxPopupPB", "uxPopupValue"):
        popup = getattr(tovgui, kind)(GM, "leak", pos, 100, 60, 1, 2)
        popup.show()
        popup.OnPaint()
        popup.hide()
    pb = m.new_uxPopupPB(GM, "leak", pos, 100, 60, 1, 2)
    m.uxPopupPB_Message(pb, "title " * 10, "text " * 10)
    m.uxPopup_hide(pb)
    m.delete_uxPopupPB(pb)
    box = tovgui.uxMessageBox(GM, "leak", 300, 200, 1, 2, 3)
    box.show(pos, "title")
    box.setText("a%%b " * 30)
    box.AddLine("line %% " * 60)
    try:
        box.AddLine("50%")
    except ValueError:
        pass
    box.hide()


def containers_round():
    # Tables deleting rows and columns, tab controls deleting tabs and panels, what SetTabItem
    # and SetPanel replace going back to its proxy (dropped before or after), refused calls.
    # A keyboard (some forty buttons) as a replaced tab's panel makes a lost tab show.
    pos = tovgui.uxPOINT(0, 0)
    table = tovgui.uxTableCtrl(GM, 7, "leak", pos, 400, 100, 2, 0)
    for i in range(4):
        row = tovgui.uxTableRow(table, i, i, 40, "row " * 10)
        row.addColumn(tovgui.uxButton(GM, 1, pos, 10, 10, 1, 2, 3))
        row.addColumn(tovgui.uxLabel(GM, pos, 10, 10, 1, 2, 3, 1))
        table.addRow(row)
    table.selectRow(1)
    table.ScrollToSelected()
    table.getPanning()
    table.OnPaint()
    try:
        table.addRow(row)
    except ValueError:
        pass
    table.Clear()
    lone = tovgui.uxTableRow(table, 0, 0, 20)
    lone.addColumn(tovgui.uxButton(GM, 1, pos, 10, 10, 1, 2, 3))
    lone.Clear()
    lone.addColumn(tovgui.uxButton(GM, 1, pos, 10, 10, 1, 2, 3))
    tabs = tovgui.uxTabCtrl(GM, 1, "leak", pos, 800, 40, 1, 2, 3, 9)
    for name in ("a tab name longer than the small-string buffer", "B"):
        tab = tovgui.uxTabItemCtrl(GM, 3, name, 1, 2, None)
        tab.AddPanel(tovgui.uxPanelCtrl(GM, 1, "P", pos, 10, 10, 0))
        tab.AddPanel(tovgui.uxKeyboardCtrl(GM, pos, 400, 240, 1, 2))
        tabs.AddTabItem(tab)
    kept = tovgui.uxTabItemCtrl(GM, 3, "kept", 1, 2, None)
    kept.AddPanel(tovgui.uxKeyboardCtrl(GM, pos, 400, 240, 1, 2))
    tabs.AddTabItem(kept)
    tabs.SetTabItem(0, tovgui.uxTabItemCtrl(GM, 3, "new", 1, 2, None), "renamed " * 5)
    tabs.SetTabItem(2, tovgui.uxTabItemCtrl(GM, 3, "new", 1, 2, None))
    tab.SetPanel(1, tovgui.uxPanelCtrl(GM, 1, "P", pos, 10, 10, 0))
    tab.setTabName("another name longer than the buffer", 5)
    tabs.setActiveTab(1)
    tabs.OnPaint()
    try:
        tabs.AddTabItem(tab)
    except ValueError:
        pass
    del kept
    grid = tovgui.uxGridCtrl(GM, 1, pos, 300, 100, 3, 1, 2)
    for i in range(5):
        grid.AddLine("a line longer than the small-string buffer %d" % i)
    grid.OnPaint()
    grid.Clear()
    lst = tovgui.uxLISTCtrl(GM, 1, 0, 0, 100, 1, 2)
    lst.AddItem(7, "an item longer than the small-string buffer", None, None)
    lst.OnPaint()


def _value_label():
    return tovgui.uxValueLabel(GM, 1, 2, tovgui.uxPOINT(0, 0), 100, 30, 1, 2, 3, 4)


def _value_ctrl():
    return tovgui.uxValueCtrl(GM, 1, 2, "text", tovgui.uxPOINT(0, 0), 100, 30, 1, 1, 2, 3, "unit")


# One object of every class with a constructor, as scripts make them.
CONSTRUCTORS = {
    "CTheme": lambda: tovgui.CTheme(),
    "IGUIManager": lambda: tovgui.IGUIManager(),
    "CDrvInput": lambda: tovgui.CDrvInput(),
    "CCANDev": lambda: tovgui.CCANDev(),
    "CANDevCB": lambda: tovgui.CANDevCB(),
    "tUX_Message": lambda: tovgui.tUX_Message(256, 1, 2, 1),
    "uxFONT": lambda: tovgui.uxFONT(),
    "uxPOINT": lambda: tovgui.uxPOINT(1, 2),
    "uxRECT": lambda: tovgui.uxRECT(1, 2, 3, 4),
    "tImage": lambda: tovgui.tImage(),
    "uxDC": lambda: tovgui.uxDC(),
    "uxButton": lambda: tovgui.uxButton(GM, "name", 1, tovgui.uxPOINT(0, 0), 10, 10, 1, 2, 3),
    "uxBarCtrl": lambda: tovgui.uxBarCtrl(GM, 1, 0, 0, 10, 10, 1, 2, 3),
    "uxGridCtrl": lambda: tovgui.uxGridCtrl(GM, 1, tovgui.uxPOINT(0, 0), 10, 10, 3, 1, 2),
    "tStdIconItem": lambda: tovgui.tStdIconItem(),
    "uxPanelCtrl": lambda: tovgui.uxPanelCtrl(GM, 1, "P", tovgui.uxPOINT(0, 0), 10, 10, 0),
    "uxGroup": lambda: tovgui.uxGroup(GM, 1, "G", tovgui.uxPOINT(0, 0), 10, 10),
    "uxImage": lambda: tovgui.uxImage(GM, tovgui.uxPOINT(0, 0), "leak.png"),
    "uxImageButton": lambda: tovgui.uxImageButton(GM, tovgui.uxPOINT(0, 0), "leak.png", "leak-two.png"),
    "uxKeyboardCtrl": lambda: tovgui.uxKeyboardCtrl(GM, tovgui.uxPOINT(0, 0), 400, 240, 1, 2),
    "uxLabel": lambda: tovgui.uxLabel(GM, "L", tovgui.uxPOINT(0, 0), 10, 10, 1, 2, 3, 1),
    "tListItem": lambda: tovgui.tListItem(),
    "uxLISTCtrl": lambda: tovgui.uxLISTCtrl(GM, 1, 0, 0, 100, 1, 2),
    "uxMessageBox": lambda: tovgui.uxMessageBox(GM, "box", 100, 100, 1, 2, 3),
    "uxPeakMeter": lambda: tovgui.uxPeakMeter(GM, 1, 0, 0, 10, 10, 1, 2, 3, 4),
    "uxPopup": lambda: tovgui.uxPopup(GM, "p", tovgui.uxPOINT(0, 0), 10, 10, 1, 2),
    "uxPopupMsg": lambda: tovgui.uxPopupMsg(GM, "p", tovgui.uxPOINT(0, 0), 10, 10, 1, 2),
    "uxPopupPB": lambda: tovgui.uxPopupPB(GM, "p", tovgui.uxPOINT(0, 0), 10, 10, 1, 2),
    "uxPopupValue": lambda: tovgui.uxPopupValue(GM, "p", tovgui.uxPOINT(0, 0), 10, 10, 1, 2),
    "uxSelectCtrl": lambda: tovgui.uxSelectCtrl(GM, 1, tovgui.uxPOINT(0, 0), 10, 10, 1, None, None),
    "uxTabCtrl": lambda: tovgui.uxTabCtrl(GM, 1, "T", tovgui.uxPOINT(0, 0), 800, 40, 1, 2, 3, 9),
    "uxTabItemCtrl": lambda: tovgui.uxTabItemCtrl(GM, 1, "T", 1, 2, None, True),
    "uxTableCtrl": lambda: tovgui.uxTableCtrl(GM, 1, "T", tovgui.uxPOINT(0, 0), 100, 100, 3, 0, False, None),
    "uxTableRow": lambda: tovgui.uxTableRow(tovgui.uxTableCtrl(GM, 1, "T", tovgui.uxPOINT(0, 0), 100, 100, 3, 0),
                                            0, 0, 20),
    "uxTextBox": lambda: tovgui.uxTextBox(GM, "t", tovgui.uxPOINT(0, 0), 10, 10, 1, 2, 3, 1),
    "tENUM": lambda: tovgui.tENUM(),
    "uxValueCtrl": _value_ctrl,
    "tEnumItem": lambda: tovgui.tEnumItem(),
    "uxValueLabel": _value_label,
    "GUIManager": lambda: tovgui.GUIManager(None, None),
    "GUIManagerCB": lambda: tovgui.GUIManagerCB(),
}
def every_class_round():
    for make in CONSTRUCTORS.values():
        make()


def values_round():
    # Both value widgets with their choices and texts, dropped by refcount or deleted; a label
    # pointed at a list from elsewhere; the refused calls free what they converted.
    pos = tovgui.uxPOINT(10, 10)
    lbl = m.new_uxValueLabel(GM, "leak", 1, 2, pos, 120, 60, 1, 2, 3, 4, 5, True)
    m.uxValueLabel_SetLabelText(lbl, "label " * 10, "unit")
    for i in range(4):
        m.uxValueLabel_AddEnumText(lbl, "choice %d " % i * 5, i)
    m.uxValueLabel_getEnumText(lbl, 1)
    m.uxValueLabel_SetEncoderMode(lbl, 11)
    m.uxValueLabel_SetFloatValue(lbl, 2.0)
    m.uxValueLabel_setGrayedText(lbl, "grey " * 10)
    m.uxValueLabel_setEncoderFactor(lbl, 2.0, "x2 " * 10)
    m.uxValueLabel_SetTextValue(lbl, "text " * 10)
    m.uxValueLabel_OnPaint(lbl)
    for bad in ((lbl, None), (lbl, "x", 1.5)):
        try:
            m.uxValueLabel_AddEnumText(*bad)
        except (ValueError, NotImplementedError):
            pass
    m.uxValueLabel_ClearEnums(lbl)
    m.delete_uxValueLabel(lbl)
    choices = peer.new_choices()
    peer.choices_add(choices, "x" * 40, 1)
    other = tovgui.uxValueLabel(GM, 1, 2, pos, 120, 60, 1, 2, 3, 4)
    other.SetEnumRef(choices)
    other.AddEnumText("more " * 10)
    other.setConvertFunction(peer.CONVERT_HZ)
    other.SetFloatValue(1.0)
    del other
    peer.delete_choices(choices)
    ctrl = m.new_uxValueCtrl(GM, 1, 2, "caption " * 6, pos, 200, 24, m.uxValueCtrl_enumerator, 1, 2, 3, "format " * 6)
    for i in range(10):  # one more than the control keeps
        m.uxValueCtrl_SetEnumValue(ctrl, i, "enum " * 10)
    m.uxValueCtrl_SetValue(ctrl, 3)
    m.uxValueCtrl_OnPaint(ctrl)
    try:
        m.uxValueCtrl_SetTextValue(ctrl, None)
    except ValueError:
        pass
    m.delete_uxBaseElement(ctrl)
    text = tovgui.uxValueCtrl(GM, 1, 2, "caption", pos, 200, 24, m.uxValueCtrl_text, 1, 2, 3, "")
    text.SetTextValue("t" * 40)
    text.OnPaint()


class _Told(tovgui.GUIManagerCB):
    def MessageReceived(self, msg):
        pass


def careless_round():
    # What scripts do carelessly: hand an element to a second container, delete what a
    # container holds or what is deleted, keep proxies and views past their objects, drop a
    # manager and its callback before its widgets, drop allocated images without freeImage.
    pos = tovgui.uxPOINT(0, 0)
    a, c = tovgui.uxPanelCtrl(GM, 1, "a", pos, 10, 10, 0), tovgui.uxPanelCtrl(GM, 1, "c", pos, 10, 10, 0)
    b = tovgui.uxButton(GM, 1, pos, 10, 10, 1, 2, 3)
    b_panel = tovgui.uxPanelCtrl(GM, 1, "b", pos, 10, 10, 0)
    a.AddElement(b)
    a.AddElement(b_panel)
    for refused in (lambda: c.AddElement(b), lambda: m.delete_uxButton(b), lambda: b_panel.AddElement(a)):
        try:
            refused()
        except ValueError:
            pass
    rect = b.getClientRect()
    a.Clear()
    for refused in (b.OnPaint, lambda: rect.width, lambda: c.AddElement(b)):
        try:
            refused()
        except ReferenceError:
            pass
    x = tovgui.uxButton(GM, 1, pos, 10, 10, 1, 2, 3)
    name = x.getName()
    item = tovgui.tListItem()
    item.pElemt = x
    m.delete_uxButton(x)
    m.delete_uxButton(x)
    del name
    gm = tovgui.GUIManager(None, None)
    kept = tovgui.uxButton(gm, 1, pos, 10, 10, 1, 2, 3)
    gm.AddElement(tovgui.uxPanelCtrl(gm, 1, "top", pos, 10, 10, 0))
    gm.setSendMsgCallback(_Told())
    del gm
    kept.getGUIManager().SendMessage(tovgui.tUX_Message(300))
    del kept
    lst = tovgui.uxLISTCtrl(GM, 1, 0, 0, 100, 1, 2)
    lst.AddItem(1, "item", tovgui.tImage(), tovgui.uxButton(GM, 1, pos, 10, 10, 1, 2, 3))
    m.uxDC_allocImage(DC, tovgui.uxRECT(0, 0, 10, 10), "dropped")


def opened_context_round():
    dc = tovgui.uxDC()
    dc.Init()
    dc.Test()


class Lifetime(unittest.TestCase):
    def test_contexts_images_and_fonts_leave_nothing_behind(self):
        assert_no_growth(images_round)

    def test_image_widgets_leave_nothing_behind(self):
        assert_no_growth(widgets_round)

    def test_simple_widgets_leave_nothing_behind(self):
        # A keyboard holds some forty buttons: fewer rounds already show a leak.
        assert_no_growth(simple_widgets_round, rounds=3000, warmup=300)

    def test_panels_popups_and_boxes_leave_nothing_behind(self):
        assert_no_growth(panels_round, rounds=3000, warmup=300)

    def test_tables_tabs_grids_and_lists_leave_nothing_behind(self):
        assert_no_growth(containers_round, rounds=2000, warmup=200)

    def test_every_class_with_a_constructor_leaves_nothing_behind(self):
        constructed = [n[len("new_"):] for n in module_function_names() if n.startswith("new_")]
        self.assertEqual(list(CONSTRUCTORS), constructed)
        assert_no_growth(every_class_round, rounds=2000, warmup=200)

    def test_value_widgets_leave_nothing_behind(self):
        # Rounds are cheap: enough of them that one label left behind per round shows.
        with c_stdout():  # the manager's line for every value set
            assert_no_growth(values_round)

    def test_contexts_with_a_display_leave_nothing_behind(self):
        # Each holds two screen-sized layers: a few hundred rounds show a leak.
        with c_stdout():
            assert_no_growth(opened_context_round, rounds=300, warmup=30)

    def test_callbacks_managers_and_devices_leave_nothing_behind(self):
        assert_no_growth(callbacks_round)

    def test_careless_lines_leave_nothing_behind(self):
        assert_no_growth(careless_round, rounds=3000, warmup=300)

    def test_allocated_images_dropped_without_free_leave_nothing_behind(self):
        # Ten thousand 10x10 images hold 4 MB of pixels.
        area = m.new_uxRECT(0, 0, 10, 10)
        assert_no_growth(lambda: m.uxDC_allocImage(DC, area, "dropped"), rounds=10000, warmup=1000)

    def test_records_and_theme_leave_nothing_behind(self):
        assert_no_growth(records_round)

    def test_a_record_kept_per_round_trips_the_check(self):
        kept = []
        with self.assertRaises(AssertionError) as e:
            assert_no_growth(lambda: kept.append(m.new_uxRECT()), rounds=20000)
        self.assertIn("Python memory grew", str(e.exception))

    @unittest.skipIf(SANITIZED, "the sanitizer's quarantine makes resident size meaningless")
    def test_a_native_record_leaked_per_round_trips_the_check(self):
        def leak():
            m.new_tUX_Message(1).disown()

        # Enough rounds that the leak outgrows whatever free heap the earlier tests left.
        with self.assertRaises(AssertionError) as e:
            assert_no_growth(leak, rounds=100000)
        self.assertIn("resident size grew", str(e.exception))


class Harness(unittest.TestCase):
    def test_c_stdout_collects_native_output_and_restores_the_descriptor(self):
        import ctypes
        libc = ctypes.CDLL(None)
        before = os.fstat(1)
        with c_stdout() as out:
            libc.printf(b"from C %d\n", 42)  # buffered in C stdio until flushed
        self.assertEqual(c_text(out), "from C 42\n")
        after = os.fstat(1)
        self.assertEqual((after.st_dev, after.st_ino), (before.st_dev, before.st_ino))
        with c_stdout() as out:
            pass
        self.assertEqual(c_text(out), "")

    def test_runner_reports_output_status_and_time_out(self):
        r = run_python("import tovgui, sys; print(tovgui.UX_MSG_KEY); sys.exit(3)")
        self.assertEqual((r.returncode, r.stdout), (3, "257\n"))
        with self.assertRaises(subprocess.TimeoutExpired):
            run_python("import time; time.sleep(10)", timeout=0.5)

    @unittest.skipUnless(SANITIZED, "only the sanitizer configuration watches memory")
    def test_sanitizer_sees_the_module(self):
        # Reading a record's memory after the module deleted it (the module itself refuses to):
        # the runtime must be loaded, and the module built with it to show in the report.
        r = run_python("import ctypes, _tovgui as m\n"
                       "r = m.new_uxRECT(1, 2, 3, 4)\n"
                       "address = int(r)\n"
                       "m.delete_uxRECT(r)\n"
                       "ctypes.string_at(address, 4)\n")
        self.assertNotEqual(r.returncode, 0)
        self.assertIn("heap-use-after-free", r.stderr)
        self.assertIn("_wrap_delete_uxRECT", r.stderr)


if __name__ == "__main__":
    unittest.main()
