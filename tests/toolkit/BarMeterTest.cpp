// Bars and peak meters: the fill of each orientation, the level bounds, the text placement,
// bars without a range, the meter's 32-level average and its falling peak line.
#include <gtest/gtest.h>

#include <limits>
#include <memory>
#include <vector>

#include "tests/toolkit/support/WidgetFixture.h"
#include "toolkit/uxBarCtrl.h"
#include "toolkit/uxPeakMeter.h"

namespace {

using toolkit_test::DrawRecorder;

constexpr int kX = 200, kY = 100, kW = 101, kH = 51;
constexpr uxCOLOR kBg = 0x101010, kFrame = 0x808080, kBar = 0x00C000, kNeg = 0xC00000, kPeak = 0xFFFF00;

class Bars : public toolkit_test::WidgetTest {
 protected:
  // The FillFrame calls of one paint in a colour, as {x1, y1, x2, y2}.
  static std::vector<std::vector<int>> Fills(const DrawRecorder& rec, uxCOLOR colour) {
    std::vector<std::vector<int>> out;
    for (const uxDrawCall& c : rec.Named("FillFrame"))
      if (c.colour == colour) out.push_back({c.a[0], c.a[1], c.a[2], c.a[3]});
    return out;
  }
  std::unique_ptr<uxBarCtrl> Bar(int orientation) {
    auto b = std::make_unique<uxBarCtrl>(&host_, 1, kX, kY, kW, kH, kBg, kFrame, kBar);
    b->setOrientation(orientation);
    b->setBarColorNegativ(kNeg);
    return b;
  }
};

using Rects = std::vector<std::vector<int>>;

TEST_F(Bars, EachOrientationFillsItsShare) {
  struct Case {
    int orientation;
    float min, level, marker;
    Rects bar, negative, marker_;
  } cases[] = {
      {uxBarCtrl_LeftRight, 0, 50, 0, {{0, 0, 50, 50}}, {}, {}},
      {uxBarCtrl_RightLeft, 0, 50, 0, {{50, 0, 100, 50}}, {}, {}},
      {uxBarCtrl_BottomUp, 0, 50, 0, {{0, 25, 100, 50}}, {}, {}},
      {uxBarCtrl_TopDown, 0, 50, 0, {{0, 0, 100, 25}}, {}, {}},
      {uxBarCtrl_verticalBipolar, 0, 50, 0, {{0, 0, 100, 25}}, {}, {}},
      {uxBarCtrl_verticalBipolar, -100, -50, 0, {}, {{0, 25, 100, 37}}, {}},
      {uxBarCtrl_horicontalBipolar, 0, 50, 0, {{50, 0, 100, 50}}, {}, {}},
      {uxBarCtrl_horicontalBipolar, -100, -50, 0, {}, {{25, 0, 50, 50}}, {}},
      {uxBarCtrl_horicontalBipolar, -100, 0, 0, {}, {{50, 0, 50, 50}}, {}},
      {uxBarCtrl_horicontalBipolarMarker, 0, 50, 0, {{50, 25, 99, 50}}, {}, {{50, 5, 51, 25}}},
      {uxBarCtrl_horicontalBipolarMarker, -100, 20, 50, {{50, 25, 59, 50}}, {}, {{73, 5, 74, 25}}},
      {7, 0, 50, 0, {}, {}, {}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << "orientation " << c.orientation << " level " << c.level);
    auto b = Bar(c.orientation);
    b->setMin(c.min);
    b->setLevel(c.level);
    b->setMarker(c.marker);
    DrawRecorder rec(dc_);
    ASSERT_EQ(b->OnPaint(), 1);
    EXPECT_EQ(Fills(rec, kBar), c.bar);
    EXPECT_EQ(Fills(rec, kNeg), c.negative);
    EXPECT_EQ(Fills(rec, 0xFFFFFF), c.marker_);
    EXPECT_EQ(Fills(rec, kBg), (Rects{{0, 0, kW, kH}}));
    const auto frame = rec.Named("DrawFrame");
    ASSERT_EQ(frame.size(), 1u);
    EXPECT_EQ(std::vector<int>(frame[0].a, frame[0].a + 4), (std::vector<int>{0, 0, kW - 1, kH - 1}));
  }
}

TEST_F(Bars, LevelsAboveMaxFillAndLevelsBelowMinStayInside) {
  auto b = Bar(uxBarCtrl_LeftRight);
  for (float v : {150.0f, std::numeric_limits<float>::quiet_NaN()}) {
    EXPECT_TRUE(b->setLevel(v));
    EXPECT_EQ(b->getLevel(), 100.0f);
  }
  b->OnPaint();
  EXPECT_EQ(dc_.ScreenPixel(kX + 99, kY + 10), kBar);

  // Below min nothing bounds the level; the bar then lies outside, and nothing is drawn
  // outside the bar's own rectangle.
  for (int o : {uxBarCtrl_LeftRight, uxBarCtrl_RightLeft, uxBarCtrl_BottomUp, uxBarCtrl_TopDown}) {
    SCOPED_TRACE(o);
    auto low = Bar(o);
    low->setLevel(-1e9f);
    EXPECT_EQ(low->getLevel(), -1e9f);
    low->OnPaint();
    EXPECT_EQ(dc_.ScreenPixel(kX + 50, kY + 25), kBg);
    for (int x : {kX - 1, kX + kW + 1})
      for (int y : {kY - 1, kY + 25, kY + kH + 1}) EXPECT_EQ(dc_.ScreenPixel(x, y), 0u) << x << "," << y;
  }
  // The scale factor slot stores the level as given, without asking for a paint.
  b->OnPaint();
  b->SetScaleFactor(500.0f);
  EXPECT_EQ(b->getLevel(), 500.0f);
  EXPECT_FALSE(b->needsRepaint());
}

TEST_F(Bars, TextIsCentredAsIfOneGlyphWide) {
  const int cw = dc_.getFontSize(9).width;
  for (int w : {kW, cw}) {
    SCOPED_TRACE(w);
    uxBarCtrl b(&host_, 1, kX, kY, static_cast<int16_t>(w), kH, kBg, kFrame, kBar);
    b.setText("-12dB");
    DrawRecorder rec(dc_);
    b.OnPaint();
    const auto texts = rec.Named("PutString");
    if (w == cw) {
      EXPECT_TRUE(texts.empty());
      continue;
    }
    ASSERT_EQ(texts.size(), 1u);
    EXPECT_EQ(texts[0].a[0], (w - cw) / 2);
    EXPECT_EQ(texts[0].a[1], 10);
    EXPECT_EQ(texts[0].font, 9);
    EXPECT_EQ(texts[0].fore, 0xC8C8C8u);
  }
}

TEST_F(Bars, NoRangeDrawsNoBar) {
  for (int o = 0; o <= 6; ++o) {
    SCOPED_TRACE(o);
    uxPeakMeter m(&host_, 1, kX, kY, kW, kH, kBg, kFrame, kBar, kPeak);
    m.setOrientation(o);
    m.setMax(0.0f);
    m.setLevel(5.0f);
    DrawRecorder rec(dc_);
    m.OnPaint();
    EXPECT_EQ(rec.Named("FillFrame").size(), 1u);  // the background
    EXPECT_EQ(rec.Named("DrawFrame").size(), 1u);
    // And the peak, with no range to fall through, still only moves a step per tick.
    const float peak = m.getPeak();
    m.doTick();
    EXPECT_EQ(m.getPeak(), peak);
  }
}

TEST_F(Bars, PeakMeterAveragesThirtyTwoLevels) {
  uxPeakMeter m(&host_, 1, kX, kY, kW, kH, kBg, kFrame, kBar, kPeak);
  for (int i = 1; i <= 32; ++i) {
    m.setLevel(64.0f);
    EXPECT_FLOAT_EQ(m.getLevel(), 2.0f * static_cast<float>(i)) << i;
  }
  m.setLevel(64.0f);
  EXPECT_FLOAT_EQ(m.getLevel(), 64.0f);
  EXPECT_FLOAT_EQ(m.getPeak(), 64.0f);
  // The average, not the raw level, is bounded by max; the peak keeps the raw level.
  for (int i = 0; i < 32; ++i) m.setLevel(300.0f);
  EXPECT_FLOAT_EQ(m.getLevel(), 100.0f);
  EXPECT_FLOAT_EQ(m.getPeak(), 300.0f);
}

TEST_F(Bars, PeakFallsATenthOfAPercentPerTickUntilTheLevel) {
  uxPeakMeter m(&host_, 1, kX, kY, kW, kH, kBg, kFrame, kBar, kPeak);
  m.setMin(-100.0f);  // range 200: 0.2 per tick
  for (int i = 0; i < 32; ++i) m.setLevel(50.0f);
  m.setLevel(82.0f);
  const float level = m.getLevel();
  ASSERT_FLOAT_EQ(m.getPeak(), 82.0f);
  int ticks = 0;
  while (m.getPeak() > level && ticks < 1000) {
    const float before = m.getPeak();
    m.OnPaint();
    m.doTick();
    EXPECT_NEAR(before - m.getPeak(), 0.2f, 1e-4f);
    EXPECT_TRUE(m.needsRepaint());
    ++ticks;
  }
  EXPECT_NEAR(ticks, (82.0f - level) / 0.2f, 1.0f);
  m.OnPaint();
  const float rest = m.getPeak();
  m.doTick();
  EXPECT_EQ(m.getPeak(), rest);
  EXPECT_FALSE(m.needsRepaint());
}

// A level or peak at infinity (or a range turned upside down) puts a coordinate at the edge
// of the drawing range; the edge two pixels further must stay there, not wrap to the other
// side and draw across the meter.
TEST_F(Bars, FarLevelsStayBeyondTheEdge) {
  constexpr float kInf = std::numeric_limits<float>::infinity();
  constexpr int kFar = 32767;
  struct Case {
    const char* what;
    int orientation;
    float min, max, level;
    Rects peak;  // the peak line, or for the bar the marker, in their colours
  } cases[] = {
      {"peak right of the meter", uxPeakMeter_LeftRight, 0, 100, kInf, {{kFar, 0, kFar, 50}}},
      {"peak below an upside-down meter", uxPeakMeter_BottomUp, 100, 0, kInf, {{0, kFar, 100, kFar}}},
      {"peak below the meter", uxPeakMeter_TopDown, 0, 100, 1e30f, {{0, kFar, 100, kFar}}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    uxPeakMeter m(&host_, 1, kX, kY, kW, kH, kBg, kFrame, kBar, kPeak);
    m.setOrientation(c.orientation);
    m.setMin(c.min);
    m.setMax(c.max);
    m.setLevel(c.level);
    DrawRecorder rec(dc_);
    ASSERT_EQ(m.OnPaint(), 1);
    const Rects lines = Fills(rec, c.orientation == uxPeakMeter_BottomUp ? kPeak : kBar);
    ASSERT_FALSE(lines.empty());
    EXPECT_EQ(lines.back(), c.peak.front());
  }
  // The bipolar bar's marker, far out on a range running from 100 down to 0.
  auto b = Bar(uxBarCtrl_horicontalBipolarMarker);
  b->setMin(100.0f);
  b->setMax(0.0f);
  b->setMarker(-1e30f);
  DrawRecorder rec(dc_);
  ASSERT_EQ(b->OnPaint(), 1);
  EXPECT_EQ(Fills(rec, 0xFFFFFF), (Rects{{kFar, 5, kFar, 25}}));
}

TEST_F(Bars, PeakLinesPerOrientation) {
  struct Case {
    int orientation;
    Rects bar, peak;
  } cases[] = {
      {uxPeakMeter_LeftRight, {{0, 0, 2, 50}, {80, 0, 82, 50}}, {}},
      {uxPeakMeter_RightLeft, {{97, 0, 100, 50}, {22, 0, 100, 50}}, {}},
      {uxPeakMeter_BottomUp, {{0, 48, 100, 50}}, {{0, 10, 100, 12}}},
      {uxPeakMeter_TopDown, {{0, 0, 100, 1}, {0, 40, 100, 42}}, {}},
      {uxPeakMeter_verticalBipolar, {{0, 23, 100, 25}}, {}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.orientation);
    uxPeakMeter m(&host_, 1, kX, kY, kW, kH, kBg, kFrame, kBar, kPeak);
    m.setOrientation(c.orientation);
    m.setLevel(80.0f);  // average 2.5, peak 80
    DrawRecorder rec(dc_);
    m.OnPaint();
    EXPECT_EQ(Fills(rec, kBar), c.bar);
    EXPECT_EQ(Fills(rec, kPeak), c.peak);
  }
}

}  // namespace
