#pragma once
// Mono Sallen-Key-35-style two-pole low-pass (two one-pole low-passes, a one-pole high-pass
// in the feedback path, tanh at the feedback node), run by the filter editor.
#include "engine/CVAOnePoleFilter.h"

class OnePoleFeedbackFilter {
 public:
  OnePoleFeedbackFilter();
  ~OnePoleFeedbackFilter() = default;

  // Filters `frames` samples of in into out. Cutoff limited to 80..18000 Hz; K = 1.4 x
  // resonance (resonance limited to 0..1), at least 0.05.
  void Process(const float* in, float* out, float cutoffHz, float resonance);
  // The same for one sample: a call with frames 1.
  float ProcessSample(float in, float cutoffHz, float resonance);

  double Feedback() const { return K_; }

  float sampleRate = 44100.0f;  // Hz
  int frames = 1;
  float drive = 1.0f;  // gain into the feedback node's saturation
  int enabled = 1;     // kept for the editors; the filter always runs

 private:
  void UpdateCoefficients();

  CVAOnePoleFilter lp1_, lp2_, hp_;
  float alpha0_ = 1.0f;
  double K_ = 0.5;
  double cutoff_ = 200.0;
  float coefficientsRate_ = 0.0f;  // the rate the coefficients were made for
};
