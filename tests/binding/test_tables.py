"""Tables and their rows, tab controls and their tabs, grids and lists from scripts: state read
back through the getters and from screen shots, the overload texts, who deletes what (the
sanitizer reports a second delete), and None or impossible sizes refused."""

import unittest

import _tovgui as m
import tovgui

from binding_support import (address, assert_raise_table, clear_screen, overload_text, pt, screen_shot, start_gui,
                             std_string, stop_gui)

ROOT = IMAGES = DC = GM = None


def setUpModule():
    global ROOT, IMAGES, DC, GM
    ROOT, IMAGES, DC, GM = start_gui("tovgui-tables-")


def tearDownModule():
    stop_gui(ROOT, DC, GM)


def table(*extra):
    return m.new_uxTableCtrl(GM, 7, "Files", pt(0, 0), 400, 300, 6, 0x000000, *extra)


def button(x=0, y=0, w=100):
    return m.new_uxButton(GM, 1, pt(x, y), w, 30, 0x00FF00, 0xC0C0C0, 0xFFFFFF)


def filled_table(rows=3, columns=2, *extra):
    t = table(*extra)
    for i in range(rows):
        row = m.new_uxTableRow(t, i, i, 40)
        for c in range(columns):
            m.uxTableRow_addColumn(row, button(100 * c, 40 * i))
        m.uxTableCtrl_addRow(t, row)
    return t


def checked_columns(t):
    """Per row, whether each of its columns is checked."""
    out = []
    while (row := m.uxTableCtrl_getRow(t, len(out))) is not None:
        columns = []
        while (column := m.uxTableRow_getColumn(row, len(columns))) is not None:
            columns.append(m.uxBaseElement_isChecked(column))
        out.append(columns)
    return out


def shot():
    return screen_shot(DC, IMAGES)


class Tables(unittest.TestCase):
    def test_a_new_table_selects_nothing_and_a_cleared_one_row_0(self):
        t = table()
        self.assertEqual(m.uxTableCtrl_getSelection(t), -1)
        self.assertIsNone(m.uxTableCtrl_getSelectedRow(t))
        self.assertFalse(m.uxTableCtrl_isEnter(t))
        row = m.new_uxTableRow(t, 0, 5, 40)
        self.assertEqual((std_string(m.uxBaseElement_getName(row)), m.uxTableRow_getHeight(row),
                          m.uxBaseElement_GetUserData(row), m.uxBaseElement_GetID(row)), ("", 40, 5, 0))
        self.assertIsNone(m.uxTableCtrl_getRow(t, 0), "a row joins its table only through addRow")
        m.uxTableCtrl_addRow(t, row)
        self.assertEqual(address(m.uxTableCtrl_getRow(t, 0)), address(row))
        self.assertFalse(m.uxTableCtrl_getRow(t, 0).thisown, "the table's row is not the getter's")
        for index in (-1, 1):
            self.assertIsNone(m.uxTableCtrl_getRow(t, index))
        m.uxTableCtrl_selectRow(t, 0)
        self.assertEqual(address(m.uxTableCtrl_getSelectedRow(t)), address(row))
        m.uxTableCtrl_Clear(t)
        self.assertEqual(m.uxTableCtrl_getSelection(t), 0)
        self.assertIsNone(m.uxTableCtrl_getRow(t, 0))
        # The panel's Clear is the table's own on a table.
        fresh = table()
        m.uxPanelCtrl_Clear(fresh)
        self.assertEqual(m.uxTableCtrl_getSelection(fresh), 0)

    def test_panning_is_an_owned_zero_point_while_the_rows_fit(self):
        t = filled_table(rows=2)
        for _ in range(2):
            p = m.uxTableCtrl_getPanning(t)
            self.assertEqual((p.x, p.y, p.thisown), (0, 0, True))
        self.assertIsInstance(m.uxTableCtrl_getPanning(t), tovgui.uxPOINT)

    def test_select_row_defaults_to_the_whole_row_and_keeps_any_mode(self):
        cases = [((2,), [[False, False], [False, False], [True, True]], 2),
                 ((2, True), [[False, False], [False, False], [True, True]], 2),
                 ((2, False), [[False, False], [False, False], [True, False]], 2)]
        for args, checked, selection in cases:
            with self.subTest(args=args):
                t = filled_table()
                m.uxTableCtrl_selectRow(t, *args)
                self.assertEqual((checked_columns(t), m.uxTableCtrl_getSelection(t)), (checked, selection))
        # Mode 9 is no mode the table knows: stored as given, a selection then changes nothing.
        t = filled_table()
        m.uxTableCtrl_setSelectionMode(t, 9)
        m.uxTableCtrl_selectRow(t, 2)
        self.assertEqual((checked_columns(t), m.uxTableCtrl_getSelection(t)), ([[False, False]] * 3, -1))
        m.uxTableCtrl_setSelectionMode(t, m.uxTableCtrl_Set)
        m.uxTableCtrl_selectRow(t, 1)
        self.assertEqual(m.uxTableCtrl_getSelection(t), 1)
        m.uxTableCtrl_deselectRow(t)
        self.assertEqual(m.uxTableCtrl_getSelection(t), -1)

    def test_eight_arguments_draw_a_scroll_bar_and_a_ninth_false_none(self):
        def thumb(*extra):
            t = filled_table(8, 1, *extra)  # more rows than the table shows: the bar has a thumb
            clear_screen(DC)
            m.uxBaseElement_setRepaintCtrls(t)
            self.assertTrue(m.uxTableCtrl_OnPaint(t))
            return shot().pixel(400 - 15, 5)
        self.assertEqual(thumb(), 0xFFFFFF)
        self.assertEqual(thumb(True), 0xFFFFFF)
        self.assertEqual(thumb(True, None), 0xFFFFFF)
        self.assertEqual(thumb(False), 0x000000)


