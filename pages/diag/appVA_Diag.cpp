#include "pages/diag/appVA_Diag.h"

#include "app/GUIManager.h"

appVA_Diag::appVA_Diag(GUIManager* manager, uint32_t id, int, const char* name, uxPOINT pos, int16_t w, int16_t h,
                       uxCOLOR colour)
    : uxPanelCtrl(manager, id, name, pos, w, h, colour) {}
