#include "toolkit/uxSelectCtrl.h"

#include "toolkit/uxDC.h"
#include "toolkit/uxPanelCtrl.h"

namespace {

tagUX_Message Focus(int param, int flag, int arg) {
  tagUX_Message msg(UX_MSG_FOCUS, param, flag);
  msg.arg = static_cast<uint32_t>(arg);
  return msg;
}

}  // namespace

uxSelectCtrl::uxSelectCtrl(uxHost* manager, uint32_t id, uxPOINT pos, int16_t w, int16_t h, uxCOLOR active,
                           uxCOLOR frame, uxPanelCtrl* focusPanel, uxPanelCtrl* modulePanel)
    : uxBaseElement(manager, -1, id, "SelectCtrl"),
      frame_(frame),
      active_(active),
      module_(modulePanel),
      focusPanel_(focusPanel) {
  rect_ = uxRECT(pos.x, pos.y, pos.x + w, pos.y + h, w, h);
  repaint_ = true;
  enabled_ = true;
  if (module_) module_->SetEnabled(false);
}

uxSelectCtrl::uxSelectCtrl(uxHost* manager, uint32_t id, uxPOINT pos, int16_t w, int16_t h, uxCOLOR active,
                           uxPanelCtrl* focusPanel, uxPanelCtrl* modulePanel)
    : uxSelectCtrl(manager, id, pos, w, h, active, active, focusPanel, modulePanel) {}

void uxSelectCtrl::SetActive(int flag, int arg) {
  if (!module_) return;
  // A page may have no panel to take the focus from.
  if (focusPanel_) {
    tagUX_Message leave = Focus(2, 0, arg);
    focusPanel_->OnMessage(&leave);
  }
  SetChecked(true, true);
  module_->SetEnabled(true);
  tagUX_Message enter = Focus(1, flag, arg);
  module_->OnMessage(&enter);
  tagUX_Message lock = Focus(4, flag, arg);
  SendMessage(&lock);
}

bool uxSelectCtrl::CoversTouch(uxPOINT p) const {
  return checked_ && module_ != nullptr && module_->isEnabled() && module_->intersect(p);
}

int uxSelectCtrl::OnMessage(tagUX_Message* msg) {
  if (module_) {
    if (msg->type == UX_MSG_VALUES_CHANGED || msg->type == UX_MSG_TICK_EVENT || msg->type == EN_MSG_SET_VALUE)
      return module_->OnMessage(msg);
    if (checked_) module_->OnMessage(msg);
  }
  const int result = uxBaseElement::OnMessage(msg);
  switch (msg->type) {
    case UX_MSG_FOCUS:
      if (msg->param == 4) {
        SetEnabled(false);
      } else if (msg->param == 3) {
        SetChecked(false, true);
        SetEnabled(true);
        if (module_) module_->SetEnabled(false);
      }
      break;
    case UX_MSG_ACTIVATE_MODUL:
      if (msg->param == userData_) {
        SetActive(static_cast<int>(msg->flag), static_cast<int>(msg->arg));
      } else {
        SetChecked(false, true);
        if (module_) module_->SetEnabled(false);
      }
      break;
    case UX_MSG_TOUCH_EVENT:
      if (msg->m_evt_type == TYPE_PRESS && enabled_ && module_ && intersect(uxPOINT(msg->m_x, msg->m_y)))
        SetActive(0, -1);
      break;
    default:
      break;
  }
  return result;
}

int uxSelectCtrl::OnPaint() {
  if (checked_ && module_) module_->OnPaint();
  if (repaint_ && dc_) {
    dc_->BeginPaint(static_cast<int16_t>(rect_.left), static_cast<int16_t>(rect_.top),
                    static_cast<int16_t>(rect_.width), static_cast<int16_t>(rect_.height));
    if (drawFrame_)
      dc_->DrawRoundFrame(static_cast<int16_t>(inset_), static_cast<int16_t>(inset_),
                          static_cast<int16_t>(rect_.width - 2 * inset_), static_cast<int16_t>(rect_.height - 2 * inset_),
                          8, checked_ ? active_ : frame_);
    repaint_ = false;
    dc_->EndPaint();
  }
  return 1;
}
