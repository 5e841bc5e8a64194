#include "pages/widgets/uxPopupWT.h"

#include <algorithm>

using widgets::Short;

namespace {
constexpr widgets::StackGeometry kStack{WT_POS_X, WT_POS_Y, WT_WIDTH, WT_HEIGHT};
constexpr int kBand = 40;
constexpr uxCOLOR kGrid = 0x303030;
constexpr uxCOLOR kBandFill = 0x101010;
constexpr uxCOLOR kTitle = 0x969696;
constexpr int kTitleFont = 10;
constexpr uxCOLOR kProgress = 0x0000D2;
}  // namespace

uxPopupWT::uxPopupWT(uxHost* manager, const char* name, uxPOINT pos, int16_t w, int16_t h, uxCOLOR background,
                     uxCOLOR frame)
    : uxPopup(manager, name, pos, w, h, background, frame) {
  frame_ = kFrame;
  gradient_.Init(std::max<int>(h, 0),
                 [](int row) { return widgets::GradientBlue(48.0f + 0.9f * static_cast<float>(row)); });
}

void uxPopupWT::OnUserPaint(uxDC* dc) {
  if (!shown_ || !dc) return;
  const int w = rect_.width, h = rect_.height;
  for (int x = gridX_; x < w; x += gridX_) dc->DrawLine(Short(x), 0, Short(x), Short(h - 1), kGrid);
  for (int y = gridY_; y < h; y += gridY_) dc->DrawLine(0, Short(y), Short(w - 1), Short(y), kGrid);
  dc->FillFrame(0, 0, Short(w - 1), Short(h - 1), background_);
  dc->FillFrame(1, Short(h - kBand), Short(w - 2), Short(h - 2), kBandFill);
  dc->FontSelect(kTitleFont);
  dc->SetForecolor(kTitle);
  dc->SetBackcolor(kBandFill);
  const int ch = dc->getFontSize(FONT_SELECTED).height;
  dc->PutString(Short(CentreX(title_.c_str())), Short(h - kBand + (kBand - ch) / 2), title_.c_str());
  widgets::DrawStack(dc, table_, kStack, gradient_, [](int j, int count) {
    const int i = arm::ToInt32(static_cast<float>(count) / static_cast<float>(WT_WIDTH) * static_cast<float>(j));
    return std::clamp(i, 0, count - 1);
  });
  if (progress_ && maximum_ > 0.0f) {
    const float share = std::clamp(value_ / maximum_, 0.0f, 1.0f);
    const int right = 2 + static_cast<int>(share * static_cast<float>(w - 5));
    dc->FillFrame(2, Short(h - kBand - 6), Short(right), Short(h - kBand - 2), kProgress);
  }
  shown_ = false;
}
