#include "toolkit/uxPopupPB.h"

#include <algorithm>

#include "platform/ArmConvert.h"
#include "toolkit/uxDC.h"

void uxPopupPB::Message(const char* title, const char* text) {
  title_ = title ? title : "";
  text_ = text ? text : "";
  show();
}

void uxPopupPB::setProgress(float value, float maximum) {
  value_ = value;
  maximum_ = maximum;
  repaint_ = true;
}

void uxPopupPB::OnUserPaint(uxDC* dc) {
  PaintTitleBar(title_.c_str());
  dc->SetBackcolor(background_);
  const int ch = dc->getFontSize(FONT_SELECTED).height;
  const int w = rect_.width;
  const int h = rect_.height;
  dc->PutString(static_cast<int16_t>(CentreX(text_.c_str())), static_cast<int16_t>(30 - ch / 2 + (h - 55) / 2),
                text_.c_str());
  const int16_t top = static_cast<int16_t>(h - 25);
  const int16_t bottom = static_cast<int16_t>(h - 12);
  dc->FillFrame(1, top, static_cast<int16_t>(w - 2), bottom, 0x101010);
  // No maximum, no bar: the division would give infinity or NaN.
  if (maximum_ == 0.0f) return;
  const int end = arm::ToInt32(1.0f + static_cast<float>(w - 2) / maximum_ * value_);
  dc->FillFrame(1, top, static_cast<int16_t>(std::clamp(end, -32768, 32767)), bottom, barColour_);
}
