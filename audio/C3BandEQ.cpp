#include "audio/C3BandEQ.h"

#include <algorithm>
#include <cmath>

#include "audio/ParamRange.h"
#include "platform/ArmConvert.h"

namespace {

constexpr int kSettleSamples = 128;
constexpr float kPi = 3.14159265358979f;
constexpr float kMinCrossover = 1.0f;
// Above rate / 6 the coefficient 2 sin(pi f / rate) passes 1 and the pole turns negative:
// the low-pass rings toward Nyquist. Crossovers are held at rate / 6.
constexpr float kMaxCrossoverShare = 1.0f / 6.0f;

float GainOf(float value) { return 1.0f + param_range::Percent(value) * 0.01f; }

}  // namespace

C3BandEQ::C3BandEQ() : CEffectBase(&params_) {}

void C3BandEQ::Reset(int32_t sampleRate) {
  sampleRate_ = sampleRate;
  Apply();
  static constexpr float kSilence[kSettleSamples] = {};
  float discard[kSettleSamples];
  for (Splitter& s : channels_) {
    Run(s, kSilence, discard, kSettleSamples, 0.0f);
    s.previous = 0.0f;
  }
}

void C3BandEQ::SetParam(int id, float value) {
  // A corrupt preset or a runaway controller must not reach the signal path.
  if (!std::isfinite(value)) return;
  switch (id) {
    case kHighFreq: params_.highFreq = value; break;
    case kHighGain: params_.highGain = GainOf(value); break;
    case kLowFreq: params_.lowFreq = value; break;
    case kMidGain: params_.midGain = GainOf(value); break;
    case kLowGain: params_.lowGain = GainOf(value); break;
    default: break;
  }
  Apply();
}

float C3BandEQ::Coefficient(float crossover) const {
  if (sampleRate_ <= 0) return 0.0f;
  const float rate = static_cast<float>(sampleRate_);
  // Whole hertz, as the panel steps them; NaN lands on 0 and then on the lower bound.
  float f = static_cast<float>(arm::ToInt32(crossover));
  f = std::clamp(f, kMinCrossover, kMaxCrossoverShare * rate);
  return 2.0f * std::sin(kPi * f / rate);
}

void C3BandEQ::Apply() {
  lowCoefficient_ = Coefficient(params_.lowFreq);
  highCoefficient_ = Coefficient(params_.highFreq);
  // Crossovers set the other way round still split low, mid and high in that order; the
  // bands stay complementary and bounded only with the low band below the high one.
  const float lf = std::min(lowCoefficient_, highCoefficient_);
  const float hf = std::max(lowCoefficient_, highCoefficient_);
  for (Splitter& s : channels_) {
    s.lf = lf;
    s.hf = hf;
    s.lowStep = params_.lowGain - params_.midGain;
    s.midStep = params_.midGain - params_.highGain;
    s.highGain = params_.highGain;
  }
}

void C3BandEQ::Run(Splitter& s, const float* in, float* out, int frames, float level) {
  float low = s.low, high = s.high, previous = s.previous;
  const float lf = s.lf, hf = s.hf;
  const float lowStep = s.lowStep, midStep = s.midStep, gh = s.highGain;
  for (int i = 0; i < frames; ++i) {
    const float x = in[i];
    // The guard rides on the shared input, so both low-passes settle on it, not on 0.
    const float mean = (x + previous) * 0.5f + kDenormalGuard;
    previous = x;
    low += lf * (mean - low);
    high += hf * (mean - high);
    out[i] = (lowStep * low + midStep * high + gh * x) * level;
  }
  s.low = low, s.high = high, s.previous = previous;
}

void C3BandEQ::ProcessReference(float** in, float** out, int frames, float level) {
  if (frames < 1) return;
  for (int c = 0; c < 2; ++c) Run(channels_[c], in[c], out[c], frames, level);
}

// Run's operations in the same order, both channels in one loop: four independent
// low-passes whose latencies overlap.
void C3BandEQ::Process(float** in, float** out, int frames, float level) {
  if (frames < 1) return;
  Splitter& l = channels_[0];
  Splitter& r = channels_[1];
  float lowL = l.low, highL = l.high, previousL = l.previous;
  float lowR = r.low, highR = r.high, previousR = r.previous;
  const float lfL = l.lf, hfL = l.hf, lfR = r.lf, hfR = r.hf;
  const float lowStepL = l.lowStep, midStepL = l.midStep, ghL = l.highGain;
  const float lowStepR = r.lowStep, midStepR = r.midStep, ghR = r.highGain;
  const float* xl = in[0];
  const float* xr = in[1];
  float* yl = out[0];
  float* yr = out[1];
  for (int i = 0; i < frames; ++i) {
    const float a = xl[i];
    const float b = xr[i];
    const float meanL = (a + previousL) * 0.5f + kDenormalGuard;
    const float meanR = (b + previousR) * 0.5f + kDenormalGuard;
    previousL = a;
    previousR = b;
    lowL += lfL * (meanL - lowL);
    highL += hfL * (meanL - highL);
    lowR += lfR * (meanR - lowR);
    highR += hfR * (meanR - highR);
    yl[i] = (lowStepL * lowL + midStepL * highL + ghL * a) * level;
    yr[i] = (lowStepR * lowR + midStepR * highR + ghR * b) * level;
  }
  l.low = lowL, l.high = highL, l.previous = previousL;
  r.low = lowR, r.high = highR, r.previous = previousR;
}
