#include "toolkit/uxTabCtrl.h"

#include "toolkit/Flavour.h"
#include "toolkit/uxDC.h"

namespace {

bool IsBroadcast(uint32_t type) {
  return type == UX_MSG_VALUES_CHANGED || type == UX_MSG_TICK_EVENT || type == EN_MSG_SET_VALUE ||
         (!ux::kScriptFlavour && type == APP_MSG_RESCAN_FILES);
}

// The text colour of a scroll arrow that can go no further.
constexpr uxCOLOR kArrowAtLimit = 0x202020;

int16_t Short(int v) { return static_cast<int16_t>(v); }

}  // namespace

uxTabCtrl::uxTabCtrl(uxHost* manager, unsigned int id, const char* name, uxPOINT pos, int16_t w, int16_t h,
                     uxCOLOR background, uxCOLOR line, uxCOLOR third, int font)
    : uxBaseElement(manager, -1, id, name),
      originX_(pos.x),
      originY_(pos.y),
      stripHeight_(h),
      stripWidth_(w),
      line_(line),
      background_(background),
      third_(third),
      font_(font) {
  rect_ = uxRECT(pos.x, pos.y, pos.x + w - 1, pos.y + h - 1, w - 1, h - 1);
  repaint_ = true;
}

uxTabCtrl::~uxTabCtrl() {
  for (uxTabItemCtrl* item : items_) delete item;
}

uxTabItemCtrl* uxTabCtrl::Item(int index) const {
  if (index < 0 || static_cast<std::size_t>(index) >= items_.size()) return nullptr;
  return items_[index];
}

int uxTabCtrl::AddTabItem(uxTabItemCtrl* item) {
  items_.push_back(item);
  const int index = static_cast<int>(items_.size() - 1);
  if (!ux::kScriptFlavour && item) {
    if (item->getKind() == uxTabItemCtrl::kLeftArrow) leftArrow_ = index;
    if (item->getKind() == uxTabItemCtrl::kRightArrow) rightArrow_ = index;
  }
  Layout(false);
  repaint_ = true;
  return index;
}

bool uxTabCtrl::SetTabItem(int index, uxTabItemCtrl* item, const char* name) {
  if (index < 0 || static_cast<std::size_t>(index) >= items_.size()) return false;
  items_[index] = item;
  if (item && name) item->setTabName(name);
  Layout(true);
  repaint_ = true;
  return true;
}

void uxTabCtrl::Layout(bool all) {
  if (!dc_) return;
  dc_->FontSelect(static_cast<uint16_t>(font_));
  const int cw = dc_->getFontSize(FONT_SELECTED).width + dc_->CurrentFont().char_h_space;
  scrolledOut_.assign(items_.size(), false);
  int x = rect_.left;
  int skipped = 0;
  for (std::size_t i = 0; i < items_.size(); ++i) {
    uxTabItemCtrl* item = items_[i];
    if (!item) continue;
    const int width = 2 * padding_ + item->getTabNameLen() * cw;
    if constexpr (ux::kScriptFlavour) {
      if (item->isHidden() && !all) continue;
    } else {
      // The first offset + 1 scrollable tabs give way while the strip is scrolled.
      if (item->getKind() == uxTabItemCtrl::kTab && item->isScrollable() && offset_ != 0 && skipped <= offset_) {
        ++skipped;
        scrolledOut_[i] = true;
        continue;
      }
      if (item->getKind() == uxTabItemCtrl::kRightArrow) {
        item->setClientRect(rect_.right - width, rect_.top, rect_.right, rect_.bottom);
        rightArrowWidth_ = width;
        continue;
      }
    }
    item->setClientRect(x, rect_.top, x + width, rect_.bottom);
    x += width;
  }
  extent_ = x;
}

bool uxTabCtrl::InStrip(std::size_t i) {
  uxTabItemCtrl* item = items_[i];
  if (!item) return false;
  if constexpr (ux::kScriptFlavour) return !item->isHidden();
  if (scrolledOut_.size() > i && scrolledOut_[i]) return false;
  if (item->getKind() == uxTabItemCtrl::kRightArrow) return true;
  // Tabs that would run under the right arrow are left out.
  const uxRECT* r = item->getClientRect();
  return r->right <= rect_.right - rightArrowWidth_;
}

