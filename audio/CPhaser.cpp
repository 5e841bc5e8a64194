#include "audio/CPhaser.h"

#include <algorithm>
#include <cfloat>
#include <cmath>

#include "platform/Denormals.h"
#include "platform/Simd4.h"

namespace {

// Each stage's corner sweeps over centre +- half-range.
struct StageSweep {
  float centreHz;
  float halfRangeHz;
};

constexpr StageSweep kSweeps[CPhaser::kStages] = {
    {766.0f, 734.0f},    // 32 .. 1500 Hz
    {1734.0f, 1666.0f},  // 68 .. 3400 Hz
    {2448.0f, 2352.0f},  // 96 .. 4800 Hz
    {5106.0f, 4894.0f},  // 212 .. 10000 Hz
    {8160.0f, 7840.0f},  // 320 .. 16000 Hz
    {10558.0f, 9922.0f}, // 636 .. 20480 Hz
};

constexpr float kStageQ = 0.707f;
constexpr float kStageGainDb = 0.0f;
constexpr float kWetGain = 1.25f;
constexpr float kDryGain = 0.125f;
constexpr double kMaxIntensityPct = 100.0;

// The loop below has the denominator 1 + 2KG - K H(z) (H the chain, G its instantaneous
// gain), which keeps its roots inside the unit circle while |K| < |1 + 2KG|. Near the
// edge (full positive intensity where the six stages' G is slightly negative, negative
// intensity beyond about -37 %) it would ring without end or diverge to inf, so K is held
// a little inside: this bounds the resonance near 40 dB and leaves full intensity as it
// is where the stage product is at least 0.005 (at 48 kHz the centres and both ends of
// the sweep).
constexpr float kLoopMargin = 0.99f;

float LimitFeedback(float k, float g) {
  const float s = k < 0.0f ? -1.0f : 1.0f;
  const float d = 1.0f - 2.0f * kLoopMargin * g * s;
  if (d <= 0.0f) return k;
  const float limit = kLoopMargin / d;
  return std::fabs(k) > limit ? s * limit : k;
}

}  // namespace

CPhaser::CPhaser() : CEffectBase(&params_) {
  for (AudioFilter& f : stages_) {
    f.SetParameters(AudioFilter::kAllPass1, 100.0f, kStageQ, kStageGainDb);
  }
  lfo_.SetWaveform(LFO::kTriangle);
}

void CPhaser::Reset(float sampleRate) {
  lfo_.SetFrequency(static_cast<float>(params_.rateHz));
  lfo_.Reset(sampleRate * 0.0078125f);
  for (AudioFilter& f : stages_) {
    const bool rateChanged = f.SampleRate() != sampleRate;
    f.Reset(sampleRate);
    // The sweep redesigns a stage only when its corner moves, so a stage that stands still
    // would keep the previous rate's coefficients.
    if (rateChanged) f.CalculateCoefficients();
  }
}

void CPhaser::SetParam(int id, float value) {
  if (!std::isfinite(value)) return;
  switch (id) {
    case kRate:
      params_.rateHz = value;
      if (value != lfo_.Frequency()) {
        const float lfoRate = lfo_.SampleRate();
        lfo_.SetIncrement(lfoRate > 0.0f ? value / lfoRate : 0.0f);
        lfo_.SetFrequency(value);
      }
      break;
    case kDepth:
      params_.depthPct = value;
      break;
    case kIntensity:
      // A denominator 1 + K G at or below 0 would flip or blow up the loop.
      params_.intensityPct = std::clamp(double{value}, -kMaxIntensityPct, kMaxIntensityPct);
      break;
    default:
      break;
  }
}

void CPhaser::SweepChannel(int ch, float m) {
  m = std::fmin(std::fmax(m, -1.0f), 1.0f);
  AudioFilter* chain = stages_ + ch * kStages;
  for (int k = 0; k < kStages; ++k) {
    chain[k].SetParameters(AudioFilter::kAllPass1, kSweeps[k].centreHz + m * kSweeps[k].halfRangeHz,
                           kStageQ, kStageGainDb);
  }
}

CPhaser::Loop CPhaser::PrepareLoop(int ch, float k) const {
  const AudioFilter* chain = stages_ + ch * kStages;
  Loop loop;
  float product = 1.0f;
  for (int i = kStages - 1; i >= 0; --i) {
    loop.weight[i] = product;
    product *= chain[i].Coefficient(Biquad::kA0);
  }
  loop.g = product;
  loop.k = LimitFeedback(k, product);
  return loop;
}

