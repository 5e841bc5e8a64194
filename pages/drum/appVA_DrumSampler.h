#pragma once
// The "DRUM" page: the drum kit's pads and sampler. For now the bare panel.
#include "toolkit/uxPanelCtrl.h"

class PageServices;

class appVA_DrumSampler : public uxPanelCtrl {
 public:
  appVA_DrumSampler(PageServices* services, uint32_t id, const char* name, uxPOINT pos, int16_t w, int16_t h,
                    uxCOLOR colour);
};
