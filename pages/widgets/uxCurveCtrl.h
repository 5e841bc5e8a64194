#pragma once
// An exponential response curve between a start and an end level (a velocity curve),
// filled below, on a grid, with its middle point and optional rings at its ends.
#include <cstdint>

#include "toolkit/uxBaseElement.h"

class uxCurveCtrl : public uxBaseElement {
 public:
  uxCurveCtrl(uxHost* manager, uxPOINT* pos, int16_t w, int16_t h, uxCOLOR background, uxCOLOR colour,
              uxCOLOR curve);

  int OnPaint() override;
  int OnMessage(tagUX_Message* msg) override;

  // Levels 0..1.
  void SetLevels(float start, float end);
  void SetCurvature(float curvature) { curvature_ = curvature; }
  void SetMarkers(bool middle, bool start, bool end);
  // The curve's level at x (0..1).
  float Value(float x) const;

 private:
  uxCOLOR background_;
  [[maybe_unused]] uxCOLOR colour_;
  uxCOLOR curve_;
  uxCOLOR fill_ = 0x101060;
  uxCOLOR grid_ = 0x404040;
  int gridX_ = 10;
  int gridY_ = 10;
  float start_ = 0.0f;
  float end_ = 1.0f;
  float curvature_ = 3.0f;
  bool markMiddle_ = false;
  bool markStart_ = false;
  bool markEnd_ = false;
};
