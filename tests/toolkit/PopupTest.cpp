// Popups: shown only when enabled, painted into the exclusive layer so they stay on top of
// a page that repaints, the screen given back on hide, and the layout of the message,
// progress and value popups.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>

#include "tests/toolkit/support/ScreenImages.h"
#include "tests/toolkit/support/WidgetFixture.h"
#include "toolkit/Flavour.h"
#include "toolkit/uxPopupMsg.h"
#include "toolkit/uxPopupPB.h"
#include "toolkit/uxPopupValue.h"

namespace {

using toolkit_test::DrawRecorder;

class Popups : public toolkit_test::WidgetTest {
 protected:
  // The page under the popups: the whole screen in one colour.
  void PaintPage(uxCOLOR c) {
    dc_.BeginPaint(0, 0, 800, 480);
    dc_.FillFrame(0, 0, 799, 479, c);
    dc_.EndPaint();
  }
  static std::vector<int> Args(const uxDrawCall& c, int n) { return std::vector<int>(c.a, c.a + n); }
  // Fills of one colour.
  static std::vector<uxDrawCall> Fills(const DrawRecorder& rec, uxCOLOR colour) {
    std::vector<uxDrawCall> out;
    for (const uxDrawCall& c : rec.Named("FillFrame"))
      if (c.colour == colour) out.push_back(c);
    return out;
  }
};

TEST_F(Popups, ShowOnADisabledPopupLeavesItHidden) {
  uxPopupMsg p(&host_, "PopupMessage", uxPOINT(200, 150), 300, 110, 0x202020, 0xFFFFFF);
  EXPECT_FALSE(p.isVisible());
  p.SetEnabled(false);
  p.show();
  EXPECT_FALSE(p.isVisible());
  DrawRecorder rec(dc_);
  p.OnPaint();
  EXPECT_TRUE(rec.calls.empty());
}

TEST_F(Popups, StaysOnTopWhileThePageRepaintsAndHideGivesThePageBack) {
  PaintPage(0x333333);
  uxPopupMsg p(&host_, "PopupMessage", uxPOINT(200, 150), 300, 110, 0x202020, 0xFFFFFF);
  p.Message("Title", "text", "footer");
  p.show();
  p.OnPaint();
  EXPECT_EQ(dc_.ScreenPixel(200, 150), 0xFFFFFFu);  // frame
  EXPECT_EQ(dc_.ScreenPixel(499, 259), 0xFFFFFFu);
  EXPECT_EQ(dc_.ScreenPixel(210, 157), 0x000080u);  // title bar
  EXPECT_EQ(dc_.ScreenPixel(202, 255), 0x202020u);  // body
  EXPECT_EQ(dc_.ScreenPixel(199, 150), 0x333333u);

  // A page repaint in a new colour: the popup keeps its pixels, the page shows around it.
  PaintPage(0x00AA00);
  EXPECT_EQ(dc_.ScreenPixel(210, 157), 0x000080u);
  EXPECT_EQ(dc_.ScreenPixel(199, 150), 0x00AA00u);
  // A clean popup paints nothing.
  DrawRecorder rec(dc_);
  p.OnPaint();
  EXPECT_TRUE(rec.calls.empty());

  p.hide();
  EXPECT_FALSE(p.isVisible());
  for (auto [x, y] : {std::pair{200, 150}, {210, 157}, {499, 259}}) EXPECT_EQ(dc_.ScreenPixel(x, y), 0x00AA00u);
  EXPECT_EQ(dc_.ExclusiveRegion().width, 0);
}

TEST_F(Popups, PopupReachingBeyondTheScreenRestoresOnlyTheScreen) {
  PaintPage(0x333333);
  uxPopupMsg p(&host_, "wide", uxPOINT(-100, 400), 1200, 200, 0x202020, 0xFFFFFF);
  p.show();
  p.OnPaint();
  EXPECT_EQ(dc_.ScreenPixel(0, 401), 0x000080u);
  EXPECT_EQ(dc_.ScreenPixel(799, 479), 0x202020u);
  p.hide();
  EXPECT_EQ(dc_.ScreenPixel(0, 401), 0x333333u);
  EXPECT_EQ(dc_.ScreenPixel(799, 479), 0x333333u);
}

TEST_F(Popups, MessagePopupCentresTitleTextAndFooter) {
  uxPopupMsg p(&host_, "PopupMessage", uxPOINT(200, 150), 300, 110, 0x202020, 0xFFFFFF);
  p.Message("Delete", "Really delete the clip?", "OK / ESC");
  p.show();
  DrawRecorder rec(dc_);
  p.OnPaint();
  const tFontSize cell = dc_.getFontSize(10);
  auto centre = [&](const char* s) { return int(300 * 0.5 - double(int(std::strlen(s)) * cell.width / 2)); };
  const auto texts = rec.Named("PutString");
  ASSERT_EQ(texts.size(), 3u);
  struct Expect {
    const char* text;
    int y;
    uxCOLOR back;
  } expected[] = {
      {"Delete", 15 - cell.height / 2, 0x000080},
      {"OK / ESC", 110 - 25 - cell.height / 2, 0x202020},
      {"Really delete the clip?", 30 - cell.height / 2 + (110 - 80) / 2, 0x202020},
  };
  for (std::size_t i = 0; i < texts.size(); ++i) {
    SCOPED_TRACE(expected[i].text);
    EXPECT_EQ(texts[i].text, expected[i].text);
    EXPECT_EQ(texts[i].a[0], centre(expected[i].text));
    EXPECT_EQ(texts[i].a[1], expected[i].y);
    EXPECT_EQ(texts[i].font, 10);
    EXPECT_EQ(texts[i].fore, 0xFFFFFFu);
    EXPECT_EQ(texts[i].back, expected[i].back);
  }
  ASSERT_EQ(Fills(rec, 0x000080).size(), 1u);
  EXPECT_EQ(Args(Fills(rec, 0x000080)[0], 4), (std::vector<int>{0, 0, 299, 30}));
  const auto begin = rec.Named("BeginPaint");
  ASSERT_EQ(begin.size(), 1u);
  EXPECT_EQ(Args(begin[0], 5), (std::vector<int>{200, 150, 300, 110, 1}));
  // The frame comes last, over the popup's own drawing.
  const auto frames = rec.Named("DrawFrame");
  ASSERT_EQ(frames.size(), 1u);
  EXPECT_EQ(Args(frames[0], 4), (std::vector<int>{0, 0, 299, 109}));
  EXPECT_STREQ(rec.calls[rec.calls.size() - 2].op, "DrawFrame");
}

TEST_F(Popups, ProgressBarFillsTheTrackInProportion) {
  uxPopupPB p(&host_, "PopupProgress", uxPOINT(50, 200), 300, 100, 0x404040, 0xFFFFFF);
  p.Message("Loading", "song");
  EXPECT_TRUE(p.isVisible());
  struct Case {
    float value, maximum;
    int barEnd;  // -1: no bar
  } cases[] = {
      {100, 100, 1 + 298},
      {50, 100, 1 + 149},
      {1, 3, 1 + 99},   // 298 / 3 = 99.33
      {0, 100, 1},
      {5, 0, -1},       // an empty range draws the track only
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.value);
    p.OnPaint();
    p.setProgress(c.value, c.maximum);  // marks the popup for repaint
    DrawRecorder rec(dc_);
    p.OnPaint();
    const auto track = Fills(rec, 0x101010);
    ASSERT_EQ(track.size(), 1u);
    EXPECT_EQ(Args(track[0], 4), (std::vector<int>{1, 75, 298, 88}));
    const auto bar = Fills(rec, 0x0000C8);
    if (c.barEnd < 0) {
      EXPECT_TRUE(bar.empty());
    } else {
      ASSERT_EQ(bar.size(), 1u);
      EXPECT_EQ(Args(bar[0], 4), (std::vector<int>{1, 75, c.barEnd, 88}));
    }
  }
}

