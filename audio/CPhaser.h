#pragma once
// Six-stage all-pass phaser per channel: the stages' corners sweep with one triangle LFO
// (opposite directions on the two channels), a zero-delay feedback loop sets the
// resonance, and the chain is mixed with the dry input.
#include <cstdint>

#include "audio/AudioFilter.h"
#include "audio/CEffectBase.h"
#include "audio/LFO.h"

class CPhaser : public CEffectBase {
 public:
  // What the phaser page reads through GetParamBlock.
  struct Params {
    double rateHz;
    double depthPct;
    double intensityPct;
    uint8_t quadrature;  // the left channel follows the LFO's quadrature output
  };

  enum ParamId : int { kRate = 0, kDepth = 1, kIntensity = 2 };
  static constexpr int kStages = 6;
  // The LFO steps once per block of this many frames.
  static constexpr int kLfoBlock = 128;

  CPhaser();

  // Restarts the sweep and clears the stages; rate, depth and intensity are kept.
  void Reset(float sampleRate);
  // Clears what the effect carries from one sample to the next (delay lines, filter
  // memories, envelopes) and keeps its parameters and designs; allocates nothing.
  void ClearState();

  // Ids: 0 rate (Hz), 1 depth (%), 2 intensity (%, -100..100). Other ids and non-finite
  // values change nothing.
  void SetParam(int id, float value) override;
  void Process(float** in, float** out, int frames, float level) override;
  // Process with each channel's chain run sample by sample through the sections'
  // own steps: the reference the two-lane form is tested against.
  void ProcessReference(float** in, float** out, int frames, float level);

  const Params& GetParams() const { return params_; }

 private:
  // The per-block constants of one channel's feedback solution.
  struct Loop {
    float weight[kStages];  // a0 of the stages after stage k
    float g;                // a0 of all six stages
    float k;                // feedback gain in force
  };

  void SweepChannel(int ch, float m);
  Loop PrepareLoop(int ch, float k) const;
  void ProcessChannel(int ch, const Loop& loop, const float* x, float* y, int frames, float level);
  // Both channels in two lanes of the vector unit; false (nothing done) unless every stage
  // runs the transposed canonical form.
  bool ProcessBothChannels(const Loop (&loops)[2], float** in, float** out, int frames, float level);
  // ProcessBothChannels for the usual case of first-order all-pass stages (a1 = c0 = 1,
  // a2 = b2 = d0 = 0, b1 = a0, second state 0): the terms those coefficients cancel are left
  // out. False (nothing done) for any other stage.
  bool ProcessAllPassChannels(const Loop (&loops)[2], float** in, float** out, int frames, float level);
  template <bool kFeedback, bool kFlush>
  void RunAllPassChannels(const Loop (&loops)[2], float** in, float** out, int frames, float level);
  void Sweep(Loop (&loops)[2]);

  Params params_ = {};
  AudioFilter stages_[2 * kStages];  // left chain, then right chain
  LFO lfo_;
};
