#include "pages/midi/appVA_MidiMain.h"

#include "app/GUIManager.h"

appVA_MidiMain::appVA_MidiMain(GUIManager* manager, uint32_t id, const char* name, uxPOINT pos, int16_t w, int16_t h, uxCOLOR colour)
    : uxPanelCtrl(manager, id, name, pos, w, h, colour) {}
