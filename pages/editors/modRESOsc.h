#pragma once
// The editor of one resonator oscillator of a part: eleven value labels, a histogram of the
// resonator's partials as a private copy of the engine's resonator tunes and weights them,
// and the oscillator's mute switch on the front panel.
#include <cstdint>

#include "engine/ResonatorOsc.h"
#include "pages/widgets/uxHistogram.h"
#include "toolkit/uxPanelCtrl.h"

class PageServices;
class uxValueLabel;

class modRESOsc : public uxPanelCtrl {
 public:
  enum Label { kTimbre, kSkew, kMode, kDamping, kFine, kCoarse, kBrightness, kAttack, kDecay, kSpread, kPan, kLabels };

  modRESOsc(PageServices* services, uint32_t id, const char* name, uxPOINT pos, int16_t w, int16_t h, uxCOLOR colour);

  int OnMessage(tagUX_Message* msg) override;
  int OnMidiCC(int a, int part, int controller, int value) override;
  void ApplyValue(int slot, float value, bool setRaw = true);
  // Recomputes the partials and hands them to the histogram.
  void Update() override;
  void ToggleMute();

  uxValueLabel* ValueLabel(int index) const { return labels_[index]; }
  uxHistogram* Histogram() const { return histogram_; }
  const uxHistogramBar* Bars() const { return bars_; }
  int BarCount() const { return count_; }
  float Spacing() const { return spacing_; }
  bool Muted() const { return mute_; }
  const ResonatorOsc& Resonator() const { return resonator_; }

 private:
  int KeyId() const { return instance_ * 16 + 298; }

  PageServices* services_;
  uint32_t id_;
  int part_;
  int instance_;
  uxValueLabel* labels_[kLabels] = {};
  uxHistogram* histogram_ = nullptr;
  ResonatorOsc resonator_;
  uxHistogramBar bars_[ResonatorOsc::kMaxPartials] = {};
  float weights_[ResonatorOsc::kMaxPartials] = {};
  int count_ = 0;
  float timbre_ = 0.0f;
  int mode_ = 0;
  float spacing_ = 1.0f;
  bool mute_ = false;
};
