#include "pages/widgets/uxHistogram.h"

#include <algorithm>
#include <cmath>

#include "pages/widgets/WidgetDraw.h"
#include "toolkit/uxDC.h"

using widgets::Short;

namespace {
constexpr uxCOLOR kGrid = 0x202020;
constexpr uxCOLOR kBar = 0xFF2020;
}  // namespace

uxHistogram::uxHistogram(uxHost* manager, uint32_t userData, uxPOINT* pos, int16_t w, int16_t h,
                         uxCOLOR background, uxCOLOR frame, int value)
    : uxBaseElement(manager, -1, userData, "Histogram"), background_(background), frame_(frame), value_(value) {
  const int x = pos ? pos->x : 0, y = pos ? pos->y : 0;
  rect_ = uxRECT(x, y, x + w, y + h, w, h);
  enabled_ = true;
}

void uxHistogram::SetBars(const uxHistogramBar* bars, int count) {
  if (bars && count > 0)
    bars_.assign(bars, bars + count);
  else
    bars_.clear();
  repaint_ = true;
}

void uxHistogram::SetGrid(int x, int y) {
  gridX_ = x;
  gridY_ = y;
  repaint_ = true;
}

void uxHistogram::SetSpacing(float factor) {
  spacing_ = factor;
  repaint_ = true;
}

float uxHistogram::BarLevel(float level) {
  // A negative or NaN level has no root: it is a bar of nothing.
  if (!(level > 0.0f)) return 0.0f;
  return std::min(1.0f, std::sqrt(level * 0.36f));
}

int uxHistogram::OnPaint() {
  if (!dc_) return 0;
  if (!enabled_) {
    repaint_ = repaintCtrls_ = false;
    return 0;
  }
  if (!repaint_) return 0;
  const int w = rect_.width, h = rect_.height;
  dc_->BeginPaint(Short(rect_.left), Short(rect_.top), Short(w), Short(h));
  dc_->FillFrame(0, 0, Short(w), Short(h), background_);
  if (gridX_ > 0 && w / gridX_ > 1)
    for (int x = gridX_; x < w; x += gridX_) dc_->DrawLine(Short(x), 1, Short(x), Short(h - 2), kGrid);
  if (gridY_ > 0 && h / gridY_ > 1)
    for (int y = gridY_; y < h; y += gridY_) dc_->DrawLine(1, Short(y), Short(w - 2), Short(y), kGrid);
  dc_->DrawFrame(0, 0, Short(w - 1), Short(h - 1), frame_);
  const int n = static_cast<int>(bars_.size());
  if (n > 0) {
    const int pitch = (w - 2) / n;
    for (int i = 1; i <= n; ++i) {
      const float level = BarLevel(bars_[static_cast<std::size_t>(i - 1)].level);
      const int x = arm::ToInt32(static_cast<float>(i * pitch) * spacing_);
      const int y = arm::ToInt32(static_cast<float>(h) - static_cast<float>(h) * level);
      dc_->DrawLine(Short(x), Short(y - 1), Short(x), Short(h - 1), kBar);
      dc_->DrawLine(Short(x + 1), Short(y), Short(x + 1), Short(h - 1), kBar);
      dc_->DrawLine(Short(x + 2), Short(y - 1), Short(x + 2), Short(h - 1), kBar);
    }
  }
  dc_->EndPaint();
  repaint_ = false;
  return 1;
}

int uxHistogram::OnMessage(tagUX_Message* msg) {
  const int result = uxBaseElement::OnMessage(msg);
  widgets::TouchToButton(this, msg, focus_ && enabled_);
  return result;
}
