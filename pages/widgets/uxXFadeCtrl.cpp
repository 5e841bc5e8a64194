#include "pages/widgets/uxXFadeCtrl.h"

#include <cmath>

#include "pages/widgets/WidgetDraw.h"
#include "toolkit/uxDC.h"

using widgets::Short;

namespace {
constexpr uxCOLOR kWedge = 0x800000;
}  // namespace

uxXFadeCtrl::uxXFadeCtrl(uxHost* manager, uint32_t userData, int16_t x, int16_t y, int16_t w, int16_t h,
                         uxCOLOR background, uxCOLOR frame, uxCOLOR marker, uxCOLOR cross)
    : uxBaseElement(manager, -1, userData, "XFadeCtrl"),
      x_(x),
      y_(y),
      w_(w),
      h_(h),
      background_(background),
      frame_(frame),
      markerColour_(marker),
      cross_(cross) {
  rect_ = uxRECT(x, y, x + w, y + h, w, h);
  enabled_ = true;
}

int uxXFadeCtrl::OnPaint() {
  if (!enabled_ || !repaint_ || !dc_) return 0;
  const int w = w_, h = h_;
  dc_->BeginPaint(x_, y_, w_, h_);
  dc_->FillFrame(0, 0, Short(w - 1), Short(h - 1), background_);
  // Without a positive range there is no scale: wedge and marker are left out.
  if (range_ > 0.0f && std::isfinite(range_)) {
    const float g = static_cast<float>(h - 1) / (range_ / 2.0f);
    const int c = w / 2;
    const float end = static_cast<float>(w - 1) / range_ * wedge_;
    auto line = [&](int column, int i) {
      const float dy = static_cast<float>(i) * g;
      dc_->DrawLine(Short(column), Short(dy + static_cast<float>(h / 2)), Short(column),
                    Short(static_cast<float>(h / 2) - dy), kWedge);
    };
    if (wedge_ >= range_ / 2.0f) {
      for (int i = 0; static_cast<float>(c + i - 1) <= end && i < c; ++i) line(c + i, i);
    } else {
      for (int i = 0; i <= c && static_cast<float>(c - i) >= end; ++i) line(c - i, i);
    }
  }
  dc_->DrawLine(0, 0, Short(w - 1), Short(h - 1), cross_);
  dc_->DrawLine(0, Short(h - 1), Short(w - 1), 0, cross_);
  if (!markerHidden_ && range_ > 0.0f && std::isfinite(range_)) {
    const int x = arm::ToInt32(static_cast<float>(w - 5) / range_ * marker_);
    dc_->FillFrame(Short(x), 0, Short(x + 3), Short(h - 1), markerColour_);
  }
  dc_->DrawFrame(0, 0, Short(w - 1), Short(h - 1), frame_);
  dc_->EndPaint();
  repaint_ = false;
  return 1;
}

int uxXFadeCtrl::OnMessage(tagUX_Message* msg) {
  const int result = uxBaseElement::OnMessage(msg);
  if (msg->type == UX_MSG_TOUCH_EVENT && msg->m_evt_type == TYPE_MOVE) repaint_ = true;
  return result;
}
