#include "engine/OnePoleFeedbackFilter.h"

#include <algorithm>
#include <cmath>

#include "engine/DualOnePoleFeedbackFilter.h"

namespace {
constexpr double kFeedbackPerResonance = 1.4;
}

OnePoleFeedbackFilter::OnePoleFeedbackFilter() {
  hp_.SetMode(CVAOnePoleFilter::kHighPass);
  UpdateCoefficients();
}

void OnePoleFeedbackFilter::UpdateCoefficients() {
  // sampleRate is a plain field: a bad value keeps the rate of the last update.
  if (sampleRate > 0.0f && std::isfinite(sampleRate)) coefficientsRate_ = sampleRate;
  if (!(coefficientsRate_ > 0.0f)) coefficientsRate_ = 44100.0f;
  const filt::FeedbackCoefficients c = filt::ComputeFeedback(coefficientsRate_, cutoff_, K_);
  lp1_.SetG(c.G);
  lp2_.SetG(c.G);
  hp_.SetG(c.G);
  lp2_.SetBeta(c.betaLP2);
  hp_.SetBeta(c.betaHP);
  alpha0_ = c.alpha0;
}

void OnePoleFeedbackFilter::Process(const float* in, float* out, float cutoffHz,
                                    float resonance) {
  const double cutoff = filt::Clamp(static_cast<double>(cutoffHz), double{filt::kMinCutoffHz},
                                    double{filt::kMaxCutoffHz});
  const double K =
      std::max(kFeedbackPerResonance * filt::ClampResonance(resonance), filt::kMinFeedback);
  if (cutoff != cutoff_ || K != K_ || sampleRate != coefficientsRate_) {
    cutoff_ = cutoff;
    K_ = K;
    UpdateCoefficients();
  }
  const float alpha0 = alpha0_, gain = drive;
  for (int i = 0; i < frames; ++i) {
    const float y1 = lp1_.Tick<CVAOnePoleFilter::kLowPass>(in[i]);
    const float u =
        std::tanh((y1 + hp_.FeedbackOutput() + lp2_.FeedbackOutput()) * alpha0 * gain);
    const float y = lp2_.Tick<CVAOnePoleFilter::kLowPass>(u);
    hp_.Tick<CVAOnePoleFilter::kHighPass>(static_cast<float>(K * y));
    // K >= 0.05 and K y is a double, so the loop's K y scaled back by 1/K is y itself.
    out[i] = y;
  }
}

float OnePoleFeedbackFilter::ProcessSample(float in, float cutoffHz, float resonance) {
  float out = 0.0f;
  const int saved = frames;
  frames = 1;
  Process(&in, &out, cutoffHz, resonance);
  frames = saved;
  return out;
}
