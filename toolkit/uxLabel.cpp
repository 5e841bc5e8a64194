#include "toolkit/uxLabel.h"

#include "toolkit/CTheme.h"
#include "toolkit/uxDC.h"

namespace {

uxCOLOR LabelColour(const char* role, const std::string& name, uxCOLOR fallback, bool cascade) {
  if constexpr (ux::kScriptFlavour) return CTheme::ColorFromName(role, "Lbl", name, fallback, cascade);
  return fallback;
}

int16_t Short(int v) { return static_cast<int16_t>(v); }

constexpr int kCaptionFont = 9;
constexpr int kCaptionInset = 6;
constexpr int kCaptionRadius = 8;

}  // namespace

uxLabel::uxLabel(uxHost* manager, const char* name, uxPOINT pos, int16_t w, int16_t h, uxCOLOR background,
                 uxCOLOR frame, uxCOLOR text, int font, int)
    : uxBaseElement(manager, -1, 0, name),
      background_(LabelColour("Bg", name_, background, false)),
      textColour_(LabelColour("Text", name_, text, false)),
      frame_(LabelColour("BorderAcc", name_, frame, false)),
      disabledFrame_(LabelColour("BorderDisabled", name_, 0x404040, true)),
      font_(font) {
  rect_ = uxRECT(pos.x, pos.y, pos.x + w, pos.y + h, w, h);
  repaint_ = true;
  enabled_ = true;
}

#if SYNTH_TOOLKIT_SCRIPT
uxLabel::uxLabel(uxHost* manager, const char* name, uxPOINT pos, int16_t w, int16_t h, uxCOLOR background,
                 uxCOLOR frame, uxCOLOR text, int font)
    : uxLabel(manager, name, pos, w, h, background, frame, text, font, 0) {}
#endif

uxLabel::uxLabel(uxHost* manager, uxPOINT pos, int16_t w, int16_t h, uxCOLOR background, uxCOLOR frame,
                 uxCOLOR text, int font)
    : uxLabel(manager, "Label", pos, w, h, background, frame, text, ux::kScriptFlavour ? 7 : font, 0) {}

void uxLabel::setText(const char* text) {
  if (!text) return;
  text_ = text;
  repaint_ = true;
}

void uxLabel::setText(const char* text, uxCOLOR textColour, uxCOLOR background) {
  textColour_ = textColour;
  background_ = background;
  if (text) text_ = text;
  repaint_ = true;
}

void uxLabel::setLabelText(const char* caption, const char* unit, uxCOLOR unitColour) {
  captionMode_ = true;
  inset_ = kCaptionInset;
  const uxCOLOR select = dc_ ? dc_->getSelectColor() : 0;
  checkedFrame_ = LabelColour("Border", name_, select, false);
  unitColour_ = unitColour;
  caption_ = caption ? caption : "";
  unit_ = unit ? unit : "";
}

int uxLabel::OnPaint() {
  if (!repaint_ || !dc_) return 0;
  const int w = rect_.width;
  const int h = rect_.height;
  dc_->FontSelect(static_cast<uint16_t>(font_));
  dc_->SetBackcolor(background_);
  dc_->BeginPaint(Short(rect_.left), Short(rect_.top), Short(w), Short(h));
  if (!enabled_) {
    dc_->EndPaint();
    repaint_ = false;
    return 1;
  }
  dc_->FillFrame(0, 0, Short(w - 1), Short(h - 1), background_);
  const tFontSize small = dc_->getFontSize(kCaptionFont);
  if (captionMode_) {
    const int i = inset_;
    dc_->SetForecolor(textColour_);
    dc_->FontSelect(kCaptionFont);
    // Right and bottom at w - 2i and h - 2i, as the value labels draw theirs.
    dc_->DrawRoundFrame(Short(i), Short(i), Short(w - 2 * i), Short(h - 2 * i), kCaptionRadius,
                        checked_ ? checkedFrame_ : frame_);
    dc_->PutString(Short(w / 2 - int(caption_.size()) * small.width / 2), Short(i + 1 - small.height / 2),
                   caption_.c_str());
  }
  dc_->SetForecolor(textColour_);
  dc_->FontSelect(static_cast<uint16_t>(font_));
  const tFontSize cell = dc_->getFontSize(FONT_SELECTED);
  if (grayed_) {
    dc_->PutString(Short(w / 2 - cell.width / 2), Short(h / 2 - cell.height / 2), "-");
  } else {
    const int n = static_cast<int>(text_.size());
    const int u = static_cast<int>(unit_.size());
    dc_->PutString(Short(w / 2 - (u * small.width + n * cell.width) / 2), Short(h / 2 - cell.height / 2),
                   text_.c_str());
    if (!captionMode_) dc_->DrawFrame(0, 0, Short(w - 1), Short(h - 1), frame_);
    if (!unit_.empty()) {
      dc_->SetForecolor(unitColour_);
      dc_->FontSelect(kCaptionFont);
      // The unit's lower edge meets the text's.
      dc_->PutString(Short(w / 2 + (n * cell.width) / 2), Short(cell.height - 2 - small.height - cell.height / 2 + h / 2),
                     unit_.c_str());
    }
  }
  dc_->EndPaint();
  repaint_ = false;
  return 1;
}

int uxLabel::OnMessage(tagUX_Message* msg) {
  const int result = uxBaseElement::OnMessage(msg);
  if (msg->type == UX_MSG_TOUCH_EVENT && msg->m_evt_type == TYPE_MOVE) repaint_ = true;
  return result;
}
