#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>
#include <vector>

#include "pages/widgets/uxHistogram.h"
#include "pages/widgets/uxScopeView.h"
#include "tests/toolkit/support/DrawRecorder.h"
#include "tests/toolkit/support/WidgetFixture.h"

namespace {

using toolkit_test::DrawRecorder;
using toolkit_test::Touch;

constexpr float kNaN = std::numeric_limits<float>::quiet_NaN();
constexpr float kInf = std::numeric_limits<float>::infinity();

class ScopeTest : public toolkit_test::WidgetTest {
 protected:
  // Width 11: 11 records, x = f x 9.
  uxScopeView Scope(int16_t w = 11, int16_t h = 200, bool cache = true, bool band = false) {
    return uxScopeView(&host_, 77, &at_, w, h, 0x101010, 0x808080, nullptr, band, 0, 0, cache);
  }
  uxPOINT at_{10, 20};
};

TEST_F(ScopeTest, InterpolationOfTheRecords) {
  uxScopeView scope = Scope();
  const float a[11] = {1, 3, 5, 7, 9, 11, 20, 0, 0, 4, 8};
  for (int i = 0; i < 11; ++i) scope.Points()[i].a = a[i];
  struct Case {
    int mode;
    float f;
    float expected;
  };
  const float ninth = 1.0f / 9.0f;
  const Case cases[] = {
      {uxScopeView::kNearest, 0.5f * ninth, 1.0f},
      {uxScopeView::kNearest, 5.9f * ninth, 11.0f},
      {uxScopeView::kLinearInterp, 0.5f * ninth, 2.0f},
      {uxScopeView::kLinearInterp, 6.25f * ninth, 15.0f},
      // Catmull-Rom: exact on a straight run, and at t = 0 the record itself.
      {uxScopeView::kCubic, 2.5f * ninth, 6.0f},
      {uxScopeView::kCubic, 6.0f * ninth, 20.0f},
      {uxScopeView::kCubic, 0.0f, 1.0f},
      {uxScopeView::kCubic, 1.0f, 4.0f},
      // At the first record the missing neighbour is the record itself.
      {uxScopeView::kCubic, 0.5f * ninth, 1.875f},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.mode * 100 + c.f * 9);
    scope.SetInterpolation(c.mode);
    EXPECT_NEAR(scope.Sample(c.f, true), c.expected, 1e-4);
  }
}

TEST_F(ScopeTest, PositionsOutsideTheRecordsReadTheEnds) {
  uxScopeView scope = Scope();
  for (int i = 0; i < 11; ++i) {
    scope.Points()[i].a = static_cast<float>(i);
    scope.Points()[i].b = -static_cast<float>(i);
  }
  struct Case {
    float f;
    float a;  // every mode
  };
  for (int mode : {uxScopeView::kNearest, uxScopeView::kLinearInterp, uxScopeView::kCubic}) {
    scope.SetInterpolation(mode);
    for (const Case& c : {Case{1.0f, 9.0f}, Case{1.001f, 9.009f}, Case{1.5f, 10.0f}, Case{100.0f, 10.0f},
                          Case{-3.0f, 0.0f}, Case{kNaN, 0.0f}, Case{kInf, 0.0f}, Case{-kInf, 0.0f}}) {
      SCOPED_TRACE(std::to_string(mode) + " " + std::to_string(c.f));
      const float got = scope.Sample(c.f, true);
      EXPECT_TRUE(std::isfinite(got));
      if (mode == uxScopeView::kNearest)
        EXPECT_EQ(got, std::floor(std::min(c.a, 10.0f)));
      else
        EXPECT_NEAR(got, c.a, 1e-3);
      EXPECT_EQ(scope.Sample(c.f, false), -scope.Sample(c.f, true));
    }
  }
  uxScopeView empty = Scope(0);
  EXPECT_EQ(empty.Sample(0.5f, true), 0.0f);
}

