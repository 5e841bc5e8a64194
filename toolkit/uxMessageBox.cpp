#include "toolkit/uxMessageBox.h"

#include <algorithm>
#include <cstdarg>
#include <cstdio>

#include "toolkit/CTheme.h"
#include "toolkit/Flavour.h"
#include "toolkit/uxDC.h"

namespace {

constexpr uxCOLOR kTitleBackground = 0x505050;
constexpr uxCOLOR kTitleText = 0x000000;
constexpr uxCOLOR kTitleTextBackground = 0xA40000;
constexpr int kTitleFont = 12;
constexpr int kLineFont = 9;
constexpr int kLineGap = 3;

uxCOLOR BoxColour(const char* role, const char* name, uxCOLOR fallback, bool cascade) {
  if constexpr (ux::kScriptFlavour) return CTheme::ColorFromName(role, "MsgBox", name ? name : "", fallback, cascade);
  return fallback;
}

}  // namespace

uxMessageBox::uxMessageBox(uxHost* manager, const char* name, int16_t w, int16_t h, uxCOLOR background,
                           uxCOLOR border, uxCOLOR text, int font)
    : uxBaseElement(manager, -1, 0, name),
      background_(BoxColour("Bg", name, background, false)),
      textColour_(BoxColour("Text", name, text, false)),
      border_(BoxColour("Border", name, border, false)),
      titleBackground_(BoxColour("TitleBg", name, kTitleBackground, true)),
      titleText_(BoxColour("TitleText", name, kTitleText, true)),
      titleTextBackground_(BoxColour("TitleTextBg", name, kTitleTextBackground, true)),
      font_(font) {
  rect_ = uxRECT(0, 0, w, h, w, h);
  enabled_ = false;
  repaint_ = false;
  if (dc_) dc_->resetExclusiveRegion();
}

void uxMessageBox::show(uxPOINT pos, const char* title) {
  x_ = pos.x;
  y_ = pos.y;
  enabled_ = true;
  repaint_ = true;
  firstLine_ = 0;
  const int ch = dc_ ? dc_->getFontSize(font_).height : 0;
  maxLines_ = std::max(0, (rect_.height - 40) / (ch + kLineGap));
  setName(title);
}

void uxMessageBox::hide() {
  if (!enabled_) return;
  enabled_ = false;
  if (dc_) dc_->resetExclusiveRegion();
  tagUX_Message msg(UX_MSG_FOCUS, 0, 0);
  SendMessage(&msg);
}

void uxMessageBox::setText(const char* format, ...) {
  char text[64];
  va_list args;
  va_start(args, format);
  std::vsnprintf(text, sizeof text, format ? format : "", args);
  va_end(args);
  text_ = text;
}

void uxMessageBox::AddLine(const char* format, ...) {
  char line[256];
  va_list args;
  va_start(args, format);
  std::vsnprintf(line, sizeof line, format ? format : "", args);
  va_end(args);
  AddLine(line);
}

void uxMessageBox::AddLine(char* line) {
  // Lines added before show() (no limit yet) keep only the newest.
  while (!lines_.empty() && int(lines_.size()) >= maxLines_) lines_.pop_back();
  lines_.emplace_front(line ? line : "");
  repaint_ = true;
  OnPaint();
}

int uxMessageBox::OnPaint() {
  if (!enabled_ || !repaint_ || !dc_) return 1;
  const int w = rect_.width;
  const int h = rect_.height;
  dc_->FontSelect(static_cast<uint16_t>(font_));
  dc_->SetBackcolor(background_);
  dc_->SetForecolor(textColour_);
  dc_->BeginPaint(static_cast<int16_t>(x_), static_cast<int16_t>(y_), static_cast<int16_t>(w),
                  static_cast<int16_t>(h), EXCLUSIVE_REGION);
  dc_->FillFrame(0, 40, static_cast<int16_t>(w - 1), static_cast<int16_t>(h + 40), background_);
  dc_->FillFrame(0, 0, static_cast<int16_t>(w - 1), 40, titleBackground_);
  dc_->DrawFrame(0, 0, static_cast<int16_t>(w - 1), static_cast<int16_t>(h - 1), border_);
  dc_->FontSelect(kTitleFont);
  dc_->SetForecolor(titleText_);
  dc_->SetBackcolor(titleTextBackground_);
  int ch = dc_->getFontSize(FONT_SELECTED).height;
  dc_->PutString(10, static_cast<int16_t>(22 - ch / 2), name_.c_str());
  if (!text_.empty()) {
    if (h - ch > 0) dc_->PutString(5, static_cast<int16_t>((h - ch) / 2), text_.c_str());
    dc_->DrawFrame(0, 0, static_cast<int16_t>(w - 1), static_cast<int16_t>(h - 1), border_);
  } else {
    dc_->FontSelect(kLineFont);
    dc_->SetForecolor(textColour_);
    dc_->SetBackcolor(background_);
    ch = dc_->getFontSize(FONT_SELECTED).height;
    int k = 1;
    for (std::size_t i = std::size_t(std::max(firstLine_, 0)); i < lines_.size(); ++i, ++k) {
      dc_->PutString(10, static_cast<int16_t>(h - k * (ch + kLineGap)), lines_[i].c_str());
      if (k * (ch + kLineGap) > h - 40) break;
    }
  }
  dc_->EndPaint();
  repaint_ = false;
  return 1;
}
