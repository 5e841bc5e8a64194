#pragma once
// The dynamics processor's panel: its labels and six live meters (input, gain reduction and
// output of both channels) read from the effect's block on every paint.
#include "pages/effects/cfgVA_Base.h"

class uxBarCtrl;

class cfgVA_Compressor : public cfgVA_Base {
 public:
  static constexpr int kMeters = 6;

  cfgVA_Compressor(PageServices* services, uint32_t pageId, uxValueLabel** labels, appVA_Effects* page);

  int OnPaint() override;
  // The meters come and go with the panel.
  void SetEnabled(bool enabled) override;
  void SetupSlot(int slot) override;

  uxBarCtrl* Meter(int i) const { return meters_[i]; }

 private:
  uxBarCtrl* meters_[kMeters] = {};
};
