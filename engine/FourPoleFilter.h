#pragma once
// Mono four-pole Butterworth-type low-pass (two cascaded bilinear two-pole sections whose
// dampings shrink as resonance rises), run by the filter editor to draw its response.

class FourPoleFilter {
 public:
  // Sample rate 44100 with its derived constants, cleared state.
  FourPoleFilter();

  // Rate in Hz; values below 1 are ignored.
  void SetSampleRate(int fs);

  // Filters `count` samples of (inA[i] + inB[i]) into out; the input gain halves the sum, so
  // two identical inputs pass the pass band at unity. Cutoff limited to 0.001..0.45 of the
  // sample rate; resonance 0..1 (below 0 acts as 0, above 1 as 1). Coefficients are
  // recomputed on every call (count 0 updates them only). Returns the prewarped angular
  // cutoff.
  float Process(const float* inA, const float* inB, float* out, float cutoffHz, float resonance);
  // The same for one sample and a single input: a call with count 1 and inB = 0.
  float ProcessSample(float in, float cutoffHz, float resonance);

  int count = 1;

 private:
  float UpdateCoefficients(float cutoffHz, float resonance);
  float Tick(float x);

  float k0_ = 0.0f, k1_ = 0.0f, twoFs_ = 0.0f, piOverFs_ = 0.0f;
  float a1First_ = 0.0f, a2First_ = 0.0f, a1Second_ = 0.0f, a2Second_ = 0.0f;
  float y1First_ = 0.0f, y2First_ = 0.0f, y1Second_ = 0.0f, y2Second_ = 0.0f;
  float inputGain_ = 0.0f;
  float lowestCutoff_ = 0.0f, highestCutoff_ = 0.0f;
  float sampleRate_ = 44100.0f;
};
