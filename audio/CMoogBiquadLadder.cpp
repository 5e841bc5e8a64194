#include "audio/CMoogBiquadLadder.h"

#include "audio/ParamRange.h"

#include <algorithm>
#include <cfloat>
#include <cmath>

#include "platform/Simd4.h"

namespace {

constexpr float kDefaultCutoffHz = 60.0f;
constexpr float kDefaultQ = 0.5f;
// Q 1 is a plain four-pole low-pass; Q 10 (resonance 100) puts the loop at the edge of
// self-oscillation. Above that the linear loop diverges and its state turns inf/NaN for
// good, and below Q 0 (resonance 0, K = -4/9) the feedback turns positive and diverges at
// K = -1: the gain stays inside the panel's range.
constexpr float kMinFeedback = -4.0f / 9.0f;
constexpr float kMaxFeedback = 4.0f;
// A first-order low-pass designed at or below 0 Hz, or past half the rate, puts its pole
// on or outside the unit circle; the panel's cutoffs (60 Hz .. 17.4 kHz) lie well inside.
constexpr float kMinCutoffHz = 1.0f;
constexpr float kMaxCutoffShare = 0.45f;

}  // namespace

CMoogBiquadLadder::CMoogBiquadLadder() : CEffectBase(&params_) {}

void CMoogBiquadLadder::Reset(float sampleRate) {
  params_.driveCompensationPct = 0.0f;
  sampleRate_ = sampleRate;
  params_.cutoffHz = kDefaultCutoffHz;
  params_.q = kDefaultQ;
  for (AudioFilter& f : filters_) f.Reset(sampleRate);
  Apply();
  // SetParameters designs only when a value changed, so an unchanged cutoff would keep the
  // coefficients of the previous rate (the construction's 44100 Hz on the first Reset).
  for (AudioFilter& f : filters_) f.SetSampleRate(sampleRate);
}

void CMoogBiquadLadder::SetParam(int id, float value) {
  if (!std::isfinite(value)) return;
  switch (id) {
    case kCutoff:
      params_.cutoffHz = value;
      break;
    case kResonance:
      params_.q = value * 0.1f;
      break;
    case kDriveCompensation:
      params_.driveCompensationPct = param_range::Percent(value);
      break;
    default:
      return;
  }
  Apply();
}

void CMoogBiquadLadder::Apply() {
  k_ = std::clamp((params_.q - 1.0f) * 4.0f / 9.0f, kMinFeedback, kMaxFeedback);
  const int32_t algorithm = filters_[0].GetAlgorithm();
  const float boost = filters_[0].BoostCutDb();
  const float cutoff = std::fmin(std::fmax(params_.cutoffHz, kMinCutoffHz),
                                 kMaxCutoffShare * filters_[0].SampleRate());
  for (AudioFilter& f : filters_) f.SetParameters(algorithm, cutoff, params_.q, boost);
}

// One sample through one channel. The chain's output is G^4 u + sigma, with G the stages'
// instantaneous gain and sigma what their states contribute; solving u = r x - K y for u
// closes the loop without a sample of delay.
inline float CMoogBiquadLadder::ProcessChain(AudioFilter* chain, float x, float drive) {
  const float s1 = chain[0].GetStorageValue();
  const float s2 = chain[1].GetStorageValue();
  const float s3 = chain[2].GetStorageValue();
  const float s4 = chain[3].GetStorageValue();
  const float g = chain[0].Coefficient(Biquad::kA0);
  const float sigma = g * g * g * s1 + g * g * s2 + g * s3 + s4;
  const float u = (drive * x - k_ * sigma) / (1.0f + k_ * g * g * g * g);
  float y = u;
  for (int i = 0; i < kStages; ++i) y = chain[i].ProcessSample(y);
  return y;
}

void CMoogBiquadLadder::Process(float** in, float** out, int frames, float level) {
  const float drive = 1.0f + params_.driveCompensationPct / 100.0f * k_;
  if (ProcessBothChannels(in, out, frames, level, drive)) return;
  ProcessReference(in, out, frames, level);
}

