#include "pages/drum/appVA_DrumSampler.h"

#include "app/GUIManager.h"

appVA_DrumSampler::appVA_DrumSampler(GUIManager* manager, uint32_t id, const char* name, uxPOINT pos, int16_t w, int16_t h, uxCOLOR colour)
    : uxPanelCtrl(manager, id, name, pos, w, h, colour) {}
