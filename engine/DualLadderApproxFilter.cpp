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
  double b0 = st.b0, b1 = st.b1, b2 = st.b2, b3 = st.b3, b4 = st.b4;
  const double f = f_, p = p_, q = q_;
  for (int i = 0; i < frames_; ++i) {
    const double x = filt::Clamp(static_cast<double>(in[i]), -1.0, 1.0);
    const double input = x - q * b4;
    const double t1 = b1;
    b1 = (input + b0) * p - b1 * f;
    const double t2 = b2;
    b2 = (b1 + t1) * p - b2 * f;
    const double t3 = b3;
    b3 = (b2 + t2) * p - b3 * f;
    b4 = (b3 + t3) * p - b4 * f;
    b4 = b4 - b4 * b4 * b4 * 0.166667;
    b0 = input;
    double y;
    if constexpr (O == kLowPass) y = b4;
    else if constexpr (O == kBandPass) y = 3.0 * (b3 - b4);
    else if constexpr (O == kHighPass) y = input - b4;
    else y = input;
    out[i] = static_cast<float>(y * kOutputGain);
  }
  st = State{b0, b1, b2, b3, b4};
}

void DualLadderApproxFilter::Process(const float* inLeft, const float* inRight, float* outLeft,
                                     float cutoffHz, float resonance, float* outRight) {
  if (!(sampleRate_ > 0.0f)) {
    for (int i = 0; i < frames_; ++i) outLeft[i] = outRight[i] = 0.0f;
    return;
  }
  const double fcn = filt::Clamp(static_cast<double>(cutoffHz), kMinCutoffHz, kMaxCutoffHz) /
                     (sampleRate_ * 0.5);
  const double d = 1.0 - fcn;
  p_ = fcn + 0.8 * fcn * d;
  f_ = p_ + p_ - 1.0;
  q_ = filt::ClampResonance(resonance) * (1.0 + 0.5 * d * (1.0 - d + 5.6 * d * d));

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
