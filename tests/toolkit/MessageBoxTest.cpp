// The message box: sized by show(), a log whose newest line sits at the bottom, a single
// text instead of the log, colours per flavour, and the start-up splash as a picture.
#include <gtest/gtest.h>

#include <string>

#include "tests/toolkit/support/ScreenImages.h"
#include "tests/toolkit/support/WidgetFixture.h"
#include "toolkit/Flavour.h"
#include "toolkit/uxMessageBox.h"

namespace {

using toolkit_test::DrawRecorder;

class MessageBox : public toolkit_test::WidgetTest {};

TEST_F(MessageBox, ShowTitlesTheBoxAndSizesTheLogToItsFont) {
  for (int font : {7, 9, 12}) {
    SCOPED_TRACE(font);
    uxMessageBox box(&host_, "MessageBox", 400, 300, 0x000000, 0xFFFFFF, 0xFFFFFF, font);
    EXPECT_FALSE(box.isEnabled());
    box.show(uxPOINT(200, 90), "Saving");
    EXPECT_TRUE(box.isEnabled());
    EXPECT_STREQ(box.getName(), "Saving");
    EXPECT_EQ(box.MaxLines(), (300 - 40) / (dc_.getFontSize(font).height + 3));
  }
}

TEST_F(MessageBox, NewestLineAtTheBottomAndTheOldestDropped) {
  uxMessageBox box(&host_, "MessageBox", 400, 120, 0x000000, 0xFFFFFF, 0xFFFFFF, 12);
  box.show(uxPOINT(200, 90), "Log");
  const int max = box.MaxLines();
  ASSERT_GE(max, 2);
  DrawRecorder rec(dc_);
  for (int i = 0; i <= max; ++i) box.AddLine("line %d", i);
  ASSERT_EQ(int(box.Lines().size()), max);
  EXPECT_EQ(box.Lines().front(), "line " + std::to_string(max));
  EXPECT_EQ(box.Lines().back(), "line 1");

  // Each AddLine painted at once; the last paint shows the newest line lowest.
  EXPECT_EQ(int(rec.Named("EndPaint").size()), max + 1);
  rec.calls.clear();
  box.AddLine("newest");
  const int ch = dc_.getFontSize(9).height;
  std::vector<std::pair<std::string, int>> lines;
  for (const uxDrawCall& c : rec.Named("PutString"))
    if (c.font == 9) lines.emplace_back(c.text, c.a[1]);
  ASSERT_FALSE(lines.empty());
  EXPECT_EQ(lines[0], std::make_pair(std::string("newest"), 120 - (ch + 3)));
  EXPECT_EQ(lines[1], std::make_pair("line " + std::to_string(max), 120 - 2 * (ch + 3)));
  // Lines stop once their offset passes the title bar.
  EXPECT_LE(int(lines.size()), (120 - 40) / (ch + 3) + 1);
  EXPECT_EQ(rec.Named("BeginPaint")[0].a[4], 1);  // exclusive
}

TEST_F(MessageBox, LinesAddedBeforeShowKeepOnlyTheNewestAndPaintNothing) {
  uxMessageBox box(&host_, "MessageBox", 400, 300, 0x000000, 0xFFFFFF, 0xFFFFFF);
  DrawRecorder rec(dc_);
  box.AddLine("one");
  box.AddLine("two");
  EXPECT_EQ(box.Lines(), (std::deque<std::string>{"two"}));
  EXPECT_TRUE(rec.calls.empty());
}

TEST_F(MessageBox, TextReplacesTheLog) {
  uxMessageBox box(&host_, "MessageBox", 400, 300, 0x000000, 0xFFFFFF, 0xFFFFFF);
  box.show(uxPOINT(200, 90), "Info");
  box.AddLine("hidden line");
  box.setText("%s %d", "free blocks", 12);
  box.show(uxPOINT(200, 90), "Info");
  DrawRecorder rec(dc_);
  box.OnPaint();
  const auto texts = rec.Named("PutString");
  ASSERT_EQ(texts.size(), 2u);
  EXPECT_EQ(texts[1].text, "free blocks 12");
  const int ch = dc_.getFontSize(12).height;
  EXPECT_EQ(texts[1].a[0], 5);
  EXPECT_EQ(texts[1].a[1], (300 - ch) / 2);
  EXPECT_EQ(rec.Named("DrawFrame").size(), 2u);
}

TEST_F(MessageBox, OverLongTextsAreCut) {
  uxMessageBox box(&host_, "MessageBox", 400, 300, 0x000000, 0xFFFFFF, 0xFFFFFF);
  box.show(uxPOINT(0, 0), "Info");
  const std::string longText(400, 'x');
  box.AddLine("%s", longText.c_str());
  EXPECT_EQ(box.Lines().front(), std::string(255, 'x'));
  box.setText("%s", longText.c_str());
  DrawRecorder rec(dc_);
  box.setRepaint();
  box.OnPaint();
  EXPECT_EQ(rec.Named("PutString").back().text, std::string(63, 'x'));
}

TEST_F(MessageBox, HideClearsTheExclusiveRegionAndAsksFocusedElementsToRepaint) {
  uxMessageBox box(&host_, "MessageBox", 400, 300, 0x000000, 0xFFFFFF, 0xFFFFFF);
  box.hide();  // hidden already: nothing
  EXPECT_TRUE(host_.sent.empty());
  box.show(uxPOINT(100, 100), "Info");
  box.OnPaint();
  EXPECT_EQ(dc_.ExclusiveRegion().width, 400);
  box.hide();
  EXPECT_FALSE(box.isEnabled());
  EXPECT_EQ(dc_.ExclusiveRegion().width, 0);
  ASSERT_EQ(host_.sent.size(), 1u);
  EXPECT_EQ(host_.sent[0].type, UX_MSG_FOCUS);
  EXPECT_EQ(host_.sent[0].param, 0u);
  DrawRecorder rec(dc_);
  box.setRepaint();
  box.OnPaint();
  EXPECT_TRUE(rec.calls.empty());
}

TEST_F(MessageBox, ColoursComeFromTheThemeOnlyInTheScriptFlavour) {
  CTheme::SetNamedColor("BoxMsgBoxBg", 0x010101);       // element + widget: no cascade needed
  CTheme::SetNamedColor("Text", 0x020202);              // role only: not consulted without cascade
  CTheme::SetNamedColor("MsgBoxTitleBg", 0x030303);     // widget + role, cascaded
  CTheme::SetNamedColor("TitleText", 0x040404);
  uxMessageBox box(&host_, "Box", 400, 300, 0x0000AA, 0x00AA00, 0xAA0000);
  box.show(uxPOINT(0, 0), "Box");
  box.AddLine(const_cast<char*>("a"));
  DrawRecorder rec(dc_);
  box.setRepaint();
  box.OnPaint();
  const auto fills = rec.Named("FillFrame");
  ASSERT_EQ(fills.size(), 2u);
  EXPECT_EQ(fills[0].colour, ux::kScriptFlavour ? 0x010101u : 0x0000AAu);
  EXPECT_EQ(fills[1].colour, ux::kScriptFlavour ? 0x030303u : 0x505050u);
  EXPECT_EQ(rec.Named("DrawFrame")[0].colour, 0x00AA00u);
  const auto texts = rec.Named("PutString");
  ASSERT_EQ(texts.size(), 2u);
  EXPECT_EQ(texts[0].fore, ux::kScriptFlavour ? 0x040404u : 0x000000u);
  EXPECT_EQ(texts[0].back, 0xA40000u);
  EXPECT_EQ(texts[1].fore, 0xAA0000u);
}

TEST_F(MessageBox, StartUpSplash) {
  dc_.FillScreen(0x333333);
  uxMessageBox box(&host_, "Splash", 780, 300, 0x000000, 0xFFFFFF, 0xFFFFFF, 7);
  box.show(uxPOINT(10, 10), "INITIALIZE");
  box.AddLine("Init framebuffer");
  box.AddLine("Load settings");
  box.AddLine("Start audio: %d Hz, %d frames", 48000, 128);
  EXPECT_TRUE(toolkit_test::MatchesGolden("splash", toolkit_test::Snapshot(dc_, toolkit_test::Source::Screen, 0, 0,
                                                                           800, 320)));
}

}  // namespace