void CMoogBiquadLadder::ProcessReference(float** in, float** out, int frames, float level) {
  const float drive = 1.0f + params_.driveCompensationPct / 100.0f * k_;
  for (int ch = 0; ch < 2; ++ch) {
    AudioFilter* chain = filters_ + ch * kStages;
    const float* x = in[ch];
    float* y = out[ch];
    for (int i = 0; i < frames; ++i) y[i] = ProcessChain(chain, x[i], drive) * level;
  }
}

// ProcessChain and the sections' transposed canonical step, lane 0 left and lane 1 right,
// in the same order, so the same bits. The low-pass's second state and its dry path are zero
// and are left out. The loop's division stays a division (neither unit divides four lanes
// alike): near self-oscillation the loop keeps a rounding difference for good.
bool CMoogBiquadLadder::ProcessBothChannels(float** in, float** out, int frames, float level, float drive) {
  AudioFilter* const left = filters_;
  AudioFilter* const right = filters_ + kStages;
  // The stages of a chain are designed alike, so one set of coefficients per lane serves
  // all four (and stays in registers).
  for (int j = 0; j < 2 * kStages; ++j) {
    const Biquad& b = filters_[j].Section();
    const float* first = filters_[j < kStages ? 0 : kStages].Section().Coefficients();
    if (b.GetRealisation() != Biquad::kTransposedCanonical || b.Coefficient(Biquad::kA2) != 0.0f ||
        b.Coefficient(Biquad::kB2) != 0.0f || b.Coefficient(Biquad::kC0) != 1.0f ||
        b.Coefficient(Biquad::kD0) != 0.0f || b.State()[1] != 0.0f ||
        b.Coefficient(Biquad::kA0) != first[Biquad::kA0] || b.Coefficient(Biquad::kA1) != first[Biquad::kA1] ||
        b.Coefficient(Biquad::kB1) != first[Biquad::kB1])
      return false;
  }
  using namespace v4;
  auto pair = [](float l, float r) { return Set(l, r, 0.0f, 0.0f); };
  f4 s[kStages];
  for (int j = 0; j < kStages; ++j) s[j] = pair(left[j].Section().State()[0], right[j].Section().State()[0]);
  const float gl = left[0].Coefficient(Biquad::kA0), gr = right[0].Coefficient(Biquad::kA0);
  const f4 a1 = pair(left[0].Coefficient(Biquad::kA1), right[0].Coefficient(Biquad::kA1));
  const f4 b1 = pair(left[0].Coefficient(Biquad::kB1), right[0].Coefficient(Biquad::kB1));
  const f4 g = pair(gl, gr), g2 = pair(gl * gl, gr * gr), g3 = pair(gl * gl * gl, gr * gr * gr);
  const float denominatorL = 1.0f + k_ * gl * gl * gl * gl;
  const float denominatorR = 1.0f + k_ * gr * gr * gr * gr;
  const f4 k = Set1(k_), r = Set1(drive), gain = Set1(level), zero = Set1(0.0f), smallest = Set1(FLT_MIN);
  const float* xl = in[0];
  const float* xr = in[1];
  float* yl = out[0];
  float* yr = out[1];
  alignas(16) float result[4];
  alignas(16) float u[4] = {};
  for (int i = 0; i < frames; ++i) {
    const f4 sigma = Add(Add(Add(Mul(g3, s[0]), Mul(g2, s[1])), Mul(g, s[2])), s[3]);
    Store(u, Sub(Mul(r, pair(xl[i], xr[i])), Mul(k, sigma)));
    u[0] /= denominatorL;
    u[1] /= denominatorR;
    f4 v = Load(u);
    for (int j = 0; j < kStages; ++j) {
      f4 y = MulAdd(s[j], g, v);
      // Subnormal results become 0, as in the section's own step.
      y = Select(CmpLt(Abs(y), smallest), zero, y);
      s[j] = Sub(Mul(a1, v), Mul(b1, y));
      v = y;
    }
    Store(result, Mul(v, gain));
    yl[i] = result[0];
    yr[i] = result[1];
  }
  for (int j = 0; j < kStages; ++j) {
    left[j].MutableSection().MutableState()[0] = Lane(s[j], 0);
    right[j].MutableSection().MutableState()[0] = Lane(s[j], 1);
  }
  return true;
}

void CMoogBiquadLadder::ClearState() {
  for (AudioFilter& f : filters_) f.ClearState();
}
