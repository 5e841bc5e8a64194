#include "toolkit/uxPanelCtrl.h"

#include "toolkit/CTheme.h"
#include "toolkit/Flavour.h"
#include "toolkit/uxDC.h"
#include "toolkit/uxSelectCtrl.h"

namespace {

constexpr uxCOLOR kCaptionFill = 0x505050;
constexpr uxCOLOR kTitleText = 0x000000;
constexpr uxCOLOR kTitleTextBg = 0xA40000;
constexpr uxCOLOR kTypeText = 0xFFFFFF;
constexpr uxCOLOR kCloseFrame = 0xFFFFFF;
constexpr int kCaptionFont = 12;

uxCOLOR CaptionColour(const char* role, const std::string& name, uxCOLOR fallback) {
  if constexpr (ux::kScriptFlavour) return CTheme::ColorFromName(role, "PanelCtrl", name, fallback, true);
  return fallback;
}

int16_t Short(int v) { return static_cast<int16_t>(v); }

}  // namespace

uxPanelCtrl::uxPanelCtrl(uxHost* manager, uint32_t id, const char* name, uxPOINT pos, int16_t w, int16_t h,
                         uxCOLOR background, int options)
    : uxBaseElement(manager, -1, id, name), background_(background), options_(options) {
  if (options & OPTION_FLAG_CAPTION)
    rect_ = uxRECT(pos.x, pos.y + CAPTION_HEIGHT, pos.x + w, pos.y + h, w, h - CAPTION_HEIGHT);
  else
    rect_ = uxRECT(pos.x, pos.y, pos.x + w, pos.y + h, w, h);
  enabled_ = true;
}

uxPanelCtrl::uxPanelCtrl(uxHost* manager, uint32_t id, const char* name, uxPOINT pos, int16_t w, int16_t h,
                         const char* image)
    : uxBaseElement(manager, -1, id, name) {
  rect_ = uxRECT(pos.x, pos.y, pos.x + w, pos.y + h, w, h);
  backgroundImage_ = dc_ ? dc_->loadImage(image) : -1;
  enabled_ = true;
}

uxPanelCtrl::~uxPanelCtrl() { uxPanelCtrl::Clear(); }

void uxPanelCtrl::SetTypeName(const char* text, bool repaintCaption) {
  typeName_ = text ? text : "";
  captionRepaint_ = repaintCaption;
}

void uxPanelCtrl::SetCaptionIcon(const char* image, uxPOINT pos, bool repaintCaption) {
  captionIcon_ = dc_ ? dc_->loadImage(image) : -1;
  captionIconX_ = pos.x;
  captionIconY_ = pos.y;
  captionRepaint_ = repaintCaption;
}

void uxPanelCtrl::DrawImageAt(int index, int x, int y) {
  tImage img;
  if (dc_->getImageRef(index, &img)) dc_->DrawImage(Short(x), Short(y), &img);
}

void uxPanelCtrl::PaintBackground() {
  const bool caption = options_ & OPTION_FLAG_CAPTION;
  // The script flavour lets an image replace the caption; the instrument draws both.
  if (ux::kScriptFlavour && backgroundImage_ >= 0) {
    dc_->BeginPaint(Short(rect_.left), Short(rect_.top), Short(rect_.width), Short(rect_.height));
    DrawImageAt(backgroundImage_, 0, 0);
    dc_->EndPaint();
    return;
  }
  if (caption) {
    if (repaint_) {
      dc_->BeginPaint(Short(rect_.left), Short(rect_.top - CAPTION_HEIGHT), Short(rect_.width),
                      Short(rect_.height + CAPTION_HEIGHT));
      if (backgroundImage_ >= 0)
        DrawImageAt(backgroundImage_, 0, CAPTION_HEIGHT);
      else
        dc_->FillFrame(0, CAPTION_HEIGHT, Short(rect_.width - 1), Short(rect_.height + CAPTION_HEIGHT), background_);
      dc_->EndPaint();
    }
    PaintCaption();
    return;
  }
  dc_->BeginPaint(Short(rect_.left), Short(rect_.top), Short(rect_.width), Short(rect_.height));
  if (backgroundImage_ >= 0)
    DrawImageAt(backgroundImage_, 0, 0);
  else
    dc_->FillFrame(0, 0, Short(rect_.width - 1), Short(rect_.height - 1), background_);
  dc_->EndPaint();
}

