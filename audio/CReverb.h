#pragma once
// Stereo reverb tank: the mono input through a pre-delay into a loop of four branches (nested
// all-pass, one-pole damping, fixed delay; the last branch feeds the first), outputs formed
// from signed taps inside the fixed delays, tilted by a low and a high shelf, wet/dry in dB.
#include <cstdint>

#include "audio/CEffectBase.h"
#include "audio/NestedDelayAPF.h"
#include "audio/SimpleDelay.h"
#include "audio/SimpleLPF.h"
#include "audio/TwoBandShelvingFilter.h"

// The reverb's parameters, in the order the pages and presets know them.
struct ReverbParams {
  int32_t density;            // CReverb::kThick or CReverb::kThin
  float apfMaxDelayMs;        // all-pass maximum delay
  float apfDelayWeightPct;    // share of it the all-passes use
  float fixedMaxDelayMs;      // fixed (branch) maximum delay
  float fixedDelayWeightPct;  // share of it the branch delays use
  float preDelayMs;
  float damping;  // 0..1
  float kRT;      // loop feedback gain 0..1
  float lowShelfHz;
  float lowShelfDb;
  float highShelfHz;
  float highShelfDb;
  float wetDb;
  float dryDb;
};
static_assert(sizeof(ReverbParams) == 14 * 4);

class CReverb final : public CEffectBase {
 public:
  enum Density : int32_t { kThick = 0, kThin = 1 };
  static constexpr int kBranches = 4;
  // Every line holds this much, whatever the parameters ask for.
  static constexpr float kLineMs = 100.0f;

  CReverb();

  // Sizes every line for 100 ms at `sampleRate` and clears the tank, then loads the default
  // record. At the rate the lines were made for (48000 Hz) nothing is allocated.
  void Reset(float sampleRate);
  // Clears what the effect carries from one sample to the next (delay lines, filter
  // memories, envelopes) and keeps its parameters and designs; allocates nothing.
  void ClearState();
  // In place on in[0], in[1] (out may equal in); every output sample times `level`.
  void Process(float** in, float** out, int frames, float level) override;
  // Process one frame at a time through ProcessInternal: the reference the four-frame
  // blocks are tested against.
  void ProcessReference(float** in, float** out, int frames, float level);
  // ids 1..14 (see the table in the source); others are ignored.
  void SetParam(int id, float value) override;
  // One frame. One input channel: the right input counts as 0. One output channel: only
  // outputFrame[0] = dry*L + wet*(left + right)/2.
  virtual bool ProcessInternal(const float* inputFrame, float* outputFrame, uint32_t inputChannels,
                               uint32_t outputChannels);

  const ReverbParams& Params() const { return params_; }
  float SampleRate() const { return sampleRate_; }
  // For tests that look at line sizes and tap positions.
  const SimpleDelay& PreDelay() const { return preDelay_; }
  const SimpleDelay& BranchDelay(int i) const { return branchDelay_[i]; }
  const NestedDelayAPF& BranchAllPass(int i) const { return branchAllPass_[i]; }

 private:
  struct Tap {
    int branch;
    float delaySamples;
    float weight;
    uint32_t whole;  // delaySamples as read
  };
  static constexpr int kThinTaps = 8;   // four per side
  static constexpr int kThickTaps = 16;

  // Frames Process runs through the tank before the shelves take them.
  static constexpr int kChunk = 64;

  void Apply();
  // Four frames through the tank.
  void RunTank(const float* inL, const float* inR);
  void ShelveBoth(float* left, float* right, int frames);

  ReverbParams params_;
  SimpleDelay preDelay_;
  SimpleDelay branchDelay_[kBranches];
  NestedDelayAPF branchAllPass_[kBranches];
  SimpleLPF damping_[kBranches];
  TwoBandShelvingFilter shelf_[2];  // left, right
  float sampleRate_ = 0.0f;

  // Working values of the last Apply.
  float feedback_ = 0.0f;
  float wetGain_ = 1.0f;
  float dryGain_ = 1.0f;
  Tap leftTaps_[kThickTaps / 2] = {};
  Tap rightTaps_[kThickTaps / 2] = {};
  int tapsPerSide_ = kThinTaps / 2;
  // Whether Process may run four-frame blocks (see Apply).
  bool blocks_ = false;
};
