// Bitmap text: the sixteen cell sizes, opaque glyph cells, bit order, the Latin-1 letters
// the texts use, and how PutString places and wraps characters.
#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

#include "platform/MemoryFrameBuffer.h"
#include "tests/support/LogCapture.h"
#include "toolkit/Flavour.h"
#include "toolkit/uxDC.h"

namespace {

constexpr uxCOLOR kFore = 0xFFFFFF;
constexpr uxCOLOR kBack = 0x000080;
constexpr uxCOLOR kUntouched = 0x5E5E5E;

const tFontSize kCells[16] = {{4, 6},   {5, 8},   {5, 12},  {6, 8},   {6, 10},  {7, 12},  {8, 8},   {8, 12},
                              {8, 14},  {10, 16}, {12, 16}, {12, 20}, {16, 26}, {22, 36}, {24, 40}, {32, 53}};

class Text : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_EQ(dc_.Init(), 0);
    dc_.BeginPaint(0, 0, 800, 480);
    dc_.FillFrame(0, 0, 799, 479, kUntouched);
    dc_.SetForecolor(kFore);
    dc_.SetBackcolor(kBack);
  }

  // The w x h block at (x, y) of the normal layer as 1 (fore), 0 (back) or 2 (anything else).
  std::vector<int> Block(int x, int y, int w, int h) const {
    std::vector<int> b;
    for (int j = 0; j < h; ++j) {
      for (int i = 0; i < w; ++i) {
        const uint32_t v = dc_.NormalLayer()[(y + j) * 800 + x + i];
        b.push_back(v == kFore ? 1 : v == kBack ? 0 : 2);
      }
    }
    return b;
  }

  std::vector<int> Glyph(unsigned char code) {
    const tFontSize s = dc_.getFontSize(FONT_SELECTED);
    dc_.FillFrame(0, 0, 99, 99, kUntouched);
    dc_.PutChar(static_cast<char>(code), 0, 0, kFore, kBack);
    return Block(0, 0, s.width, s.height);
  }

  testing_support::LogCapture log_;
  platform::MemoryFrameBuffer fb_;
  uxDC dc_{&fb_};
};

TEST_F(Text, FontSizesAndSelection) {
  EXPECT_EQ(dc_.getFontSize(FONT_SELECTED).width, 0) << "no font before the first selection";
  dc_.FontSetHSpace(2);
  dc_.FontSetVSpace(3);
  for (int i = 0; i < 16; ++i) {
    const tFontSize s = dc_.getFontSize(i);
    EXPECT_EQ(s.width, kCells[i].width) << i;
    EXPECT_EQ(s.height, kCells[i].height) << i;
    const uxFONT f = dc_.FontSelect(static_cast<uint16_t>(i));
    EXPECT_EQ(f.index, i);
    EXPECT_EQ(f.fontsize.width, kCells[i].width);
    EXPECT_EQ(f.char_h_space, 2) << "spacing survives a font change";
    EXPECT_EQ(f.char_v_space, 3);
    EXPECT_NE(f.p, nullptr);
    EXPECT_EQ(dc_.getFontSize(FONT_SELECTED).height, kCells[i].height);
  }
  for (int bad : {16, 17, 255, -2}) {
    EXPECT_EQ(dc_.getFontSize(bad).width, 0) << bad;
    EXPECT_EQ(dc_.getFontSize(bad).height, 0) << bad;
  }
  const uxFONT none = dc_.FontSelect(16);
  EXPECT_EQ(none.p, nullptr);
  EXPECT_EQ(none.fontsize.width, 0);
  dc_.PutString(0, 0, "nothing");
  dc_.PutChar('A', 10, 10, kFore, kBack);
  EXPECT_EQ(dc_.NormalLayer()[0], kUntouched);
  EXPECT_EQ(dc_.NormalLayer()[10 * 800 + 10], kUntouched);
}

TEST(TextDefaults, SpacingStartsAtZeroAndOne) {
  uxDC dc;
  EXPECT_EQ(dc.CurrentFont().char_h_space, 0);
  EXPECT_EQ(dc.CurrentFont().char_v_space, 1);
  EXPECT_EQ(dc.CurrentFont().p, nullptr);
}

