#pragma once
// Tube preamp: per channel an input gain, three triode stages, a two-band shelving EQ, a
// fourth triode stage and an output gain.
#include <cstdint>

#include "audio/CEffectBase.h"
#include "audio/TriodeClassA.h"
#include "audio/TwoBandShelvingFilter.h"

// The preamp's parameters, in the order the pages know them.
struct TubePreampParams {
  float inputDb;
  float saturation;
  float asymmetry;
  float outputDb;
  float lowShelfHz;
  float lowShelfDb;
  float highShelfHz;
  float highShelfDb;
};
static_assert(sizeof(TubePreampParams) == 8 * 4);

class CTubePreamp final : public CEffectBase {
 public:
  static constexpr int kStagesPerChannel = 4;

  CTubePreamp();

  // Clears every filter and sets the stages to the asymmetric exponential shaper with
  // inversion, a 1 Hz DC blocker and a low shelf of -12 dB at 88 Hz; saturation back to 1.
  void Reset(float sampleRate);
  // Clears what the effect carries from one sample to the next (delay lines, filter
  // memories, envelopes) and keeps its parameters and designs; allocates nothing.
  void ClearState();
  // In place on in[0], in[1] (out may equal in); every output sample times `level`.
  void Process(float** in, float** out, int frames, float level) override;
  // Process with each channel run sample by sample through the stages' own steps: the
  // reference the vector form is tested against.
  void ProcessReference(float** in, float** out, int frames, float level);
  // ids 0..5 (see the table in the source); others are ignored.
  void SetParam(int id, float value) override;

  const TubePreampParams& Params() const { return params_[0]; }
  const TubePreampParams& RightParams() const { return params_[1]; }
  // Stage 0..3 of channel 0 (left) or 1 (right).
  const TriodeClassA& Stage(int channel, int stage) const { return stages_[channel][stage]; }

 private:
  void Apply();
  float ProcessChannel(int channel, float x);
  // The vector form of ProcessReference, the four stages of a channel side by side; false
  // (nothing done) for a shaper or filter form it does not cover.
  bool ProcessLanes(float** in, float** out, int frames, float level);

  TubePreampParams params_[2];  // left (the one the pages read), right
  TriodeClassA stages_[2][kStagesPerChannel];
  TwoBandShelvingFilter shelf_[2];
  float inputGain_[2] = {1.0f, 1.0f};
  float outputGain_[2] = {1.0f, 1.0f};
};
