#pragma once
// The popup a front-panel knob raises while it turns a parameter: the number large, its unit
// and label, the part it belongs to, and a bar with a marker over the parameter's range
// (centred for a range that goes below zero).
#include <string>

#include "toolkit/uxPopup.h"

class uxPopupValue : public uxPopup {
 public:
  using uxPopup::uxPopup;

  void OnUserPaint(uxDC* dc) override;
  void setValues(float minimum, float maximum, int part, float bar, float marker, float number, const char* unit,
                 const char* label);
  void setTracking(bool tracking) { tracking_ = tracking; }
  // The number as the popup prints it.
  static std::string FormatNumber(float number, float marker);

 private:
  void PaintBar(uxDC* dc);

  uxCOLOR unitColour_ = 0x808080;
  uxCOLOR numberColour_ = 0xFFFFFF;
  std::string label_;
  std::string unit_;
  float minimum_ = 0.0f;
  float maximum_ = 0.0f;
  float bar_ = 0.0f;
  float marker_ = 0.0f;
  float number_ = 0.0f;
  bool first_ = true;  // set at construction; like the tracking flag it changes nothing drawn
  bool tracking_ = false;
  int part_ = 0;
};
