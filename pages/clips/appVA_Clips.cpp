#include "pages/clips/appVA_Clips.h"

#include "app/PageServices.h"

appVA_Clips::appVA_Clips(PageServices* services, uint32_t id, const char* name, uxPOINT pos, int16_t w, int16_t h,
                         uxCOLOR colour, CClipCore* clips)
    : uxPanelCtrl(services, id, name, pos, w, h, colour), services_(services), clips_(clips) {
  services_->AddControllerListener(this);
}

appVA_Clips::~appVA_Clips() { services_->RemoveControllerListener(this); }