class Rows(unittest.TestCase):
    def test_columns_widen_the_row_from_its_first(self):
        t = table()
        row = m.new_uxTableRow(t, 0, 5, 40, "files")
        self.assertEqual(std_string(m.uxBaseElement_getName(row)), "files")
        first = button(0, 0, 100)
        m.uxBaseElement_getClientRect(first).right = 99  # spans 0 to 99
        m.uxTableRow_addColumn(row, first)
        m.uxTableRow_addColumn(row, button(100, 0, 80))
        m.uxTableRow_addColumn(row, button(180, 0, 60))
        rect = m.uxBaseElement_getClientRect(row)
        self.assertEqual((rect.left, rect.right), (0, 239))
        self.assertIsNone(m.uxTableRow_getColumn(row, 3))
        self.assertIsNone(m.uxTableRow_getColumn(row, -1))

    def test_checking_all_columns_the_first_or_none(self):
        def row_after(*calls):
            row = m.new_uxTableRow(table(), 0, 0, 40)
            for _ in range(3):
                m.uxTableRow_addColumn(row, button())
            for call in calls:
                call(row)
            return [m.uxBaseElement_isChecked(m.uxTableRow_getColumn(row, i)) for i in range(3)]
        cases = [
            ((lambda r: m.uxTableRow_SetChecked(r, True),), [True] * 3),
            ((lambda r: m.uxTableRow_SetChecked(r, True, True),), [True] * 3),
            ((lambda r: m.uxTableRow_SetChecked(r, True, False),), [True, False, False]),
            ((lambda r: m.uxTableRow_SetCheckDisable(r, True), lambda r: m.uxTableRow_SetChecked(r, True)),
             [False] * 3),
            ((lambda r: m.uxTableRow_SetCheckDisable(r, True), lambda r: m.uxTableRow_SetChecked(r, True, False)),
             [False] * 3),
        ]
        for calls, checked in cases:
            with self.subTest(checked=checked, calls=len(calls)):
                self.assertEqual(row_after(*calls), checked)
        empty = m.new_uxTableRow(table(), 0, 0, 40)
        self.assertFalse(m.uxTableRow_isChecked(empty))
        m.uxTableRow_SetChecked(empty, True)
        m.uxTableRow_Select(empty, True)
        self.assertFalse(m.uxTableRow_isChecked(empty))
        # Select reaches the last column only.
        row = m.new_uxTableRow(table(), 0, 0, 40)
        columns = [button(), button()]
        for c in columns:
            m.uxTableRow_addColumn(row, c)
        m.uxTableRow_SetChecked(row, True, False)
        self.assertTrue(m.uxTableRow_isChecked(row), "the first column's state")
        m.uxTableRow_Clear(row)
        self.assertIsNone(m.uxTableRow_getColumn(row, 0))