// Every font: the cell is opaque (exactly w x h pixels, each fore or back), letters are not
// blank, and 'L', 'F', 'E' and 'b' lean left, which a reversed bit order would mirror.
TEST_F(Text, GlyphCellsAreOpaqueAndLeastSignificantBitIsLeftmost) {
  for (int i = 0; i < 16; ++i) {
    SCOPED_TRACE(testing::Message() << "font " << i);
    dc_.FontSelect(static_cast<uint16_t>(i));
    const int w = kCells[i].width, h = kCells[i].height;
    dc_.FillFrame(0, 0, 99, 99, kUntouched);
    dc_.PutChar('A', 5, 7, kFore, kBack);
    const std::vector<int> cell = Block(5, 7, w, h);
    for (int v : cell) ASSERT_NE(v, 2);
    // Nothing around the cell.
    for (int x = 4; x <= 5 + w; ++x) {
      EXPECT_EQ(dc_.NormalLayer()[6 * 800 + x], kUntouched);
      EXPECT_EQ(dc_.NormalLayer()[(7 + h) * 800 + x], kUntouched);
    }
    for (int y = 7; y < 7 + h; ++y) {
      EXPECT_EQ(dc_.NormalLayer()[y * 800 + 4], kUntouched);
      EXPECT_EQ(dc_.NormalLayer()[y * 800 + 5 + w], kUntouched);
    }
    auto leftMinusRight = [&](char c) {
      const std::vector<int> g = Glyph(static_cast<unsigned char>(c));
      int balance = 0;
      for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) balance += g[y * w + x] * (x < w / 2 ? 1 : x >= (w + 1) / 2 ? -1 : 0);
      return balance;
    };
    for (char c : {'L', 'F', 'E', 'b'}) EXPECT_GT(leftMinusRight(c), 0) << c;
    for (char c : {'0', 'a', 'Z', '%'}) {
      const std::vector<int> g = Glyph(static_cast<unsigned char>(c));
      EXPECT_GT(std::count(g.begin(), g.end(), 1), 0) << c;
    }
  }
}

TEST_F(Text, LatinOneLettersUseTheirCodePageGlyphs) {
  const std::pair<unsigned char, unsigned char> map[] = {
      {228, 132}, {246, 148}, {252, 129}, {176, 248}, {181, 230}, {196, 142}, {214, 153}, {220, 154},
  };
  for (uint16_t font : {1, 8, 13}) {
    dc_.FontSelect(font);
    for (auto [latin1, cp437] : map) {
      const std::vector<int> drawn = Glyph(latin1);
      EXPECT_EQ(drawn, Glyph(cp437)) << "font " << font << " code " << int(latin1);
      EXPECT_GT(std::count(drawn.begin(), drawn.end(), 1), 0) << "font " << font << " code " << int(latin1);
    }
  }
  // Codes from 128 up index their own glyph through a char, signed on some hosts or not.
  dc_.FontSelect(8);
  const std::vector<int> e_acute = Glyph(130);
  dc_.FillFrame(0, 0, 99, 99, kUntouched);
  dc_.PutString(0, 0, "\x82");
  EXPECT_EQ(Block(0, 0, 8, 14), e_acute);
  EXPECT_NE(e_acute, Glyph('e'));
}

