#include "toolkit/uxTabItemCtrl.h"

#include "toolkit/Flavour.h"
#include "toolkit/uxPanelCtrl.h"

namespace {

// Messages every page must see, shown or not.
bool IsBroadcast(uint32_t type) {
  return type == UX_MSG_VALUES_CHANGED || type == UX_MSG_TICK_EVENT || type == EN_MSG_SET_VALUE ||
         (!ux::kScriptFlavour && type == APP_MSG_RESCAN_FILES);
}

}  // namespace

uxTabItemCtrl::uxTabItemCtrl(uxHost* manager, unsigned int id, const char* name, uxCOLOR background, uxCOLOR text,
                             uxICONBar* iconBar, bool flag, int kind)
    : uxBaseElement(manager, -1, id, name),
      tabName_(name ? name : ""),
      background_(background),
      text_(text),
      iconBar_(iconBar),
      flag_(flag),
      kind_(kind) {
  repaint_ = true;
}

uxTabItemCtrl::~uxTabItemCtrl() {
  for (uxPanelCtrl* p : panels_) delete p;
}

int uxTabItemCtrl::AddPanel(uxPanelCtrl* panel) {
  panels_.push_back(panel);
  repaint_ = true;
  return static_cast<int>(panels_.size() - 1);
}

void uxTabItemCtrl::SetPanel(int index, uxPanelCtrl* panel) {
  if (index >= 0 && static_cast<std::size_t>(index) < panels_.size()) panels_[index] = panel;
}

uxPanelCtrl* uxTabItemCtrl::GetPanel(int index) const {
  return index >= 0 && static_cast<std::size_t>(index) < panels_.size() ? panels_[std::size_t(index)] : nullptr;
}

uxPanelCtrl* uxTabItemCtrl::ActivePanel() const {
  if (activePanel_ < 0 || static_cast<std::size_t>(activePanel_) >= panels_.size()) return nullptr;
  return panels_[activePanel_];
}

int uxTabItemCtrl::OnPaint() {
  repaint_ = false;
  if (panels_.empty()) return 0;
  if (uxPanelCtrl* p = ActivePanel()) p->OnPaint();
  return 1;
}

int uxTabItemCtrl::OnMessage(tagUX_Message* msg) {
  int result = uxBaseElement::OnMessage(msg);
  if (IsBroadcast(msg->type)) {
    for (uxPanelCtrl* p : panels_)
      if (p) result = p->OnMessage(msg);
    return result;
  }
  // Focus changes reach the page even while the tab is in the background; everything else
  // only while the tab is the focused one.
  if (msg->type == UX_MSG_FOCUS || focus_) {
    if (uxPanelCtrl* p = ActivePanel()) result = p->OnMessage(msg);
  }
  return result;
}
