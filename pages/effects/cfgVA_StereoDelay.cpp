#include "pages/effects/cfgVA_StereoDelay.h"

#include "app/PageServices.h"
#include "pages/effects/FxPanelTables.h"

cfgVA_StereoDelay::cfgVA_StereoDelay(PageServices* services, uint32_t pageId, uxValueLabel** labels,
                                     appVA_Effects* page)
    : cfgVA_Base(services, pageId, labels, page, "DELAY", "Delay.png", fx_panels::Rows(3)) {}

void cfgVA_StereoDelay::RefreshValues(int flags) {
  cfgVA_Base::RefreshValues(flags);
  const int uid = Uid(fx_panels::kDelayClearParam);
  // The engine-only path reaches the chain a load prepares, not the one sounding now; the
  // live path clears the lines the listener hears. Neither stores anything.
  services_->SetEngineParam(uid, 0.0f);
  services_->ValueChanged(static_cast<uint32_t>(uid), FLAG_UPDATE_ENGINE_IM, 0.0f);
}
