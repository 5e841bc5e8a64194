#include "pages/widgets/uxCurveCtrl.h"

#include <cmath>

#include "pages/widgets/WidgetDraw.h"
#include "toolkit/uxDC.h"

using widgets::Short;

uxCurveCtrl::uxCurveCtrl(uxHost* manager, uxPOINT* pos, int16_t w, int16_t h, uxCOLOR background, uxCOLOR colour,
                         uxCOLOR curve)
    : uxBaseElement(manager, -1, 0, "Label"), background_(background), colour_(colour), curve_(curve) {
  const int x = pos ? pos->x : 0, y = pos ? pos->y : 0;
  rect_ = uxRECT(x, y, x + w, y + h, w, h);
  enabled_ = true;
}

void uxCurveCtrl::SetLevels(float start, float end) {
  start_ = start;
  end_ = end;
}

void uxCurveCtrl::SetMarkers(bool middle, bool start, bool end) {
  markMiddle_ = middle;
  markStart_ = start;
  markEnd_ = end;
}

float uxCurveCtrl::Value(float x) const {
  const float d = end_ - start_;
  float k = curvature_ / 10.0f;
  if (d < 0.0f) k = -k;
  if (k < 0.0f) return start_ + (1.0f - std::exp(k * x)) / (1.0f - std::exp(k)) * d;
  return start_ + (std::exp(k * x) - 1.0f + x) / std::exp(k) * d;
}

int uxCurveCtrl::OnPaint() {
  if (!repaint_ || !dc_) return 0;
  repaint_ = false;
  if (!enabled_) return 0;
  const int w = rect_.width, h = rect_.height;
  if (w <= 0 || h <= 0) return 0;
  const float fh = static_cast<float>(h);
  auto yOf = [&](float v) { return arm::ToInt32(fh - fh * v); };
  dc_->BeginPaint(Short(rect_.left), Short(rect_.top), Short(w), Short(h));
  dc_->FillFrame(0, 0, Short(w - 1), Short(h - 1), background_);
  for (int j = 0; j <= w; ++j) {
    const int y = yOf(Value(static_cast<float>(j) / static_cast<float>(w)));
    dc_->DrawLine(Short(j), Short(y), Short(j), Short(h - 1), fill_);
  }
  for (int x = gridX_; x < w; x += gridX_) dc_->DrawLine(Short(x), 1, Short(x), Short(h - 2), grid_);
  for (int y = gridY_; y < h; y += gridY_) dc_->DrawLine(1, Short(y), Short(w - 2), Short(y), grid_);
  int py = yOf(Value(0.0f));
  for (int j = 1; j <= w; ++j) {
    const int y = yOf(Value(static_cast<float>(j) / static_cast<float>(w)));
    dc_->DrawLine(Short(j - 1), Short(py), Short(j), Short(y), curve_);
    py = y;
  }
  const int my = yOf(Value(0.5f));
  dc_->FillCircle(Short(w / 2), Short(my), 4, 0xFFFFFF);
  if (markMiddle_) dc_->DrawCircle(Short(w / 2), Short(my), 16, 0xFFFFFF);
  if (markStart_) dc_->DrawCircle(0, Short(yOf(start_)), 16, 0xFFFFFF);
  if (markEnd_) dc_->DrawCircle(Short(w), Short(yOf(end_)), 16, 0xFFFFFF);
  dc_->EndPaint();
  return 1;
}

int uxCurveCtrl::OnMessage(tagUX_Message* msg) {
  const int result = uxBaseElement::OnMessage(msg);
  if (msg->type == UX_MSG_TOUCH_EVENT && msg->m_evt_type == TYPE_MOVE) repaint_ = true;
  return result;
}
