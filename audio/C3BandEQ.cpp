#include "audio/C3BandEQ.h"

#include <algorithm>
#include <cmath>

#include "audio/ParamRange.h"
#include "platform/ArmConvert.h"

namespace {

constexpr double kPi = 3.14159265358979323846;
constexpr double kDamping = 1.4142135623730951;  // 1 / Q, Butterworth

float GainOf(float value) { return 1.0f + param_range::Percent(value) * 0.01f; }

// The share of a fade the crossovers glide in, before the gains move. The faster they glide the
// further a tone's phase is turned in one period, and a tone whose phase turns while it sounds is
// briefly off its pitch; the gains only need the rest to move without a click.
constexpr double kGlideShare = 0.7;

// How far a fade level has brought the crossovers (0 at half the rate, 1 at their settings) and
// the gains (0 at one, 1 at their settings).
double GlideAt(double t) { return std::min(t / kGlideShare, 1.0); }
double GainShareAt(double t) { return std::max((t - kGlideShare) / (1.0 - kGlideShare), 0.0); }

}  // namespace

C3BandEQ::C3BandEQ() : CEffectBase(&params_) {}

void C3BandEQ::Reset(int32_t sampleRate) {
  sampleRate_ = sampleRate;
  fadeFrom_ = fadeTo_ = 1.0f;
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

void C3BandEQ::Fade(float from, float to) {
  fadeFrom_ = std::clamp(from, 0.0f, 1.0f);
  fadeTo_ = std::clamp(to, 0.0f, 1.0f);
}

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

// Designs a section from the reciprocal h of its prewarped corner; h = 0 (the corner at the top
// of the band) gives a low-pass that is its input and a band-pass of nothing.
void DesignAtH(Svf& s, double h) {
  s.a3 = 1.0 / (1.0 + h * (h + kDamping));
  s.a2 = h * s.a3;
  s.a1 = h * s.a2;
}

// With each section's low-pass LP and all-pass AP = x - 2 k band: low = LP(LP(x)) at the lower
// corner, high = AP1(x) - low (HP4, as LP4 + HP4 = AP), mid = LP(LP(high)) at the higher
// corner, out = AP2(gl low + gh high) + (gm - gh) mid.
struct Sections {
  Svf split, low, midA, midB, join;
  double operator()(double x, double gl, double gh, double gm) {
    double band, lp, l4, m2, m4;
    split(x, band, lp);
    const double ap1 = x - 2.0 * kDamping * band;
    low(lp, band, l4);
    const double high = ap1 - l4;
    midA(high, band, m2);
    midB(m2, band, m4);
    const double u = gl * l4 + gh * high;
    join(u, band, lp);
    return u - 2.0 * kDamping * band + gm * m4;
  }
};

}  // namespace

void C3BandEQ::Run(Channel& c, const Design& d, const float* in, float* out, int frames, const Gains& g, float level) {
  auto section = [](const Corner& k, const State& s) { return Svf{k.a1, k.a2, k.a3, s.ic1, s.ic2}; };
  Sections x{section(d.low, c.split), section(d.low, c.low), section(d.high, c.midA), section(d.high, c.midB),
             section(d.high, c.join)};
  const double gl = g.low, gh = g.high, gm = g.midStep;
  for (int i = 0; i < frames; ++i) out[i] = static_cast<float>(x(in[i] + kDenormalGuard, gl, gh, gm) * level);
  auto keep = [](const Svf& s, State& st) { st = {s.ic1, s.ic2}; };
  keep(x.split, c.split), keep(x.low, c.low), keep(x.midA, c.midA), keep(x.midB, c.midB), keep(x.join, c.join);
}

double C3BandEQ::GlideH(float hz, double glide) const {
  if (glide <= 0.0) return 0.0;
  const double half = 0.5 * (sampleRate_ > 0 ? sampleRate_ : 48000);
  // pi f / rate for f = half the rate x (hz / half the rate)^glide; 1 / tan of it never divides
  // by zero, as the angle stays below pi / 2 once the glide has begun.
  const double angle = 0.5 * kPi * std::pow(hz / half, glide);
  return std::cos(angle) / std::sin(angle);
}

void C3BandEQ::RunFading(Channel& c, const float* in, float* out, int frames, float level, const Glide& glide) const {
  if (fadeFrom_ <= 0.0f) {
    // At fade 0 each section passes its input and the sections hold nothing that reaches the
    // output; starting from the state a steady input would leave in them, the glide brings in
    // none of what they held from before.
    const double x = in[0] + kDenormalGuard;
    c = Channel{};
    c.split.ic2 = c.low.ic2 = c.join.ic2 = x;
  }
  auto section = [](const State& s) { return Svf{1.0, 0.0, 0.0, s.ic1, s.ic2}; };
  Sections x{section(c.split), section(c.low), section(c.midA), section(c.midB), section(c.join)};
  // Within the period each corner's 1 / tan moves in a straight line between the period's ends.
  const double span = glide.to - glide.from, across = span != 0.0 ? 1.0 / span : 0.0;
  const double from = fadeFrom_, step = (static_cast<double>(fadeTo_) - fadeFrom_) / frames;
  for (int i = 0; i < frames; ++i) {
    const double t = from + step * (i + 1);
    const double share = GainShareAt(t);
    const double u = (GlideAt(t) - glide.from) * across;
    DesignAtH(x.split, glide.lowFrom + u * (glide.lowTo - glide.lowFrom));
    x.low = Svf{x.split.a1, x.split.a2, x.split.a3, x.low.ic1, x.low.ic2};
    DesignAtH(x.midA, glide.highFrom + u * (glide.highTo - glide.highFrom));
    x.midB = Svf{x.midA.a1, x.midA.a2, x.midA.a3, x.midB.ic1, x.midB.ic2};
    x.join = Svf{x.midA.a1, x.midA.a2, x.midA.a3, x.join.ic1, x.join.ic2};
    const double gl = 1.0 + share * (gains_.low - 1.0), gh = 1.0 + share * (gains_.high - 1.0);
    out[i] = static_cast<float>(x(in[i] + kDenormalGuard, gl, gh, share * gains_.midStep) * level);
  }
  auto keep = [](const Svf& s, State& st) { st = {s.ic1, s.ic2}; };
  keep(x.split, c.split), keep(x.low, c.low), keep(x.midA, c.midA), keep(x.midB, c.midB), keep(x.join, c.join);
}

void C3BandEQ::Process(float** in, float** out, int frames, float level) {
  if (frames < 1) return;
  if (fadeFrom_ >= 1.0f && fadeTo_ >= 1.0f) {
    for (int c = 0; c < 2; ++c) Run(channels_[c], design_, in[c], out[c], frames, gains_, level);
    return;
  }
  Glide g{};
  g.from = GlideAt(fadeFrom_);
  g.to = GlideAt(fadeTo_);
  g.lowFrom = GlideH(lowHz_, g.from), g.lowTo = GlideH(lowHz_, g.to);
  g.highFrom = GlideH(highHz_, g.from), g.highTo = GlideH(highHz_, g.to);
  for (int c = 0; c < 2; ++c) RunFading(channels_[c], in[c], out[c], frames, level, g);
  fadeFrom_ = fadeTo_;
}

void C3BandEQ::ClearState() {
  for (Channel& c : channels_) c = Channel{};
}