TEST_F(ScopeTest, XAxisPositions) {
  uxScopeView scope = Scope(590);
  const int W = 590;
  struct Case {
    int mode;
    float min, max;
    int i;
    float expected;
  };
  const Case cases[] = {
      {uxScopeView::kLinear, 0, 0, 0, 0.0f},
      {uxScopeView::kLinear, 0, 0, 295, 0.5f},
      {uxScopeView::kLinear2, 0, 0, 59, 0.1f},
      {uxScopeView::kLog, 20, 20000, 0, 20.0f / 19980.0f},
      {uxScopeView::kLog, 20, 20000, W / 2, static_cast<float>(20.0 * std::sqrt(1000.0) / 19980.0)},
      {uxScopeView::kLog, 20, 20000, W, 20000.0f / 19980.0f},
      // No logarithm of 0 or less: the axis shows nothing rather than NaN.
      {uxScopeView::kLog, 0, 20000, 100, 0.0f},
      {uxScopeView::kLog, -5, 20000, 100, 0.0f},
      {uxScopeView::kLog, 20, 20, 100, 0.0f},
      {uxScopeView::kCallback, 0, 0, 295, 0.0f},
      {7, 0, 0, 295, 0.0f},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::to_string(c.mode) + " " + std::to_string(c.min) + " " + std::to_string(c.i));
    scope.SetXAxis(c.mode, c.min, c.max);
    scope.UpdateLogAxis();
    EXPECT_NEAR(scope.Position(c.i), c.expected, 1e-5);
  }
  scope.SetXAxis(uxScopeView::kCallback, 0, 0);
  scope.SetCallback([](float t) { return t * t; });
  EXPECT_NEAR(scope.Position(295), 0.25f, 1e-6);
}

TEST_F(ScopeTest, DecibelGridAndDecadeLines) {
  uxScopeView scope = Scope(590, 230, false);
  scope.SetLevelAxis(uxScopeView::kLevelDecibel, -60.0f, 6.0f);
  scope.SetXAxis(uxScopeView::kLog, 20.0f, 20000.0f);
  scope.UpdateLogAxis();
  DrawRecorder rec(dc_);
  scope.OnPaint();
  std::vector<std::pair<int, uxCOLOR>> rows;
  std::vector<std::pair<int, uxCOLOR>> columns;
  for (const uxDrawCall& l : rec.Named("DrawLine")) {
    if (l.a[1] == l.a[3] && l.a[0] == 1 && l.a[2] == 588) rows.push_back({l.a[1], l.colour});
    if (l.a[0] == l.a[2] && l.a[1] == 1 && l.a[3] == 228) columns.push_back({l.a[0], l.colour});
  }
  // Every 6 dB from -60 to +6 over (P - 30) = 200 rows; 0 dB brighter.
  ASSERT_EQ(rows.size(), 12u);
  EXPECT_EQ(rows.front(), (std::pair<int, uxCOLOR>{200, 0x202020}));
  EXPECT_EQ(rows[10], (std::pair<int, uxCOLOR>{arm::ToInt32(200.0f - 60.0f / 66.0f * 200.0f), 0x3C3C3C}));
  EXPECT_EQ(rows.back(), (std::pair<int, uxCOLOR>{0, 0x202020}));
  // 20 Hz .. 20 kHz: 30..90, 100..900, 1k..9k, 10k..20k.
  // 20 kHz falls on x = W, just outside.
  ASSERT_EQ(columns.size(), 8u + 9u + 9u + 1u);
  EXPECT_EQ(columns[0], (std::pair<int, uxCOLOR>{0, 0x202020}));
  EXPECT_EQ(columns[1], (std::pair<int, uxCOLOR>{arm::ToInt32(std::log10(1.5f) / 3.0f * 590), 0x202020}));
  EXPECT_EQ(columns[8], (std::pair<int, uxCOLOR>{arm::ToInt32(std::log10(5.0f) / 3.0f * 590), 0x3C3C3C}));
  std::vector<std::string> labels;
  for (const uxDrawCall& t : rec.Named("PutString")) labels.push_back(t.text);
  EXPECT_EQ(labels, (std::vector<std::string>{"100Hz", "1kHz", "10kHz"}));

  // A level axis without a range and a log axis from 0 draw no lines and no NaN.
  scope.SetLevelAxis(uxScopeView::kLevelDecibel, 0.0f, 0.0f);
  scope.SetXAxis(uxScopeView::kLog, 0.0f, 20000.0f);
  scope.UpdateLogAxis();
  scope.setRepaint();
  rec.calls.clear();
  scope.OnPaint();
  for (const uxDrawCall& l : rec.Named("DrawLine")) EXPECT_FALSE(l.colour == 0x3C3C3C || l.colour == 0x202020);
}

