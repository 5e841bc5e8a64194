#pragma once
// All-pass with a second all-pass inside its delay path: the outer line is fed through the
// inner all-pass, which thickens the echo density of a reverb branch.
#include <cstdint>

#include "audio/DelayAPF.h"

struct NestedApfParams {
  float outerDelayMs = 0.0f;
  float innerDelayMs = 0.0f;
  float outerG = 0.0f;
  float innerG = 0.0f;
  uint8_t lfoEnable = 0;
  float lfoRateHz = 0.0f;
  float lfoDepth = 0.0f;
  float maxModulationMs = 0.0f;
};

class NestedDelayAPF final : public DelayAPF {
 public:
  explicit NestedDelayAPF(float maxDelayMs = 100.0f, float provisionRate = 48000.0f)
      : DelayAPF(maxDelayMs, provisionRate), inner_(maxDelayMs, provisionRate) {}

  // Both lines.
  bool Reset(float sampleRate) override;
  // The inner all-pass passes w straight on when its delay is 0.
  float ProcessSample(float x) override {
    return Step(x, [this](float w) { return inner_.ProcessSample(w); });
  }
  // Four ProcessSample calls.
  v4::f4 Process4(v4::f4 x) {
    return Step4(
        x, [this](float w) { return inner_.ProcessSample(w); }, [this](v4::f4 w) { return inner_.Process4(w); });
  }

  // Both lines; takes effect at the next Reset.
  void SetMaxDelayMs(float ms) {
    DelayAPF::SetMaxDelayMs(ms);
    inner_.SetMaxDelayMs(ms);
  }
  // The LFO settings go to the outer all-pass; the inner one runs unmodulated, and neither
  // uses its low-pass or interpolation.
  void SetParameters(const NestedApfParams& p);
  const NestedApfParams& Parameters() const { return params_; }
  const DelayAPF& Inner() const { return inner_; }

 private:
  NestedApfParams params_;
  DelayAPF inner_;
};
