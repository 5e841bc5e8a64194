#pragma once
// How an editor panel answers the focus and close-panel messages every editor gets.
class uxHost;
class uxPanelCtrl;
struct tagUX_Message;

// On gaining focus (param 1, flag 0), sends the front panel this editor's focus frame.
void AnnounceFocus(uxHost& host, const tagUX_Message& msg, int focusIndex);

// A close-panel request shuts the shown editor unless the request came from it; flag 0 also
// hands the focus back.
void CloseOnRequest(uxPanelCtrl& panel, const tagUX_Message& msg);