int uxTabCtrl::OnPaint() {
  uxTabItemCtrl* active = Item(active_);
  if (!active) return 0;
  if (!ux::kScriptFlavour) Layout(false);
  if (!repaint_ || !dc_) {
    active->OnPaint();
    return 1;
  }
  const int w = stripWidth_;
  const int h = stripHeight_;
  dc_->BeginPaint(Short(originX_), Short(originY_), Short(w), Short(h));
  dc_->FontSelect(static_cast<uint16_t>(font_));
  const int ch = dc_->getFontSize(FONT_SELECTED).height;
  dc_->FillFrame(0, 0, Short(w - 1), Short(h - 1), background_);
  dc_->DrawLine(0, Short(h - 1), Short(w - 1), Short(h - 1), line_);
  for (std::size_t i = 0; i < items_.size(); ++i) {
    if (!InStrip(i)) continue;
    uxTabItemCtrl* item = items_[i];
    const uxRECT* r = item->getClientRect();
    const int x1 = r->left - originX_ + 1;
    const int y1 = r->top - originY_;
    const int x2 = r->right - originX_;
    const int y2 = r->bottom - originY_;
    // The instrument's right arrow is always drawn as an inactive tab.
    const bool lit = int(i) == active_ && item->getKind() != uxTabItemCtrl::kRightArrow;
    const uxCOLOR fill = lit ? item->getColorBgn() : background_;
    dc_->FillFrame(Short(x1), Short(y1), Short(x2), Short(y2), fill);
    dc_->DrawLine(Short(x1), Short(y1), Short(x2), Short(y1), line_);
    if (!lit) dc_->DrawLine(Short(x1), Short(y2), Short(x2), Short(y2), line_);
    dc_->SetForecolor(item->getColorFrg());
    dc_->SetBackcolor(fill);
    dc_->PutString(Short(x1 + padding_), Short(y1 + (h - ch) / 2), item->getTabName());
    dc_->DrawLine(Short(x2), Short(y1), Short(x2), Short(y1 + h - 1), line_);
  }
  dc_->DrawLine(0, 0, 0, Short(h - 1), line_);
  dc_->EndPaint();
  repaint_ = false;
  active->OnPaint();
  return 1;
}

int uxTabCtrl::SwitchTo(int index) {
  tagUX_Message focus(UX_MSG_FOCUS, 2, 0);
  if (uxTabItemCtrl* old = Item(active_)) old->OnMessage(&focus);
  if (!ux::kScriptFlavour && manager_) manager_->sendCANFocus(255);
  active_ = index;
  repaint_ = true;
  focus.param = 1;
  items_[index]->OnMessage(&focus);
  tagUX_Message select(UX_MSG_TAB_SELECT, index, 0);
  return SendMessage(&select);
}

void uxTabCtrl::PressArrow(int kind) {
  uxTabItemCtrl* left = Item(leftArrow_);
  uxTabItemCtrl* right = Item(rightArrow_);
  if (kind == uxTabItemCtrl::kRightArrow) {
    if (extent_ >= rect_.right - 1 - rightArrowWidth_)
      ++offset_;
    else if (right)
      right->setTabName(right->getTabName(), kArrowAtLimit);
    if (left) left->setTabName(left->getTabName(), line_);
  } else {
    if (--offset_ <= 0) {
      offset_ = 0;
      if (left) left->setTabName(left->getTabName(), kArrowAtLimit);
    }
    if (right) right->setTabName(right->getTabName(), line_);
  }
  repaint_ = true;
}

int uxTabCtrl::OnMessage(tagUX_Message* msg) {
  int result = uxBaseElement::OnMessage(msg);
  if (items_.empty()) return result;
  const bool press = msg->m_evt_type == TYPE_PRESS;
  const bool switches = ux::kScriptFlavour ? press || msg->m_evt_type == TYPE_MOVE : press;
  if (msg->type == UX_MSG_TOUCH_EVENT && switches) {
    const uxPOINT p(msg->m_x, msg->m_y);
    for (std::size_t i = 0; i < items_.size(); ++i) {
      if (int(i) == active_ || !InStrip(i) || !items_[i]->intersect(p)) continue;
      const int kind = items_[i]->getKind();
      if (!ux::kScriptFlavour && kind != uxTabItemCtrl::kTab) {
        PressArrow(kind);
        return result;
      }
      return SwitchTo(static_cast<int>(i));
    }
  }
  if (IsBroadcast(msg->type)) {
    for (uxTabItemCtrl* item : items_)
      if (item && (ux::kScriptFlavour || item->getKind() == uxTabItemCtrl::kTab)) result = item->OnMessage(msg);
    return result;
  }
  uxTabItemCtrl* active = Item(active_);
  if (active && (ux::kScriptFlavour || active->getKind() == uxTabItemCtrl::kTab)) result = active->OnMessage(msg);
  return result;
}

int uxTabCtrl::setActiveTab(int index) {
  if (index < 0 || static_cast<std::size_t>(index) >= items_.size() || index == active_) return 0;
  if (!ux::kScriptFlavour) {
    tagUX_Message leave(UX_MSG_FOCUS, 2, 0);
    if (uxTabItemCtrl* old = Item(active_)) old->OnMessage(&leave);
    if (manager_) manager_->sendCANFocus(255);
  }
  active_ = index;
  repaint_ = true;
  tagUX_Message enter(UX_MSG_FOCUS, 1, 0);
  if (items_[index]) items_[index]->OnMessage(&enter);
  return 1;
}
