#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <limits>
#include <vector>

#include "pages/widgets/uxCurveCtrl.h"
#include "pages/widgets/uxXFadeCtrl.h"
#include "platform/ArmConvert.h"
#include "tests/toolkit/support/DrawRecorder.h"
#include "tests/toolkit/support/WidgetFixture.h"

namespace {

using toolkit_test::DrawRecorder;

class IndicatorsTest : public toolkit_test::WidgetTest {};

TEST_F(IndicatorsTest, CrossfadeWedgeGrowsTowardsItsSide) {
  struct Case {
    float value;
    int first, last;  // wedge columns drawn
  };
  // Width 401: centre 200, two pixels a unit.
  const Case cases[] = {{100.0f, 200, 201}, {99.0f, 198, 200}, {200.0f, 200, 399}, {150.0f, 200, 301},
                        {0.0f, 0, 200},     {50.0f, 100, 200}, {-500.0f, 0, 200}, {5000.0f, 200, 399}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.value);
    uxXFadeCtrl fade(&host_, 0, 100, 50, 401, 201, 0x000000, 0x808080, 0x00FF00, 0x404040);
    fade.SetWedge(c.value);
    DrawRecorder rec(dc_);
    fade.OnPaint();
    std::vector<int> columns;
    for (const uxDrawCall& l : rec.Named("DrawLine"))
      if (l.colour == 0x800000) columns.push_back(l.a[0]);
    ASSERT_FALSE(columns.empty());
    EXPECT_EQ(*std::min_element(columns.begin(), columns.end()), c.first);
    EXPECT_EQ(*std::max_element(columns.begin(), columns.end()), c.last);
  }
  // 100 goes right and 99 left of the centre; a line i spans i x 2 rows each way.
  uxXFadeCtrl fade(&host_, 0, 100, 50, 401, 201, 0x000000, 0x808080, 0x00FF00, 0x404040);
  fade.HideMarker(true);
  fade.SetWedge(100.0f);
  fade.OnPaint();
  EXPECT_EQ(fb_.Pixel(100 + 201, 50 + 102), 0x800000u);
  EXPECT_EQ(fb_.Pixel(100 + 199, 50 + 102), 0x000000u);
  fade.SetWedge(99.0f);
  fade.setRepaint();
  fade.OnPaint();
  EXPECT_EQ(fb_.Pixel(100 + 199, 50 + 102), 0x800000u);
  EXPECT_EQ(fb_.Pixel(100 + 198, 50 + 104), 0x800000u);
  EXPECT_EQ(fb_.Pixel(100 + 201, 50 + 102), 0x000000u);
}

TEST_F(IndicatorsTest, CrossfadeMarkerAndARangeOfNothing) {
  uxXFadeCtrl fade(&host_, 0, 100, 50, 105, 41, 0x000000, 0x808080, 0x00FF00, 0x404040);
  fade.SetMarker(50.0f);  // x = (105 - 5) / 200 x 50 = 25, four wide
  fade.OnPaint();
  EXPECT_EQ(fb_.Pixel(100 + 25, 50 + 5), 0x00FF00u);
  EXPECT_EQ(fb_.Pixel(100 + 28, 50 + 5), 0x00FF00u);
  EXPECT_EQ(fb_.Pixel(100 + 29, 50 + 5), 0x000000u);
  for (float range : {0.0f, -10.0f, std::numeric_limits<float>::quiet_NaN()}) {
    fade.SetRange(range);
    fade.SetWedge(std::numeric_limits<float>::infinity());
    fade.setRepaint();
    DrawRecorder rec(dc_);
    EXPECT_EQ(fade.OnPaint(), 1);
    EXPECT_EQ(rec.Named("DrawLine").size(), 2u);  // the diagonals
  }
}

