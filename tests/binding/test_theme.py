"""The named-colour theme from scripts: defaults, the lookup cascade, and the table as a
module variable."""

import unittest

import _tovgui as m
import tovgui

from binding_support import run_python

DEFAULTS = {"Fg": 0xFFFFFF, "FgAcc": 0xA3A3A3, "Bg": 0x333333, "BgAcc": 0x5C5C5C, "Border": 0x1F1F1F,
            "BorderAcc": 0x0A0A0A, "Text": 0x8F8F8F, "TextAcc": 0x0A0A0A, "TitleBg": 0x505050,
            "TitleText": 0x000000, "TitleTextBg": 0xA40000}


class Theme(unittest.TestCase):
    def test_table_is_empty_until_init(self):
        # The table is the process's: a fresh interpreter shows it as import leaves it.
        r = run_python("import _tovgui as m\n"
                       f"names = {sorted(DEFAULTS)!r}\n"
                       "print([m.CTheme_ColorFromName(n) for n in names])\n"
                       "print(m.CTheme_ColorFromName('Bg', '', '', 7))\n"
                       "m.CTheme_Init()\n"
                       "print([m.CTheme_ColorFromName(n) for n in names])\n")
        self.assertEqual(r.returncode, 0, r.stderr)
        before, fallback, after = r.stdout.splitlines()
        self.assertEqual(eval(before), [0] * 11)
        self.assertEqual(fallback, "7")
        self.assertEqual(eval(after), [DEFAULTS[n] for n in sorted(DEFAULTS)])

    def test_init_sets_the_eleven_defaults_and_leaves_other_names(self):
        m.CTheme_SetNamedColor("Fg", 1)
        m.CTheme_SetNamedColor("theme.mine", 2)
        m.CTheme_DeleteNamedColor("Bg")
        m.CTheme_DeleteNamedColor("Bg")  # an absent name is no error
        self.assertEqual(m.CTheme_ColorFromName("Bg"), 0)
        m.CTheme_Init()
        self.assertEqual({n: m.CTheme_ColorFromName(n) for n in DEFAULTS}, DEFAULTS)
        self.assertEqual(m.CTheme_ColorFromName("theme.mine"), 2)

    def test_colours_from_components(self):
        self.assertEqual(m.CTheme_ColorFromRGB(1, 2, 3), 66051)
        self.assertEqual(m.CTheme_ColorFromRGB(255, 0, 128), 0xFF0080)
        self.assertIsNone(m.CTheme_SetNamedColor("theme.rgb", 1, 2, 3))
        self.assertEqual(m.CTheme_ColorFromName("theme.rgb"), 0x010203)
        self.assertEqual(tovgui.CTheme.ColorFromRGB(1, 2, 3), 66051)

    def test_lookup_takes_the_first_key_the_table_holds(self):
        full, element, widget, plain = "EWRole", "ERole", "WRole", "Role"
        cases = [
            # (stored, (name, widget, element, fallback, tryShorter), expected)
            ({full: 1, element: 2, widget: 3, plain: 4}, ("Role", "W", "E", 9, True), 1),
            ({element: 2, widget: 3, plain: 4}, ("Role", "W", "E", 9, True), 2),
            ({widget: 3, plain: 4}, ("Role", "W", "E", 9, True), 3),
            ({plain: 4}, ("Role", "W", "E", 9, True), 4),
            ({}, ("Role", "W", "E", 9, True), 9),
            ({element: 2, widget: 3, plain: 4}, ("Role", "W", "E", 9, False), 9),
            ({full: 1}, ("Role", "W", "E", 9, False), 1),
            # with no element the widget key joined to the name is the first key
            ({widget: 3}, ("Role", "W", "", 0, False), 3),
            ({widget: 3}, ("Role", "W", "", 0xABCDEF, True), 3),
            ({widget: 3}, ("Role", "W"), 3),
            # the defaults: the name itself, else 0
            ({plain: 4}, ("Role",), 4),
            ({}, ("Role",), 0),
            ({full: 1}, ("Role", "W", "E"), 1),
            ({plain: 4}, ("Role", "W", "E", 5), 4),
        ]
        for stored, args, expected in cases:
            with self.subTest(stored=stored, args=args):
                for k in (full, element, widget, plain):
                    m.CTheme_DeleteNamedColor(k)
                for k, v in stored.items():
                    m.CTheme_SetNamedColor(k, v)
                self.assertEqual(m.CTheme_ColorFromName(*args), expected)

    def test_table_variable_assigned_to_itself_or_wrongly_stays_as_it_was(self):
        m.CTheme_Init()
        m.CTheme_SetNamedColor("theme.kept", 0x123456)

        def snapshot():
            return {n: m.CTheme_ColorFromName(n) for n in list(DEFAULTS) + ["theme.kept"]}

        before = snapshot()
        self.assertIsNone(m.CTheme_AppColors_set(m.CTheme_AppColors_get()))
        self.assertEqual(snapshot(), before)
        m.cvar.CTheme_AppColors = m.cvar.CTheme_AppColors
        self.assertEqual(snapshot(), before)
        self.assertEqual(m.CTheme_AppColors_get(), m.cvar.CTheme_AppColors)
        self.assertEqual(m.CTheme_AppColors_get(1, 2), m.cvar.CTheme_AppColors, "the getter ignores its arguments")
        for bad in (None, 1, "Fg"):
            with self.subTest(bad=bad):
                with self.assertRaises((TypeError, ValueError)):
                    m.cvar.CTheme_AppColors = bad
                self.assertEqual(snapshot(), before)

    def test_theme_objects_hold_nothing(self):
        t = m.new_CTheme()
        self.assertTrue(t.own())
        self.assertIsNone(m.delete_CTheme(t))
        self.assertFalse(t.own())
        self.assertIsNone(m.delete_CTheme(None))
        p = tovgui.CTheme()
        self.assertTrue(p.thisown)
        del p


if __name__ == "__main__":
    unittest.main()
