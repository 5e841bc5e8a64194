#include "pages/midi/appVA_MidiMain.h"

#include "app/PageServices.h"

appVA_MidiMain::appVA_MidiMain(PageServices* services, uint32_t id, const char* name, uxPOINT pos, int16_t w,
                               int16_t h, uxCOLOR colour)
    : uxPanelCtrl(services, id, name, pos, w, h, colour) {}
