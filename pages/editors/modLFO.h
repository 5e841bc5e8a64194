#pragma once
// The editor of one of a part's three LFOs: eight value labels, a preview of the chosen
// wave rendered by a private copy of the engine's voice LFO, the 16-step user wave editor,
// and the level and phase of the part's latest voice's LFO.
#include <cstdint>

#include "engine/VoiceLfo.h"
#include "toolkit/uxPanelCtrl.h"

class PageServices;
class uxBarCtrl;
class uxGroup;
class uxScopeView;
class uxValueLabel;
class uxWaveEdit;

class modLFO : public uxPanelCtrl {
 public:
  enum Label { kRate, kDepth, kDelay, kWave, kSync, kNote, kDiv, kSmooth, kLabels };
  static constexpr int kWaves = 12;
  static constexpr int kUserWave = 11;
  static constexpr int kPreviewPoints = 511;
  static constexpr int kSteps = 16;
  static constexpr int kTableSteps = 101;

  modLFO(PageServices* services, uint32_t id, const char* name, uxPOINT pos, int16_t w, int16_t h, uxCOLOR colour);

  int OnPaint() override;
  int OnMessage(tagUX_Message* msg) override;
  int OnMidiCC(int a, int part, int controller, int value) override;
  // Renders the preview.
  void Update() override;
  void ApplyValue(int slot, float value);
  void ApplyEncoderValue(int slot, float value);
  void SendStepData();

  static float RateEntry(int index);
  static int RateIndex(float hz);
  static float DelayEntry(int index);
  static int DelayIndex(float seconds);

  uxValueLabel* ValueLabel(int index) const { return labels_[index]; }
  uxScopeView* Scope() const { return scope_; }
  uxWaveEdit* WaveEditor() const { return editor_; }
  uxBarCtrl* Bar() const { return bar_; }
  float Rate() const { return rate_; }
  int Lfo() const { return lfo_; }

 private:
  void ApplyWave(float value);
  void ApplySync(float value);
  void ApplySmooth(float value);

  PageServices* services_;
  int part_;
  int lfo_;
  uxValueLabel* labels_[kLabels] = {};
  uxScopeView* scope_ = nullptr;
  uxWaveEdit* editor_ = nullptr;
  uxBarCtrl* bar_ = nullptr;
  VoiceLfo preview_;
  float rate_ = 0.0f;
  int wave_ = 0;
};
