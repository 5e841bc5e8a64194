#pragma once
// Mono two-pole state-variable filter in zero-delay-feedback form (low-, band-, high-pass,
// notch), run by the filter editor to draw its response; its resonance reaches Q 27.7.
#include "engine/CDualSEMFilter.h"

class CSEMFilter {
 public:
  enum Type { kLowPass = 1, kBandPass = 2, kHighPass = 3, kNotch = 4 };

  // 1..4; any other value passes the input through (the states keep running).
  void SetType(int type) { type_ = type; }
  int GetType() const { return type_; }
  // Clears s1 and s2.
  void Reset();
  // g, k and alpha0 from the stored cutoff, Q and the current sample rate.
  void UpdateCoefficients();

  // Filters `frames` samples of inA + inB into out. Cutoff limited to 80..18000 Hz; resonance
  // 0..1 maps to Q = resonance x 24.5 / 0.9 + 0.5, passing the undamped Q 25 at 0.9.
  void Process(const float* inA, const float* inB, float* out, float cutoffHz, float resonance);
  // The same for one sample and a single input: a call with frames 1 and inB = 0.
  float ProcessSample(float in, float cutoffHz, float resonance);

  float Q() const { return Q_; }

  float sampleRate = 48000.0f;  // Hz
  int frames = 1;
  int enabled = 1;  // kept for the editors; the filter always runs

 private:
  void Prepare(float cutoffHz, float resonance);
  template <int T>
  void Run(const float* inA, const float* inB, float* out, int n);

  filt::SemCoefficients c_;
  float s1_ = 0.0f, s2_ = 0.0f;
  int type_ = kLowPass;
  float cutoff_ = 10000.0f;
  float Q_ = 0.707f;
  float mix_ = 0.5f;
  float coefficientsRate_ = 0.0f;  // the rate the coefficients were made for
};
