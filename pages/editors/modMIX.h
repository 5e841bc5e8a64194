#pragma once
// The mixer of a part: the levels of the two oscillators and the noise, their routing to the
// two filters or to the oscillator cross-fade, the filter blend and the cross-fade, with the
// routing drawn as a picture and the shaper's position shown by three icons.
#include <cstdint>

#include "toolkit/uxPanelCtrl.h"

class PageServices;
class uxBarCtrl;
class uxImage;
class uxValueLabel;
class uxXFadeCtrl;

class modMIX : public uxPanelCtrl {
 public:
  enum Label { kOsc1, kOsc2, kNoise, kBlend, kXfade, kSelA, kSelB, kLabels };
  enum Bar { kOsc1Bar, kOsc2Bar, kNoiseBar, kBlendBar, kBars };

  modMIX(PageServices* services, uint32_t id, const char* name, uxPOINT pos, int16_t w, int16_t h, uxCOLOR colour,
         int* shaperIndex);

  int OnMessage(tagUX_Message* msg) override;
  int OnMidiCC(int a, int part, int controller, int value) override;

  void UpdateRouting();
  // `withPosition`: the value comes from outside the label, which takes it first.
  void ApplyValue(int slot, unsigned flags, float x, bool withPosition);

  uxValueLabel* ValueLabel(int index) const { return labels_[index]; }
  uxBarCtrl* LevelBar(int index) const { return bars_[index]; }
  uxImage* Routing() const { return routing_; }
  uxImage* ShaperIcon(int k) const { return shaperIcons_[k]; }
  uxXFadeCtrl* Indicator() const { return xfade_; }

 private:
  int LabelForSlot(int slot) const;
  void ShowShaperIcons();
  int Raw(int label) const;

  PageServices* services_;
  int part_;
  int* shaperIndex_;
  uxBarCtrl* bars_[kBars] = {};
  uxValueLabel* labels_[kLabels] = {};
  uxImage* routing_ = nullptr;
  uxImage* shaperIcons_[3] = {};
  uxXFadeCtrl* xfade_ = nullptr;
};
