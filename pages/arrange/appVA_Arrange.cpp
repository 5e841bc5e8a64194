#include "pages/arrange/appVA_Arrange.h"

#include "app/PageServices.h"

appVA_Arrange::appVA_Arrange(PageServices* services)
    : uxPanelCtrl(services, 0, "PANEL_SONG", uxPOINT(0, 40), 800, 440, "song_bkg.png"), services_(services) {
  services_->AddControllerListener(this);
}

appVA_Arrange::~appVA_Arrange() { services_->RemoveControllerListener(this); }
