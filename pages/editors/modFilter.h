#pragma once
// The editor of one of a part's two filters: eight value labels, the magnitude response of
// the chosen filter type measured on the filter slot a voice runs, two live captures of the
// filter's output, and, while linked, filter B's cutoff following filter A's.
#include <array>
#include <cstdint>

#include "engine/FilterSlot.h"
#include "toolkit/uxPanelCtrl.h"

class PageServices;
class uxLabel;
class uxScopeView;
class uxValueLabel;

class modFilter : public uxPanelCtrl {
 public:
  // The labels in page order; filter B has no LINK.
  enum Label { kReso, kLink, kCutoff, kType, kEnvAmt, kInput, kKbdTrack, kModulation, kLabels };
  static constexpr int kTypes = 12;
  static constexpr int kCutoffSteps = 1000;
  static constexpr int kImpulse = 1024;
  static constexpr int kBins = kImpulse / 2;
  // The voice's rate: bin j of the response is j x 48000 / 1024 Hz.
  static constexpr float kSampleRate = 48000.0f;
  // The impulse response is taken this long and folded onto the transform's length, so that
  // a resonance ringing past 1024 samples still gives the response at the bins' frequencies.
  static constexpr int kResponseLength = 8 * kImpulse;
  static constexpr int kBlock = 128;
  // Small enough that the soft limit of the ladder approximation stays out of the measure.
  static constexpr float kImpulseLevel = 0.125f;
  // The response view's level axis, in dB of gain: room for a resonant peak above the pass
  // band, which sits at two thirds of the height.
  static constexpr float kTopDb = 24.0f;
  static constexpr float kBottomDb = -48.0f;
  // The view point that shows a gain (the view takes levels up to 1, so the top is 1).
  static float ViewLevel(float gain);

  modFilter(PageServices* services, uint32_t id, const char* name, uxPOINT pos, int16_t w, int16_t h,
            uxCOLOR colour, modFilter* linked);

  int OnPaint() override;
  int OnMessage(tagUX_Message* msg) override;
  int OnMidiCC(int a, int part, int controller, int value) override;

  void SetParamValue(int slot, float value);
  void UpdateFromEncoder(int slot, float value);
  void PlotResponse();
  void SetFilterType(int type, bool repaint);
  void SetLinked(int state);
  void SetLinkedCutoff(float hz);

  // The cutoff table (Hz) and the index a frequency takes in it (0 when none).
  static float CutoffEntry(int index);
  static int CutoffIndex(float hz);

  uxValueLabel* ValueLabel(int index) const { return labels_[index]; }
  uxScopeView* Response() const { return response_; }
  uxScopeView* Capture(int k) const { return captures_[k]; }
  uxLabel* LinkedLabel() const { return linkedA_; }
  float Cutoff() const { return cutoff_; }
  float Resonance() const { return resonance_; }
  int PlotType() const { return plotType_; }
  int Linked() const { return linked_; }
  int Instance() const { return instance_; }
  const float* Buffer() const { return fft_.data(); }

 private:
  void ApplyCutoff(float hz);
  // LINK's value on filter A: the panel lamp, the link state and filter B's lock.
  void ApplyLink(float value);
  bool LabelUsed(int label) const { return label != kLink || instance_ == 0; }

  PageServices* services_;
  int part_;
  int instance_;
  modFilter* linkedPage_;
  uxValueLabel* labels_[kLabels] = {};
  uxScopeView* response_ = nullptr;
  uxScopeView* captures_[2] = {};
  uxLabel* linkedA_ = nullptr;
  float cutoff_ = 2000.0f;
  float resonance_ = 0.0f;
  int type_ = 7;
  int plotType_ = 7;
  int linked_ = 0;
  unsigned paints_ = 0;
  bool taken_[2] = {};
  // The filter slot a voice runs, as the voice sets it: type, cutoff in Hz, resonance 0..1.
  FilterSlot preview_;
  std::array<float, kBlock> in_{};
  std::array<float, kBlock> outLeft_{};
  std::array<float, kBlock> outRight_{};
  std::array<float, 2 * kImpulse> fft_{};
  std::array<int16_t, kBins> binAt_{};
};
