#pragma once
// The stereo delay's panel: its labels, and a refresh that also clears the slot's delay
// lines, so a slot chosen again (or the page shown again) starts without an old echo.
#include "pages/effects/cfgVA_Base.h"

class cfgVA_StereoDelay : public cfgVA_Base {
 public:
  cfgVA_StereoDelay(PageServices* services, uint32_t pageId, uxValueLabel** labels, appVA_Effects* page);

  void RefreshValues(int flags) override;
};
