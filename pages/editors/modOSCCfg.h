#pragma once
// The configuration shared by a part's two oscillators: bend, glide and keyboard tracking,
// the FM factor, phase reset, phase deviation and AM offset. The labels send their own
// changes; the panel keeps the three switch pictures of its signal path in step.
#include <cstdint>

#include "toolkit/uxPanelCtrl.h"

class PageServices;
class uxImage;
class uxValueLabel;

class modOSCCfg : public uxPanelCtrl {
 public:
  enum Label { kBend, kGlide, kKbd, kReset, kPhase, kAmOffset, kFmFactor, kLabels };
  enum Switch { kBendSwitch, kGlideSwitch, kKbdSwitch, kSwitches };

  modOSCCfg(PageServices* services, uint32_t id, const char* name, uxPOINT pos, int16_t w, int16_t h);

  int OnPaint() override;
  int OnMessage(tagUX_Message* msg) override;

  void SetSwitch(int slot, float value);

  uxValueLabel* ValueLabel(int index) const { return labels_[index]; }
  uxImage* SwitchPicture(int index) const { return switches_[index]; }

 private:
  PageServices* services_;
  int part_;
  uxValueLabel* labels_[kLabels] = {};
  uxImage* switches_[kSwitches] = {};
};
