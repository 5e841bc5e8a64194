#include "pages/clips/appVA_Clips.h"

#include "app/GUIManager.h"

appVA_Clips::appVA_Clips(GUIManager* manager, uint32_t id, const char* name, uxPOINT pos, int16_t w, int16_t h,
                         uxCOLOR colour, CClipCore* clips)
    : uxPanelCtrl(manager, id, name, pos, w, h, colour), clips_(clips) {}