class Tabs(unittest.TestCase):
    def control(self):
        return m.new_uxTabCtrl(GM, 1, "Main", pt(0, 0), 800, 40, 0x303030, 0xC0C0C0, 0x123456, 9)

    def tab(self, name="Osc", *hidden):
        return m.new_uxTabItemCtrl(GM, 3, name, 0x303030, 0xFFFFFF, None, *hidden)

    def test_adding_and_switching(self):
        for switch in (m.uxTabCtrl_setActiveTab, m.uxTabCtrl_switch2Tab):
            with self.subTest(switch.__name__):
                tabs = self.control()
                self.assertEqual([m.uxTabCtrl_AddTabItem(tabs, self.tab(n)) for n in ("A", "B", "C")], [0, 1, 2])
                self.assertEqual([switch(tabs, i) for i in (1, 1, 3, -1, 0)], [True, False, False, False, True])

    def test_replacing_a_tab(self):
        tabs = self.control()
        old = [self.tab(n) for n in ("A", "B", "C")]
        for t in old:
            m.uxTabCtrl_AddTabItem(tabs, t)
        new = self.tab("Env")
        m.uxTabCtrl_SetTabItem(tabs, 1, new)
        self.assertEqual(m.uxTabItemCtrl_getTabName(new), "Env")
        # The replaced tab is the script's again; the new one the control's.
        self.assertEqual((old[1].own(), new.own()), (True, False))
        m.uxTabCtrl_SetTabItem(tabs, 1, new, "Mix")
        self.assertEqual((m.uxTabItemCtrl_getTabName(new), new.own()), ("Mix", False))
        stranger = self.tab("X")
        for index in (5, -1, 3):
            m.uxTabCtrl_SetTabItem(tabs, index, stranger, "Y")
        self.assertEqual((m.uxTabItemCtrl_getTabName(stranger), stranger.own()), ("X", True))
        # A replaced tab the script no longer holds is deleted with the control's letting go.
        dropped = self.tab("Gone")
        m.uxTabCtrl_SetTabItem(tabs, 2, dropped)
        del dropped
        m.uxTabCtrl_SetTabItem(tabs, 2, self.tab("Last"))
        m.uxTabCtrl_setActiveTab(tabs, 2)
        m.uxTabCtrl_OnPaint(tabs)

    def test_a_hidden_tab_takes_no_room(self):
        def lefts(*tabs):
            control = self.control()
            for t in tabs:
                m.uxTabCtrl_AddTabItem(control, t)
            return [m.uxBaseElement_getClientRect(t).left for t in tabs]
        hidden = self.tab("Filter", True)
        self.assertEqual((m.uxTabItemCtrl_isHidden(hidden), m.uxTabItemCtrl_isHidden(self.tab("Amp"))),
                         (True, False))
        with_hidden = lefts(self.tab("Osc"), hidden, self.tab("Amp"))
        without = lefts(self.tab("Osc"), self.tab("Amp"))
        self.assertEqual(with_hidden[2], without[1])
        self.assertGreater(without[1], without[0])

    def test_names_colours_and_panels(self):
        tab = self.tab("Osc")
        self.assertEqual((m.uxTabItemCtrl_getTabNameLen(tab), m.uxTabItemCtrl_getColorBgn(tab)), (3, 0x303030))
        m.uxTabItemCtrl_setTabName(tab, "Filter", 0xFF0000)
        self.assertEqual((m.uxTabItemCtrl_getTabNameLen(tab), m.uxTabItemCtrl_getTabName(tab),
                          m.uxTabItemCtrl_getColorFrg(tab)), (6, "Filter", 16711680))
        m.uxTabItemCtrl_setTabName(tab, "Lfo")
        self.assertEqual((m.uxTabItemCtrl_getTabName(tab), m.uxTabItemCtrl_getColorFrg(tab)), ("Lfo", 0xFF0000))
        m.uxTabItemCtrl_setClientRect(tab, 10, 20, 110, 60)
        rect = m.uxBaseElement_getClientRect(tab)
        self.assertEqual((rect.left, rect.top, rect.right, rect.bottom), (10, 20, 110, 60))

        panels = [m.new_uxPanelCtrl(GM, i, "P", pt(0, 40), 800, 440, 0x101010 * (i + 1)) for i in range(3)]
        self.assertEqual([m.uxTabItemCtrl_AddPanel(tab, p) for p in panels[:2]], [0, 1])
        for index in (2, -1):
            m.uxTabItemCtrl_SetPanel(tab, index, panels[2])
        self.assertEqual([p.own() for p in panels], [False, False, True])
        m.uxTabItemCtrl_SetPanel(tab, 0, panels[2])
        self.assertEqual([p.own() for p in panels], [True, False, False])
        # The tab shows its first panel, the one put in place of the first.
        clear_screen(DC)
        m.uxTabItemCtrl_OnPaint(tab)
        self.assertEqual(shot().pixel(400, 200), 0x303030)

    def test_a_tab_or_panel_is_held_once(self):
        tabs, other = self.control(), self.control()
        a, b = self.tab("A"), self.tab("B")
        m.uxTabCtrl_AddTabItem(tabs, a)
        m.uxTabCtrl_AddTabItem(tabs, b)
        m.uxTabCtrl_SetTabItem(tabs, 0, a, "Same")  # the tab in its own place: a rename
        self.assertEqual(m.uxTabItemCtrl_getTabName(a), "Same")
        panel = m.new_uxPanelCtrl(GM, 1, "P", pt(0, 0), 10, 10, 0)
        m.uxTabItemCtrl_AddPanel(a, panel)
        cases = [
            (m.uxTabCtrl_AddTabItem, (tabs, a), "in method 'uxTabCtrl_AddTabItem', the element is already held by a container"),
            (m.uxTabCtrl_AddTabItem, (other, a), "in method 'uxTabCtrl_AddTabItem', the element is already held by a container"),
            (m.uxTabCtrl_SetTabItem, (tabs, 1, a), "in method 'uxTabCtrl_SetTabItem', the element is already held by a container"),
            (m.uxTabItemCtrl_AddPanel, (b, panel), "in method 'uxTabItemCtrl_AddPanel', the element is already held by a container"),
            (m.uxTabItemCtrl_SetPanel, (a, 0, panel), None),
        ]
        for function, args, text in cases:
            with self.subTest(function.__name__, args=len(args)):
                if text is None:
                    function(*args)  # the panel in its own place changes nothing
                    continue
                with self.assertRaises(ValueError) as e:
                    function(*args)
                self.assertEqual(str(e.exception), text)
        self.assertEqual(m.uxTabCtrl_AddTabItem(other, self.tab("C")), 0)


