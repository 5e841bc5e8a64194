#pragma once
// The editor of one of a part's two filters: eight value labels, the magnitude response of
// the chosen filter type measured on the engine's own filter classes, two live captures of
// the filter's output, and, while linked, filter B's cutoff following filter A's.
#include <array>
#include <cstdint>

#include "engine/CMoogLadderFilter.h"
#include "engine/CSEMFilter.h"
#include "engine/FourPoleFilter.h"
#include "engine/LadderApproxFilter.h"
#include "engine/OnePoleFeedbackFilter.h"
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
  static constexpr float kSampleRate = 44100.0f;

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

  // The filter a type plots with and its settings; type 0 and types outside 1..11 plot flat.
  struct TypeSetting {
    int filter;  // 0 none, 1 four-pole, 2 ladder, 3 ladder approximation, 4 state variable, 5 feedback
    int setting;  // ladder mode, approximation output or state-variable type
    float resonance;  // scale of the 0..1 resonance, or 0 to pass it unscaled
    float gain;
  };
  static TypeSetting SettingOf(int type);
  // The filter's output for one sample of an impulse response, the way the response is
  // measured (public so that tests can run the same preview filters).
  float Step(float in);

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
  void ResetPreview();
  void ApplyCutoff(float hz);
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
  FourPoleFilter fourPole_;
  CSEMFilter sem_;
  CMoogLadderFilter ladder_;
  LadderApproxFilter approx_;
  OnePoleFeedbackFilter feedback_;
  std::array<float, 2 * kImpulse> fft_{};
  std::array<int16_t, kBins> binAt_{};
};
