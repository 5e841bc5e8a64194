#include "engine/LadderApproxFilter.h"

#include <cmath>

#include "engine/CVAOnePoleFilter.h"

LadderApproxFilter::LadderApproxFilter() = default;

template <int O>
void LadderApproxFilter::Run(const float* inA, const float* inB, float* out) {
  filt::LadderApproxState<float> s = state_;
  const filt::LadderApproxCoefficients<float> c = c_;
  for (int i = 0; i < frames; ++i) out[i] = filt::LadderApproxTick<O>(inA[i] + inB[i], s, c);
  state_ = s;
}

void LadderApproxFilter::Process(const float* inA, const float* inB, float* out, float cutoffHz,
                                 float resonance) {
  if (!(sampleRate > 0.0f) || !std::isfinite(sampleRate)) {
    for (int i = 0; i < frames; ++i) out[i] = 0.0f;
    return;
  }
  c_ = filt::ComputeLadderApprox(filt::Clamp(cutoffHz, filt::kMinCutoffHz, filt::kMaxCutoffHz),
                                 sampleRate, filt::ClampResonance(resonance));
  switch (output) {
    case kLowPass: Run<kLowPass>(inA, inB, out); break;
    case kBandPass: Run<kBandPass>(inA, inB, out); break;
    case kHighPass: Run<kHighPass>(inA, inB, out); break;
    default: Run<-1>(inA, inB, out); break;
  }
}

float LadderApproxFilter::ProcessSample(float in, float cutoffHz, float resonance) {
  return filt::ProcessOneSample(*this, in, cutoffHz, resonance);
}
