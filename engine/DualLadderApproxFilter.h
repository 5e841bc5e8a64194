#pragma once
// Stereo four-pole ladder approximation: four cascaded one-pole sections with resonance
// feedback and a cubic soft limit on the last stage, in double precision, with low-, band-
// and high-pass outputs.

class DualLadderApproxFilter {
 public:
  enum Output { kLowPass = 0, kBandPass = 1, kHighPass = 2 };

  // Rate in Hz; values that are not positive and finite are ignored. Until a rate is set
  // (it starts at 0) Process writes silence.
  void SetSampleRate(float rate);
  void SetFrames(int frames) { frames_ = frames > 0 ? frames : 0; }
  // Clears the states and selects the low-pass output.
  void Reset();

  // Cutoff limited to 50..18000 Hz, resonance to 0..1; the input is limited to -1..1.
  void Process(const float* inLeft, const float* inRight, float* outLeft, float cutoffHz,
               float resonance, float* outRight);

  // 0 low-pass, 1 band-pass, 2 high-pass, other values the stage input; written by the voice.
  int output = kLowPass;

 private:
  struct State {
    double b0 = 0.0, b1 = 0.0, b2 = 0.0, b3 = 0.0, b4 = 0.0;
  };
  template <int O>
  void RunChannel(const float* in, float* out, State& st) const;

  float sampleRate_ = 0.0f;
  double f_ = 0.0, p_ = 0.0, q_ = 0.0;
  State state_[2];
  int frames_ = 128;
};
