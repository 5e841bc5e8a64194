#pragma once
// Resonant four-pole low-pass per channel: four first-order bilinear low-passes in series,
// closed by a zero-delay negative feedback loop whose gain is the resonance.
#include <cstdint>

#include "audio/AudioFilter.h"
#include "audio/CEffectBase.h"

class CMoogBiquadLadder : public CEffectBase {
 public:
  // What the filter page reads through GetParamBlock.
  struct Params {
    float cutoffHz;
    float q;
    float driveCompensationPct;  // input gain that makes up for the resonance's bass loss
    uint8_t flag;
  };

  enum ParamId : int { kCutoff = 0, kResonance = 2, kDriveCompensation = 4 };
  static constexpr int kStages = 4;

  CMoogBiquadLadder();

  // Keeps the rate, loads the defaults (60 Hz, Q 0.5, no drive compensation), clears the
  // filters and designs them for the rate.
  void Reset(float sampleRate);
  // Clears what the effect carries from one sample to the next (delay lines, filter
  // memories, envelopes) and keeps its parameters and designs; allocates nothing.
  void ClearState();

  // Ids: 0 cutoff (Hz), 2 resonance (0..100; Q = value / 10), 4 drive compensation (%).
  // Other ids and non-finite values change nothing.
  void SetParam(int id, float value) override;
  void Process(float** in, float** out, int frames, float level) override;
  // Process with each channel's chain run sample by sample through the filters' own steps:
  // the reference the two-lane form is tested against.
  void ProcessReference(float** in, float** out, int frames, float level);

  const Params& GetParams() const { return params_; }
  // The feedback gain in force.
  float FeedbackGain() const { return k_; }

 private:
  void Apply();
  float ProcessChain(AudioFilter* chain, float x, float drive);
  // Both channels in two lanes of the vector unit; false (nothing done) unless every stage
  // is the first-order low-pass in the transposed canonical form, as Reset leaves them.
  bool ProcessBothChannels(float** in, float** out, int frames, float level, float drive);

  Params params_ = {};
  AudioFilter filters_[2 * kStages];  // left chain, then right chain
  float k_ = 0.0f;
  float sampleRate_ = 0.0f;
};
