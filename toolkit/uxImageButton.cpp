#include "toolkit/uxImageButton.h"

#if SYNTH_TOOLKIT_SCRIPT
uxImageButton::uxImageButton(uxHost* manager, uxPOINT pos, const char* onFile, const char* offFile)
    : uxBaseElement(manager, -1, 0, "Image"),
      onIndex_(dc_ ? dc_->loadImage(onFile) : -1),
      offIndex_(dc_ ? dc_->loadImage(offFile) : -1) {
  if (dc_) {
    dc_->getImageRef(onIndex_, &on_);
    dc_->getImageRef(offIndex_, &off_);
  }
  rect_ = uxRECT(pos.x, pos.y, pos.x + on_.width, pos.y + on_.height, on_.width, on_.height);
  repaint_ = true;
  enabled_ = true;
}

int uxImageButton::OnPaint() {
  if (!enabled_ || !repaint_ || !dc_) return 0;
  dc_->BeginPaint(static_cast<int16_t>(rect_.left), static_cast<int16_t>(rect_.top),
                  static_cast<int16_t>(rect_.width), static_cast<int16_t>(rect_.height));
  dc_->DrawImage(0, 0, isChecked() ? &on_ : &off_);
  dc_->EndPaint();
  repaint_ = false;
  return 1;
}

int uxImageButton::OnMessage(tagUX_Message* msg) {
  const int result = uxBaseElement::OnMessage(msg);
  if (msg->type == UX_MSG_TOUCH_EVENT && msg->m_evt_type == TYPE_PRESS) {
    SetChecked(!checked_, true);
    repaint_ = true;
  }
  return result;
}
#endif
