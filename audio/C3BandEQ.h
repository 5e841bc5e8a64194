#pragma once
// Three-band equaliser: two cascades of four one-pole low-passes split each channel into
// low, mid and high bands around a three-sample delay of the input, and the bands are
// summed back with their own gains.
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

  // Added to the first stage of each cascade on every sample so the states never decay into
  // denormals.
  static constexpr float kDenormalGuard = 2.3283064e-10f;  // 2^-32

  C3BandEQ();

  // Keeps the parameter record; sets up coefficients and gains for `sampleRate`, lets the
  // cascades settle on the guard alone, and clears the delay.
  void Reset(int32_t sampleRate);
  void Process(float** in, float** out, int frames, float level) override;
  // Process one channel at a time, a sample at a time: the reference the four-lane form is
  // tested against.
  void ProcessReference(float** in, float** out, int frames, float level);
  // Gains: -100 silences the band, 0 passes it, 100 doubles it. Crossovers in Hz.
  void SetParam(int id, float value) override;

  const Params& GetParams() const { return params_; }
  // The one-pole coefficients 2 sin(pi f / rate) of the low and high cascades.
  float LowCoefficient() const { return channels_[0].lf; }
  float HighCoefficient() const { return channels_[0].hf; }

 private:
  // One channel's band splitter.
  struct Splitter {
    float low[4] = {};
    float lf = 0.0f;
    float high[4] = {};
    float hf = 0.0f;
    float delay[3] = {};  // newest first
    float lowGain = 0.0f;
    float midGain = 0.0f;
    float highGain = 0.0f;
  };

  // Frames per pass of the four-lane form; the cascades' outputs wait on the stack.
  static constexpr int kChunk = 128;

  void Apply();
  float Coefficient(float crossover) const;
  static void Run(Splitter& s, const float* in, float* out, int frames, float level);

  Splitter channels_[2];
  Params params_;
  int32_t sampleRate_ = 48000;
};

static_assert(sizeof(C3BandEQ::Params) == 5 * sizeof(float));
