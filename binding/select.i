// The panel selector.

%{
#include "toolkit/uxSelectCtrl.h"
%}

%apply SWIGTYPE *NOT_NONE { tUX_Message *msg };

class uxSelectCtrl : public uxBaseElement {
 public:
  uxSelectCtrl(GUIManager *manager, uint32_t id, uxPOINT pos, int16_t w, int16_t h, uxCOLOR active, uxCOLOR frame,
               uxPanelCtrl *focusPanel, uxPanelCtrl *modulePanel);
  uxSelectCtrl(GUIManager *manager, uint32_t id, uxPOINT pos, int16_t w, int16_t h, uxCOLOR active,
               uxPanelCtrl *focusPanel, uxPanelCtrl *modulePanel);
  virtual ~uxSelectCtrl();
  virtual bool OnPaint();
  virtual void OnMessage(tUX_Message *msg);
  virtual void SetEnabled(bool);
  void SetActive(int flag = 0, int arg = -1);
  void Activate();
};
%clear tUX_Message *msg;
