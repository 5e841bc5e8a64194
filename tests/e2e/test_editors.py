"""The voice editors in the whole program: a filter-key frame from the panel while the voice
page shows the filter editor."""

import unittest


class FilterEditorFromThePanel(unittest.TestCase):
    @unittest.skip("the voice page still builds its editors as named placeholders "
                   "(pages/voice/VoiceEditors.cpp): the filter editor is not reachable in the "
                   "program until its factory builds the editors")
    def test_filter_key_echoes_the_type_and_replots(self):
        """A filter-key frame to 370 gives the type's enum frame back on 370 and a new
        response on the screen."""


if __name__ == "__main__":
    unittest.main()
