#include "engine/DualLadderApproxFilter.h"

#include <cmath>

#include "engine/CVAOnePoleFilter.h"

namespace {
constexpr double kMinCutoffHz = 50.0;
constexpr double kMaxCutoffHz = 18000.0;
constexpr double kOutputGain = 1.1;
// Any value outside 0..2 selects the stage input.
constexpr int kInputOutput = 3;
}  // namespace

void DualLadderApproxFilter::SetSampleRate(float rate) {
  if (rate > 0.0f && std::isfinite(rate)) sampleRate_ = rate;
}

void DualLadderApproxFilter::Reset() {
  state_[0] = State{};
  state_[1] = State{};
  output = kLowPass;
}

template <int O>
void DualLadderApproxFilter::RunChannel(const float* in, float* out, State& st) const {
  State s = st;
  const filt::LadderApproxCoefficients<double> c = c_;
  for (int i = 0; i < frames_; ++i) {
    const double x = filt::Clamp(static_cast<double>(in[i]), -1.0, 1.0);
    out[i] = static_cast<float>(filt::LadderApproxTick<O>(x, s, c) * kOutputGain);
  }
  st = s;
}

void DualLadderApproxFilter::Process(const float* inLeft, const float* inRight, float* outLeft,
                                     float cutoffHz, float resonance, float* outRight) {
  if (!(sampleRate_ > 0.0f)) {
    for (int i = 0; i < frames_; ++i) outLeft[i] = outRight[i] = 0.0f;
    return;
  }
  c_ = filt::ComputeLadderApprox(
      filt::Clamp(static_cast<double>(cutoffHz), kMinCutoffHz, kMaxCutoffHz),
      static_cast<double>(sampleRate_), static_cast<double>(filt::ClampResonance(resonance)));

  switch (output) {
    case kLowPass:
      RunChannel<kLowPass>(inLeft, outLeft, state_[0]);
      RunChannel<kLowPass>(inRight, outRight, state_[1]);
      break;
    case kBandPass:
      RunChannel<kBandPass>(inLeft, outLeft, state_[0]);
      RunChannel<kBandPass>(inRight, outRight, state_[1]);
      break;
    case kHighPass:
      RunChannel<kHighPass>(inLeft, outLeft, state_[0]);
      RunChannel<kHighPass>(inRight, outRight, state_[1]);
      break;
    default:
      RunChannel<kInputOutput>(inLeft, outLeft, state_[0]);
      RunChannel<kInputOutput>(inRight, outRight, state_[1]);
      break;
  }
}
