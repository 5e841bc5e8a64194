#pragma once
// The "CLIP" page: the touch view of the clip launcher. For now the bare panel.
#include "toolkit/uxPanelCtrl.h"

class CClipCore;
class GUIManager;

class appVA_Clips : public uxPanelCtrl {
 public:
  appVA_Clips(GUIManager* manager, uint32_t id, const char* name, uxPOINT pos, int16_t w, int16_t h,
              uxCOLOR colour, CClipCore* clips);

 private:
  CClipCore* clips_;
};
