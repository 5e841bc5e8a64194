#include "toolkit/uxGridCtrl.h"

#if SYNTH_TOOLKIT_SCRIPT
#include "toolkit/uxDC.h"

namespace {

int16_t Short(int v) { return static_cast<int16_t>(v); }

constexpr int kLineHeight = 14;
constexpr int kFont = 7;
constexpr int kTextX = 10;
constexpr uxCOLOR kIndicator = 0xC0C0C0;
constexpr int kIndicatorWidth = 10;
constexpr int kIndicatorRight = 320;

}  // namespace

uxGridCtrl::uxGridCtrl(uxHost* manager, unsigned int id, uxPOINT pos, int16_t w, int16_t h, int capacity,
                       uxCOLOR text, uxCOLOR background)
    : uxBaseElement(manager, -1, id, "GridCtrl"), text_(text), background_(background), capacity_(capacity) {
  rect_ = uxRECT(pos.x, pos.y, pos.x + w - 1, pos.y + h - 1, w - 1, h - 1);
}

int uxGridCtrl::Visible() const { return rect_.height / kLineHeight; }

void uxGridCtrl::AddLine(const char* line) {
  if (!line) return;
  if (static_cast<int>(lines_.size()) >= capacity_ && !lines_.empty()) lines_.pop_back();
  if (capacity_ > 0) lines_.insert(lines_.begin(), line);
  repaint_ = true;
}

void uxGridCtrl::Clear() {
  std::lock_guard<std::mutex> hold(mutex_);
  lines_.clear();
  scroll_ = 0;
  repaint_ = true;
}

int uxGridCtrl::OnPaint() {
  if (!repaint_ || !dc_) return 0;
  std::lock_guard<std::mutex> hold(mutex_);
  const int width = rect_.width, height = rect_.height;
  const int v = Visible();
  const int n = static_cast<int>(lines_.size());
  dc_->BeginPaint(Short(rect_.left), Short(rect_.top), Short(width), Short(height));
  dc_->FillFrame(0, 0, Short(width), Short(height), background_);
  // A log that holds no more lines than the view shows has nothing to indicate.
  const int pages = v > 0 ? capacity_ / v : 0;
  if (pages > 0) {
    const int d = kLineHeight / pages;
    const int o = n > v ? d * (n - v) : 0;
    dc_->FillFrame(Short(width - kIndicatorWidth), Short(o - d * scroll_), kIndicatorRight,
                   Short(height - d * scroll_), kIndicator);
  }
  dc_->FontSelect(kFont);
  dc_->SetForecolor(text_);
  dc_->SetBackcolor(background_);
  for (int k = 1; scroll_ + k - 1 < n && kLineHeight * k <= height; ++k)
    dc_->PutString(kTextX, Short(height - kLineHeight * k), lines_[std::size_t(scroll_ + k - 1)].c_str());
  dc_->EndPaint();
  repaint_ = false;
  return 1;
}

int uxGridCtrl::OnMessage(tagUX_Message* msg) {
  if (msg->type != UX_MSG_KEY || !focus_) return uxBaseElement::OnMessage(msg);
  const int n = static_cast<int>(lines_.size()), v = Visible();
  if (msg->param == UX_PARAM_INC && n > v && scroll_ < n - v) {
    ++scroll_;
    repaint_ = true;
  } else if (msg->param == UX_PARAM_DEC && scroll_ > 0) {
    --scroll_;
    repaint_ = true;
  }
  return 0;
}
#endif
