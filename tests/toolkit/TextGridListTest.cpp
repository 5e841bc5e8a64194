// Text box, text grid and icon list: how many lines each keeps and where they are drawn, the
// grid's scrolling and indicator, the list's stepping and what it sends, and the degenerate
// cases (fonts without glyphs, grids smaller than their view, lists without items or icons).
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "tests/toolkit/support/WidgetFixture.h"
#include "toolkit/Flavour.h"
#include "toolkit/uxGridCtrl.h"
#include "toolkit/uxLISTCtrl.h"
#include "toolkit/uxTextBox.h"

namespace {

using toolkit_test::DrawRecorder;
using toolkit_test::Probe;

class TextWidgets : public toolkit_test::WidgetTest {
 protected:
  static int Send(uxBaseElement& e, tagUX_Message m) { return e.OnMessage(&m); }
  static std::vector<std::string> Texts(const DrawRecorder& rec) {
    std::vector<std::string> out;
    for (const uxDrawCall& c : rec.Named("PutString")) out.push_back(c.text);
    return out;
  }
};

TEST_F(TextWidgets, TextBoxKeepsWhatFitsNewestAtTheBottom) {
  uxTextBox box(&host_, "Log", uxPOINT(10, 10), 300, 100, 0x000020, 0x123456, 0xFFFFFF, 9);
  ASSERT_EQ(dc_.getFontSize(9).height, 16);
  EXPECT_EQ(box.GetCapacity(), 6);
  EXPECT_EQ(box.OnPaint(), 0);  // nothing to show yet
  for (int i = 1; i <= 7; ++i) box.AddLine("line %d", i);
  ASSERT_EQ(box.GetLines().size(), 6u);
  EXPECT_EQ(box.GetLines().front(), "line 7");
  EXPECT_EQ(box.GetLines().back(), "line 2");

  DrawRecorder rec(dc_);
  ASSERT_EQ(box.OnPaint(), 1);
  const auto texts = rec.Named("PutString");
  ASSERT_EQ(texts.size(), 6u);
  for (int k = 1; k <= 6; ++k) {
    EXPECT_EQ(texts[std::size_t(k - 1)].text, "line " + std::to_string(8 - k));
    EXPECT_EQ(texts[std::size_t(k - 1)].a[0], 10);
    EXPECT_EQ(texts[std::size_t(k - 1)].a[1], 100 - 16 * k);
  }
  const auto frame = rec.Named("DrawFrame");
  ASSERT_EQ(frame.size(), 1u);
  EXPECT_EQ(frame[0].colour, 0x000000u);
  EXPECT_EQ(frame[0].a[2], 299);

  // Formatted lines are cut to 63 characters; plain ones are kept whole.
  box.AddLine("%s", std::string(100, 'x').c_str());
  EXPECT_EQ(box.GetLines().front().size(), 63u);
  char plain[] = "100% plain";
  box.AddLine(plain);
  EXPECT_EQ(box.GetLines().front(), "100% plain");
  box.Clear();
  EXPECT_TRUE(box.GetLines().empty());
  EXPECT_TRUE(box.needsRepaint());
}

TEST_F(TextWidgets, TextBoxWithAFontWithoutGlyphsKeepsNothing) {
  for (int font : {16, 40, -5}) {
    SCOPED_TRACE(font);
    uxTextBox box(&host_, "Log", uxPOINT(10, 10), 300, 100, 0, 0, 0xFFFFFF, font);
    EXPECT_EQ(box.GetCapacity(), 0);
    box.AddLine("one");
    box.AddLine("%d", 2);
    EXPECT_TRUE(box.GetLines().empty());
    box.OnPaint();
  }
  uxTextBox small(&host_, "Log", uxPOINT(10, 10), 300, 10, 0, 0, 0xFFFFFF, 9);
  EXPECT_EQ(small.GetCapacity(), 0);
  small.AddLine("x");
  EXPECT_TRUE(small.GetLines().empty());
}

#if SYNTH_TOOLKIT_SCRIPT
TEST_F(TextWidgets, GridScrollsThroughOlderLinesOnlyWhenThereAreSome) {
  // 71 high: 70 inside, five 14-pixel lines in view.
  uxGridCtrl grid(&host_, 5, uxPOINT(0, 0), 300, 71, 20, 0xFFFFFF, 0x000000);
  EXPECT_EQ(grid.getClientRect()->right, 299);
  EXPECT_EQ(grid.getClientRect()->height, 70);
  grid.SetFocus(true);
  for (const char* l : {"a", "b", "c"}) grid.AddLine(l);
  Send(grid, tagUX_Message(UX_MSG_KEY, UX_PARAM_INC, 0));
  EXPECT_EQ(grid.GetScroll(), 0);

  for (int i = 0; i < 5; ++i) grid.AddLine(std::to_string(i).c_str());  // 8 lines, newest "4"
  struct Step {
    int key, scroll;
  } steps[] = {{UX_PARAM_INC, 1}, {UX_PARAM_INC, 2}, {UX_PARAM_INC, 3}, {UX_PARAM_INC, 3},
               {UX_PARAM_DEC, 2}, {UX_PARAM_ENTER, 2}};
  for (const Step& s : steps) {
    Send(grid, tagUX_Message(UX_MSG_KEY, s.key, 0));
    EXPECT_EQ(grid.GetScroll(), s.scroll);
  }
  // Keys are the grid's own while it has focus: the manager's hook never sees them.
  EXPECT_TRUE(host_.hooked.empty());

  DrawRecorder rec(dc_);
  grid.setRepaint();
  grid.OnPaint();
  // Scrolled by two: the view ends with the third newest line.
  EXPECT_EQ(Texts(rec), (std::vector<std::string>{"2", "1", "0", "c", "b"}));
  EXPECT_EQ(rec.Named("PutString")[0].a[1], 70 - 14);
  const auto fills = rec.Named("FillFrame");
  ASSERT_EQ(fills.size(), 2u);
  // d = 14 / (20 / 5) = 3, o = 3 * (8 - 5) = 9.
  EXPECT_EQ(std::vector<int>(fills[1].a, fills[1].a + 4), (std::vector<int>{289, 9 - 6, 320, 70 - 6}));
  EXPECT_EQ(fills[1].colour, 0xC0C0C0u);

  grid.SetFocus(false);
  Send(grid, tagUX_Message(UX_MSG_KEY, UX_PARAM_DEC, 0));
  EXPECT_EQ(grid.GetScroll(), 2);
  grid.Clear();
  EXPECT_EQ(grid.GetScroll(), 0);
  EXPECT_TRUE(grid.GetLines().empty());
}

TEST_F(TextWidgets, GridsSmallerThanTheirViewDrawNoIndicator) {
  struct Case {
    int h, capacity;
  } cases[] = {{71, 3}, {10, 20}, {71, 0}, {1, 0}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.h * 100 + c.capacity);
    uxGridCtrl grid(&host_, 5, uxPOINT(0, 0), 300, static_cast<int16_t>(c.h), c.capacity, 0xFFFFFF, 0);
    for (int i = 0; i < 6; ++i) grid.AddLine("x");
    EXPECT_LE(static_cast<int>(grid.GetLines().size()), c.capacity);
    DrawRecorder rec(dc_);
    grid.OnPaint();
    for (const uxDrawCall& f : rec.Named("FillFrame")) EXPECT_NE(f.colour, 0xC0C0C0u);
  }
}

