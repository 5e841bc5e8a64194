#include "engine/DualOnePoleFeedbackFilter.h"

#include <algorithm>
#include <cmath>

filt::FeedbackCoefficients filt::ComputeFeedback(float sampleRate, double cutoffHz, double K) {
  const double g = PrewarpGDouble(sampleRate, cutoffHz);
  FeedbackCoefficients c;
  const double G = static_cast<float>(g / (1.0 + g));
  c.G = static_cast<float>(G);
  c.betaHP = static_cast<float>(-1.0 / (1.0 + g));
  c.betaLP2 = static_cast<float>((K - K * G) / (1.0 + g));
  c.alpha0 = static_cast<float>(1.0 / (1.0 - K * G + K * G * G));
  return c;
}

DualOnePoleFeedbackFilter::DualOnePoleFeedbackFilter() {
  for (int c = 0; c < 2; ++c) stage_[4 + c].SetMode(CVAOnePoleFilter::kHighPass);
  UpdateCoefficients();
}

void DualOnePoleFeedbackFilter::SetSampleRate(float rate) {
  if (rate > 0.0f && std::isfinite(rate)) sampleRate_ = rate;
  for (CVAOnePoleFilter& s : stage_) s.SetSampleRate(sampleRate_);
  UpdateCoefficients();
}

void DualOnePoleFeedbackFilter::Reset() {
  for (CVAOnePoleFilter& s : stage_) s.Reset();
}

void DualOnePoleFeedbackFilter::UpdateCoefficients() {
  const filt::FeedbackCoefficients c = filt::ComputeFeedback(sampleRate_, cutoff_, K_);
  for (CVAOnePoleFilter& s : stage_) s.SetG(c.G);
  for (int ch = 0; ch < 2; ++ch) {
    stage_[2 + ch].SetBeta(c.betaLP2);
    stage_[4 + ch].SetBeta(c.betaHP);
  }
  alpha0_ = c.alpha0;
}

template <bool kDoubleLoopGain>
void DualOnePoleFeedbackFilter::RunChannel(const float* in, float* out, int channel) {
  CVAOnePoleFilter lp1 = stage_[channel], lp2 = stage_[2 + channel], hp = stage_[4 + channel];
  const float alpha0 = alpha0_;
  const double K = K_;
  const float K32 = static_cast<float>(K_);
  for (int i = 0; i < frames_; ++i) {
    const float y1 = lp1.Tick<CVAOnePoleFilter::kLowPass>(in[i]);
    const float u = alpha0 * (y1 + hp.FeedbackOutput() + lp2.FeedbackOutput());
    const float y = lp2.Tick<CVAOnePoleFilter::kLowPass>(u);
    hp.Tick<CVAOnePoleFilter::kHighPass>(kDoubleLoopGain ? static_cast<float>(K * y) : K32 * y);
    // K >= 0.05 and K y is a double, so the loop's K y scaled back by 1/K is y itself.
    out[i] = y;
  }
  stage_[channel] = lp1;
  stage_[2 + channel] = lp2;
  stage_[4 + channel] = hp;
}

void DualOnePoleFeedbackFilter::Process(const float* inLeft, const float* inRight, float* outLeft,
                                        float cutoffHz, float resonance, float* outRight) {
  const double cutoff = filt::Clamp(static_cast<double>(cutoffHz), double{filt::kMinCutoffHz},
                                    double{filt::kMaxCutoffHz});
  const double K =
      std::clamp(2.0 * filt::ClampResonance(resonance), filt::kMinFeedback, filt::kMaxFeedback);
  if (cutoff != cutoff_ || K != K_) {
    cutoff_ = cutoff;
    K_ = K;
    UpdateCoefficients();
  }
  // K y is a double product rounded to the stage's float. Where K is a float (any 2 x
  // resonance) one float multiply rounds the same exact product the same way; only the 0.05
  // floor needs the slower double multiply.
  if (static_cast<double>(static_cast<float>(K_)) == K_) {
    RunChannel<false>(inLeft, outLeft, 0);
    RunChannel<false>(inRight, outRight, 1);
  } else {
    RunChannel<true>(inLeft, outLeft, 0);
    RunChannel<true>(inRight, outRight, 1);
  }
}
