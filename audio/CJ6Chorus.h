#pragma once
// Two-mode stereo chorus: per mode and channel a 7 ms delay line swept by a triangle LFO
// (left and right in opposite directions), read through a first-order all-pass
// interpolator and softened by a one-pole low-pass, added to the dry signal.
#include <cstdint>
#include <memory>
#include <vector>

#include "audio/CEffectBase.h"

class CJ6Chorus;

namespace chorus {

// Triangle between -1 and +1 that turns round once it has reached or passed either end.
struct TriangleLfo {
  float value;
  float increment;  // per sample; 4 x frequency / rate
  float sampleRate;
  float direction;
};

// One chorus voice: swept delay line, all-pass read, one-pole tone.
class Line {
 public:
  // Allocates the line (2 x floor(7 ms) samples), zeroed, writing first into its last sample.
  Line(float sampleRate, float lfoStart, float lfoIncrement);

  float Step(float x);
  // Sweep frequency in Hz; the triangle only knows a speed, so the sign is dropped.
  void SetRateHz(float hz);
  // One-pole pole e: state = y (1 - e) + state e.
  void SetTone(float e);

  std::size_t Length() const { return buffer_.size(); }

 private:
  // The chorus runs the four lines' arithmetic side by side in vector lanes.
  friend class ::CJ6Chorus;

  struct OnePole {
    float a;
    float b;
    float state;
  };

  float sampleRate_;
  std::size_t write_;
  std::vector<float> buffer_;
  float lastOutput_ = 0.0f;
  float maxDelayMs_ = 7.0f;
  OnePole lowPass_;
  TriangleLfo lfo_;
  float allPassState_ = 0.0f;
  float longestDelay_;  // the read reaches delay + 1 samples back
};

}  // namespace chorus

class CJ6Chorus : public CEffectBase {
 public:
  enum ParamId : int { kParamRateI = 0, kParamRateII = 1, kParamMode = 3, kParamToneI = 4, kParamToneII = 5 };
  enum LineIndex : int { kModeILeft = 0, kModeIRight = 1, kModeIILeft = 2, kModeIIRight = 3, kLineCount = 4 };

  // The record the parameter block points to.
  struct Params {
    uint8_t modeIOn = 1;
    uint8_t modeIIOn = 1;
  };

  CJ6Chorus();

  // Builds the four lines at the first call with a usable rate; later calls leave them (and
  // what they hold) alone.
  void Reset(float sampleRate);
  // Clears what the effect carries from one sample to the next (delay lines, filter
  // memories, envelopes) and keeps its parameters and designs; allocates nothing.
  void ClearState();
  // Adds the wet lines to in[0] and in[1]; `level` is not applied, so a slot that fades out
  // keeps its full chorus until it goes idle.
  void Process(float** in, float** out, int frames, float level) override;
  // Process with each line stepped on its own, sample by sample: the reference the
  // four-lane form is tested against.
  void ProcessReference(float** in, float** out, int frames, float level);
  // Value v, c = v / 100: 0 / 1 mode I / II rate (c Hz, sign ignored); 3 mode (0 I, 1 II,
  // other both); 4 / 5 mode I / II tone (pole exp(-2 pi c), c <= 0 as 0.01). Values that are
  // not finite are ignored.
  void SetParam(int id, float value) override;

  const Params& GetParams() const { return params_; }
  // Null before the first Reset.
  const chorus::Line* GetLine(int index) const { return lines_[index].get(); }

 private:
  template <bool kModeI, bool kModeII>
  void Run(const float* inL, const float* inR, float* outL, float* outR, int frames);
  // The same steps with the four lines in the four lanes (lane = LineIndex).
  template <bool kModeI, bool kModeII>
  void RunLanes(const float* inL, const float* inR, float* outL, float* outR, int frames);
  template <bool kModeI, bool kModeII>
  void RunLanesSegment(const float* inL, const float* inR, float* outL, float* outR, int frames);

  std::unique_ptr<chorus::Line> lines_[kLineCount];
  Params params_;
};