TEST_F(Popups, ValueTextChoosesItsFormatFromNumberAndMarker) {
  struct Case {
    float number, marker;
    const char* text;
  } cases[] = {
      {9.5f, 9.5f, "9.50"},
      {-3.0f, -3.0f, "-3.00"},
      {42.3f, 42.3f, "42.3"},
      {150.0f, 150.0f, "150."},
      {10.0f, 99.9f, "10.0"},
      {std::nanf(""), std::nanf(""), "nan."},
  };
  for (const Case& c : cases) EXPECT_EQ(uxPopupValue::FormatNumber(c.number, c.marker), c.text);
}

TEST_F(Popups, ValuePopupLaysOutNumberUnitLabelAndPartTag) {
  uxPopupValue p(&host_, "PopupValue", uxPOINT(200, 150), 300, 120, 0x202020, 0xFFFFFF);
  const char* tags[] = {ux::kScriptFlavour ? " A " : " ARP A ", ux::kScriptFlavour ? " B " : " ARP B ",
                        ux::kScriptFlavour ? " C " : " ARP C ", ux::kScriptFlavour ? " D " : " ARP D "};
  struct Tag {
    uxCOLOR fore, back;
  } colours[] = {{0xFFFFFF, 0x0000FF}, {0x000000, 0x00FF00}, {0xFFFFFF, 0xFF0000}, {0x000000, 0xFFFF00}};
  const tFontSize big = dc_.getFontSize(13), small = dc_.getFontSize(10);
  for (int part = -1; part <= 4; ++part) {
    SCOPED_TRACE(part);
    p.setValues(0, 100, part, 42.3f, 42.3f, 42.3f, "Hz", "CUTOFF");
    p.show();
    DrawRecorder rec(dc_);
    p.OnPaint();
    const auto texts = rec.Named("PutString");
    const bool tagged = part >= 0 && part <= 3;
    ASSERT_EQ(texts.size(), tagged ? 4u : 3u);
    EXPECT_EQ(texts[0].text, "42.3");
    EXPECT_EQ(Args(texts[0], 2), (std::vector<int>{300 - int(4 * big.width + 150.0), 20}));
    EXPECT_EQ(texts[0].font, 13);
    EXPECT_EQ(texts[0].fore, 0xFFFFFFu);
    EXPECT_EQ(texts[1].text, "Hz");
    EXPECT_EQ(Args(texts[1], 2), (std::vector<int>{150 + 14, 20 + big.height - small.height - 3}));
    EXPECT_EQ(texts[1].fore, 0x808080u);
    EXPECT_EQ(texts[2].text, "CUTOFF");
    EXPECT_EQ(Args(texts[2], 2), (std::vector<int>{152, 84}));
    if (!tagged) continue;
    EXPECT_EQ(texts[3].text, tags[part]);
    // Right-aligned 5 pixels from the edge on one line, whatever its length.
    const int length = static_cast<int>(std::strlen(tags[part]));
    EXPECT_EQ(Args(texts[3], 2), (std::vector<int>{300 - length * small.width - 5, 20}));
    int rows = 0;
    for (int y = 0; y < 120; y += small.height)
      rows += dc_.ExclusiveLayer()[(150 + 20 + y) * 800 + 200 + 300 - 6] == colours[part].back;
    EXPECT_EQ(rows, 1) << "the tag's last column is on one line only";
    EXPECT_EQ(texts[3].fore, colours[part].fore);
    EXPECT_EQ(texts[3].back, colours[part].back);
  }
}

