#include "toolkit/uxPopup.h"

#include <cstring>

#include "platform/ArmConvert.h"
#include "toolkit/uxDC.h"

uxPopup::uxPopup(uxHost* manager, const char* name, uxPOINT pos, int16_t w, int16_t h, uxCOLOR background,
                 uxCOLOR frame)
    : uxBaseElement(manager, -1, 0, name), frame_(frame), background_(background) {
  rect_ = uxRECT(pos.x, pos.y, pos.x + w, pos.y + h, w, h);
  enabled_ = true;
  repaint_ = false;
}

void uxPopup::show() {
  if (!enabled_) return;
  visible_ = true;
  repaint_ = true;
}

void uxPopup::hide() {
  if (dc_) {
    dc_->restoreExlusiveRegion();
    dc_->resetExclusiveRegion();
  }
  visible_ = false;
}

int uxPopup::OnPaint() {
  if (repaint_ && visible_ && enabled_ && dc_) {
    dc_->BeginPaint(static_cast<int16_t>(rect_.left), static_cast<int16_t>(rect_.top),
                    static_cast<int16_t>(rect_.width), static_cast<int16_t>(rect_.height), EXCLUSIVE_REGION);
    OnUserPaint(dc_);
    dc_->DrawFrame(0, 0, static_cast<int16_t>(rect_.width - 1), static_cast<int16_t>(rect_.height - 1), frame_);
    dc_->EndPaint();
  }
  repaint_ = false;
  return 1;
}

int uxPopup::CentreX(const char* text) const {
  const int cw = dc_ ? dc_->getFontSize(FONT_SELECTED).width : 0;
  const int length = static_cast<int>(std::strlen(text));
  return arm::ToInt32(rect_.width * 0.5f - static_cast<float>(length * cw / 2));
}

void uxPopup::PaintTitleBar(const char* title) {
  constexpr uxCOLOR kTitleBar = 0x000080;
  const int16_t right = static_cast<int16_t>(rect_.width - 1);
  dc_->FillFrame(0, 0, right, 30, kTitleBar);
  dc_->FillFrame(0, 30, right, static_cast<int16_t>(rect_.height - 1), background_);
  dc_->SetForecolor(0xFFFFFF);
  dc_->FontSelect(10);
  dc_->SetBackcolor(kTitleBar);
  const int ch = dc_->getFontSize(FONT_SELECTED).height;
  dc_->PutString(static_cast<int16_t>(CentreX(title)), static_cast<int16_t>(15 - ch / 2), title);
}
