#include "toolkit/uxTextBox.h"

#include <cstdarg>
#include <cstdio>

#include "toolkit/uxDC.h"

namespace {

int16_t Short(int v) { return static_cast<int16_t>(v); }

constexpr uxCOLOR kFrame = 0x000000;
constexpr int kTextX = 10;

}  // namespace

uxTextBox::uxTextBox(uxHost* manager, const char* name, uxPOINT pos, int16_t w, int16_t h, uxCOLOR background,
                     uxCOLOR second, uxCOLOR text, int font)
    : uxBaseElement(manager, -1, 0, name), text_(text), second_(second), background_(background), font_(font) {
  rect_ = uxRECT(pos.x, pos.y, pos.x + w, pos.y + h, w, h);
  repaint_ = false;
  repaintCtrls_ = false;
  // A font without glyphs of its own has no height: such a box keeps no lines.
  const int glyph = dc_ ? dc_->getFontSize(font).height : 0;
  capacity_ = glyph > 0 ? h / glyph : 0;
}

void uxTextBox::Add(const char* line) {
  if (!line || capacity_ <= 0) return;
  if (static_cast<int>(lines_.size()) >= capacity_) lines_.pop_back();
  lines_.insert(lines_.begin(), line);
  repaint_ = true;
}

void uxTextBox::AddLine(char* line) { Add(line); }

void uxTextBox::AddLine(const char* format, ...) {
  if (!format) return;
  char line[64];
  va_list args;
  va_start(args, format);
  std::vsnprintf(line, sizeof line, format, args);
  va_end(args);
  Add(line);
}

void uxTextBox::Clear() {
  std::lock_guard<std::mutex> hold(mutex_);
  lines_.clear();
  scroll_ = 0;
  repaint_ = true;
}

int uxTextBox::OnPaint() {
  if (!repaint_ || !dc_) return 0;
  const int w = rect_.width, h = rect_.height;
  dc_->BeginPaint(Short(rect_.left), Short(rect_.top), Short(w), Short(h));
  dc_->FillFrame(0, 0, Short(w - 1), Short(h - 1), background_);
  dc_->DrawFrame(0, 0, Short(w - 1), Short(h - 1), kFrame);
  dc_->FontSelect(static_cast<uint16_t>(font_));
  dc_->SetForecolor(text_);
  dc_->SetBackcolor(background_);
  const int ch = dc_->getFontSize(FONT_SELECTED).height;
  for (std::size_t k = 1; k <= lines_.size(); ++k) {
    const int top = h - static_cast<int>(k) * ch;
    dc_->PutString(kTextX, Short(top), lines_[k - 1].c_str());
    if (top < 0) break;
  }
  dc_->EndPaint();
  repaint_ = false;
  return 1;
}