void uxPanelCtrl::PaintCaption() {
  dc_->BeginPaint(Short(rect_.left), Short(rect_.top - CAPTION_HEIGHT), Short(rect_.width), CAPTION_HEIGHT);
  dc_->FillFrame(0, 0, Short(rect_.width - 1), CAPTION_HEIGHT, kCaptionFill);
  dc_->FontSelect(kCaptionFont);
  const tFontSize cell = dc_->getFontSize(FONT_SELECTED);
  const int row = 22 - cell.height / 2;
  const uxCOLOR titleText = CaptionColour("TitleText", name_, kTitleText);
  const uxCOLOR titleTextBg = CaptionColour("TitleTextBg", name_, kTitleTextBg);
  dc_->SetForecolor(titleText);
  dc_->SetBackcolor(titleTextBg);
  dc_->PutString(10, Short(row), name_.c_str());
  if (!typeName_.empty()) {
    dc_->SetForecolor(CaptionColour("TitleTextAcc", name_, kTypeText));
    // On the caption's own grey: the theme has no entry for either colour by default, and a
    // white fallback behind the white text would hide the type name.
    dc_->SetBackcolor(CaptionColour("TitleTextBgAcc", name_, kCaptionFill));
    dc_->PutString(Short(int(name_.size()) * cell.width + 30), Short(row), typeName_.c_str());
  }
  if (captionIcon_ >= 0) DrawImageAt(captionIcon_, captionIconX_, captionIconY_);
  if (options_ & OPTION_FLAG_CLOSE) {
    dc_->SetForecolor(titleText);
    dc_->SetBackcolor(titleTextBg);
    // Placed from the panel's own width, so a panel that does not start at the screen's left
    // edge gets its mark inside its caption too.
    dc_->PutString(Short(rect_.width - 55), Short(row), " X ");
    dc_->DrawFrame(Short(rect_.width - 60), 5, Short(rect_.width - 5), 35, CaptionColour("BtnBorder", name_, kCloseFrame));
  }
  dc_->EndPaint();
}

int uxPanelCtrl::OnPaint() {
  if (enabled_ && (repaint_ || captionRepaint_)) {
    if (dc_) PaintBackground();
    {
      std::lock_guard<std::recursive_mutex> hold(elementLock_);
      // The background just covered every child: each paints again, not only those whose
      // own invalidate() marks them.
      for (uxBaseElement* e : elements_)
        if (e) {
          e->setRepaint();
          e->setRepaintCtrls();
          e->invalidate();
        }
      captionRepaint_ = false;
    }
    repaint_ = false;
  }
  // By index: a child's paint may add to or clear this panel.
  for (std::size_t i = 0;; ++i) {
    std::lock_guard<std::recursive_mutex> hold(elementLock_);
    if (i >= elements_.size()) break;
    if (elements_[i]) elements_[i]->OnPaint();
  }
  return 1;
}

int uxPanelCtrl::OnMessage(tagUX_Message* msg) {
  int result = uxBaseElement::OnMessage(msg);
  if (focus_ && msg->type == UX_MSG_TOUCH_EVENT && msg->m_evt_type == TYPE_PRESS && (options_ & OPTION_FLAG_CLOSE)) {
    const uxRECT closeBox(rect_.right - 60, rect_.top - 50, rect_.right, rect_.top + 10);
    if (intersect(closeBox, uxPOINT(msg->m_x, msg->m_y))) Close(true);
  }
  // A panel opened over the page (a keyboard, a module panel) takes every touch inside it.
  if (msg->type == UX_MSG_TOUCH_EVENT) {
    const uxPOINT p(msg->m_x, msg->m_y);
    for (std::size_t i = 0; i < elements_.size(); ++i) {
      auto* opener = dynamic_cast<uxSelectCtrl*>(elements_[i]);
      if (opener != nullptr && opener->CoversTouch(p)) return opener->OnMessage(msg);
    }
  }
  // By index: a child may add to or clear this panel while it handles the message.
  for (std::size_t i = 0; i < elements_.size(); ++i)
    if (elements_[i]) result = elements_[i]->OnMessage(msg);
  return result;
}

void uxPanelCtrl::Close(bool sendFocus) {
  if (sendFocus && manager_) manager_->sendCANFocus(255);
  tagUX_Message msg(UX_MSG_FOCUS, 2, 0);
  for (std::size_t i = 0; i < elements_.size(); ++i)
    if (elements_[i]) elements_[i]->OnMessage(&msg);
  uxBaseElement::OnMessage(&msg);
  msg.param = 3;
  SendMessage(&msg);
  msg.param = 0;
  SendMessage(&msg);
  SetFocus(false);
}

void uxPanelCtrl::SetFocus(bool focus) {
  focus_ = focus;
  for (std::size_t i = 0; i < elements_.size(); ++i)
    if (elements_[i]) elements_[i]->SetFocus(focus);
}

void uxPanelCtrl::Clear() {
  std::lock_guard<std::recursive_mutex> hold(elementLock_);
  // Emptied before the deletes, so a child's destructor that reaches back into the panel
  // finds no stale pointers.
  std::vector<uxBaseElement*> gone;
  gone.swap(elements_);
  for (uxBaseElement* e : gone) delete e;
}