class GridsAndLists(unittest.TestCase):
    def grid(self, maximum, *lines):
        g = m.new_uxGridCtrl(GM, 1, pt(0, 0), 300, 100, maximum, 0xFFFFFF, 0x000040)
        for line in lines:
            m.uxGridCtrl_AddLine(g, line)
        clear_screen(DC)
        m.uxBaseElement_setRepaint(g)
        self.assertTrue(m.uxGridCtrl_OnPaint(g))
        return g, shot().region(0, 0, 300, 100)

    def test_a_full_grid_drops_its_oldest_line(self):
        _, full = self.grid(3, "a", "b", "c", "d")
        self.assertEqual(full, self.grid(3, "b", "c", "d")[1])  # newest first: "d", "c", "b"
        self.assertNotEqual(full, self.grid(4, "a", "b", "c", "d")[1])
        self.assertNotEqual(full, self.grid(3, "a", "b", "c")[1])
        g, _ = self.grid(3, "a")
        m.uxGridCtrl_Clear(g)
        clear_screen(DC)
        m.uxGridCtrl_OnPaint(g)
        self.assertEqual(shot().region(0, 0, 300, 100), self.grid(3)[1])

    def test_list_items_count_from_0(self):
        lst = m.new_uxLISTCtrl(GM, 1, 10, 10, 200, 0x000000, 0xFFFFFF)
        label = m.new_uxLabel(GM, pt(0, 0), 10, 10, 1, 2, 3, 1)
        image = m.new_tImage()
        self.assertEqual([m.uxLISTCtrl_AddItem(lst, 7, "Osc", None, None), m.uxLISTCtrl_AddItem(lst, 8, "Env", image,
                                                                                                  label)], [0, 1])
        self.assertTrue(label.own(), "the list only points to its items' elements")
        self.assertTrue(m.uxLISTCtrl_OnPaint(lst))


