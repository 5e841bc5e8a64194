#include "toolkit/uxLISTCtrl.h"

#if SYNTH_TOOLKIT_SCRIPT
namespace {

int16_t Short(int v) { return static_cast<int16_t>(v); }

constexpr int kFont = 12;

}  // namespace

uxLISTCtrl::uxLISTCtrl(uxHost* manager, unsigned int id, int16_t x, int16_t y, int16_t w, uxCOLOR background,
                       uxCOLOR frame)
    : uxBaseElement(manager, -1, id, "ListCTRL"), frame_(frame), background_(background), x_(x), y_(y), width_(w) {
  repaint_ = true;
}

int uxLISTCtrl::AddItem(int userdata, const char* text, tImage* icon, uxBaseElement* element) {
  tListItem item;
  item.item_text = text ? text : "";
  item.pIcon = icon;
  item.userdata = userdata;
  item.pElemt = element;
  items_.push_back(std::move(item));
  repaint_ = true;
  return static_cast<int>(items_.size()) - 1;
}

// An empty list has no current item: it shows its frame and hands messages to nobody.
tListItem* uxLISTCtrl::Current() {
  return current_ >= 0 && current_ < static_cast<int>(items_.size()) ? &items_[std::size_t(current_)] : nullptr;
}

int uxLISTCtrl::OnPaint() {
  tListItem* item = Current();
  if (repaint_ && dc_) {
    dc_->BeginPaint(Short(x_), Short(y_), width_, height_);
    dc_->FillFrame(0, 0, width_, height_, background_);
    dc_->DrawFrame(0, 0, Short(width_ - 1), Short(height_ - 1), frame_);
    dc_->FontSelect(kFont);
    dc_->SetForecolor(frame_);
    dc_->SetBackcolor(background_);
    if (item) {
      // An item without an icon puts its text where a zero-wide icon would end.
      const int iconW = item->pIcon ? item->pIcon->width : 0;
      if (item->pIcon) dc_->DrawImage(1, 1, item->pIcon);
      dc_->PutString(Short(iconW + 6), 3, item->item_text.c_str());
      dc_->DrawLine(Short(iconW + 1), 0, Short(iconW + 1), Short(height_ - 1), frame_);
    }
    dc_->EndPaint();
    repaint_ = false;
  }
  if (item && item->pElemt) item->pElemt->OnPaint();
  return 1;
}

int uxLISTCtrl::OnMessage(tagUX_Message* msg) {
  if (msg->type == UX_MSG_KEY && focus_) {
    const int last = static_cast<int>(items_.size()) - 1;
    int next = current_;
    if (msg->param == UX_PARAM_INC && current_ < last) ++next;
    if (msg->param == UX_PARAM_DEC && current_ > 0) --next;
    if (next != current_) {
      current_ = next;
      tListItem& item = items_[std::size_t(current_)];
      tagUX_Message select(UX_MSG_LIST_SELECT, item.userdata, 0);
      SendMessage(&select);
      if (item.pElemt) {
        tagUX_Message focus(UX_MSG_FOCUS, 0, 0);
        item.pElemt->OnMessage(&focus);
      }
      repaint_ = true;
    }
    return 0;
  }
  if (tListItem* item = Current(); item && item->pElemt) item->pElemt->OnMessage(msg);
  return uxBaseElement::OnMessage(msg);
}
#endif