// The chain's output is G u + S, S what the stages' states contribute; the stage input u
// follows from x and S in closed form, so the loop needs no sample of delay.
void CPhaser::ProcessChannel(int ch, const Loop& loop, const float* x, float* y, int frames,
                             float level) {
  AudioFilter* chain = stages_ + ch * kStages;
  const float k = loop.k;
  const float norm = 1.0f / (1.0f + k * loop.g);
  for (int i = 0; i < frames; ++i) {
    float s = 0.0f;
    for (int j = 0; j < kStages; ++j) s += loop.weight[j] * chain[j].GetStorageValue();
    float v = (x[i] + k * s) * norm;
    for (int j = 0; j < kStages; ++j) v = chain[j].ProcessSample(v);
    y[i] = (kWetGain * v + kDryGain * x[i]) * level;
  }
}

void CPhaser::Sweep(Loop (&loops)[2]) {
  const LfoOutput o = lfo_.RenderOutput();
  const double depth = params_.depthPct / 100.0;
  const float left = params_.quadrature ? o.quadrature : o.normal;
  SweepChannel(0, static_cast<float>(left * depth));
  SweepChannel(1, static_cast<float>(o.inverted * depth));
  const float k = static_cast<float>(params_.intensityPct / 100.0);
  for (int ch = 0; ch < 2; ++ch) loops[ch] = PrepareLoop(ch, k);
}

void CPhaser::Process(float** in, float** out, int frames, float level) {
  Loop loops[2];
  Sweep(loops);
  if (ProcessAllPassChannels(loops, in, out, frames, level)) return;
  if (ProcessBothChannels(loops, in, out, frames, level)) return;
  for (int ch = 0; ch < 2; ++ch) ProcessChannel(ch, loops[ch], in[ch], out[ch], frames, level);
}

void CPhaser::ProcessReference(float** in, float** out, int frames, float level) {
  Loop loops[2];
  Sweep(loops);
  for (int ch = 0; ch < 2; ++ch) ProcessChannel(ch, loops[ch], in[ch], out[ch], frames, level);
}

namespace {

// The two channels' loop gains and output mix, left in lane 0 and right in lane 1.
struct LanePair {
  LanePair(float kLeft, float gLeft, float kRight, float gRight, float level)
      : k(v4::Set(kLeft, kRight, 0.0f, 0.0f)),
        norm(v4::Set(1.0f / (1.0f + kLeft * gLeft), 1.0f / (1.0f + kRight * gRight), 0.0f, 0.0f)),
        wet(v4::Set1(kWetGain)),
        dry(v4::Set1(kDryGain)),
        gain(v4::Set1(level)) {}
  static v4::f4 In(float** in, int i) { return v4::Set(in[0][i], in[1][i], 0.0f, 0.0f); }
  // The wet loop output v mixed with the dry input x at the level.
  void Out(float** out, int i, v4::f4 x, v4::f4 v) const {
    using namespace v4;
    alignas(16) float result[4];
    Store(result, Mul(MulAdd(Mul(wet, v), dry, x), gain));
    out[0][i] = result[0];
    out[1][i] = result[1];
  }
  v4::f4 k, norm, wet, dry, gain;
};

}  // namespace

// The same operations, in the same order, as ProcessChannel and the sections' transposed
// canonical step, lane 0 left and lane 1 right.
bool CPhaser::ProcessBothChannels(const Loop (&loops)[2], float** in, float** out, int frames, float level) {
  for (const AudioFilter& f : stages_)
    if (f.Section().GetRealisation() != Biquad::kTransposedCanonical) return false;
  using namespace v4;
  auto pair = [](float l, float r) { return Set(l, r, 0.0f, 0.0f); };
  auto coef = [this, &pair](int stage, int32_t index) {
    return pair(stages_[stage].Coefficient(index), stages_[kStages + stage].Coefficient(index));
  };
  f4 a0[kStages], a1[kStages], a2[kStages], b1[kStages], b2[kStages], c0[kStages], d0[kStages];
  f4 s0[kStages], s1[kStages], weight[kStages];
  for (int j = 0; j < kStages; ++j) {
    a0[j] = coef(j, Biquad::kA0);
    a1[j] = coef(j, Biquad::kA1);
    a2[j] = coef(j, Biquad::kA2);
    b1[j] = coef(j, Biquad::kB1);
    b2[j] = coef(j, Biquad::kB2);
    c0[j] = coef(j, Biquad::kC0);
    d0[j] = coef(j, Biquad::kD0);
    s0[j] = pair(stages_[j].Section().State()[0], stages_[kStages + j].Section().State()[0]);
    s1[j] = pair(stages_[j].Section().State()[1], stages_[kStages + j].Section().State()[1]);
    weight[j] = pair(loops[0].weight[j], loops[1].weight[j]);
  }
  const LanePair lanes(loops[0].k, loops[0].g, loops[1].k, loops[1].g, level);
  const f4 k = lanes.k, norm = lanes.norm, zero = Set1(0.0f), smallest = Set1(FLT_MIN);
  for (int i = 0; i < frames; ++i) {
    const f4 x = lanes.In(in, i);
    f4 s = zero;
    for (int j = 0; j < kStages; ++j) s = MulAdd(s, weight[j], s0[j]);
    f4 v = Mul(MulAdd(x, k, s), norm);
    for (int j = 0; j < kStages; ++j) {
      f4 y = MulAdd(s0[j], a0[j], v);
      // Subnormal results become exactly 0, as in the section's own step.
      const f4 a = Abs(y);
      y = Select(AndU(CmpLt(a, smallest), CmpGt(a, zero)), zero, y);
      s0[j] = Add(Sub(Mul(a1[j], v), Mul(b1[j], y)), s1[j]);
      s1[j] = Sub(Mul(a2[j], v), Mul(b2[j], y));
      v = MulAdd(Mul(d0[j], v), c0[j], y);
    }
    lanes.Out(out, i, x, v);
  }
  for (int j = 0; j < kStages; ++j) {
    float* left = stages_[j].MutableSection().MutableState();
    float* right = stages_[kStages + j].MutableSection().MutableState();
    left[0] = Lane(s0[j], 0);
    right[0] = Lane(s0[j], 1);
    left[1] = Lane(s1[j], 0);
    right[1] = Lane(s1[j], 1);
  }
  return true;
}

