#pragma once
// A level meter: the bar shows the average of the last 32 levels, and a peak line holds the
// highest raw level and sinks back by 0.1 % of the range per tick.
#include <array>

#include "toolkit/uxBarCtrl.h"

class uxPeakMeter : public uxBarCtrl {
 public:
  uxPeakMeter(uxHost* manager, unsigned int id, int16_t x, int16_t y, int16_t w, int16_t h, uxCOLOR background,
              uxCOLOR frame, uxCOLOR bar, uxCOLOR peak);

  int OnPaint() override;
  int OnMessage(tagUX_Message* msg) override;

  bool setLevel(float v);
  float smooth(float v);
  void doTick();
  float getPeak() const { return peak_; }

 private:
  uxCOLOR peakColour_;
  float peak_ = 0.0f;
  std::array<float, AVERAGE_BUF> window_{};
  uint32_t counter_ = 0;
};
