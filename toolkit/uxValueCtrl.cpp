#include "toolkit/uxValueCtrl.h"

#if SYNTH_TOOLKIT_SCRIPT
#include <cstdio>
#include <cstring>

#include "platform/ArmConvert.h"
#include "toolkit/uxDC.h"

namespace {

int16_t Short(int v) { return static_cast<int16_t>(v); }

constexpr int kFont = 7;
constexpr int kCharWidth = 7;
// Values show at most this many characters.
constexpr std::size_t kValueChars = 15;

void Copy(char* to, std::size_t size, const char* from) {
  std::snprintf(to, size, "%s", from ? from : "");
}

// A script's format must hold exactly one conversion, of the kind the value is: an "%s" or a
// "%*d" given an int would read arguments that are not there.
bool FormatFits(const char* f, bool floating) {
  int conversions = 0;
  for (const char* p = f; *p; ++p) {
    if (*p != '%') continue;
    ++p;
    if (*p == '%') continue;
    while (*p && std::strchr("-+ #0", *p)) ++p;
    while (*p >= '0' && *p <= '9') ++p;
    if (*p == '.') {
      ++p;
      while (*p >= '0' && *p <= '9') ++p;
    }
    if (!*p || !std::strchr(floating ? "fFeEgGaA" : "dioxXuc", *p)) return false;
    ++conversions;
  }
  return conversions == 1;
}

}  // namespace

uxValueCtrl::uxValueCtrl(uxHost* manager, int id, unsigned int data, const char* caption, uxPOINT pos, int16_t w,
                         int16_t h, CtrlType kind, uxCOLOR label, uxCOLOR value, uxCOLOR background,
                         const char* format)
    : uxBaseElement(manager, id, data, ""), label_(label), valueColour_(value), background_(background), kind_(kind) {
  rect_ = uxRECT(pos.x, pos.y, pos.x + w, pos.y + h, w, h);
  repaint_ = true;
  enabled_ = true;
  Copy(caption_, sizeof caption_, caption);
  Copy(format_, sizeof format_, format);
  formatLen_ = static_cast<int>(std::strlen(format_));
  barWidth_ = kCharWidth * formatLen_;
  if (kind_ == uxValueCtrl_val && !FormatFits(format_, false)) Copy(format_, sizeof format_, "%d");
  if (kind_ == uxValueCtrl_val_float && !FormatFits(format_, true)) Copy(format_, sizeof format_, "%.2f");
  if (kind_ == uxValueCtrl_enumerator) {
    min_ = 100.0f;
    max_ = 0.0f;
  } else if (kind_ != uxValueCtrl_text) {
    SetMinMax(0.0f, 100.0f);
  }
}

int uxValueCtrl::SetValue(int v) {
  repaint_ = true;
  const float f = static_cast<float>(v);
  if (f > max_ || f < min_ || v == value_) return 0;
  value_ = v;
  return 1;
}

void uxValueCtrl::SetMinMax(float min, float max) {
  min_ = min;
  max_ = max;
  // No range, no bar: the frame alone shows.
  barScale_ = max != min ? static_cast<float>(barWidth_) / (max - min) : 0.0f;
}

void uxValueCtrl::SetEnumValue(unsigned char val, const char* text) {
  if (count_ < MAX_ENUMS) {
    enums_[count_].val = val;
    Copy(enums_[count_].text, sizeof enums_[count_].text, text);
    ++count_;
  }
  const float f = val;
  if (f < min_) min_ = f;
  if (f > max_) max_ = f;
}

void uxValueCtrl::SetTextValue(char* text) {
  Copy(text_, sizeof text_, text);
  // The paint looks at the element's own flag; the other one is what callers may test.
  repaint_ = true;
  repaintCtrls_ = true;
}

int uxValueCtrl::GetMaxValue() {
  switch (kind_) {
    case uxValueCtrl_enumerator:
      return count_ > 0 ? count_ - 1 : 0;
    case uxValueCtrl_val:
    case uxValueCtrl_bar:
      return arm::ToInt32(max_);
    default:
      return 0;
  }
}

int uxValueCtrl::GetMinValue() {
  return kind_ == uxValueCtrl_val || kind_ == uxValueCtrl_bar ? arm::ToInt32(min_) : 0;
}

int uxValueCtrl::OnPaint() {
  if (!enabled_ || !repaint_ || !dc_) return 0;
  const int w = rect_.width;
  const int h = rect_.height;
  const int n = static_cast<int>(std::strlen(caption_));
  const int vx = (n + 1) * kCharWidth;
  dc_->BeginPaint(Short(rect_.left), Short(rect_.top), Short(w), Short(h));
  dc_->FontSelect(kFont);
  dc_->FillFrame(0, 0, Short(w - 1), Short(h - 1), background_);
  if (inverse_) {
    dc_->FillFrame(0, 0, Short(w - 1), Short(h - 1), label_);
    dc_->DrawFrame(0, 0, Short(w - 1), Short(h - 1), background_);
    dc_->SetForecolor(background_);
    dc_->SetBackcolor(label_);
  } else {
    dc_->DrawFrame(0, 0, Short(w - 1), Short(h - 1), label_);
    dc_->SetForecolor(label_);
    dc_->SetBackcolor(background_);
  }
  dc_->PutString(2, 5, caption_);
  dc_->SetBackcolor(background_);
  dc_->SetForecolor(valueColour_);
  char out[kValueChars + 1];
  switch (kind_) {
    case uxValueCtrl_enumerator:
      for (int i = 0; i < count_; ++i) {
        if (enums_[i].val != value_) continue;
        const int len = static_cast<int>(std::strlen(enums_[i].text));
        dc_->FillFrame(Short(vx), 3, Short(kCharWidth * (len + n + 1)), 16, background_);
        dc_->PutString(Short(vx), 5, enums_[i].text);
        break;
      }
      break;
    case uxValueCtrl_val:
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wformat-nonliteral"
      std::snprintf(out, sizeof out, format_, value_);
      dc_->PutString(Short(vx), 5, out);
      break;
    case uxValueCtrl_bar:
      if (barScale_ != 0.0f)
        dc_->FillFrame(Short(vx), 3, Short(vx + arm::ToInt32(static_cast<float>(value_) * barScale_)), 16,
                       valueColour_);
      dc_->DrawFrame(Short(vx), 3, Short(vx + barWidth_), 16, valueColour_);
      break;
    case uxValueCtrl_text:
      dc_->PutString(Short(vx), 5, text_);
      break;
    case uxValueCtrl_val_float: {
      const float f = formula_ ? formula_(value_) : static_cast<float>(value_) * scale_;
      std::snprintf(out, sizeof out, format_, static_cast<double>(f));
#pragma GCC diagnostic pop
      dc_->PutString(Short(vx), 5, out);
      break;
    }
  }
  if (selected_) dc_->DrawFrame(0, 0, Short(w - 1), Short(h - 1), label_);
  dc_->EndPaint();
  repaint_ = false;
  return 1;
}

int uxValueCtrl::OnMessage(tagUX_Message* msg) {
  const int result = uxBaseElement::OnMessage(msg);
  if (focus_ && msg->type == UX_MSG_TOUCH_EVENT && msg->m_evt_type == TYPE_MOVE) repaint_ = true;
  return result;
}
#endif
