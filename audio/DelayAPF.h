#pragma once
// Delay-line all-pass (Schroeder): w = x + g*v, y = v - g*w around a delay v = line(w), with
// an optional one-pole low-pass on the delayed signal and an optional LFO that shortens the
// delay by up to a maximum modulation.
#include <cfloat>
#include <cmath>
#include <cstdint>

#include "audio/LFO.h"
#include "audio/SimpleDelay.h"
#include "platform/Simd4.h"

// What the owner sets, copied into the working fields by SetParameters.
struct DelayApfParams {
  float delayMs = 0.0f;
  float g = 0.0f;
  uint8_t lowPassEnable = 0;
  float lowPassG = 0.0f;
  uint8_t interpolate = 0;
  uint8_t lfoEnable = 0;
  float lfoRateHz = 0.0f;
  float lfoDepth = 0.0f;  // 0..1
  float maxModulationMs = 0.0f;
};

class DelayAPF {
 public:
  explicit DelayAPF(float maxDelayMs = 100.0f, float provisionRate = 48000.0f)
      : line_(maxDelayMs, provisionRate) {}

  // Virtual slots in this order: Reset, ProcessSample, CanProcessFrame.
  // Sizes and clears the line (SimpleDelay::Reset), restarts the LFO, clears the low-pass.
  virtual bool Reset(float sampleRate);
  virtual float ProcessSample(float x) {
    return Step(x, [](float w) { return w; });
  }
  virtual bool CanProcessFrame();
  // Four ProcessSample calls.
  v4::f4 Process4(v4::f4 x) {
    return Step4(x, [](float w) { return w; }, [](v4::f4 w) { return w; });
  }

  // Takes effect at the next Reset.
  void SetMaxDelayMs(float ms) { line_.SetMaxDelayMs(ms); }
  // The LFO keeps its own frequency: the rate in the record is carried, not applied, so an
  // owner that leaves the LFO at rest gets the nominal delay (the LFO's output stays +1).
  void SetParameters(const DelayApfParams& p);
  const DelayApfParams& Parameters() const { return params_; }
  const SimpleDelay& Line() const { return line_; }

 protected:
  // One sample; `feedLine(w)` gives what is written into the line (w itself, or a nested
  // all-pass's output for w).
  template <typename FeedLine>
  float Step(float x, FeedLine feedLine) {
    if (line_.DelaySamples() == 0.0f) return x;
    float v = line_.Read(ReadDelay());
    if (lowPassEnable_) {
      v = lowPassG_ * lowPassState_ + (1.0f - lowPassG_) * v;
      lowPassState_ = v;
    }
    const float w = x + g_ * v;
    float y = v - g_ * w;
    if (std::fabs(y) < FLT_MIN) y = 0.0f;
    line_.Write(feedLine(w));
    return y;
  }

  // Four Steps at once; `feedLine4` is `feedLine` for four frames. As a block the four reads
  // come before the four writes, which needs a standing LFO and a whole-sample read at least
  // three samples back; otherwise, and with the low-pass on, frame by frame (see PlanBlocks).
  template <typename FeedLine, typename FeedLine4>
  v4::f4 Step4(v4::f4 x, FeedLine feedLine, FeedLine4 feedLine4) {
    if (blockBack_ == 0u) {
      if (line_.DelaySamples() == 0.0f) return x;
      alignas(16) float t[4];
      v4::Store(t, x);
      for (float& s : t) s = Step(s, feedLine);
      return v4::Load(t);
    }
    const v4::f4 g = v4::Set1(g_);
    const v4::f4 v = line_.Load4(blockBack_);
    const v4::f4 w = v4::Add(x, v4::Mul(g, v));
    const v4::f4 y = v4::Sub(v, v4::Mul(g, w));
    line_.Write4(feedLine4(w));
    return v4::Select(v4::CmpLt(v4::Abs(y), v4::Set1(FLT_MIN)), v4::Set1(0.0f), y);
  }

  // The delay the next Step reads at. An LFO at rest keeps its phase and so the delay it
  // gives: worked out once, until the parameters or the rate change; a moving one steps.
  float ReadDelay() {
    if (!lfoEnable_) return line_.DelaySamples();
    if (restingDelay_ >= 0.0f) return restingDelay_;
    const bool resting = lfo_.Increment() == 0.0f;
    float l = 0.5f + lfoDepth_ * lfo_.RenderOutput().normal * 0.5f;
    l = l < 0.0f ? 0.0f : (l > 1.0f ? 1.0f : l);
    const float ms = line_.DelayMs();
    const float shortest = ms - maxModulationMs_ > 0.0f ? ms - maxModulationMs_ : 0.0f;
    const float delay = line_.LimitDelay((ms - (1.0f - l) * (ms - shortest)) * line_.SamplesPerMs());
    if (resting) restingDelay_ = delay;
    return delay;
  }

 private:
  // After every change of the line or the parameters. Works out a standing LFO's delay now
  // rather than at the first Step: at rest it gives the same delay either way.
  void PlanBlocks();

  DelayApfParams params_;
  float g_ = 0.0f;
  bool lowPassEnable_ = false;
  float lowPassG_ = 0.0f;
  bool lfoEnable_ = false;
  float lfoDepth_ = 0.0f;
  float maxModulationMs_ = 0.0f;
  SimpleDelay line_;
  LFO lfo_;
  float restingDelay_ = -1.0f;  // the delay of an LFO at rest; -1: not known
  float lowPassState_ = 0.0f;
  uint32_t blockBack_ = 0;  // SimpleDelay::Load4's `back` for Step4, 0: frame by frame
};
