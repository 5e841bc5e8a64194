#include "pages/editors/PanelFocus.h"

#include "toolkit/uxDefs.h"
#include "toolkit/uxHost.h"
#include "toolkit/uxPanelCtrl.h"

void AnnounceFocus(uxHost& host, const tagUX_Message& msg, int focusIndex) {
  if (msg.param == 1 && msg.flag == 0) host.sendCANFocus(focusIndex);
}

void CloseOnRequest(uxPanelCtrl& panel, const tagUX_Message& msg) {
  if (panel.isFocus() && msg.param != panel.GetUserData()) panel.Close(msg.flag == 0);
}