TEST_F(ScopeTest, MarksHighlightAndCursorOnTheCachedPlot) {
  uxScopeView scope = Scope(100, 130);
  for (int i = 0; i < 100; ++i) scope.Points()[i].a = 0.5f;
  scope.Points()[10].marks[0] = 1;   // mark 1: a circle on the curve
  scope.Points()[20].marks[15] = 1;  // mark 16
  scope.Points()[30].marks[16] = 1;  // mark 17: dotted red
  scope.Points()[40].marks[17] = 1;  // mark 18: grey
  scope.SetHighlight(true, 60, 80);
  scope.SetCursor(50);
  DrawRecorder rec(dc_);
  scope.OnPaint();
  auto has = [&](const char* op, std::vector<int> args, uxCOLOR colour) {
    for (const uxDrawCall& c : rec.Named(op)) {
      bool same = c.colour == colour;
      for (std::size_t k = 0; k < args.size(); ++k) same &= c.a[k] == args[k];
      if (same) return true;
    }
    return false;
  };
  // (P - 30) - (P - 30) x 0.5 with P = 130.
  EXPECT_TRUE(has("DrawCircle", {10, 50, 5}, 0xFFFFFF));
  EXPECT_TRUE(has("DrawCircle", {20, 50, 5}, 0xFFFFFF));
  EXPECT_TRUE(has("DrawDottedLine", {30, 0, 30, 129, 4}, 0xFF0000));
  EXPECT_TRUE(has("DrawLine", {40, 1, 40, 129}, 0x404040));
  EXPECT_TRUE(has("DrawLine", {1, 61, 98, 61}, 0xFF1010));
  EXPECT_TRUE(has("DrawLine", {1, 79, 98, 79}, 0xFF1010));
  EXPECT_TRUE(has("DrawLine", {50, 0, 50, 129}, 0xFF0000));
  EXPECT_EQ(rec.Named("DrawCircle").size(), 2u);

  scope.ClearMarks();
  scope.setRepaintCtrls();
  rec.calls.clear();
  scope.OnPaint();
  EXPECT_EQ(rec.Named("DrawImage").size(), 1u);
  EXPECT_TRUE(rec.Named("DrawCircle").empty());
  EXPECT_TRUE(rec.Named("DrawDottedLine").empty());
  EXPECT_TRUE(rec.Named("FillFrame").empty());
}

TEST_F(ScopeTest, KnobBand) {
  uxScopeView scope = Scope(100, 120, false, true);
  scope.SetKnob(50, -20);
  DrawRecorder rec(dc_);
  scope.OnPaint();
  EXPECT_EQ(fb_.Pixel(10 + 50, 20 + 100 + 5), 0x808080u);
  EXPECT_EQ(fb_.Pixel(10 + 40, 20 + 100 + 10), 0x4040FFu);
  EXPECT_EQ(fb_.Pixel(10 + 40, 20 + 100 + 11), 0x000000u);
  EXPECT_EQ(fb_.Pixel(10, 20 + 110), 0x808080u);  // the band's left edge in the frame colour
  scope.SetKnob(50, 20);
  scope.OnPaint();
  EXPECT_EQ(fb_.Pixel(10 + 60, 20 + 110), 0xFF4040u);
}

