#include "pages/drum/appVA_DrumSampler.h"

#include "app/PageServices.h"

appVA_DrumSampler::appVA_DrumSampler(PageServices* services, uint32_t id, const char* name, uxPOINT pos, int16_t w,
                                     int16_t h, uxCOLOR colour)
    : uxPanelCtrl(services, id, name, pos, w, h, colour) {}
