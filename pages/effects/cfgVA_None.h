#pragma once
// The panel of an empty slot: every parameter label blank and idle.
#include "pages/effects/cfgVA_Base.h"

class cfgVA_None : public cfgVA_Base {
 public:
  cfgVA_None(PageServices* services, uint32_t pageId, uxValueLabel** labels, appVA_Effects* page);

  void SetupSlot(int slot) override;
  void RefreshValues(int) override {}
  void SetDefaults() override {}
};