TABLE_FORMS = ("uxTableCtrl::uxTableCtrl(GUIManager *,uint32_t,char *,uxPOINT,int16_t,int16_t,int,uxCOLOR,bool,int *)",
               "uxTableCtrl::uxTableCtrl(GUIManager *,uint32_t,char *,uxPOINT,int16_t,int16_t,int,uxCOLOR,bool)",
               "uxTableCtrl::uxTableCtrl(GUIManager *,uint32_t,char *,uxPOINT,int16_t,int16_t,int,uxCOLOR)")
ROW_FORMS = ("uxTableRow::uxTableRow(uxTableCtrl *,int,uint32_t,int,char *)",
             "uxTableRow::uxTableRow(uxTableCtrl *,int,uint32_t,int)")
TAB_FORMS = ("uxTabItemCtrl::uxTabItemCtrl(GUIManager *,uint32_t,char *,uxCOLOR,uxCOLOR,uxICONBar *,bool)",
             "uxTabItemCtrl::uxTabItemCtrl(GUIManager *,uint32_t,char *,uxCOLOR,uxCOLOR,uxICONBar *)")


class Texts(unittest.TestCase):
    def test_calls_that_fit_no_form_and_wrong_arguments(self):
        t, tabs = table(), m.new_uxTabCtrl(GM, 1, "T", pt(0, 0), 800, 40, 1, 2, 3, 9)
        row = m.new_uxTableRow(t, 0, 0, 40)
        tab = m.new_uxTabItemCtrl(GM, 3, "Osc", 1, 2, None)
        m.uxTabCtrl_AddTabItem(tabs, tab)
        not_flag = 1
        p = pt(0, 0)
        no_fit = NotImplementedError
        cases = [
            (m.new_uxTableCtrl, (GM, 7, "F", p, 400, 300, 6, 0, not_flag), no_fit, overload_text("new_uxTableCtrl", *TABLE_FORMS)),
            (m.new_uxTableCtrl, (GM, 7, "F", p, 40000, 300, 6, 0), no_fit, overload_text("new_uxTableCtrl", *TABLE_FORMS)),
            (m.new_uxTableCtrl, (GM, 7, "F", p, 400, 300, 6), no_fit, overload_text("new_uxTableCtrl", *TABLE_FORMS)),
            (m.new_uxTableRow, (t, 0, 0), no_fit, overload_text("new_uxTableRow", *ROW_FORMS)),
            (m.new_uxTableRow, (t, 0, -1, 40), no_fit, overload_text("new_uxTableRow", *ROW_FORMS)),
            (m.new_uxTableRow, (tab, 0, 0, 40), no_fit, overload_text("new_uxTableRow", *ROW_FORMS)),
            (m.uxTableCtrl_selectRow, (t, 2, not_flag), no_fit, overload_text(
                "uxTableCtrl_selectRow", "uxTableCtrl::selectRow(int,bool)", "uxTableCtrl::selectRow(int)")),
            (m.uxTableRow_SetChecked, (row, True, not_flag), no_fit, overload_text(
                "uxTableRow_SetChecked", "uxTableRow::SetChecked(bool,bool)", "uxTableRow::SetChecked(bool)")),
            (m.uxTableRow_SetChecked, (row, not_flag), no_fit, overload_text(
                "uxTableRow_SetChecked", "uxTableRow::SetChecked(bool,bool)", "uxTableRow::SetChecked(bool)")),
            (m.new_uxTabItemCtrl, (GM, 3, "Osc", 1, 2, None, not_flag), no_fit, overload_text("new_uxTabItemCtrl", *TAB_FORMS)),
            (m.new_uxTabItemCtrl, (GM, 3, "Osc", 1, 2, 5), no_fit, overload_text("new_uxTabItemCtrl", *TAB_FORMS)),
            (m.uxTabCtrl_SetTabItem, (tabs, 0, tab, 5), no_fit, overload_text(
                "uxTabCtrl_SetTabItem", "uxTabCtrl::SetTabItem(int,uxTabItemCtrl *,char *)",
                "uxTabCtrl::SetTabItem(int,uxTabItemCtrl *)")),
            (m.uxTabItemCtrl_setTabName, (tab, "Filter", -1), no_fit, overload_text(
                "uxTabItemCtrl_setTabName", "uxTabItemCtrl::setTabName(char *)",
                "uxTabItemCtrl::setTabName(char *,uxCOLOR)")),
            (m.uxTabItemCtrl_setTabName, (tab, "Filter", True, 1), no_fit, overload_text(
                "uxTabItemCtrl_setTabName", "uxTabItemCtrl::setTabName(char *)",
                "uxTabItemCtrl::setTabName(char *,uxCOLOR)")),
            (m.uxTableRow_addColumn, (row, p), TypeError,
             "in method 'uxTableRow_addColumn', argument 2 of type 'uxBaseElement *'"),
            (m.uxTableCtrl_setSelectionMode, (t, "9"), TypeError,
             "in method 'uxTableCtrl_setSelectionMode', argument 2 of type 'uxTableCtrl::eMode'"),
            (m.uxTableCtrl_setEntryMode, (t, 1.5), TypeError,
             "in method 'uxTableCtrl_setEntryMode', argument 2 of type 'uxTableCtrl::eEntryMode'"),
            (m.uxTableCtrl_repaintRow, (t, tab), TypeError,
             "in method 'uxTableCtrl_repaintRow', argument 2 of type 'uxTableRow *'"),
            (m.uxTableRow_SetCheckDisable, (row, 1), TypeError,
             "in method 'uxTableRow_SetCheckDisable', argument 2 of type 'bool'"),
            (m.uxTabCtrl_AddTabItem, (tabs, row), TypeError,
             "in method 'uxTabCtrl_AddTabItem', argument 2 of type 'uxTabItemCtrl *'"),
            (m.uxTabItemCtrl_SetPanel, (tab, 0, tabs), TypeError,
             "in method 'uxTabItemCtrl_SetPanel', argument 3 of type 'uxPanelCtrl *'"),
            (m.uxTabItemCtrl_setClientRect, (tab, 1, 2, 3, "4"), TypeError,
             "in method 'uxTabItemCtrl_setClientRect', argument 5 of type 'int'"),
            (m.uxTabCtrl_switch2Tab, (t, 1), TypeError, "in method 'uxTabCtrl_switch2Tab', argument 1 of type 'uxTabCtrl *'"),
            (m.uxTabCtrl_switch2Tab, (tabs, None), TypeError, "in method 'uxTabCtrl_switch2Tab', argument 2 of type 'int'"),
            (m.new_uxTabCtrl, (GM, 1, "T", p, 800, 40, 1, 2, 3, 1.5), TypeError,
             "in method 'new_uxTabCtrl', argument 10 of type 'int'"),
            (m.new_uxGridCtrl, (GM, 1, p, 300, 100, "3", 1, 2), TypeError, "in method 'new_uxGridCtrl', argument 6 of type 'int'"),
            (m.new_uxGridCtrl, (GM, 1, p, 32768, 100, 3, 1, 2), OverflowError,
             "in method 'new_uxGridCtrl', argument 4 of type 'int16_t'"),
            (m.new_uxLISTCtrl, (GM, 1, 0, 0, "w", 1, 2), TypeError, "in method 'new_uxLISTCtrl', argument 5 of type 'int16_t'"),
            (m.uxLISTCtrl_AddItem, (m.new_uxLISTCtrl(GM, 1, 0, 0, 10, 1, 2), 1, "a", row, None), TypeError,
             "in method 'uxLISTCtrl_AddItem', argument 4 of type 'tImage *'"),
            (m.new_uxTableCtrl, (GM, 7, "F", None, 400, 300, 6, 0), ValueError,
             "invalid null reference in method 'new_uxTableCtrl', argument 4 of type 'uxPOINT'"),
            (m.new_uxTabCtrl, (GM, 1, "T", None, 800, 40, 1, 2, 3, 9), ValueError,
             "invalid null reference in method 'new_uxTabCtrl', argument 4 of type 'uxPOINT'"),
            (m.new_uxGridCtrl, (GM, 1, None, 300, 100, 3, 1, 2), ValueError,
             "invalid null reference in method 'new_uxGridCtrl', argument 3 of type 'uxPOINT'"),
        ]
        assert_raise_table(self, cases)

    def test_panel_functions_take_tables_and_refuse_tabs_grids_and_lists(self):
        t = table()
        m.uxPanelCtrl_SetTypeName(t, "Files")
        m.uxPanelCtrl_SetFocus(t, True)
        self.assertTrue(m.uxBaseElement_isFocus(t))
        others = [m.new_uxTabCtrl(GM, 1, "T", pt(0, 0), 800, 40, 1, 2, 3, 9),
                  m.new_uxTabItemCtrl(GM, 3, "Osc", 1, 2, None),
                  m.new_uxGridCtrl(GM, 1, pt(0, 0), 300, 100, 3, 1, 2),
                  m.new_uxLISTCtrl(GM, 1, 0, 0, 10, 1, 2)]
        for other in others:
            for function in (m.uxPanelCtrl_Clear, m.uxPanelCtrl_OnPaint):
                with self.subTest(repr(other), function=function.__name__):
                    with self.assertRaises(TypeError) as e:
                        function(other)
                    self.assertEqual(str(e.exception),
                                     f"in method '{function.__name__}', argument 1 of type 'uxPanelCtrl *'")


