#include "toolkit/uxPeakMeter.h"

#include <algorithm>
#include <cstdint>

#include "platform/ArmConvert.h"
#include "toolkit/uxDC.h"

namespace {

// Saturating: a level far outside the range must stay far outside, not wrap into view.
// Wide, so that an edge computed next to a saturated coordinate cannot overflow either.
int16_t Short(int64_t v) { return static_cast<int16_t>(std::clamp<int64_t>(v, -32768, 32767)); }
int Trunc(float v) { return arm::ToInt32(v); }

constexpr float kFallPerTick = 0.001f;  // of the range

}  // namespace

uxPeakMeter::uxPeakMeter(uxHost* manager, unsigned int id, int16_t x, int16_t y, int16_t w, int16_t h,
                         uxCOLOR background, uxCOLOR frame, uxCOLOR bar, uxCOLOR peak)
    : uxBarCtrl(manager, id, x, y, w, h, background, frame, bar), peakColour_(peak) {}

float uxPeakMeter::smooth(float v) {
  window_[counter_ & (AVERAGE_BUF - 1)] = v;
  ++counter_;
  float sum = 0.0f;
  for (float s : window_) sum += s;
  return sum * 0.03125f;
}

bool uxPeakMeter::setLevel(float v) {
  const float a = smooth(v);
  repaint_ = true;
  if (peak_ < v) peak_ = v;
  level_ = a < max_ ? a : max_;
  return true;
}

// One step per tick: a meter whose range is 0 would otherwise never get the peak down.
void uxPeakMeter::doTick() {
  if (level_ < peak_) {
    peak_ -= (max_ - min_) * kFallPerTick;
    repaint_ = true;
  }
}

int uxPeakMeter::OnPaint() {
  if (!enabled_ || !repaint_ || !dc_) return 0;
  dc_->BeginPaint(Short(x_), Short(y_), w_, h_);
  DrawBar();
  const int W1 = w_ - 1, H1 = h_ - 1;
  const float r = max_ - min_;
  if (r != 0.0f) {
    const float above = peak_ - min_;
    const float sx = static_cast<float>(W1) / r, sy = static_cast<float>(H1) / r;
    switch (orientation_) {
      case uxPeakMeter_LeftRight: {
        const int x = Trunc(above * sx);
        dc_->FillFrame(Short(x), 0, Short(int64_t{x} + 2), Short(H1), bar_);
        break;
      }
      case uxPeakMeter_RightLeft:
        dc_->FillFrame(Short(Trunc(static_cast<float>(W1) - above * sx + 2.0f)), 0, Short(W1), Short(H1), bar_);
        break;
      case uxPeakMeter_BottomUp: {
        const int y = Trunc(static_cast<float>(H1) - above * sy);
        dc_->FillFrame(0, Short(y), Short(W1), Short(int64_t{y} + 2), peakColour_);
        break;
      }
      case uxPeakMeter_TopDown: {
        const int y = Trunc(above * sy);
        dc_->FillFrame(0, Short(y), Short(W1), Short(int64_t{y} + 2), bar_);
        break;
      }
      default:
        break;
    }
  }
  dc_->EndPaint();
  repaint_ = false;
  return 1;
}

int uxPeakMeter::OnMessage(tagUX_Message* msg) { return uxBarCtrl::OnMessage(msg); }
