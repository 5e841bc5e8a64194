#include "pages/arrange/appVA_Arrange.h"

#include "app/GUIManager.h"

appVA_Arrange::appVA_Arrange(GUIManager* manager)
    : uxPanelCtrl(manager, 0, "PANEL_SONG", uxPOINT(0, 40), 800, 440, "song_bkg.png") {}
