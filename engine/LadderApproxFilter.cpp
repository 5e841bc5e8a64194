#include "engine/LadderApproxFilter.h"

#include <cmath>

#include "engine/CVAOnePoleFilter.h"

LadderApproxFilter::LadderApproxFilter() = default;

void LadderApproxFilter::Process(const float* inA, const float* inB, float* out, float cutoffHz,
                                 float resonance) {
  if (!(sampleRate > 0.0f) || !std::isfinite(sampleRate)) {
    for (int i = 0; i < frames; ++i) out[i] = 0.0f;
    return;
  }
  const float fcn =
      filt::Clamp(cutoffHz, filt::kMinCutoffHz, filt::kMaxCutoffHz) / (sampleRate * 0.5f);
  const float d = 1.0f - fcn;
  p_ = fcn + 0.8f * fcn * d;
  f_ = p_ + p_ - 1.0f;
  q_ = filt::ClampResonance(resonance) * (1.0f + 0.5f * d * (1.0f - d + 5.6f * d * d));

  float b0 = b0_, b1 = b1_, b2 = b2_, b3 = b3_, b4 = b4_;
  const float f = f_, p = p_, q = q_;
  const int selected = output;
  for (int i = 0; i < frames; ++i) {
    const float input = (inA[i] + inB[i]) - q * b4;
    const float t1 = b1;
    b1 = (input + b0) * p - b1 * f;
    const float t2 = b2;
    b2 = (b1 + t1) * p - b2 * f;
    const float t3 = b3;
    b3 = (b2 + t2) * p - b3 * f;
    b4 = (b3 + t3) * p - b4 * f;
    b4 = b4 - b4 * b4 * b4 * 0.166667f;
    b0 = input;
    switch (selected) {
      case kLowPass: out[i] = b4; break;
      case kBandPass: out[i] = 3.0f * (b3 - b4); break;
      case kHighPass: out[i] = input - b4; break;
      default: out[i] = input; break;
    }
  }
  b0_ = b0;
  b1_ = b1;
  b2_ = b2;
  b3_ = b3;
  b4_ = b4;
}

float LadderApproxFilter::ProcessSample(float in, float cutoffHz, float resonance) {
  const float zero = 0.0f;
  float out = 0.0f;
  const int saved = frames;
  frames = 1;
  Process(&in, &zero, &out, cutoffHz, resonance);
  frames = saved;
  return out;
}
