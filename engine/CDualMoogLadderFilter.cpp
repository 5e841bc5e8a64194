#include "engine/CDualMoogLadderFilter.h"

#include <algorithm>

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

template <int M>
void CDualMoogLadderFilter::RunChannel(const float* in, float* out, int channel) {
  // Local copies keep the stage states in registers across the loop.
  CVAOnePoleFilter s[5];
  for (int n = 0; n < 5; ++n) s[n] = stage_[2 * n + channel];
  const float alpha0 = alpha0_, k = k_;
  for (int i = 0; i < frames_; ++i) out[i] = kOutputGain * filt::LadderTick<M>(in[i], k, alpha0, s);
  for (int n = 0; n < 5; ++n) stage_[2 * n + channel] = s[n];
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
    RunChannel<kFourPole>(inLeft, outLeft, 0);
    RunChannel<kFourPole>(inRight, outRight, 1);
  } else if (mode_ == kTwoPole) {
    RunChannel<kTwoPole>(inLeft, outLeft, 0);
    RunChannel<kTwoPole>(inRight, outRight, 1);
  }
}
