#include "toolkit/uxBarCtrl.h"

#include <algorithm>
#include <cstdint>

#include "platform/ArmConvert.h"
#include "toolkit/uxDC.h"

namespace {

// Saturating: a level far outside the range must stay far outside, not wrap into view.
// Wide, so that an edge computed next to a saturated coordinate cannot overflow either.
int16_t Short(int64_t v) { return static_cast<int16_t>(std::clamp<int64_t>(v, -32768, 32767)); }
int Trunc(float v) { return arm::ToInt32(v); }

constexpr int kTextFont = 9;
constexpr uxCOLOR kTextColour = 0xC8C8C8;
constexpr uxCOLOR kMarker = 0xFFFFFF;
constexpr int kTextY = 10;
constexpr int kMarkerTop = 5;

}  // namespace

uxBarCtrl::uxBarCtrl(uxHost* manager, unsigned int id, int16_t x, int16_t y, int16_t w, int16_t h,
                     uxCOLOR background, uxCOLOR frame, uxCOLOR bar)
    : uxBaseElement(manager, -1, id, "BarCtrl"),
      background_(background),
      x_(x),
      y_(y),
      w_(w),
      h_(h),
      bar_(bar),
      negative_(bar),
      frame_(frame) {
  enabled_ = true;
}

bool uxBarCtrl::setLevel(float v) {
  level_ = Bounded(v);
  repaint_ = true;
  return true;
}

void uxBarCtrl::setMarker(float v) {
  marker_ = Bounded(v);
  repaint_ = true;
}

void uxBarCtrl::setMax(float v) {
  max_ = v;
  repaint_ = true;
}

void uxBarCtrl::setMin(float v) {
  min_ = v;
  repaint_ = true;
}

void uxBarCtrl::setBarColor(uxCOLOR c) {
  bar_ = c;
  repaint_ = true;
}

void uxBarCtrl::setBarColorNegativ(uxCOLOR c) {
  negative_ = c;
  repaint_ = true;
}

void uxBarCtrl::DrawBar() {
  const int W1 = w_ - 1, H1 = h_ - 1;
  const float r = max_ - min_;
  dc_->FillFrame(0, 0, w_, h_, background_);
  // Without a range there is no scale: the bar is left out, the rest is drawn.
  if (r != 0.0f) {
    const float sx = static_cast<float>(W1) / r, sy = static_cast<float>(H1) / r;
    const float above = level_ - min_;
    switch (orientation_) {
      case uxBarCtrl_LeftRight:
        dc_->FillFrame(0, 0, Short(Trunc(sx * above)), Short(H1), bar_);
        break;
      case uxBarCtrl_RightLeft:
        dc_->FillFrame(Short(Trunc(static_cast<float>(W1) - sx * above)), 0, Short(W1), Short(H1), bar_);
        break;
      case uxBarCtrl_BottomUp:
        dc_->FillFrame(0, Short(Trunc(static_cast<float>(H1) - sy * above)), Short(W1), Short(H1), bar_);
        break;
      case uxBarCtrl_TopDown:
        dc_->FillFrame(0, 0, Short(W1), Short(Trunc(sy * above)), bar_);
        break;
      case uxBarCtrl_verticalBipolar: {
        const int c = H1 - h_ / 2;
        const int p = Trunc(static_cast<float>(c) - sy * level_);
        if (level_ < 0.0f)
          dc_->FillFrame(0, Short(c), Short(W1), Short(p), negative_);
        else
          dc_->FillFrame(0, Short(p), Short(W1), Short(c), bar_);
        break;
      }
      case uxBarCtrl_horicontalBipolar:
      case uxBarCtrl_horicontalBipolarMarker: {
        const bool marker = orientation_ == uxBarCtrl_horicontalBipolarMarker;
        const float s = marker ? static_cast<float>(w_ - 2) / r : sx;
        const int c = W1 - w_ / 2;
        const int p = Trunc(static_cast<float>(c) + level_ * s);
        const int top = marker ? H1 / 2 : 0;
        const uxCOLOR colour = level_ > 0.0f ? bar_ : negative_;
        if (level_ <= 0.0f)
          dc_->FillFrame(Short(p), Short(top), Short(c), Short(H1), colour);
        else
          dc_->FillFrame(Short(c), Short(top), Short(p), Short(H1), colour);
        if (marker) {
          const int64_t m = Trunc(static_cast<float>(c) + marker_ * s);
          const int64_t left = marker_ > 0.0f ? m - 1 : m;
          dc_->FillFrame(Short(left), kMarkerTop, Short(left + 1), Short(H1 - H1 / 2), kMarker);
        }
        break;
      }
      default:
        break;
    }
  }
  dc_->FontSelect(kTextFont);
  const int cw = dc_->getFontSize(FONT_SELECTED).width;
  // Centred as if the text were one glyph wide.
  if (w_ - cw > 0) {
    dc_->SetForecolor(kTextColour);
    dc_->SetBackcolor(background_);
    dc_->PutString(Short((w_ - cw) / 2), kTextY, text_.c_str());
  }
  dc_->DrawFrame(0, 0, Short(W1), Short(H1), frame_);
}

int uxBarCtrl::OnPaint() {
  if (!enabled_ || !repaint_ || !dc_) return 0;
  dc_->BeginPaint(Short(x_), Short(y_), w_, h_);
  DrawBar();
  dc_->EndPaint();
  repaint_ = false;
  return 1;
}

int uxBarCtrl::OnMessage(tagUX_Message* msg) {
  const int result = uxBaseElement::OnMessage(msg);
  if (msg->type == UX_MSG_TOUCH_EVENT && msg->m_evt_type == TYPE_MOVE) repaint_ = true;
  return result;
}
