#pragma once
// An overlay window the manager shows above the current page. It paints into the drawing
// context's exclusive layer, so the page below can keep repainting while it stays on top,
// and hiding it puts the page's own pixels back.
#include "toolkit/uxBaseElement.h"

class uxPopup : public uxBaseElement {
 public:
  uxPopup(uxHost* manager, const char* name, uxPOINT pos, int16_t w, int16_t h, uxCOLOR background, uxCOLOR frame);

  int OnPaint() override;
  // What a popup draws inside its frame, in coordinates relative to the popup.
  virtual void OnUserPaint(uxDC*) {}

  void show();
  void hide();
  bool isVisible() const { return visible_; }

 protected:
  // Text placed centred in the popup: width × 0.5 − (length × glyph width) / 2.
  int CentreX(const char* text) const;
  // The message and progress popups' look: a dark blue title bar 30 rows high with the
  // title centred in font 10, the rest in the background colour; text colour white.
  void PaintTitleBar(const char* title);

  uxCOLOR frame_;
  uxCOLOR background_;
  bool visible_ = false;
};
