// The peak meter: a bar that smooths its level.

%{
#include "toolkit/uxPeakMeter.h"
%}

%apply SWIGTYPE *NOT_NONE { tUX_Message *msg };

class uxPeakMeter : public uxBarCtrl {
 public:
  uxPeakMeter(GUIManager *manager, uint32_t id, int16_t x, int16_t y, int16_t w, int16_t h, uxCOLOR background,
              uxCOLOR frame, uxCOLOR bar, uxCOLOR peak);
  virtual ~uxPeakMeter();
  virtual bool OnPaint();
  virtual void OnMessage(tUX_Message *msg);
  void setLevel(float);
  float smooth(float);
  void doTick();
};
%clear tUX_Message *msg;