// A touch on the scope or the histogram: press inside sends the button-on message with
// the user data, a release anywhere the button-off one; only while focused and enabled.
template <class Widget>
void CheckTouchButtons(toolkit_test::FakeHost& host, Widget& widget) {
  struct Step {
    int msgType, x, y, type;
    int sent;  // 0 none
  };
  const Step steps[] = {
      {UX_MSG_TOUCH_EVENT, 15, 25, TYPE_PRESS, 0},    // not focused yet
      {UX_MSG_FOCUS, 1, 1, 0, 0},                     // focus
      {UX_MSG_TOUCH_EVENT, 15, 25, TYPE_PRESS, 266},  // inside
      {UX_MSG_TOUCH_EVENT, 5, 25, TYPE_PRESS, 0},     // left of it
      {UX_MSG_TOUCH_EVENT, 15, 25, TYPE_MOVE, 0},
      {UX_MSG_TOUCH_EVENT, 700, 400, TYPE_RELEASE, 267},
  };
  for (const Step& s : steps) {
    host.sent.clear();
    tagUX_Message m = s.msgType == UX_MSG_TOUCH_EVENT ? Touch(s.x, s.y, s.type) : tagUX_Message(s.msgType, s.x, s.y);
    widget.OnMessage(&m);
    if (s.sent == 0) {
      EXPECT_TRUE(host.sent.empty()) << s.x;
      continue;
    }
    ASSERT_EQ(host.sent.size(), 1u);
    EXPECT_EQ(host.sent[0].type, static_cast<uint32_t>(s.sent));
    EXPECT_EQ(host.sent[0].param, 77u);
    EXPECT_EQ(host.sent[0].flag | host.sent[0].arg, 0u);
  }
  widget.SetEnabled(false);
  host.sent.clear();
  tagUX_Message press = Touch(15, 25, TYPE_PRESS), release = Touch(15, 25, TYPE_RELEASE);
  widget.OnMessage(&press);
  widget.OnMessage(&release);
  EXPECT_TRUE(host.sent.empty());
}

TEST_F(ScopeTest, TouchSendsButtonMessages) {
  uxScopeView scope = Scope(100, 100);
  CheckTouchButtons(host_, scope);
  uxHistogram histogram(&host_, 77, &at_, 100, 100, 0, 0, 0);
  CheckTouchButtons(host_, histogram);
}

class HistogramTest : public toolkit_test::WidgetTest {};

TEST_F(HistogramTest, BarHeightIsTheRootOfTheLevelCappedAtOne) {
  struct Case {
    float level, height;
  };
  for (const Case& c : {Case{0.0f, 0.0f}, Case{1.0f, 0.6f}, Case{2.7f, std::sqrt(2.7f * 0.36f)}, Case{2.78f, 1.0f},
                        Case{50.0f, 1.0f}, Case{-1.0f, 0.0f}, Case{kNaN, 0.0f}, Case{kInf, 1.0f}}) {
    SCOPED_TRACE(c.level);
    EXPECT_NEAR(uxHistogram::BarLevel(c.level), c.height, 1e-6);
  }
}

TEST_F(HistogramTest, BarsStandAtTheirPlacesFromTheBottom) {
  uxPOINT at(0, 0);
  uxHistogram histogram(&host_, 0, &at, 102, 100, 0x101010, 0x808080, 5);
  const uxHistogramBar bars[4] = {{0, 2.78f}, {0, 0.0f}, {0, 0.5f}, {0, 0.25f}};
  histogram.SetBars(bars, 4);
  histogram.OnPaint();
  // Bar i at i x ((width - 2) / n) = 25 i; three columns, the outer ones a row higher.
  EXPECT_EQ(fb_.Pixel(25, 0), 0xFF2020u);
  EXPECT_EQ(fb_.Pixel(26, 0), 0xFF2020u);
  EXPECT_EQ(fb_.Pixel(50, 99), 0xFF2020u);  // a level of 0 on the bottom row
  EXPECT_EQ(fb_.Pixel(50, 98), 0x101010u);
  // sqrt(0.5 x 0.36) = 0.424: top at 100 - 42.4.
  EXPECT_EQ(fb_.Pixel(75, 56), 0xFF2020u);
  EXPECT_EQ(fb_.Pixel(76, 56), 0x101010u);
  EXPECT_EQ(fb_.Pixel(76, 57), 0xFF2020u);
  EXPECT_EQ(fb_.Pixel(77, 56), 0xFF2020u);

  for (int n : {0, 1, 300}) {
    SCOPED_TRACE(n);
    std::vector<uxHistogramBar> many(static_cast<std::size_t>(n), uxHistogramBar{0, 1.0f});
    histogram.SetBars(many.data(), n);
    EXPECT_EQ(histogram.OnPaint(), 1);
  }
  histogram.SetBars(nullptr, 5);
  EXPECT_EQ(histogram.OnPaint(), 1);
  histogram.SetEnabled(false);
  EXPECT_EQ(histogram.OnPaint(), 0);
  EXPECT_FALSE(histogram.needsRepaint());
  EXPECT_FALSE(histogram.needsRepaintCtrls());
}

}  // namespace
