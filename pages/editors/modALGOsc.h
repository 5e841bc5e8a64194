#pragma once
// The editor of one algorithmic oscillator of a part: the eight cycle algorithms with their
// SHAPE and SLAVE parameters, pitch, unison, spread and pan, one cycle drawn by the engine's
// own generators, the voice's output in a small live view, and the front panel's
// oscillator display (algorithm name, mute, unison).
#include <cstdint>

#include "toolkit/uxPanelCtrl.h"

class PageServices;
class uxScopeView;
class uxValueLabel;

class modALGOsc : public uxPanelCtrl {
 public:
  enum Label { kCoarse, kFine, kSpread, kDetune, kUnison, kPan, kShape, kSlave, kAlgorithm, kPhase, kLabels };
  static constexpr int kCycle = 512;

  modALGOsc(PageServices* services, uint32_t id, const char* name, uxPOINT pos, int16_t w, int16_t h, uxCOLOR colour);

  int OnPaint() override;
  int OnMessage(tagUX_Message* msg) override;
  int OnMidiCC(int a, int part, int controller, int value) override;
  void ApplyValue(int slot, float value, bool setRaw = true);
  void SetMute(bool on);
  void DrawWaveform();

  uxValueLabel* ValueLabel(int index) const { return labels_[index]; }
  uxScopeView* CycleView() const { return cycle_; }
  uxScopeView* LiveView() const { return live_; }
  const float* Cycle() const { return wave_; }
  bool Muted() const { return mute_; }

 private:
  int KeyId() const { return instance_ * 16 + 298; }

  PageServices* services_;
  uint32_t id_;
  int part_;
  int instance_;
  uxValueLabel* labels_[kLabels] = {};
  uxScopeView* cycle_ = nullptr;
  uxScopeView* live_ = nullptr;
  float wave_[kCycle] = {};
  float shape_ = 0.0f;
  float slave_ = 0.0f;
  int algorithm_ = 0;
  bool mute_ = false;
  unsigned paints_ = 0;
};
