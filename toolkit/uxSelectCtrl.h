#pragma once
// A framed area of a page that opens a module panel: a press shows and focuses the panel
// and tells the page, which locks every selector until the panel closes again.
#include "toolkit/uxBaseElement.h"

class uxPanelCtrl;

class uxSelectCtrl : public uxBaseElement {
 public:
  // Neither panel is owned. The module panel is disabled until the selector opens it.
  uxSelectCtrl(uxHost* manager, uint32_t id, uxPOINT pos, int16_t w, int16_t h, uxCOLOR active, uxCOLOR frame,
               uxPanelCtrl* focusPanel, uxPanelCtrl* modulePanel);
  // Without a frame colour of its own the idle frame takes the active colour.
  uxSelectCtrl(uxHost* manager, uint32_t id, uxPOINT pos, int16_t w, int16_t h, uxCOLOR active,
               uxPanelCtrl* focusPanel, uxPanelCtrl* modulePanel);

  int OnPaint() override;
  int OnMessage(tagUX_Message* msg) override;
  // Stores the flag only: a locked selector does not repaint.
  void SetEnabled(bool enabled) override { enabled_ = enabled; }

  void SetActive(int flag = 0, int arg = -1);
  // Whether the panel this selector opened is open and covers p: a touch there is the
  // panel's alone, not the page's under it.
  bool CoversTouch(uxPOINT p) const;
  void Activate() {}

 private:
  int inset_ = 2;
  uxCOLOR frame_;
  uxCOLOR active_;
  bool drawFrame_ = false;
  uxPanelCtrl* module_;
  uxPanelCtrl* focusPanel_;
};
