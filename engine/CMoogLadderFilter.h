#pragma once
// Mono zero-delay-feedback transistor-ladder low-pass (four-pole or two-pole with an all-pass
// in the loop), run by the filter editor to draw its response.
#include "engine/CDualMoogLadderFilter.h"

class CMoogLadderFilter {
 public:
  enum Mode { kFourPole = 0, kTwoPole = 1 };

  CMoogLadderFilter();

  // 0 four-pole, 1 two-pole; keeps the state. The coefficients follow at the next Process.
  void SetMode(int mode);
  int Mode() const { return mode_; }
  // Clears the stage states, gives every stage the rate and recomputes. Values that are not
  // positive and finite keep the previous rate.
  void SetSampleRate(float rate);
  void SetFrames(int frames) { frames_ = frames > 0 ? frames : 0; }
  // Kept for the editors, which switch the filter on before use; the filter always runs.
  void SetEnabled(int enabled) { enabled_ = enabled; }
  void UpdateCoefficients();

  // Filters `frames` samples of inA + inB into out. Cutoff limited to 80..18000 Hz,
  // resonance to 0..1 (k = 2 x resonance). Modes other than 0 and 1 write nothing.
  void Process(const float* inA, const float* inB, float* out, float cutoffHz, float resonance);
  // The same for one sample and a single input: a call with frames 1 and inB = 0.
  float ProcessSample(float in, float cutoffHz, float resonance);

 private:
  bool Prepare(float cutoffHz, float resonance);
  template <int M>
  float Tick(float x);

  CVAOnePoleFilter stage_[5];  // stages 1-4 low-pass, stage 5 all-pass
  float alpha0_ = 1.0f;
  float cutoff_ = 1000.0f;
  float k_ = 0.0f;
  int mode_ = kTwoPole;
  int coefficientsMode_ = kTwoPole;
  float sampleRate_ = 48000.0f;
  int frames_ = 1;
  int enabled_ = 1;
};
