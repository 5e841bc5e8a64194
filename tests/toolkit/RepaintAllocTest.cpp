// A page repaints every 20 ms for as long as the program runs: once its widgets have been
// painted, painting them again must not touch the heap, in either flavour and with the
// script module's theme in use.
#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "tests/support/AllocCounter.h"
#include "tests/toolkit/support/WidgetFixture.h"
#include "toolkit/CTheme.h"
#include "toolkit/uxBarCtrl.h"
#include "toolkit/uxButton.h"
#include "toolkit/uxLabel.h"
#include "toolkit/uxMessageBox.h"
#include "toolkit/uxPanelCtrl.h"
#include "toolkit/uxValueCtrl.h"
#include "toolkit/uxValueLabel.h"

namespace {

class RepaintAlloc : public toolkit_test::WidgetTest {
 protected:
  // A page of the usual kinds of widget, every one marked for repaint, painted once.
  std::size_t PaintAll() {
    for (const auto& w : widgets_) w->setRepaint();
    box_->setText("%s", "Saving preset");
    testing_support::AllocGuard guard;
    for (const auto& w : widgets_) w->OnPaint();
    box_->OnPaint();
    return guard.Count();
  }

  void Build() {
    auto page = std::make_unique<uxPanelCtrl>(&host_, 1, "A PAGE WITH A LONG NAME", uxPOINT(0, 0), 800, 480, 0x101010,
                                              OPTION_FLAG_CAPTION | OPTION_FLAG_CLOSE);
    page->SetTypeName("SYNTH A");
    widgets_.push_back(std::move(page));
    for (int i = 0; i < 4; ++i) {
      auto label = std::make_unique<uxValueLabel>(&host_, 0x10000 + i, i, uxPOINT(10 + 190 * i, 60), 180, 70,
                                                   0x202020, 0xC00000, 0xC0C0C0, 0xFFFFFF, 0xA4A4A4, i % 2 == 0);
      label->SetLabelText("CUTOFF", "Hz");
      label->SetEncoderMode(1);
      label->SetFloatValue(10.0f * static_cast<float>(i));
      label->SetChecked(i == 0);
      widgets_.push_back(std::move(label));
    }
    auto button = std::make_unique<uxButton>(&host_, "Store button", 2, uxPOINT(10, 150), 120, 40, 0x202020,
                                             0x808080, 0xFFFFFF);
    button->SetText("STORE");
    widgets_.push_back(std::move(button));
    auto label = std::make_unique<uxLabel>(&host_, uxPOINT(140, 150), 200, 40, 0x202020, 0x808080, 0xFFFFFF, 9);
    label->setLabelText("PRESET", "", 0x808080);
    label->setText("Init");
    widgets_.push_back(std::move(label));
#if SYNTH_TOOLKIT_SCRIPT
    widgets_.push_back(std::make_unique<uxValueCtrl>(&host_, 3, 0, "LEVEL", uxPOINT(350, 150), 200, 40,
                                                     uxValueCtrl::uxValueCtrl_val, 0xFFFFFF, 0xC0C0C0, 0x202020,
                                                     "%d"));
#endif
    auto bar = std::make_unique<uxBarCtrl>(&host_, 4, 560, 150, 200, 30, 0x000000, 0x808080, 0x00C000);
    bar->setLevel(40.0f);
    widgets_.push_back(std::move(bar));
    box_ = std::make_unique<uxMessageBox>(&host_, "Message box", 400, 200, 0x202020, 0x808080, 0xFFFFFF);
    box_->show(uxPOINT(200, 200), "STORE");
  }

  std::vector<std::unique_ptr<uxBaseElement>> widgets_;
  std::unique_ptr<uxMessageBox> box_;
};

TEST_F(RepaintAlloc, ARepaintOfAPaintedPageAllocatesNothing) {
  CTheme::Init();
  CTheme::SetNamedColor("ValLblBgDisabled", 0x181818);
  Build();
  PaintAll();
  dc_.FillScreen(0);
  EXPECT_EQ(PaintAll(), 0u);
  EXPECT_NE(dc_.ScreenPixel(400, 2), 0u) << "the page was painted again";
  // A change of theme is seen at the next paint, and the paint after it is quiet again.
  if constexpr (ux::kScriptFlavour) {
    CTheme::SetNamedColor("ValLblBgDisabled", 0x303030);
    PaintAll();
    EXPECT_EQ(dc_.ScreenPixel(200 + 3, 60 + 3), 0x303030u);
    EXPECT_EQ(PaintAll(), 0u);
  }
}

}  // namespace