class BadInput(unittest.TestCase):
    def test_none_and_impossible_sizes_refused(self):
        t, tabs = table(), m.new_uxTabCtrl(GM, 1, "T", pt(0, 0), 800, 40, 1, 2, 3, 9)
        row, tab = m.new_uxTableRow(t, 0, 0, 40), m.new_uxTabItemCtrl(GM, 3, "Osc", 1, 2, None)
        grid, lst = m.new_uxGridCtrl(GM, 1, pt(0, 0), 300, 100, 3, 1, 2), m.new_uxLISTCtrl(GM, 1, 0, 0, 10, 1, 2)
        m.uxTabCtrl_AddTabItem(tabs, tab)
        cases = [
            (m.new_uxTableRow, (None, 0, 0, 40), 1, "uxTableCtrl *"),
            (m.new_uxTableRow, (None, 0, 0, 40, "r"), 1, "uxTableCtrl *"),
            (m.uxTableCtrl_addRow, (t, None), 2, "uxTableRow *"),
            (m.uxTableCtrl_addRow, (None, row), 1, "uxTableCtrl *"),
            (m.uxTableCtrl_getSelection, (None,), 1, "uxTableCtrl *"),
            (m.uxTableRow_addColumn, (row, None), 2, "uxBaseElement *"),
            (m.uxTableRow_getHeight, (None,), 1, "uxTableRow *"),
            (m.uxTabCtrl_AddTabItem, (tabs, None), 2, "uxTabItemCtrl *"),
            (m.uxTabCtrl_SetTabItem, (tabs, 0, None), 3, "uxTabItemCtrl *"),
            (m.uxTabCtrl_SetTabItem, (tabs, 0, None, "x"), 3, "uxTabItemCtrl *"),
            (m.uxTabItemCtrl_AddPanel, (tab, None), 2, "uxPanelCtrl *"),
            (m.uxTabItemCtrl_SetPanel, (tab, 0, None), 3, "uxPanelCtrl *"),
            (m.uxTabItemCtrl_setTabName, (tab, None), 2, "char *"),
            (m.uxTabItemCtrl_setTabName, (tab, None, 1), 2, "char *"),
            (m.new_uxTabItemCtrl, (GM, 3, None, 1, 2, None), 3, "char *"),
            (m.uxGridCtrl_AddLine, (grid, None), 2, "char *"),
            (m.uxLISTCtrl_AddItem, (lst, 1, None, None, None), 3, "char *"),
            (m.uxTabCtrl_OnMessage, (tabs, None), 2, "tUX_Message *"),
            (m.uxTableRow_OnMessage, (row, None), 2, "tUX_Message *"),
        ]
        for function, args, number, kind in cases:
            with self.subTest(function.__name__, args=args):
                with self.assertRaises(ValueError) as e:
                    function(*args)
                self.assertEqual(str(e.exception), f"invalid null reference in method '{function.__name__}', "
                                                   f"argument {number} of type '{kind}'")
        sizes = [
            (m.new_uxTableRow, (t, 0, 0, 0), "in method 'new_uxTableRow', argument 4: a row is at least 1 pixel high"),
            (m.new_uxTableRow, (t, 0, 0, -40, "r"),
             "in method 'new_uxTableRow', argument 4: a row is at least 1 pixel high"),
            (m.new_uxGridCtrl, (GM, 1, pt(0, 0), 300, 100, 0, 1, 2),
             "in method 'new_uxGridCtrl', argument 6: a grid holds at least 1 line"),
        ]
        for function, args, text in sizes:
            with self.subTest(function.__name__, args=args[1:]):
                with self.assertRaises(ValueError) as e:
                    function(*args)
                self.assertEqual(str(e.exception), text)
        # A refused hand-over leaves the owner as it was; what a container holds is refused twice.
        b = button()
        with self.assertRaises(ValueError):
            m.uxTableRow_addColumn(None, b)
        self.assertTrue(b.own())
        m.uxTableRow_addColumn(row, b)
        m.uxTableCtrl_addRow(t, row)
        for function, args, text in [
                (m.uxTableRow_addColumn, (row, b), "in method 'uxTableRow_addColumn', the element is already held by "
                                                   "a container"),
                (m.uxTableRow_addColumn, (row, row), "in method 'uxTableRow_addColumn', the element is the container "
                                                     "or holds it"),
                (m.uxTableCtrl_addRow, (t, row), "in method 'uxTableCtrl_addRow', the element is already held by a container")]:
            with self.subTest(function.__name__):
                with self.assertRaises(ValueError) as e:
                    function(*args)
                self.assertEqual(str(e.exception), text)
        self.assertEqual((b.own(), row.own()), (False, False))
        self.assertIsNone(m.delete_uxTableCtrl(None))
        self.assertIsNone(m.delete_uxTabCtrl(None))


