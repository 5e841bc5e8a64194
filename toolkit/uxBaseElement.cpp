#include "toolkit/uxBaseElement.h"

#include "toolkit/uxDC.h"

uxBaseElement::uxBaseElement(uxHost* manager, int id, uint32_t userData, const char* name)
    : rect_(-1, -1, -1, -1, 0, 0),
      dc_(manager ? manager->getDC() : nullptr),
      name_(name ? name : ""),
      manager_(manager),
      userData_(userData),
      id_(id) {}

#if SYNTH_TOOLKIT_SCRIPT
namespace {
uxBaseElement::EndHook g_endHook = nullptr;
}  // namespace

void uxBaseElement::SetEndHook(EndHook hook) { g_endHook = hook; }

uxBaseElement::~uxBaseElement() {
  if (g_endHook) g_endHook(this);
}
#else
uxBaseElement::~uxBaseElement() = default;
#endif

int uxBaseElement::OnMessage(tagUX_Message* msg) {
  const int result = manager_ ? manager_->HookSendMessage(msg) : 0;
  if (msg->type == UX_MSG_REPAINT) {
    repaint_ = repaintCtrls_ = true;
  } else if (msg->type == UX_MSG_FOCUS) {
    switch (msg->param) {
      case 1:
        focus_ = true;
        repaint_ = repaintCtrls_ = true;
        break;
      case 2:
        focus_ = false;
        break;
      case 0:
        if (focus_) repaint_ = repaintCtrls_ = true;
        break;
      default:
        break;
    }
  }
  return result;
}

void uxBaseElement::SetEnabled(bool enabled) {
  enabled_ = enabled;
  repaint_ = true;
}

void uxBaseElement::SetChecked(bool checked, bool) {
  checked_ = checked;
  repaint_ = true;
}

void uxBaseElement::SetGrayed(bool grayed) {
  grayed_ = grayed;
  repaint_ = true;
}

void uxBaseElement::SetRelativePos(int x, int y) {
  relX_ = x;
  relY_ = y;
}

int uxBaseElement::SendMessage(tagUX_Message* msg) { return manager_ ? manager_->SendMessage(msg) : 0; }

bool uxBaseElement::intersect(uxRECT r, uxPOINT p) const {
  const int panX = dc_ ? dc_->PanX() : 0;
  const int panY = dc_ ? dc_->PanY() : 0;
  // 64-bit sums: a far-off relative position or pan must miss, not wrap into the rectangle.
  const int64_t x = int64_t{p.x} + relX_;
  const int64_t y = int64_t{p.y} + relY_;
  return x >= int64_t{panX} + r.left && x <= int64_t{panX} + r.right && y >= int64_t{panY} + r.top &&
         y <= int64_t{panY} + r.bottom;
}

void uxBaseElement::SetIDmask(uint32_t mask, uint32_t value) {
  id_ = static_cast<int>((static_cast<uint32_t>(id_) & ~mask) | (value & mask));
}
