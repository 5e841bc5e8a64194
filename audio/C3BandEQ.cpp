#include "audio/C3BandEQ.h"

#include <algorithm>
#include <cmath>
#include <iterator>

#include "audio/ParamRange.h"
#include "platform/ArmConvert.h"
#include "platform/Simd4.h"

namespace {

constexpr int kSettleSamples = 128;
constexpr float kPi = 3.14159265358979f;
constexpr float kMinCrossover = 1.0f;
// Above rate / 6 the coefficient 2 sin(pi f / rate) passes 1, each stage's pole turns
// negative and the cascades resonate toward Nyquist (+80 dB at 24 kHz at a 0.45 x rate
// crossover, with the highs cut). Crossovers are held at rate / 6, where the stages still pass
// everything without ringing.
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
    std::fill(std::begin(s.delay), std::end(s.delay), 0.0f);
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
  const float lf = Coefficient(params_.lowFreq);
  const float hf = Coefficient(params_.highFreq);
  for (Splitter& s : channels_) {
    s.lf = lf;
    s.hf = hf;
    s.lowGain = params_.lowGain;
    s.midGain = params_.midGain;
    s.highGain = params_.highGain;
  }
}

void C3BandEQ::Run(Splitter& s, const float* in, float* out, int frames, float level) {
  float l0 = s.low[0], l1 = s.low[1], l2 = s.low[2], l3 = s.low[3];
  float h0 = s.high[0], h1 = s.high[1], h2 = s.high[2], h3 = s.high[3];
  float d1 = s.delay[0], d2 = s.delay[1], d3 = s.delay[2];
  const float lf = s.lf, hf = s.hf;
  const float gl = s.lowGain, gm = s.midGain, gh = s.highGain;
  for (int i = 0; i < frames; ++i) {
    const float x = in[i];
    l0 += lf * (x - l0) + kDenormalGuard;
    l1 += lf * (l0 - l1);
    l2 += lf * (l1 - l2);
    l3 += lf * (l2 - l3);
    h0 += hf * (x - h0) + kDenormalGuard;
    h1 += hf * (h0 - h1);
    h2 += hf * (h1 - h2);
    h3 += hf * (h2 - h3);
    // High and mid are taken against the input of three samples ago, so the three bands
    // always sum back to exactly that delayed input.
    const float low = l3;
    const float high = d3 - h3;
    const float mid = d3 - (high + low);
    out[i] = (mid * gm + low * gl + high * gh) * level;
    d3 = d2;
    d2 = d1;
    d1 = x;
  }
  s.low[0] = l0, s.low[1] = l1, s.low[2] = l2, s.low[3] = l3;
  s.high[0] = h0, s.high[1] = h1, s.high[2] = h2, s.high[3] = h3;
  s.delay[0] = d1, s.delay[1] = d2, s.delay[2] = d3;
}

void C3BandEQ::ProcessReference(float** in, float** out, int frames, float level) {
  if (frames < 1) return;
  for (int c = 0; c < 2; ++c) Run(channels_[c], in[c], out[c], frames, level);
}

// Run's operations in the same order, the four cascades (left low, left high, right low,
// right high) in the four lanes. A first pass runs the cascades and keeps each frame's
// input and last stages; a second mixes the bands in lanes 0 and 2, with each high
// cascade's last stage loaded one lane on, beside its low one. That load comes long after
// the store, so it does not stall waiting for it as it would in the cascades' own loop.
void C3BandEQ::Process(float** in, float** out, int frames, float level) {
  if (frames < 1) return;
  using namespace v4;
  Splitter& l = channels_[0];
  Splitter& r = channels_[1];
  // Each frame's input as (left, left, right, right), three frames of the previous pass
  // first: the delay the high and mid bands are taken against.
  alignas(16) float inputs[4 * (kChunk + 3)];
  for (int k = 0; k < 3; ++k) Store(inputs + 4 * k, Set(l.delay[2 - k], l.delay[2 - k], r.delay[2 - k], r.delay[2 - k]));
  alignas(16) float last[4 * kChunk + 4];
  f4 stage[4];
  for (int k = 0; k < 4; ++k) stage[k] = Set(l.low[k], l.high[k], r.low[k], r.high[k]);
  const f4 coef = Set(l.lf, l.hf, r.lf, r.hf);
  const f4 guard = Set1(kDenormalGuard);
  const f4 gl = Set(l.lowGain, 0.0f, r.lowGain, 0.0f);
  const f4 gm = Set(l.midGain, 0.0f, r.midGain, 0.0f);
  const f4 gh = Set(l.highGain, 0.0f, r.highGain, 0.0f);
  const f4 gain = Set1(level);
  alignas(16) float mixed[4];
  for (int done = 0; done < frames; done += kChunk) {
    const int n = frames - done < kChunk ? frames - done : kChunk;
    const float* xl = in[0] + done;
    const float* xr = in[1] + done;
    float* yl = out[0] + done;
    float* yr = out[1] + done;
    for (int i = 0; i < n; ++i) {
      const f4 x = Set(xl[i], xl[i], xr[i], xr[i]);
      Store(inputs + 4 * (i + 3), x);
      stage[0] = Add(stage[0], Add(Mul(coef, Sub(x, stage[0])), guard));
      stage[1] = MulAdd(stage[1], coef, Sub(stage[0], stage[1]));
      stage[2] = MulAdd(stage[2], coef, Sub(stage[1], stage[2]));
      stage[3] = MulAdd(stage[3], coef, Sub(stage[2], stage[3]));
      Store(last + 4 * i, stage[3]);
    }
    last[4 * n] = 0.0f;  // read into the unused fourth lane of the last frame
    for (int i = 0; i < n; ++i) {
      const f4 delayed = Load(inputs + 4 * i);
      const f4 low = Load(last + 4 * i);
      const f4 high = Sub(delayed, Load(last + 4 * i + 1));
      const f4 mid = Sub(delayed, Add(high, low));
      Store(mixed, Mul(Add(MulAdd(Mul(mid, gm), low, gl), Mul(high, gh)), gain));
      yl[i] = mixed[0];
      yr[i] = mixed[2];
    }
    for (int k = 0; k < 3; ++k) Store(inputs + 4 * k, Load(inputs + 4 * (n + k)));
  }
  for (int k = 0; k < 4; ++k) {
    l.low[k] = Lane(stage[k], 0);
    l.high[k] = Lane(stage[k], 1);
    r.low[k] = Lane(stage[k], 2);
    r.high[k] = Lane(stage[k], 3);
  }
  for (int k = 0; k < 3; ++k) {
    l.delay[2 - k] = inputs[4 * k];
    r.delay[2 - k] = inputs[4 * k + 2];
  }
}
