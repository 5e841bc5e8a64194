#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <memory>
#include <set>
#include <vector>

#include "pages/widgets/WaveStack.h"
#include "pages/widgets/uxMultiWaveView.h"
#include "pages/widgets/uxPopupWT.h"
#include "pages/widgets/uxWaveEdit.h"
#include "tests/toolkit/support/DrawRecorder.h"
#include "tests/toolkit/support/WidgetFixture.h"

namespace {

using toolkit_test::DrawRecorder;
using toolkit_test::Touch;

constexpr float kNaN = std::numeric_limits<float>::quiet_NaN();

// A table whose every variant is one constant level: each wave is a flat line on its own
// zero row plus that level.
std::unique_ptr<WaveTable> FlatTable(float level) {
  auto table = std::make_unique<WaveTable>();
  std::vector<float> frames(std::size_t{WaveTable::kVariants} * WaveTable::kSize, level);
  table->FillVariants(WaveTable::kVariants, frames.data());
  return table;
}

// The first point of each line drawn in `colour` (or in any grey when colour is 0).
std::set<std::pair<int, int>> LineStarts(const DrawRecorder& rec, uxCOLOR colour) {
  std::set<std::pair<int, int>> starts;
  for (const uxDrawCall& l : rec.Named("DrawLine")) {
    const bool grey = (l.colour & 0xFF) == ((l.colour >> 8) & 0xFF) && (l.colour & 0xFF) == (l.colour >> 16);
    if (colour ? l.colour == colour : grey) starts.insert({l.a[0], l.a[1]});
  }
  return starts;
}

TEST(BendCurve, BendsThePositionAcrossAWave) {
  struct Case {
    float c, b, q;
  };
  for (const Case& k : {Case{0.3f, 0.0f, 0.3f}, Case{0.5f, 0.5f, std::pow(0.5f, 1.0f / 0.52f)},
                        Case{0.5f, 1.0f, std::pow(0.5f, 50.0f)}, Case{0.5f, -1.0f, 1.0f - std::pow(0.5f, 50.0f)},
                        Case{0.0f, 0.7f, 0.0f}, Case{1.0f, -0.7f, 1.0f}, Case{0.4f, kNaN, 0.4f}}) {
    SCOPED_TRACE(k.c * 10 + k.b);
    EXPECT_NEAR(widgets::BendCurve(k.c, k.b), k.q, 1e-6);
  }
}

class WaveViewsTest : public toolkit_test::WidgetTest {};

TEST_F(WaveViewsTest, PopupStacksEveryFifthWaveFromTheBack) {
  auto table = FlatTable(0.5f);
  uxPopupWT popup(&host_, "PopupWT", uxPOINT(175, 150), 450, 210, 0x202020, 0xFFFFFF);
  popup.SetWavetable(table.get());
  popup.SetTitle("sine-saw");
  popup.SetShown(true);
  popup.show();
  DrawRecorder rec(dc_);
  popup.OnPaint();
  // Wave k from the back at x = 160 - 3k, zero row 34 + 2k; a level of 0.5 is 12 rows lower.
  std::set<std::pair<int, int>> expected;
  for (int k = 0; k < 52; ++k) expected.insert({160 - 3 * k, 34 + 2 * k + 12});
  std::set<std::pair<int, int>> starts;
  for (const auto& p : LineStarts(rec, 0))
    if (expected.count(p)) starts.insert(p);
  EXPECT_EQ(starts, expected);
  EXPECT_FALSE(popup.Shown());
  EXPECT_EQ(fb_.Pixel(175, 150), 0x808080u);           // its frame
  EXPECT_EQ(fb_.Pixel(175 + 3, 150 + 207), 0x101010u);  // the title band
  bool title = false;
  for (const uxDrawCall& t : rec.Named("PutString")) title |= t.text == "sine-saw" && t.a[1] == 210 - 40 + 12;
  EXPECT_TRUE(title);

  // Painted again without the flag: the frame only, the picture stays.
  rec.calls.clear();
  popup.setRepaint();
  popup.OnPaint();
  EXPECT_TRUE(rec.Named("DrawLine").empty());
  EXPECT_EQ(fb_.Pixel(175 + 3, 150 + 207), 0x101010u);
}

TEST_F(WaveViewsTest, StackViewsWithoutWavesDrawNoWaves) {
  WaveTable unfilled;  // variants of no samples
  for (const WaveTable* table : {static_cast<const WaveTable*>(nullptr), static_cast<const WaveTable*>(&unfilled)}) {
    uxPopupWT popup(&host_, "PopupWT", uxPOINT(175, 150), 450, 210, 0x202020, 0xFFFFFF);
    popup.SetWavetable(table);
    popup.SetShown(true);
    popup.show();
    uxPOINT at(10, 100);
    uxMultiWaveView view(&host_, 60, &at, 580, 220, 0x101010, 0x808080, nullptr);
    view.SetWavetable(table);
    const float none[1] = {0.0f};
    view.SetSamplesB(none, 0);
    DrawRecorder rec(dc_);
    popup.OnPaint();
    view.OnPaint();
    // Only the popup's grid lines.
    for (const uxDrawCall& l : rec.Named("DrawLine")) EXPECT_EQ(l.colour, 0x303030u);
    EXPECT_FALSE(rec.Named("PutString").empty());
  }
}

TEST_F(WaveViewsTest, MultiWaveViewHighlightsTwoWavesThroughTheBend) {
  auto table = FlatTable(-0.25f);
  uxPOINT at(10, 100);
  uxMultiWaveView view(&host_, 60, &at, 580, 220, 0x101010, 0x808080, nullptr);
  view.SetWavetable(table.get());
  view.SetWaveA(300);  // takes 255: the back wave
  view.SetWaveB(-4);   // takes 0: the front wave
  std::vector<float> ramp(101);
  for (int i = 0; i <= 100; ++i) ramp[std::size_t(i)] = static_cast<float>(i) / 100.0f;
  DrawRecorder rec(dc_);
  view.OnPaint();
  // y = 55 + sample x gain x 40 + 2k.
  EXPECT_EQ(view.WaveA(), 255);
  EXPECT_EQ(*LineStarts(rec, uxMultiWaveView::kWaveA).begin(), (std::pair<int, int>{230, 45}));
  EXPECT_EQ(*LineStarts(rec, uxMultiWaveView::kWaveB).begin(), (std::pair<int, int>{230 - 153, 55 - 10 + 102}));
  bool text = false;
  for (const uxDrawCall& t : rec.Named("PutString")) text |= t.text == "3D" && t.a[0] == 10 && t.a[1] == 220 - 42;
  EXPECT_TRUE(text);

  // A trace given as samples replaces wave B's variant; the bend moves where a column
  // reads it: with b = 0.5 column 150 reads the ramp at 0.5^(1/0.52).
  view.SetSamplesB(ramp.data(), 101);
  view.SetGains(1.0f, 0.5f);
  view.SetBend(0.5f);
  view.setRepaintCtrls();
  rec.calls.clear();
  view.OnPaint();
  EXPECT_EQ(rec.Named("DrawImage").size(), 1u);
  const float q = std::pow(0.5f, 1.0f / 0.52f);
  bool found = false;
  for (const uxDrawCall& l : rec.Named("DrawLine"))
    if (l.colour == uxMultiWaveView::kWaveB && l.a[2] == 77 + 150)
      found = std::abs(l.a[3] - (157 + arm::ToInt32(q * 0.5f * 40.0f))) <= 1;
  EXPECT_TRUE(found);
}

class WaveEditTest : public toolkit_test::WidgetTest {
 protected:
  uxPOINT at_{10, 100};
  // Inner width 512: 32 samples a step.
  uxWaveEdit edit_{&host_, 5, &at_, 513, 305, 0x101010, 0x808080, 0x0000FF, 0xC00000};
};

TEST_F(WaveEditTest, GlideValueAndCurve) {
  struct Case {
    float value, glide;
  };
  for (const Case& c : {Case{1.5f, 0.0f}, Case{1.0f, 0.0f}, Case{0.25f, 0.75f}, Case{0.0f, 1.0f}, Case{-0.5f, 1.0f},
                        Case{kNaN, 0.0f}}) {
    SCOPED_TRACE(c.value);
    edit_.SetGlide(c.value);
    EXPECT_FLOAT_EQ(edit_.Glide(), c.glide);
  }
  for (int s = 0; s < 16; ++s) edit_.SetLevel(s, s % 2 ? 1.0f : 0.5f);
  edit_.SetGlide(0.5f);  // h = 16 of 32
  ASSERT_EQ(edit_.CurveLength(), 512);
  const float* c = edit_.Curve();
  for (int j = 0; j < 16; ++j) EXPECT_EQ(c[j], 0.0f) << j;
  EXPECT_FLOAT_EQ(c[16], 0.5f / 16);
  EXPECT_FLOAT_EQ(c[31], 0.5f);
  for (int j = 32; j < 48; ++j) EXPECT_EQ(c[j], 0.5f) << j;
  EXPECT_FLOAT_EQ(c[63], 1.0f);
  EXPECT_FLOAT_EQ(c[511], 1.0f);
  edit_.SetGlide(0.0f);  // hold the whole step: a staircase one step late
  EXPECT_EQ(edit_.Curve()[31], 0.0f);
  EXPECT_EQ(edit_.Curve()[32], 0.5f);
}

TEST_F(WaveEditTest, TouchSetsTheStepLevelAndReleaseClears) {
  auto touch = [&](int x, int y, int type) {
    tagUX_Message m = Touch(x, y, type);
    edit_.OnMessage(&m);
  };
  // Inner height 301, 18 rows a sixteenth. Step s = (x - left + 15) / 32.
  touch(10 + 49, 100 + 15 + 18 * 4, TYPE_PRESS);
  const float g = 18.0f * 4 - 301 / 32;
  EXPECT_FLOAT_EQ(edit_.Level(1), 1.0f - g / 301.0f);
  EXPECT_EQ(edit_.TouchColumn(), 49);
  touch(10 + 49, 100 + 15 + 18 * 16, TYPE_MOVE);
  EXPECT_FLOAT_EQ(edit_.Level(1), std::clamp(1.0f - (18.0f * 16 - 9) / 301.0f, 0.0f, 1.0f));
  touch(10 + 49, 50, TYPE_MOVE);  // above the view: the top
  EXPECT_FLOAT_EQ(edit_.Level(1), 1.0f);
  touch(900, 600, TYPE_RELEASE);
  EXPECT_EQ(edit_.TouchColumn(), -1);
  EXPECT_EQ(edit_.TouchRow(), -1);
  touch(10 + 100, 100 + 100, TYPE_MOVE);  // not editing any more
  EXPECT_FLOAT_EQ(edit_.Level(3), 0.0f);

  // Too narrow for sixteen steps: no curve, touches change nothing.
  uxWaveEdit narrow(&host_, 5, &at_, 15, 305, 0, 0, 0, 0);
  narrow.SetGlide(0.3f);
  EXPECT_EQ(narrow.CurveLength(), 0);
  tagUX_Message press = Touch(12, 150, TYPE_PRESS);
  narrow.OnMessage(&press);
  EXPECT_EQ(narrow.TouchColumn(), -1);
  EXPECT_EQ(narrow.OnPaint(), 1);
}

TEST_F(WaveEditTest, PositionLineRepaintsFromTheImage) {
  edit_.OnPaint();
  edit_.SetPosition(200);
  edit_.setRepaintCtrls();
  DrawRecorder rec(dc_);
  edit_.OnPaint();
  std::vector<std::string> ops;
  for (const uxDrawCall& c : rec.calls) ops.push_back(c.op);
  EXPECT_EQ(ops, (std::vector<std::string>{"BeginPaint", "DrawImage", "DrawLine", "EndPaint"}));
  EXPECT_EQ(fb_.Pixel(10 + 200, 200), 0xFF0000u);
  EXPECT_EQ(fb_.Pixel(10, 100), 0x808080u);
  EXPECT_EQ(fb_.Pixel(10 + 300, 100 + 304), 0x808080u);
}

}  // namespace
