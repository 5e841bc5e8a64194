#pragma once
// Stereo four-pole Butterworth-type low-pass: two cascaded bilinear biquads per channel
// whose dampings shrink as the resonance rises.

class DualFourPoleFilter {
 public:
  DualFourPoleFilter();

  // Rate in Hz; values that are not positive and finite are ignored.
  void SetSampleRate(float rate);
  void SetFrames(int frames) { frames_ = frames > 0 ? frames : 0; }
  void Reset();

  // Filters `frames` samples of each channel. The cutoff is limited to 0.001..0.45 of the
  // sample rate; resonance 0..1 (below 0 acts as 0, above 1 as 1). Coefficients are
  // recomputed every call.
  void Process(const float* inLeft, const float* inRight, float* outLeft, float cutoffHz,
               float resonance, float* outRight);

 private:
  struct Section {
    float w1 = 0.0f, w2 = 0.0f;
  };
  void UpdateCoefficients(float cutoffHz, float resonance);
  void RunChannel(const float* in, float* out, Section& first, Section& second) const;

  float fourFsSquared_ = 0.0f;
  float eightFsSquared_ = 0.0f;
  float twoFs_ = 0.0f;
  float piOverFs_ = 0.0f;
  float a1_ = 0.0f, a2_ = 0.0f;    // first section
  float b1_ = 0.0f, b2_ = 0.0f;    // second section
  Section first_[2];               // left, right
  Section second_[2];
  float inputGain_ = 0.0f;
  float minCutoff_ = 0.0f;
  float maxCutoff_ = 0.0f;
  int frames_ = 128;
};
