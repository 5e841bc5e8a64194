// Painting runs on the GUI thread every 20 ms: no widget allocates while it paints, in a
// full repaint or in a repaint from its cached image.
#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <vector>

#include "pages/widgets/uxCurveCtrl.h"
#include "pages/widgets/uxHistogram.h"
#include "pages/widgets/uxMultiWaveView.h"
#include "pages/widgets/uxPianoCtrl.h"
#include "pages/widgets/uxPianoRoll.h"
#include "pages/widgets/uxPopupWT.h"
#include "pages/widgets/uxScopeView.h"
#include "pages/widgets/uxWaveEdit.h"
#include "pages/widgets/uxXFadeCtrl.h"
#include "tests/support/AllocCounter.h"
#include "tests/toolkit/support/WidgetFixture.h"

namespace {

class PaintAllocTest : public toolkit_test::WidgetTest {};

TEST_F(PaintAllocTest, NoWidgetAllocatesInAPaint) {
  auto table = std::make_unique<WaveTable>();
  std::vector<float> frames(std::size_t{WaveTable::kVariants} * WaveTable::kSize, 0.3f);
  table->FillVariants(WaveTable::kVariants, frames.data());
  uxPOINT at(10, 10);

  uxPianoCtrl keys(&host_, 0, "Keys", at, 790, 80, 2, 0x00FF00, 0x808080);
  keys.SetKey(61 | 0x80, true);
  keys.SetRangeStart(50);
  keys.SetRangeEnd(70);
  uxPianoRoll roll(&host_, &at, 790, 300, 0);
  for (int i = 0; i < 200; ++i)
    roll.Events().push_back({i % 3 ? kSeqNote : kSeqControl, i * 24, i * 24 + 72, uint8_t(i % 2),
                             uint8_t(i % 3 ? i % 24 : 7), uint8_t(i % 128)});
  roll.SetController(7);
  uxScopeView scope(&host_, 1, &at, 590, 200, 0x101010, 0x808080, nullptr, true, 0, 1, true);
  scope.SetXAxis(uxScopeView::kCallback, 0, 0);
  scope.SetCallback([](float t) { return t * t; });
  scope.SetInterpolation(uxScopeView::kCubic);
  scope.SetLevelAxis(uxScopeView::kLevelDecibel, -60, 0);
  scope.SetMarker(100);
  scope.SetTexts("right", "left", "bottom");
  scope.Points()[5].marks[0] = scope.Points()[6].marks[16] = 1;
  scope.SetCursor(40);
  uxScopeView bipolar(&host_, 1, &at, 512, 305, 0x101010, 0x808080, nullptr, false, 1, 0, false);
  uxHistogram histogram(&host_, 0, &at, 580, 220, 0x101010, 0x808080, 0);
  const uxHistogramBar bars[3] = {{0, 1}, {0, 2}, {0, 3}};
  histogram.SetBars(bars, 3);
  histogram.SetGrid(32, 24);
  uxMultiWaveView view(&host_, 60, &at, 580, 220, 0x101010, 0x808080, nullptr);
  view.SetWavetable(table.get());
  view.SetWaveB(100);
  uxPopupWT popup(&host_, "PopupWT", uxPOINT(175, 150), 450, 210, 0x202020, 0xFFFFFF);
  popup.SetWavetable(table.get());
  popup.SetTitle("TABLE");
  uxWaveEdit edit(&host_, 5, &at, 512, 305, 0x101010, 0x808080, 0x0000FF, 0xC00000);
  edit.SetGlide(0.5f);
  edit.SetPosition(100);
  uxXFadeCtrl fade(&host_, 0, 10, 10, 100, 40, 0, 0x808080, 0x00FF00, 0x404040);
  uxCurveCtrl curve(&host_, &at, 200, 100, 0, 0, 0xFFFFFF);

  struct Case {
    const char* name;
    uxBaseElement* widget;
    std::function<void()> before;
  };
  const Case cases[] = {
      {"keyboard", &keys, [&] { keys.setRepaint(); }},
      {"roll", &roll, [&] { roll.setRepaint(); }},
      {"roll cursor", &roll, [&] { roll.setRepaintCtrls(); }},
      {"scope", &scope, [&] { scope.setRepaint(); scope.SetKnob(20, 5); }},
      {"scope marks", &scope, [&] { scope.setRepaintCtrls(); }},
      {"bipolar scope", &bipolar, [&] { bipolar.setRepaint(); }},
      {"histogram", &histogram, [&] { histogram.setRepaint(); }},
      {"stack view", &view, [&] { view.setRepaint(); }},
      {"stack view waves", &view, [&] { view.setRepaintCtrls(); }},
      {"popup", &popup, [&] { popup.SetShown(true); popup.show(); }},
      {"wave editor", &edit, [&] { edit.setRepaint(); }},
      {"wave editor position", &edit, [&] { edit.setRepaintCtrls(); }},
      {"crossfade", &fade, [&] { fade.setRepaint(); }},
      {"curve", &curve, [&] { curve.setRepaint(); }},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    c.before();
    testing_support::AllocGuard guard;
    EXPECT_EQ(c.widget->OnPaint(), 1);
    EXPECT_EQ(guard.Count(), 0u);
  }
}

}  // namespace
