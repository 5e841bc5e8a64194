#pragma once
// The popup that shows a whole wavetable as a stack of waves when one is chosen. For now an
// empty popup with its frame.
#include "toolkit/uxPopup.h"

class uxPopupWT : public uxPopup {
 public:
  using uxPopup::uxPopup;
};