TEST_F(TextWidgets, ListStepsThroughItsItemsAndReportsEachStep) {
  std::vector<std::string> journal;
  auto* a = new Probe(&host_, "a", &journal);
  auto* b = new Probe(&host_, "b", &journal);
  std::unique_ptr<Probe> own_a(a), own_b(b);  // the list only refers to them
  std::vector<uint32_t> pixels(20 * 28, 0x00FF00);
  tImage icon;
  icon.name = "icon";
  icon.data = pixels.data();
  icon.width = 20;
  icon.height = 28;

  uxLISTCtrl list(&host_, 7, 100, 200, 250, 0x000000, 0xFFFFFF);
  EXPECT_EQ(list.AddItem(11, "first", &icon, a), 0);
  EXPECT_EQ(list.AddItem(22, "second", nullptr, b), 1);
  list.SetFocus(true);

  Send(list, tagUX_Message(UX_MSG_KEY, UX_PARAM_DEC, 0));
  EXPECT_TRUE(host_.sent.empty());
  Send(list, tagUX_Message(UX_MSG_KEY, UX_PARAM_INC, 0));
  EXPECT_EQ(list.GetCurrent(), 1);
  ASSERT_EQ(host_.sent.size(), 1u);
  EXPECT_EQ(host_.sent[0].type, UX_MSG_LIST_SELECT);
  EXPECT_EQ(host_.sent[0].param, 22u);
  EXPECT_EQ(host_.sent[0].flag, 0u);
  EXPECT_EQ(journal.back(), "message b 259/0");
  // At the last item a further step changes nothing and sends nothing.
  Send(list, tagUX_Message(UX_MSG_KEY, UX_PARAM_INC, 0));
  EXPECT_EQ(list.GetCurrent(), 1);
  EXPECT_EQ(host_.sent.size(), 1u);

  // Other messages reach the current item's element, then the list.
  journal.clear();
  Send(list, tagUX_Message(UX_MSG_REPAINT));
  EXPECT_EQ(journal, (std::vector<std::string>{"message b 278/0"}));

  // An item without an icon writes its text after a zero-wide icon; its element paints.
  DrawRecorder rec(dc_);
  list.OnPaint();
  ASSERT_EQ(rec.Named("PutString").size(), 1u);
  EXPECT_EQ(rec.Named("PutString")[0].a[0], 6);
  EXPECT_TRUE(rec.Named("DrawImage").empty());
  EXPECT_EQ(journal.back(), "paint b");

  Send(list, tagUX_Message(UX_MSG_KEY, UX_PARAM_DEC, 0));
  EXPECT_EQ(host_.sent.back().param, 11u);
  rec.calls.clear();
  list.OnPaint();
  EXPECT_EQ(rec.Named("PutString")[0].a[0], 26);
  EXPECT_EQ(rec.Named("PutString")[0].a[1], 3);
  ASSERT_EQ(rec.Named("DrawLine").size(), 1u);
  EXPECT_EQ(rec.Named("DrawLine")[0].a[0], 21);
  EXPECT_EQ(rec.Named("DrawImage").size(), 1u);
}

TEST_F(TextWidgets, EmptyListShowsItsFrameAndTakesKeysSafely) {
  uxLISTCtrl list(&host_, 7, 100, 200, 250, 0x000000, 0xFFFFFF);
  list.SetFocus(true);
  for (int key : {UX_PARAM_INC, UX_PARAM_DEC}) Send(list, tagUX_Message(UX_MSG_KEY, key, 0));
  Send(list, tagUX_Message(UX_MSG_REPAINT));
  EXPECT_TRUE(host_.sent.empty());
  DrawRecorder rec(dc_);
  EXPECT_EQ(list.OnPaint(), 1);
  EXPECT_EQ(rec.Named("DrawFrame").size(), 1u);
  EXPECT_TRUE(rec.Named("PutString").empty());
}
#endif

}  // namespace
