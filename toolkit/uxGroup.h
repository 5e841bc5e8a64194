#pragma once
// A panel whose children act as radio buttons: a press inside unchecks every child but the
// one under the finger and remembers that child's id.
#include "toolkit/uxPanelCtrl.h"

class uxGroup : public uxPanelCtrl {
 public:
  uxGroup(uxHost* manager, uint32_t id, const char* name, uxPOINT pos, int16_t w, int16_t h, uxCOLOR colour);
  // A group that paints only its children.
  uxGroup(uxHost* manager, uint32_t id, const char* name, uxPOINT pos, int16_t w, int16_t h);

  int OnPaint() override;
  int OnMessage(tagUX_Message* msg) override;

  int getSelectedID() const { return selectedId_; }

 private:
  int selectedId_ = -1;
  bool opaque_;
};
