#pragma once
// The "DIAG" page: MIDI monitor, system information, load meters, memory and temperature.
// For now the bare panel.
#include "toolkit/uxPanelCtrl.h"

class GUIManager;

class appVA_Diag : public uxPanelCtrl {
 public:
  appVA_Diag(GUIManager* manager, uint32_t id, int value, const char* name, uxPOINT pos, int16_t w, int16_t h,
             uxCOLOR colour);
  void AddMidiLine(int, int, int, int, int) {}
};