TEST_F(Popups, ValueBarAndMarkerFollowTheRange) {
  // w 300, h 100: box (5, 72)-(155, 90), scale 147 / range.
  uxPopupValue p(&host_, "PopupValue", uxPOINT(200, 150), 300, 100, 0x202020, 0xFFFFFF);
  struct Case {
    const char* what;
    float minimum, maximum, bar, marker;
    std::vector<int> barFill;     // x1, x2 of the grey fill; empty: none
    std::vector<int> markerFill;  // x1, x2 of the marker; empty: none
  } cases[] = {
      {"unipolar", 0, 147, 100, 50, {5, 105}, {55, 57}},
      {"offset range", 100, 247, 200, 100, {5, 105}, {5, 7}},
      // centre = 155 - 75 = 80
      {"bipolar at rest", -50, 50, 0, 0, {}, {81, 82}},
      {"bipolar up", -50, 50, 50, 50, {80, 153}, {154, 155}},
      {"bipolar down", -50, 50, -50, -50, {6, 80}, {7, 8}},
      {"empty range", 20, 20, 20, 20, {}, {}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    p.setValues(c.minimum, c.maximum, 0, c.bar, c.marker, c.bar, "", "");
    p.show();
    DrawRecorder rec(dc_);
    p.OnPaint();
    const auto box = rec.Named("DrawFrame");
    ASSERT_EQ(box.size(), 2u);  // the bar box, then the popup's frame
    EXPECT_EQ(Args(box[0], 4), (std::vector<int>{5, 72, 155, 90}));
    const auto grey = Fills(rec, 0xC8C8C8);
    const auto marker = Fills(rec, 0xFF4040);
    if (c.barFill.empty()) {
      EXPECT_TRUE(grey.empty());
    } else {
      ASSERT_EQ(grey.size(), 1u);
      EXPECT_EQ(grey[0].a[0], c.barFill[0]);
      EXPECT_EQ(grey[0].a[2], c.barFill[1]);
      EXPECT_EQ(grey[0].a[1], 72);
      EXPECT_EQ(grey[0].a[3], 90);
    }
    if (c.markerFill.empty()) {
      EXPECT_TRUE(marker.empty());
    } else {
      ASSERT_EQ(marker.size(), 1u);
      EXPECT_EQ(marker[0].a[0], c.markerFill[0]);
      EXPECT_EQ(marker[0].a[2], c.markerFill[1]);
    }
  }
}

TEST_F(Popups, ValuePopupOnScreen) {
  dc_.FillScreen(0x333333);
  uxPopupValue p(&host_, "PopupValue", uxPOINT(250, 180), 300, 100, 0x202020, 0xFFFFFF);
  p.setValues(-50, 50, 2, 25, 25, 25, "dB", "GAIN");
  p.show();
  p.OnPaint();
  EXPECT_TRUE(toolkit_test::MatchesGolden(ux::kScriptFlavour ? "popup_value_script" : "popup_value_app",
                                          toolkit_test::Snapshot(dc_, toolkit_test::Source::Screen, 240, 170, 320, 120)));
}

}  // namespace
