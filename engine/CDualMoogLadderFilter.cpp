#include "engine/CDualMoogLadderFilter.h"

#include <algorithm>

#include "platform/Simd4.h"

namespace {
constexpr float kOutputGain = 1.1f;
}

CDualMoogLadderFilter::CDualMoogLadderFilter() {
  for (int c = 0; c < 2; ++c) stage_[8 + c].SetMode(CVAOnePoleFilter::kAllPass);
  ResetStages();
}

void CDualMoogLadderFilter::ResetStages() {
  for (CVAOnePoleFilter& s : stage_) {
    s.Reset();
    s.SetSampleRate(sampleRate_);
  }
  UpdateCoefficients();
}

void CDualMoogLadderFilter::SetSampleRate(float rate) {
  if (rate > 0.0f && std::isfinite(rate)) sampleRate_ = rate;
  ResetStages();
}

void CDualMoogLadderFilter::SetMode(int mode) {
  mode_ = mode;
  ResetStages();
}

void CDualMoogLadderFilter::Reset() {
  for (CVAOnePoleFilter& s : stage_) s.Reset();
}

std::span<const int> filt::LadderLoopStages(int mode) {
  static constexpr int kFourPoleStages[] = {0, 1, 2, 3};
  static constexpr int kTwoPoleStages[] = {0, 1, 4};
  if (mode == CDualMoogLadderFilter::kFourPole) return kFourPoleStages;
  if (mode == CDualMoogLadderFilter::kTwoPole) return kTwoPoleStages;
  return {};
}

bool filt::ComputeLadder(float sampleRate, float cutoffHz, float k, int mode,
                         LadderCoefficients* out) {
  if (mode != CDualMoogLadderFilter::kFourPole && mode != CDualMoogLadderFilter::kTwoPole) {
    return false;
  }
  LadderCoefficients c;
  const float g = PrewarpG(sampleRate, cutoffHz);
  const float G = g / (1.0f + g);
  const float invOnePlusG = 1.0f / (1.0f + g);
  c.G = G;
  if (mode == CDualMoogLadderFilter::kFourPole) {
    c.beta[0] = G * G * G * invOnePlusG;
    c.beta[1] = G * G * invOnePlusG;
    c.beta[2] = G * invOnePlusG;
    c.beta[3] = invOnePlusG;
    c.alpha0 = 1.0f / (1.0f + k * G * G * G * G);
  } else {
    // The all-pass stage's instantaneous gain is 2G - 1.
    const float allPassGain = 2.0f * G - 1.0f;
    c.beta[0] = G * allPassGain * invOnePlusG;
    c.beta[1] = allPassGain * invOnePlusG;
    c.beta[4] = 2.0f * invOnePlusG;
    c.alpha0 = 1.0f / (1.0f + std::min(k, filt::kMaxTwoPoleFeedback) * allPassGain * G * G);
  }
  *out = c;
  return true;
}

void CDualMoogLadderFilter::UpdateCoefficients() {
  filt::LadderCoefficients c;
  if (!filt::ComputeLadder(sampleRate_, cutoff_, k_, mode_, &c)) return;
  for (int s : filt::LadderLoopStages(mode_)) {
    for (int ch = 0; ch < 2; ++ch) {
      stage_[2 * s + ch].SetG(c.G);
      stage_[2 * s + ch].SetBeta(c.beta[s]);
    }
  }
  alpha0_ = c.alpha0;
}

namespace {

// One one-pole stage on both lanes, the steps of CVAOnePoleFilter::Tick.
template <int M>
inline v4::f4 TickLanes(v4::f4 x, v4::f4& z, v4::f4 g) {
  const v4::f4 v = v4::Mul(v4::Sub(x, z), g);
  const v4::f4 lp = v4::Add(v, z);
  z = v4::Add(lp, v);
  if constexpr (M == CVAOnePoleFilter::kAllPass) return v4::Sub(lp, v4::Sub(x, lp));
  return lp;
}

}  // namespace

// filt::LadderTick with the two channels side by side: every lane takes the scalar steps in
// the scalar order, so each channel's samples are the ones the sample loop would give.
template <int M>
void CDualMoogLadderFilter::RunStereo(const float* inLeft, const float* inRight, float* outLeft, float* outRight) {
  using namespace v4;
  constexpr int kLp = CVAOnePoleFilter::kLowPass;
  f4 z[5], g[5], beta[5];
  for (int s = 0; s < 5; ++s) {
    const CVAOnePoleFilter& left = stage_[2 * s];
    const CVAOnePoleFilter& right = stage_[2 * s + 1];
    z[s] = Set(left.State(), right.State(), 0.0f, 0.0f);
    g[s] = Set(left.G(), right.G(), 0.0f, 0.0f);
    beta[s] = Set(left.Beta(), right.Beta(), 0.0f, 0.0f);
  }
  const f4 alpha0 = Set1(alpha0_);
  const f4 k = Set1(M == kFourPole ? k_ : (k_ < filt::kMaxTwoPoleFeedback ? k_ : filt::kMaxTwoPoleFeedback));
  const f4 gain = Set1(kOutputGain);
  const int frames = frames_;  // the output stores could alias the member
  for (int i = 0; i < frames; ++i) {
    const f4 x = LoadPair(inLeft + i, inRight + i);
    f4 out;
    if constexpr (M == kFourPole) {
      const f4 sigma = Add(Add(Add(Mul(beta[0], z[0]), Mul(beta[1], z[1])), Mul(beta[2], z[2])), Mul(beta[3], z[3]));
      const f4 u = Mul(Sub(x, Mul(k, sigma)), alpha0);
      out = TickLanes<kLp>(TickLanes<kLp>(TickLanes<kLp>(TickLanes<kLp>(u, z[0], g[0]), z[1], g[1]), z[2], g[2]), z[3], g[3]);
    } else {
      const f4 sigma = Add(Add(Mul(beta[0], z[0]), Mul(beta[1], z[1])), Mul(beta[4], z[4]));
      const f4 u = Mul(Sub(x, Mul(k, sigma)), alpha0);
      out = TickLanes<CVAOnePoleFilter::kAllPass>(TickLanes<kLp>(TickLanes<kLp>(u, z[0], g[0]), z[1], g[1]), z[4], g[4]);
    }
    StorePair(outLeft + i, outRight + i, Mul(gain, out));
  }
  alignas(16) float state[4];
  for (int s : filt::LadderLoopStages(M)) {
    Store(state, z[s]);
    stage_[2 * s].SetState(state[0]);
    stage_[2 * s + 1].SetState(state[1]);
  }
}

void CDualMoogLadderFilter::Process(const float* inLeft, const float* inRight, float* outLeft,
                                    float cutoffHz, float resonance, float* outRight) {
  const float cutoff = filt::Clamp(cutoffHz, filt::kMinCutoffHz, filt::kMaxCutoffHz);
  const float k = 2.0f * filt::ClampResonance(resonance);
  if (cutoff != cutoff_ || k != k_) {
    cutoff_ = cutoff;
    k_ = k;
    UpdateCoefficients();
  }
  if (mode_ == kFourPole) {
    RunStereo<kFourPole>(inLeft, inRight, outLeft, outRight);
  } else if (mode_ == kTwoPole) {
    RunStereo<kTwoPole>(inLeft, inRight, outLeft, outRight);
  }
}