TEST_F(IndicatorsTest, CurveShapes) {
  struct Case {
    float start, end, curvature, x, y;
  };
  const auto up = [](float k, float x) { return (std::exp(k * x) - 1.0f + x) / std::exp(k); };
  const auto down = [](float k, float x) { return (1.0f - std::exp(k * x)) / (1.0f - std::exp(k)); };
  const Case cases[] = {
      {0, 1, 0, 0.5f, 0.5f},       {0, 1, 0, 0.25f, 0.25f},     {0.2f, 0.6f, 0, 0.5f, 0.4f},
      {0, 1, 3, 0.5f, up(0.3f, 0.5f)},                          {0, 1, -3, 0.5f, down(-0.3f, 0.5f)},
      // The end below the start turns the sign of k: the curve bends the other way.
      {1, 0, 3, 0.5f, 1.0f - down(-0.3f, 0.5f)},                {1, 0, -3, 0.5f, 1.0f - up(0.3f, 0.5f)},
      {0, 1, 30, 1.0f, 1.0f},      {0, 1, -30, 0.0f, 0.0f},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.curvature * 100 + c.x);
    uxPOINT at(0, 0);
    uxCurveCtrl curve(&host_, &at, 200, 100, 0, 0, 0xFFFFFF);
    curve.SetLevels(c.start, c.end);
    curve.SetCurvature(c.curvature);
    EXPECT_NEAR(curve.Value(c.x), c.y, 1e-5);
  }
  // Both sag below their straight lines: the falling curve is not the rising one mirrored.
  uxPOINT at(0, 0);
  uxCurveCtrl a(&host_, &at, 200, 100, 0, 0, 0), b(&host_, &at, 200, 100, 0, 0, 0);
  a.SetCurvature(5.0f);
  b.SetCurvature(5.0f);
  b.SetLevels(1.0f, 0.0f);
  EXPECT_LT(a.Value(0.5f), 0.5f);
  EXPECT_LT(b.Value(0.5f), 0.5f);
  EXPECT_LT(b.Value(0.5f), 1.0f - a.Value(0.5f));
}

TEST_F(IndicatorsTest, CurvePaintsTheDiagonalAndItsMiddlePoint) {
  uxPOINT at(50, 50);
  uxCurveCtrl curve(&host_, &at, 100, 100, 0x000000, 0x123456, 0x00FF00);
  curve.SetCurvature(0.0f);
  curve.SetMarkers(true, false, true);
  DrawRecorder rec(dc_);
  curve.OnPaint();
  // From the bottom left to the top right; filled below, background above.
  for (int x : {5, 14, 36, 66, 94}) {
    SCOPED_TRACE(x);
    EXPECT_EQ(fb_.Pixel(50 + x, 50 + 100 - x), 0x00FF00u);
    EXPECT_EQ(fb_.Pixel(50 + x, 50 + 100 - x + 3), 0x101060u);
    EXPECT_EQ(fb_.Pixel(50 + x, 50 + 100 - x - 3), 0x000000u);
  }
  std::vector<std::vector<int>> circles;
  for (const uxDrawCall& c : rec.Named("FillCircle")) circles.push_back({c.a[0], c.a[1], c.a[2]});
  for (const uxDrawCall& c : rec.Named("DrawCircle")) circles.push_back({c.a[0], c.a[1], c.a[2]});
  EXPECT_EQ(circles, (std::vector<std::vector<int>>{{50, 50, 4}, {50, 50, 16}, {100, 0, 16}}));

  // Bent, the middle point sits at the curve's own value at x = 0.5.
  curve.SetCurvature(3.0f);
  curve.SetMarkers(false, false, false);
  curve.setRepaint();
  rec.calls.clear();
  curve.OnPaint();
  ASSERT_EQ(rec.Named("FillCircle").size(), 1u);
  const float y = (std::exp(0.15f) - 0.5f) / std::exp(0.3f);
  EXPECT_EQ(rec.Named("FillCircle")[0].a[1], arm::ToInt32(100.0f - 100.0f * y));
  EXPECT_TRUE(rec.Named("DrawCircle").empty());

  curve.SetEnabled(false);
  curve.setRepaint();
  rec.calls.clear();
  EXPECT_EQ(curve.OnPaint(), 0);
  EXPECT_TRUE(rec.calls.empty());
  EXPECT_FALSE(curve.needsRepaint());
}

}  // namespace
