#pragma once
// The "DRUM" page: the drum kit's pads and sampler. For now the bare panel.
#include "toolkit/uxPanelCtrl.h"

class GUIManager;

class appVA_DrumSampler : public uxPanelCtrl {
 public:
  appVA_DrumSampler(GUIManager* manager, uint32_t id, const char* name, uxPOINT pos, int16_t w, int16_t h, uxCOLOR colour);
};