bool CPhaser::ProcessAllPassChannels(const Loop (&loops)[2], float** in, float** out, int frames, float level) {
  for (const AudioFilter& f : stages_) {
    const Biquad& b = f.Section();
    if (b.GetRealisation() != Biquad::kTransposedCanonical) return false;
    const float* c = b.Coefficients();
    if (c[Biquad::kA1] != 1.0f || c[Biquad::kA2] != 0.0f || c[Biquad::kB2] != 0.0f || c[Biquad::kC0] != 1.0f ||
        c[Biquad::kD0] != 0.0f || c[Biquad::kB1] != c[Biquad::kA0] || b.State()[1] != 0.0f)
      return false;
  }
  // Without feedback the loop's input is x itself; NEON has flushed subnormal results
  // already, and so has x86 while its flush mode is on.
  const bool feedback = loops[0].k != 0.0f || loops[1].k != 0.0f;
#if SIMD4_NEON
  const bool flush = false;
#else
  const bool flush = !platform::FlushToZeroEnabled();
#endif
  if (feedback) {
    if (flush)
      RunAllPassChannels<true, true>(loops, in, out, frames, level);
    else
      RunAllPassChannels<true, false>(loops, in, out, frames, level);
  } else {
    if (flush)
      RunAllPassChannels<false, true>(loops, in, out, frames, level);
    else
      RunAllPassChannels<false, false>(loops, in, out, frames, level);
  }
  return true;
}

// With a1 = c0 = 1 and a2 = b2 = d0 = 0 the section's step is y = s0 + a0 v, s0 = v - a0 y
// (plus a second state that stays 0) and the stage passes y on: the same values, up to the
// sign of a zero. With K = 0, (x + K S) / (1 + K G) is x.
template <bool kFeedback, bool kFlush>
void CPhaser::RunAllPassChannels(const Loop (&loops)[2], float** in, float** out, int frames, float level) {
  using namespace v4;
  auto pair = [](float l, float r) { return Set(l, r, 0.0f, 0.0f); };
  f4 a[kStages], s0[kStages], weight[kStages];
  for (int j = 0; j < kStages; ++j) {
    a[j] = pair(stages_[j].Coefficient(Biquad::kA0), stages_[kStages + j].Coefficient(Biquad::kA0));
    s0[j] = pair(stages_[j].Section().State()[0], stages_[kStages + j].Section().State()[0]);
    weight[j] = pair(loops[0].weight[j], loops[1].weight[j]);
  }
  const LanePair lanes(loops[0].k, loops[0].g, loops[1].k, loops[1].g, level);
  const f4 k = lanes.k, norm = lanes.norm, zero = Set1(0.0f), smallest = Set1(FLT_MIN);
  for (int i = 0; i < frames; ++i) {
    const f4 x = lanes.In(in, i);
    f4 v = x;
    if constexpr (kFeedback) {
      f4 s = zero;
      for (int j = 0; j < kStages; ++j) s = MulAdd(s, weight[j], s0[j]);
      v = Mul(MulAdd(x, k, s), norm);
    }
    for (int j = 0; j < kStages; ++j) {
      f4 y = MulAdd(s0[j], a[j], v);
      // Subnormal results become 0 as in the section's own step (a zero's sign aside).
      if constexpr (kFlush) y = Select(CmpLt(Abs(y), smallest), zero, y);
      s0[j] = Sub(v, Mul(a[j], y));
      v = y;
    }
    lanes.Out(out, i, x, v);
  }
  for (int j = 0; j < kStages; ++j) {
    stages_[j].MutableSection().MutableState()[0] = Lane(s0[j], 0);
    stages_[kStages + j].MutableSection().MutableState()[0] = Lane(s0[j], 1);
  }
}

void CPhaser::ClearState() {
  for (AudioFilter& f : stages_) f.ClearState();
}
