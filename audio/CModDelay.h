#pragma once
// Flanger, chorus or vibrato: one LFO sweeps the delay time of a short feedback delay line
// per channel; the mode fixes the delay range, the feedback and the dry/wet balance.
#include <cstdint>

#include "audio/AudioDelay.h"
#include "audio/CEffectBase.h"
#include "audio/LFO.h"

class CModDelay : public CEffectBase {
 public:
  enum Mode : int32_t { kFlanger = 0, kChorus = 1, kVibrato = 2 };
  enum ParamId : int { kParamRate = 0, kParamDepth = 1, kParamFeedback = 2, kParamMode = 3 };

  // The record the parameter block points to.
  struct Params {
    int32_t mode = kFlanger;
    float lfoRateHz = 0.0f;
    float depthPercent = 0.0f;
    float feedbackPercent = 0.0f;
  };

  CModDelay();

  // Both lines hold 100 ms at the rate (cleared; same rate: cleared only); the LFO restarts.
  void Reset(float sampleRate);
  // Clears what the effect carries from one sample to the next (delay lines, filter
  // memories, envelopes) and keeps its parameters and designs; allocates nothing.
  void ClearState();
  void Process(float** in, float** out, int frames, float level) override;
  // Process one frame at a time through the LFO's and the lines' own steps: the reference
  // the block form is tested against.
  void ProcessReference(float** in, float** out, int frames, float level);
  // 0 rate (Hz), 1 depth (%), 2 feedback (%, applied within -100..100), 3 mode (0, 1, 2;
  // other values keep the mode). Values that are not finite are ignored.
  void SetParam(int id, float value) override;

  const Params& GetParams() const { return params_; }
  const AudioDelay& LeftDelay() const { return left_; }

 private:
  void Apply();

  Params params_;
  AudioDelay left_;
  AudioDelay right_;
  LFO lfo_;
};