class Ownership(unittest.TestCase):
    """Every container deletes what it holds once; the sanitizer reports a second delete."""

    def test_tables_delete_their_rows_and_columns_once(self):
        for delete in (m.delete_uxTableCtrl, m.delete_uxBaseElement, m.delete_uxPanelCtrl, lambda t: None):
            with self.subTest(delete):
                t = tovgui.uxTableCtrl(GM, 7, "Files", pt(0, 0), 400, 300, 6, 0)
                rows = [tovgui.uxTableRow(t, i, i, 40) for i in range(3)]
                for r in rows:
                    for c in range(2):
                        r.addColumn(tovgui.uxButton(GM, c, pt(0, 0), 10, 10, 1, 2, 3))
                    self.assertTrue(r.thisown)  # not yet in the table
                    t.addRow(r)
                    self.assertFalse(r.thisown)
                t.OnPaint()
                delete(t)
                del t, rows
        # A row that was never added belongs to its proxy, with its columns.
        lone = tovgui.uxTableRow(table(), 0, 0, 40)
        lone.addColumn(tovgui.uxLabel(GM, pt(0, 0), 10, 10, 1, 2, 3, 1))
        self.assertTrue(lone.thisown)
        del lone

    def test_tab_controls_delete_their_tabs_and_panels_once(self):
        for delete in (m.delete_uxTabCtrl, m.delete_uxBaseElement, lambda t: None):
            with self.subTest(delete):
                tabs = tovgui.uxTabCtrl(GM, 1, "Main", pt(0, 0), 800, 40, 1, 2, 3, 9)
                for name in ("A", "B"):
                    tab = tovgui.uxTabItemCtrl(GM, 3, name, 1, 2, None)
                    for kind in (tovgui.uxPanelCtrl, tovgui.uxGroup):
                        panel = kind(GM, 1, "P", pt(0, 40), 800, 440, 0)
                        panel.AddElement(tovgui.uxButton(GM, 1, pt(0, 0), 10, 10, 1, 2, 3))
                        tab.AddPanel(panel)
                    tab.AddPanel(tovgui.uxTableCtrl(GM, 7, "Files", pt(0, 40), 400, 300, 6, 0))
                    tabs.AddTabItem(tab)
                    self.assertFalse(tab.thisown)
                tabs.setActiveTab(1)
                tabs.OnPaint()
                delete(tabs)
                del tabs, tab, panel
        # Tabs inside a panel, inside a tab: one delete at the top reaches them all.
        outer = tovgui.uxTabItemCtrl(GM, 3, "Outer", 1, 2, None)
        holder = tovgui.uxPanelCtrl(GM, 1, "P", pt(0, 0), 10, 10, 0)
        inner = tovgui.uxTabCtrl(GM, 1, "Inner", pt(0, 0), 800, 40, 1, 2, 3, 9)
        inner.AddTabItem(tovgui.uxTabItemCtrl(GM, 3, "In", 1, 2, None))
        holder.AddElement(inner)
        outer.AddPanel(holder)
        del outer, holder, inner


if __name__ == "__main__":
    unittest.main()
