#include "toolkit/uxGroup.h"

uxGroup::uxGroup(uxHost* manager, uint32_t id, const char* name, uxPOINT pos, int16_t w, int16_t h, uxCOLOR colour)
    : uxPanelCtrl(manager, id, name, pos, w, h, colour, 0), opaque_(true) {}

uxGroup::uxGroup(uxHost* manager, uint32_t id, const char* name, uxPOINT pos, int16_t w, int16_t h)
    : uxPanelCtrl(manager, id, name, pos, w, h, uxCOLOR{0}, 0), opaque_(false) {}

int uxGroup::OnPaint() {
  if (opaque_) return uxPanelCtrl::OnPaint();
  // A see-through group has no background of its own: a repaint of the group means the page
  // under it was repainted, covering its children, so each of them paints again.
  if (repaint_) {
    for (uxBaseElement* e : elements_)
      if (e) {
        e->setRepaint();
        e->setRepaintCtrls();
        e->invalidate();
      }
    repaint_ = false;
  }
  for (std::size_t i = 0; i < elements_.size(); ++i)
    if (elements_[i]) elements_[i]->OnPaint();
  return 1;
}

int uxGroup::OnMessage(tagUX_Message* msg) {
  // The children see the press first, so a pressed button has already toggled itself.
  const int result = uxPanelCtrl::OnMessage(msg);
  const uxPOINT p(msg->m_x, msg->m_y);
  if (msg->type != UX_MSG_TOUCH_EVENT || msg->m_evt_type != TYPE_PRESS || !intersect(p)) return result;
  selectedId_ = -1;
  for (uxBaseElement* e : elements_) {
    if (!e) continue;
    if (e->isGrayed() || !e->intersect(p))
      e->SetChecked(false, true);
    else
      selectedId_ = static_cast<int>(e->GetUserData());
  }
  return result;
}
