#pragma once
// Mono four-pole ladder approximation (four cascaded one-pole sections, resonance feedback,
// cubic soft limit) with low-, band- and high-pass outputs, run by the filter editor.

#include "engine/DualLadderApproxFilter.h"

class LadderApproxFilter {
 public:
  enum Output { kLowPass = 0, kBandPass = 1, kHighPass = 2 };

  // Clears the states and selects the low-pass output.
  LadderApproxFilter();
  // Second initialiser: sets the rate to 0; the owner then writes it. Until it is positive
  // Process writes silence.
  void Init() { sampleRate = 0.0f; }

  // Filters `frames` samples of inA + inB into out. Cutoff limited to 80..18000 Hz,
  // resonance to 0..1.
  void Process(const float* inA, const float* inB, float* out, float cutoffHz, float resonance);
  // The same for one sample and a single input: a call with frames 1 and inB = 0.
  float ProcessSample(float in, float cutoffHz, float resonance);

  float sampleRate = 44100.0f;  // Hz
  int frames = 1;
  int output = kLowPass;  // 0 low-pass, 1 band-pass, 2 high-pass, other values the input sum
  int enabled = 1;        // kept for the editors; the filter always runs

 private:
  template <int O>
  void Run(const float* inA, const float* inB, float* out);

  filt::LadderApproxCoefficients<float> c_;
  filt::LadderApproxState<float> state_;
};
