#pragma once
// Three-band equaliser: two one-pole low-passes split each channel into low, mid and high
// bands that add up to the input itself, and the bands are summed back with their own gains.
//
// The bands are complementary: low = L_a(x), high = x - L_b(x), mid = L_b(x) - L_a(x), with
// L_a the low-pass at the lower of the two crossovers and L_b the one at the higher. Equal
// gains g give exactly g x, with no delay and no change of phase, so a cross-fade between the
// dry signal and a level equaliser never dips. With first-order bands, every sum of whole
// bands (1, L_a, 1 - L_b, L_b - L_a, 1 - L_a, L_b, 1 - L_b + L_a) stays at or below unity at
// every frequency, so no flat or cut setting lifts anything above its largest gain. Steeper
// bands cannot keep both: a band that falls faster lags too far in phase where it crosses
// over, and its complement then rises above unity (a four-pole cascade's by 1.9 dB).
#include <cstdint>

#include "audio/CEffectBase.h"

class C3BandEQ : public CEffectBase {
 public:
  // What the equaliser page reads. Gains are linear factors (0 until the first SetParam),
  // crossovers in Hz as they were sent.
  struct Params {
    float lowGain = 0.0f;
    float midGain = 0.0f;
    float highGain = 0.0f;
    float lowFreq = 880.0f;
    float highFreq = 5000.0f;
  };

  enum ParamId : int {
    kHighFreq = 0,
    kHighGain = 1,
    kLowFreq = 2,
    kMidGain = 3,
    kLowGain = 5,
  };

  // Added to the low-passes' input on every sample so their states never decay into
  // denormals.
  static constexpr float kDenormalGuard = 2.3283064e-10f;  // 2^-32

  C3BandEQ();

  // Keeps the parameter record; sets up coefficients and gains for `sampleRate`, lets the
  // low-passes settle on the guard alone, and clears the last input.
  void Reset(int32_t sampleRate);
  void Process(float** in, float** out, int frames, float level) override;
  // Process one channel at a time: the reference the two-channel loop is tested against.
  void ProcessReference(float** in, float** out, int frames, float level);
  // Gains: -100 silences the band, 0 passes it, 100 doubles it. Crossovers in Hz.
  void SetParam(int id, float value) override;

  const Params& GetParams() const { return params_; }
  // The one-pole coefficients 2 sin(pi f / rate) of the low and high crossovers as set
  // (the lower of the two splits off the low band).
  float LowCoefficient() const { return lowCoefficient_; }
  float HighCoefficient() const { return highCoefficient_; }

 private:
  // One channel's band splitter. Each low-pass takes the mean of the last two inputs, which
  // puts its zero at Nyquist, so a high cut reaches the top of the band.
  struct Splitter {
    float low = 0.0f;   // L_a, the lower crossover
    float lf = 0.0f;
    float high = 0.0f;  // L_b, the higher crossover
    float hf = 0.0f;
    float previous = 0.0f;  // the last input
    // The output is lowStep L_a + midStep L_b + highGain x: equal gains leave the steps 0.
    float lowStep = 0.0f;   // low gain - mid gain
    float midStep = 0.0f;   // mid gain - high gain
    float highGain = 0.0f;
  };

  void Apply();
  float Coefficient(float crossover) const;
  static void Run(Splitter& s, const float* in, float* out, int frames, float level);

  Splitter channels_[2];
  Params params_;
  int32_t sampleRate_ = 48000;
  float lowCoefficient_ = 0.0f;
  float highCoefficient_ = 0.0f;
};

static_assert(sizeof(C3BandEQ::Params) == 5 * sizeof(float));
