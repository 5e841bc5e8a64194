#pragma once
// The editor of one of a part's four envelopes: ten value labels, the envelope's curve as
// the engine's envelope would run it at 50 steps a second, and a marker where the part's
// latest voice is on the curve.
#include <cstdint>

#include "toolkit/uxPanelCtrl.h"

class PageServices;
class uxGroup;
class uxScopeView;
class uxValueLabel;

class modADSR : public uxPanelCtrl {
 public:
  // The labels in the order every loop walks them.
  enum Label { kRatioA, kRatioDR, kAttack, kDecay, kSustain, kRelease, kMode, kVelocity, kPedal, kReleaseB, kLabels };
  static constexpr int kTimeSteps = 101;
  static constexpr int kPoints = 590;
  static constexpr float kPointsPerSecond = 50.0f;
  static constexpr int kPlateau = 250;

  modADSR(PageServices* services, uint32_t id, const char* name, uxPOINT pos, int16_t w, int16_t h, uxCOLOR colour);

  int OnPaint() override;
  int OnMessage(tagUX_Message* msg) override;
  int OnMidiCC(int a, int part, int controller, int value) override;

  // A value as the data set stores it (seconds, percent, enumeration index).
  void SetEnvelopeValue(int slot, float value);
  // A label value just moved by its encoder (times as table index).
  void UpdateFromEncoder(int slot, float value);
  void PlotEnvelope(bool releaseB);

  // The time table (seconds) and the index a time takes in it: 0 at or below its first
  // entry, above its last, or not a number.
  static float TimeEntry(int index);
  static int TimeIndex(float seconds);
  // The voice's segment ratio table entry for a stored curve setting 0..100.
  static float RatioEntry(float setting);

  uxValueLabel* ValueLabel(int index) const { return labels_[index]; }
  uxScopeView* Scope() const { return scope_; }
  int Part() const { return part_; }
  int Envelope() const { return envelope_; }

 private:
  void SetCurveValue(int slot, float value, bool fromEncoder);
  const void* Monitor() const;

  PageServices* services_;
  int part_;
  int envelope_;
  uxValueLabel* labels_[kLabels] = {};
  uxScopeView* scope_ = nullptr;
  // Curve inputs: times in curve points (seconds x 50), levels 0..1.
  float attack_ = 0.0005f * kPointsPerSecond;
  float decay_ = 0.0005f * kPointsPerSecond;
  float release_ = 0.0005f * kPointsPerSecond;
  float releaseB_ = 0.0005f * kPointsPerSecond;
  float sustain_ = 0.0f;
  double ratioA_ = 1.0;
  double ratioDR_ = 1.0;
  unsigned mode_ = 0;
  unsigned pedal_ = 0;
  int32_t shownState_ = -1;
  float shownLevel_ = -1.0f;
  int32_t markerStage_ = 0;
  unsigned paints_ = 0;
};
