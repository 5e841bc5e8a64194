#pragma once
// The "CLIP" page: the touch view of the clip launcher. For now the bare panel.
#include "toolkit/uxPanelCtrl.h"

class CClipCore;
class PageServices;

class appVA_Clips : public uxPanelCtrl {
 public:
  appVA_Clips(PageServices* services, uint32_t id, const char* name, uxPOINT pos, int16_t w, int16_t h,
              uxCOLOR colour, CClipCore* clips);
  ~appVA_Clips() override;

 private:
  PageServices* services_;
  CClipCore* clips_;
};
