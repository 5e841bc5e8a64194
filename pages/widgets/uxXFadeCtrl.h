#pragma once
// A crossfade position shown as a wedge growing from the middle towards the louder side,
// with the two diagonals and a marker bar. The owner sets the values and asks for a repaint.
#include <cstdint>

#include "toolkit/uxBaseElement.h"

class uxXFadeCtrl : public uxBaseElement {
 public:
  uxXFadeCtrl(uxHost* manager, uint32_t userData, int16_t x, int16_t y, int16_t w, int16_t h, uxCOLOR background,
              uxCOLOR frame, uxCOLOR marker, uxCOLOR cross);

  int OnPaint() override;
  int OnMessage(tagUX_Message* msg) override;

  // Values 0..range (200).
  void SetWedge(float value) { wedge_ = value; }
  void SetMarker(float value) { marker_ = value; }
  void SetRange(float range) { range_ = range; }
  void HideMarker(bool hidden) { markerHidden_ = hidden; }
  float Wedge() const { return wedge_; }
  float Marker() const { return marker_; }

 private:
  int16_t x_, y_, w_, h_;
  uxCOLOR background_, frame_, markerColour_, cross_;
  float range_ = 200.0f;
  float wedge_ = 100.0f;
  float marker_ = 100.0f;
  bool markerHidden_ = false;
};
