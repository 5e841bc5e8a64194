#pragma once
// Small helpers the instrument's widgets share: coordinates narrowed to the drawing
// context's 16-bit arguments without wrapping, and a float-to-pixel conversion that
// survives NaN and values far off the screen.
#include <algorithm>
#include <cstdint>
#include <vector>

#include "platform/ArmConvert.h"
#include "toolkit/uxBaseElement.h"
#include "toolkit/uxDC.h"

namespace widgets {

// Far enough outside any screen that a clamped shape still ends off it, near enough
// that sums of two such values stay inside 16 bits' worth of drawing.
inline constexpr int kFar = 16000;

inline int16_t Short(int v) { return static_cast<int16_t>(std::clamp(v, -kFar, kFar)); }
inline int16_t Short(float v) { return Short(arm::ToInt32(v)); }
inline int16_t Short(double v) { return Short(arm::ToInt32(v)); }

// The colour of a vertical gradient row: a blue ramp over the dark base the views share.
inline uint32_t GradientBlue(float blue) {
  const int b = std::clamp(arm::ToInt32(blue), 0, 255);
  return 0x101000u | static_cast<uint32_t>(b);
}

// The views that act as buttons: a press inside sends the button-on message, a release
// anywhere the button-off one, each with the element's user data. `active`: focused and
// enabled.
inline void TouchToButton(uxBaseElement* self, const tagUX_Message* msg, bool active) {
  if (!active || msg->type != UX_MSG_TOUCH_EVENT) return;
  const int param = static_cast<int>(self->GetUserData());
  if (msg->m_evt_type == TYPE_PRESS && self->intersect(uxPOINT(msg->m_x, msg->m_y))) {
    tagUX_Message on(UX_MSG_ON_BUTTON, param, 0);
    self->SendMessage(&on);
  } else if (msg->m_evt_type == TYPE_RELEASE) {
    tagUX_Message off(UX_MSG_OFF_BUTTON, param, 0);
    self->SendMessage(&off);
  }
}

// A vertical gradient whose colour depends on the row only, kept as a one-pixel-wide
// picture so that filling a column under a curve is one image copy, not a call a pixel.
class GradientColumn {
 public:
  // Rows 0 .. rows - 1 of colour(row).
  template <class Colour>
  void Init(int rows, Colour colour) {
    rows_ = std::max(rows, 0);
    pixels_.assign(static_cast<std::size_t>(rows_), 0);
    for (int r = 0; r < rows_; ++r) pixels_[static_cast<std::size_t>(r)] = ImageOrder(colour(r));
  }
  // Rows from .. to (inclusive, either order) of column x.
  void Draw(uxDC* dc, int x, int from, int to) {
    if (from > to) std::swap(from, to);
    from = std::max(from, 0);
    to = std::min(to, rows_ - 1);
    if (from > to) return;
    view_.data = pixels_.data() + from;
    view_.width = 1;
    view_.height = static_cast<uint16_t>(to - from + 1);
    dc->DrawImage(Short(x), Short(from), &view_, 0, 1, to - from + 1);
  }

 private:
  // Pictures hold the bytes R, G, B, A in memory order.
  static uint32_t ImageOrder(uint32_t c) { return ((c & 0xFFu) << 16) | (c & 0xFF00u) | ((c >> 16) & 0xFFu); }
  std::vector<uint32_t> pixels_;
  tImage view_;
  int rows_ = 0;
};

}  // namespace widgets
