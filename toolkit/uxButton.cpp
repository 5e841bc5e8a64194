#include "toolkit/uxButton.h"

#include "toolkit/CTheme.h"
#include "toolkit/Flavour.h"
#include "toolkit/uxDC.h"

namespace {

uxCOLOR ButtonColour(const char* role, const char* name, uxCOLOR fallback, bool cascade) {
  if constexpr (ux::kScriptFlavour) return CTheme::ColorFromName(role, "Btn", name ? name : "", fallback, cascade);
  return fallback;
}

int16_t Short(int v) { return static_cast<int16_t>(v); }

}  // namespace

uxButton::uxButton(uxHost* manager, const char* name, unsigned int id, uxPOINT pos, int16_t w, int16_t h,
                   uxCOLOR background, uxCOLOR bounding, uxCOLOR text, bool largeFont, int16_t align, int frameOffset)
    : uxBaseElement(manager, -1, id, name),
      background_(ButtonColour("FgAcc", name, background, false)),
      bounding_(ButtonColour("BorderAcc", name, bounding, false)),
      text_(ButtonColour("Text", name, text, false)),
      checkText_(ButtonColour("TextAcc", name, 0x303030, true)),
      check_(ButtonColour("Fg", name, 0x0000D2, true)),
      select_(ButtonColour("Border", name, 0xFF0000, true)),
      largeFont_(largeFont),
      frameOffset_(frameOffset),
      align_(align) {
  rect_ = uxRECT(pos.x, pos.y, pos.x + w, pos.y + h, w, h);
  repaint_ = true;
  enabled_ = true;
}

uxButton::uxButton(uxHost* manager, unsigned int id, uxPOINT pos, int16_t w, int16_t h, uxCOLOR background,
                   uxCOLOR bounding, uxCOLOR text, bool largeFont, int16_t align, int frameOffset)
    : uxButton(manager, "Button", id, pos, w, h, background, bounding, text, largeFont, align, frameOffset) {}

void uxButton::SetText(const char* text, bool first, bool small) {
  if (!text) return;
  (first ? caption_ : altCaption_) = text;
  smallFont_ = small;
  repaint_ = true;
}

void uxButton::SetTextRef(char** ref) {
  if (!ref || !*ref) return;
  caption_ = *ref;
  repaint_ = true;
}

void uxButton::setButtonState(bool state) {
  state_ = state;
  repaint_ = true;
}

void uxButton::SetColor(eButtonColorSelect which, uxCOLOR colour) {
  uxCOLOR* const fields[] = {&background_, &bounding_, &check_, &text_, &select_};
  if (which < 0 || which >= static_cast<int>(std::size(fields))) return;
  *fields[which] = colour;
  repaint_ = true;
}

uxCOLOR uxButton::GetColor(eButtonColorSelect which) const {
  const uxCOLOR fields[] = {background_, bounding_, check_, text_, select_};
  return which >= 0 && which < static_cast<int>(std::size(fields)) ? fields[which] : 0;
}

int uxButton::OnPaint() {
  if (!enabled_ || !repaint_ || !dc_) return 0;
  const int w = rect_.width;
  const int h = rect_.height;
  const bool grid = mode_ == BtnModeGridToggle;
  const bool lit = checked_ && !grid;
  dc_->BeginPaint(Short(rect_.left), Short(rect_.top), Short(w), Short(h));
  if (image_ != -1) {
    // An index the drawing context does not hold draws nothing rather than reading beyond its list.
    tImage img;
    if (dc_->getImageRef(image_, &img)) dc_->DrawImage(0, 0, &img);
  } else if (lit) {
    dc_->FillFrame(Short(frameOffset_), 0, Short(w - 1), Short(h - 1), check_);
  } else {
    dc_->FillFrame(0, 0, Short(w - 1), Short(h - 1), background_);
  }
  dc_->DrawFrame(Short(frameOffset_), 0, Short(w - 1), Short(h - 1), selected_ ? select_ : bounding_);

  const std::string& text = (state_ || altCaption_.empty()) ? caption_ : altCaption_;
  dc_->FontSelect(!largeFont_ ? 12 : smallFont_ ? 8 : 11);
  if (lit) {
    dc_->SetBackcolor(check_);
    dc_->SetForecolor(text_);
  } else {
    dc_->SetBackcolor(background_);
    dc_->SetForecolor((checked_ || grid) && !state_ ? checkText_ : text_);
  }
  const tFontSize cell = dc_->getFontSize(FONT_SELECTED);
  const int n = static_cast<int>(text.size());
  const int y = h / 2 - cell.height / 2;
  int x = -1;
  switch (align_) {
    case 0: x = 3; break;
    case 1: x = w / 2 - (n * cell.width) / 2; break;
    // The paint area keeps its last column: a caption ending on it would wrap its last letter.
    case 2: x = w - n * cell.width - 1; break;
    default: break;
  }
  if (x != -1) dc_->PutString(Short(x), Short(y), text.c_str());
  dc_->EndPaint();
  repaint_ = false;
  return 1;
}

int uxButton::OnMessage(tagUX_Message* msg) {
  const int result = uxBaseElement::OnMessage(msg);
  if (msg->type != UX_MSG_TOUCH_EVENT || !focus_ || label_) return result;
  switch (msg->m_evt_type) {
    case TYPE_PRESS: {
      repaint_ = true;
      // One press per release: a second finger before the release is not a new press.
      if (pressed_ || !intersect(uxPOINT(msg->m_x, msg->m_y))) return 0;
      if (mode_ == BtnModeToggle) checked_ = !checked_;
      if (mode_ == BtnModeGridToggle) state_ = !state_;
      pressed_ = true;
      tagUX_Message on(UX_MSG_ON_BUTTON, static_cast<int>(userData_), 0);
      return SendMessage(&on);
    }
    case TYPE_MOVE:
      repaint_ = true;
      return result;
    case TYPE_RELEASE: {
      pressed_ = false;
      tagUX_Message off(UX_MSG_OFF_BUTTON, static_cast<int>(userData_), 0);
      return SendMessage(&off);
    }
    default:
      return result;
  }
}