TEST_F(Text, PutStringAdvancesWrapsAndBreaksLines) {
  dc_.FontSelect(6);  // 8 x 8
  const std::vector<int> L = Glyph('L');
  const std::vector<int> J = Glyph('J');
  auto at = [&](int x, int y) { return Block(x, y, 8, 8); };

  // Paint width 32: the fourth glyph would end on the last column (24 + 8 > 31) and starts a
  // new line at y + 8 + 1 instead; with 33 it still fits.
  dc_.FillFrame(0, 0, 99, 99, kUntouched);
  dc_.BeginPaint(0, 0, 33, 100);
  dc_.PutString(0, 0, "LLLJ");
  EXPECT_EQ(at(24, 0), J);
  dc_.BeginPaint(0, 0, 800, 480);
  dc_.FillFrame(0, 0, 99, 99, kUntouched);
  dc_.BeginPaint(0, 0, 32, 100);
  dc_.PutString(0, 0, "LLLJ\nJ");
  EXPECT_EQ(at(16, 0), L);
  EXPECT_EQ(dc_.NormalLayer()[0 * 800 + 24], kUntouched);
  if constexpr (ux::kScriptFlavour) {
    EXPECT_EQ(at(0, 9), J);
  } else {
    // The instrument cuts the line at its box instead; the next line starts as before.
    EXPECT_EQ(at(0, 9), J) << "the line after the newline";
    EXPECT_EQ(dc_.NormalLayer()[18 * 800 + 0], kUntouched) << "no third line";
  }

  // Several newlines in a row give one line break; the break returns to the start column.
  dc_.BeginPaint(0, 0, 800, 480);
  dc_.FillFrame(0, 0, 99, 99, kUntouched);
  dc_.PutString(4, 2, "L\n\n\nJ\n");
  EXPECT_EQ(at(4, 2), L);
  EXPECT_EQ(at(4, 11), J);
  EXPECT_EQ(dc_.NormalLayer()[20 * 800 + 4], kUntouched);

  // Spacing between characters and lines.
  dc_.FontSetHSpace(3);
  dc_.FontSetVSpace(5);
  dc_.FillFrame(0, 0, 99, 99, kUntouched);
  dc_.PutString(0, 0, "LJ\nL");
  EXPECT_EQ(at(11, 0), J);
  EXPECT_EQ(at(0, 13), L);
  EXPECT_EQ(dc_.NormalLayer()[0 * 800 + 9], kUntouched) << "the gap is not painted";
}

TEST_F(Text, TheInstrumentDrawsUtf8TextWithTheFontsGlyphsAndCutsItAtTheBox) {
  dc_.FontSelect(8);  // 8 x 14
  auto drawn = [&](const char* text, int width = 800) {
    dc_.BeginPaint(0, 0, 800, 480);
    dc_.FillFrame(0, 0, 99, 99, kUntouched);
    dc_.BeginPaint(0, 0, static_cast<int16_t>(width), 100);
    dc_.PutString(0, 0, text);
    dc_.BeginPaint(0, 0, 800, 480);
    return Block(0, 0, 8, 14);
  };
  auto second = [&] { return Block(8, 0, 8, 14); };
  const std::vector<int> A_umlaut = Glyph(142), e_acute = Glyph(130), beta = Glyph(225), question = Glyph('?');
  const std::vector<int> x = Glyph('x');
  struct Case {
    const char* text;
    std::vector<int> first, then;  // the first two cells as the instrument shows them
  };
  const Case cases[] = {
      {"\xC3\x84x", A_umlaut, x},         // U+00C4 in two bytes, one glyph
      {"\xC3\xA9x", e_acute, x},          // U+00E9
      {"\xC3\x9Fx", beta, x},             // U+00DF, the font's sharp s
      {"\xE2\x82\xACx", question, x},    // U+20AC: no glyph in the font's order
      {"\xE4\xB8\xADx", question, x},    // U+4E2D
      {"\xF0\x9F\x8E\xB9x", question, x},  // U+1F3B9: four bytes, one mark
      {"\xC4x", A_umlaut, x},              // a Latin-1 byte by itself keeps its letter
      {"\xC3x", Glyph(0xC3), x},           // a sequence cut short: its bytes by themselves
      {"\xC0\x80", Glyph(0xC0), Glyph(0x80)},  // an overlong form
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    const std::vector<int> first = drawn(c.text);
    if constexpr (ux::kScriptFlavour) {
      // The script module draws byte by byte.
      EXPECT_EQ(first, Glyph(static_cast<unsigned char>(c.text[0])));
    } else {
      EXPECT_EQ(first, c.first);
      drawn(c.text);
      EXPECT_EQ(second(), c.then);
    }
  }
  if constexpr (!ux::kScriptFlavour) {
    // A text centred wider than its box starts at the box's left edge, and its end is cut.
    dc_.BeginPaint(0, 0, 800, 480);
    dc_.FillFrame(0, 0, 99, 99, kUntouched);
    dc_.BeginPaint(0, 0, 30, 100);
    dc_.PutString(-20, 0, "xLLLLLL");
    dc_.BeginPaint(0, 0, 800, 480);
    EXPECT_EQ(Block(0, 0, 8, 14), x);
    EXPECT_EQ(dc_.NormalLayer()[20 * 800 + 0], kUntouched) << "nothing wrapped below";
  }
}

}  // namespace
