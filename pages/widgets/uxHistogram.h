#pragma once
// A row of level bars (the partials of a resonator), on an optional grid. A touch becomes
// a button message carrying the histogram's user data.
#include <cstdint>
#include <vector>

#include "toolkit/uxBaseElement.h"

struct uxHistogramBar {
  float position;
  float level;
};
static_assert(sizeof(uxHistogramBar) == 8);

class uxHistogram : public uxBaseElement {
 public:
  uxHistogram(uxHost* manager, uint32_t userData, uxPOINT* pos, int16_t w, int16_t h, uxCOLOR background,
              uxCOLOR frame, int value);

  int OnPaint() override;
  int OnMessage(tagUX_Message* msg) override;

  // Replaces the bars with `count` records (none for a null list).
  void SetBars(const uxHistogramBar* bars, int count);
  void SetGrid(int x, int y);
  void SetSpacing(float factor);
  int Value() const { return value_; }
  // Bar height 0..1 of a level: the square root of level x 0.36, at most 1.
  static float BarLevel(float level);

 private:
  std::vector<uxHistogramBar> bars_;
  uxCOLOR background_;
  uxCOLOR frame_;
  [[maybe_unused]] uxCOLOR colour_ = 0xFFFFFF;
  int gridX_ = -1;
  int gridY_ = -1;
  float spacing_ = 1.0f;
  int value_;
};
