#include "data/Utf8Text.h"

#include <gtest/gtest.h>

#include <string>

namespace {

TEST(Utf8Text, CutsNeverSplitACharacter) {
  struct Case {
    const char* what;
    std::string text;
    std::size_t limit, expected;
  };
  const Case cases[] = {
      {"short enough", "abc", 3, 3},
      {"ASCII", "abcdef", 4, 4},
      {"after a two-byte character", "ab\xC3\xA9z", 4, 4},
      {"inside a two-byte character", "abc\xC3\xA9", 4, 3},
      {"inside a three-byte character, one byte in", "a\xE2\x82\xAC", 2, 1},
      {"inside a three-byte character, two bytes in", "a\xE2\x82\xAC", 3, 1},
      {"inside a four-byte character", "\xF0\x9F\x8E\xB9x", 3, 0},
      {"Latin-1 bytes cut anywhere", "caf\xE9\xE9", 4, 4},
      {"a stray continuation byte is cut where it stands", "ab\x82\x83", 3, 3},
      {"an invalid lead before continuations", "a\xC0\xAF", 2, 2},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    EXPECT_EQ(utf8::CutLength(c.text.data(), c.text.size(), c.limit), c.expected);
  }
}

}  // namespace
