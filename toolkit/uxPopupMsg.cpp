#include "toolkit/uxPopupMsg.h"

#include "toolkit/uxDC.h"

void uxPopupMsg::Message(const char* title, const char* text, const char* footer) {
  title_ = title ? title : "";
  text_ = text ? text : "";
  footer_ = footer ? footer : "";
}

void uxPopupMsg::OnUserPaint(uxDC* dc) {
  PaintTitleBar(title_.c_str());
  dc->SetBackcolor(background_);
  const int ch = dc->getFontSize(FONT_SELECTED).height;
  const int h = rect_.height;
  dc->PutString(static_cast<int16_t>(CentreX(footer_.c_str())), static_cast<int16_t>(h - 25 - ch / 2),
                footer_.c_str());
  dc->PutString(static_cast<int16_t>(CentreX(text_.c_str())), static_cast<int16_t>(30 - ch / 2 + (h - 80) / 2),
                text_.c_str());
}
