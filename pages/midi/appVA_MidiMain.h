#pragma once
// The "MIDI" page: MIDI ports, channels and the four part keyboards. For now the bare panel.
#include "toolkit/uxPanelCtrl.h"

class PageServices;

class appVA_MidiMain : public uxPanelCtrl {
 public:
  appVA_MidiMain(PageServices* services, uint32_t id, const char* name, uxPOINT pos, int16_t w, int16_t h,
                 uxCOLOR colour);
};
