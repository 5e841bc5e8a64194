#pragma once
// The editor of a part's wave shaper: curve, type, insert point and pre-gain, the transfer
// curve drawn by a private copy of the engine's shaper, and the shaper's two live outputs.
#include <cstdint>

#include "engine/Shaper.h"
#include "toolkit/uxPanelCtrl.h"

class PageServices;
class uxScopeView;
class uxValueLabel;

class modShaper : public uxPanelCtrl {
 public:
  enum Label { kCurve, kType, kInsert, kPreGain, kLabels };
  static constexpr int kPoints = 380;
  static constexpr int kTypes = 6;
  static constexpr int kInserts = 4;

  modShaper(PageServices* services, uint32_t id, const char* name, uxPOINT pos, int16_t w, int16_t h, uxCOLOR colour,
            int* insertStore);

  int OnPaint() override;
  int OnMessage(tagUX_Message* msg) override;
  // Applies a value to the label of encoder slot `slot` (0 curve, 8 type, 16 insert, 24 pre-gain).
  void ApplyValue(int slot, float value);
  // Draws the transfer curve at `curve` into channel A (the edited curve) or B (the live one).
  void PlotCurve(float curve, bool channelA);

  uxValueLabel* ValueLabel(int index) const { return labels_[index]; }
  uxScopeView* CurveView() const { return curve_; }
  uxScopeView* LiveView(int k) const { return live_[k]; }
  const float* Table() const { return table_; }

 private:
  PageServices* services_;
  int part_;
  int* insertStore_;
  uxValueLabel* labels_[kLabels] = {};
  uxScopeView* curve_ = nullptr;
  uxScopeView* live_[2] = {};
  Shaper shaper_;
  int type_ = 0;
  float curveValue_ = 0.0f;
  float preGain_ = 0.0f;
  unsigned paints_ = 0;
  bool taken_[2] = {};
  float table_[kPoints] = {};
};
