#include "audio/C3BandEQ.h"

#include <algorithm>
#include <cmath>

#include "audio/ParamRange.h"
#include "platform/ArmConvert.h"

namespace {

constexpr double kPi = 3.14159265358979323846;
constexpr double kDamping = 1.4142135623730951;  // 1 / Q, Butterworth

float GainOf(float value) { return 1.0f + param_range::Percent(value) * 0.01f; }

}  // namespace

C3BandEQ::C3BandEQ() : CEffectBase(&params_) {}

void C3BandEQ::Reset(int32_t sampleRate) {
  sampleRate_ = sampleRate;
  Apply();
  for (Channel& c : channels_) c = Channel{};
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
    default: return;
  }
  Apply();
}

float C3BandEQ::Crossover(float hz) const {
  const float rate = static_cast<float>(sampleRate_ > 0 ? sampleRate_ : 48000);
  // Whole hertz, as the panel steps them.
  const float f = static_cast<float>(arm::ToInt32(hz));
  return std::clamp(f, kMinCrossover, kMaxCrossoverShare * rate);
}

C3BandEQ::Corner C3BandEQ::CornerAt(double hz) const {
  const double rate = sampleRate_ > 0 ? sampleRate_ : 48000;
  const double g = std::tan(kPi * hz / rate);
  const double a1 = 1.0 / (1.0 + g * (g + kDamping));
  return {a1, g * a1, g * g * a1};
}

C3BandEQ::Design C3BandEQ::DesignAt(double lowHz, double highHz) const { return {CornerAt(lowHz), CornerAt(highHz)}; }

void C3BandEQ::Apply() {
  // Crossovers set the other way round still split low, mid and high in that order.
  const float a = Crossover(params_.lowFreq);
  const float b = Crossover(params_.highFreq);
  lowHz_ = std::min(a, b);
  highHz_ = std::max(a, b);
  design_ = DesignAt(lowHz_, highHz_);
  gains_ = {params_.lowGain, params_.highGain, static_cast<double>(params_.midGain) - params_.highGain};
}

namespace {

// One trapezoidal state-variable step: the band-pass and low-pass of x.
struct Svf {
  double a1, a2, a3;
  double ic1, ic2;
  void operator()(double x, double& band, double& low) {
    const double v3 = x - ic2;
    band = a1 * ic1 + a2 * v3;
    low = ic2 + a2 * ic1 + a3 * v3;
    ic1 = 2.0 * band - ic1;
    ic2 = 2.0 * low - ic2;
  }
};

}  // namespace

// With each section's low-pass LP and all-pass AP = x - 2 k band: low = LP(LP(x)) at the lower
// corner, high = AP1(x) - low (HP4, as LP4 + HP4 = AP), mid = LP(LP(high)) at the higher
// corner, out = AP2(gl low + gh high) + (gm - gh) mid.
void C3BandEQ::Run(Channel& c, const Design& d, const float* in, float* out, int frames, const Gains& g, float level) {
  auto section = [](const Corner& k, const State& s) { return Svf{k.a1, k.a2, k.a3, s.ic1, s.ic2}; };
  Svf split = section(d.low, c.split), low = section(d.low, c.low);
  Svf midA = section(d.high, c.midA), midB = section(d.high, c.midB), join = section(d.high, c.join);
  const double gl = g.low, gh = g.high, gm = g.midStep;
  double band, lp, l4, m2, m4;
  for (int i = 0; i < frames; ++i) {
    const double x = in[i] + kDenormalGuard;
    split(x, band, lp);
    const double ap1 = x - 2.0 * kDamping * band;
    low(lp, band, l4);
    const double high = ap1 - l4;
    midA(high, band, m2);
    midB(m2, band, m4);
    const double u = gl * l4 + gh * high;
    join(u, band, lp);
    out[i] = static_cast<float>((u - 2.0 * kDamping * band + gm * m4) * level);
  }
  auto keep = [](const Svf& s, State& st) { st = {s.ic1, s.ic2}; };
  keep(split, c.split), keep(low, c.low), keep(midA, c.midA), keep(midB, c.midB), keep(join, c.join);
}

void C3BandEQ::Process(float** in, float** out, int frames, float level) {
  if (frames < 1) return;
  for (int c = 0; c < 2; ++c) Run(channels_[c], design_, in[c], out[c], frames, gains_, level);
}

void C3BandEQ::ClearState() {
  for (Channel& c : channels_) c = Channel{};
}
