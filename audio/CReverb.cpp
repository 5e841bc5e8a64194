#include "audio/CReverb.h"

#include "audio/ParamRange.h"

#include <algorithm>
#include <cfloat>
#include <cmath>

#include "platform/Simd4.h"

namespace {

constexpr ReverbParams kConstructionParams = {
    CReverb::kThick, 5.0f, 100.0f, 50.0f, 100.0f, 0.0f, 0.0f, 0.0f, 0.0f, 0.0f, 0.0f, 0.0f, -3.0f, 0.0f};

constexpr ReverbParams kDefaultParams = {
    CReverb::kThin,  // density
    37.0f,           // all-pass maximum delay ms
    23.27f,          // all-pass delay weight %
    87.5f,           // fixed maximum delay ms
    100.0f,          // fixed delay weight %
    30.000002f,      // pre-delay ms
    0.27f,           // damping
    0.619981f,       // kRT
    150.0f,          // low shelf Hz
    -20.0f,          // low shelf dB
    4000.0f,         // high shelf Hz
    0.0f,            // high shelf dB
    -12.0f,          // wet dB
    0.0f,            // dry dB
};

// Branch i: outer all-pass weight 2i, inner all-pass weight 2i+1.
constexpr float kAllPassWeights[2 * CReverb::kBranches] = {0.317f, 0.873f, 0.477f, 0.291f,
                                                           0.993f, 0.757f, 0.179f, 0.575f};
constexpr float kFixedWeights[CReverb::kBranches] = {1.0f, 0.873f, 0.707f, 0.667f};

// Mutually prime-ish LFO rates keep the branches from modulating in step (carried only: the
// oscillators stay at rest, see DelayAPF::SetParameters).
constexpr float kOuterLfoRatesHz[CReverb::kBranches] = {0.15f, 0.33f, 0.57f, 0.73f};
constexpr float kOuterAllPassG = 0.5f;
constexpr float kInnerAllPassG = -0.5f;
constexpr float kLfoDepth = 1.0f;
constexpr float kMaxModulationMs = 0.3f;
constexpr float kShelfQ = 0.707f;

struct TapRow {
  int branch;
  float fraction;  // of the branch delay
  float sign;
};
constexpr float kTapWeight = 0.707f;
// Per side: the four taps of both densities, then the four that only the thick one adds.
constexpr TapRow kLeftTaps[] = {
    {0, 0.23f, +1.0f},
    {1, 0.41f, -1.0f},
    {2, 0.59f, +1.0f},
    {3, 0.73f, -1.0f},
    {0, 0.31f, +1.0f},
    {1, 0.47f, -1.0f},
    {2, 0.67f, +1.0f},
    {3, 0.83f, -1.0f},
};
constexpr TapRow kRightTaps[] = {
    {0, 0.29f, -1.0f},
    {1, 0.43f, +1.0f},
    {2, 0.61f, -1.0f},
    {3, 0.79f, +1.0f},
    {0, 0.37f, -1.0f},
    {1, 0.53f, +1.0f},
    {2, 0.71f, -1.0f},
    {3, 0.89f, +1.0f},
};

struct ParamRow {
  int id;
  float ReverbParams::*field;
  float scale;
  float low = -param_range::kUnbounded;  // bounds of the stored value
  float high = param_range::kUnbounded;
};
// id 14 (density) is not a plain value and is handled on its own.
constexpr ParamRow kParamRows[] = {
    {1, &ReverbParams::preDelayMs, 1.0f},
    {2, &ReverbParams::kRT, 1.0f},
    {3, &ReverbParams::damping, 0.01f},
    {4, &ReverbParams::wetDb, 1.0f, param_range::kMinLevelDb, param_range::kMaxLevelDb},
    {5, &ReverbParams::dryDb, 1.0f, param_range::kMinLevelDb, param_range::kMaxLevelDb},
    {6, &ReverbParams::lowShelfHz, 1.0f},
    {7, &ReverbParams::lowShelfDb, 1.0f},
    {8, &ReverbParams::highShelfHz, 1.0f},
    {9, &ReverbParams::highShelfDb, 1.0f},
    {10, &ReverbParams::apfMaxDelayMs, 1.0f},
    {11, &ReverbParams::apfDelayWeightPct, 1.0f},
    {12, &ReverbParams::fixedMaxDelayMs, 1.0f},
    {13, &ReverbParams::fixedDelayWeightPct, 1.0f},
};
constexpr int kDensityId = 14;

// Presets may carry any number: a loop gain or damping outside 0..1 makes the tank diverge.
float Clamp01(float v) { return v > 0.0f ? (v < 1.0f ? v : 1.0f) : 0.0f; }

}  // namespace

CReverb::CReverb() : CEffectBase(&params_), params_(kConstructionParams) {}

void CReverb::Reset(float sampleRate) {
  sampleRate_ = sampleRate;
  preDelay_.SetMaxDelayMs(kLineMs);
  preDelay_.Reset(sampleRate);
  for (int i = 0; i < kBranches; ++i) {
    branchDelay_[i].SetMaxDelayMs(kLineMs);
    branchDelay_[i].Reset(sampleRate);
    branchAllPass_[i].SetMaxDelayMs(kLineMs);
    branchAllPass_[i].Reset(sampleRate);
    damping_[i].Reset(sampleRate);
  }
  for (TwoBandShelvingFilter& s : shelf_) s.Reset(sampleRate);
  params_ = kDefaultParams;
  Apply();
}

void CReverb::SetParam(int id, float value) {
  // A corrupt preset or a runaway controller must not reach the signal path.
  if (!std::isfinite(value)) return;
  if (id == kDensityId) {
    params_.density = value == 0.0f ? kThin : kThick;
    Apply();
    return;
  }
  for (const ParamRow& row : kParamRows) {
    if (row.id == id) {
      params_.*row.field = std::clamp(value * row.scale, row.low, row.high);
      Apply();
      return;
    }
  }
}

void CReverb::Apply() {
  const ShelvingParams shelves{params_.lowShelfHz, params_.lowShelfDb, params_.highShelfHz, params_.highShelfDb};
  for (TwoBandShelvingFilter& s : shelf_) s.SetParameters(shelves, kShelfQ);

  const float damping = Clamp01(params_.damping);
  for (SimpleLPF& lpf : damping_) lpf.SetCoefficient(damping);

  // Whole-sample reads everywhere: the fractional part of each delay is dropped.
  preDelay_.SetInterpolate(false);
  preDelay_.SetDelayMs(params_.preDelayMs);

  const float t = params_.apfMaxDelayMs * params_.apfDelayWeightPct / 100.0f;
  for (int i = 0; i < kBranches; ++i) {
    NestedApfParams apf;
    apf.outerDelayMs = t * kAllPassWeights[2 * i];
    apf.innerDelayMs = t * kAllPassWeights[2 * i + 1];
    apf.outerG = kOuterAllPassG;
    apf.innerG = kInnerAllPassG;
    apf.lfoEnable = 1;
    apf.lfoRateHz = kOuterLfoRatesHz[i];
    apf.lfoDepth = kLfoDepth;
    apf.maxModulationMs = kMaxModulationMs;
    branchAllPass_[i].SetParameters(apf);

    branchDelay_[i].SetInterpolate(false);
    branchDelay_[i].SetDelayMs(kFixedWeights[i] * params_.fixedDelayWeightPct / 100.0f * params_.fixedMaxDelayMs);
  }

  tapsPerSide_ = (params_.density == kThin ? kThinTaps : kThickTaps) / 2;
  auto tap = [this](const TapRow& row) {
    // Within the line already (fraction < 1 of a limited delay); whole samples.
    const float delay = std::trunc(branchDelay_[row.branch].DelaySamples() * row.fraction);
    return Tap{row.branch, delay, row.sign * kTapWeight, static_cast<uint32_t>(delay)};
  };
  // A block reads the last branch for the first one's feedback before writing it, so that
  // line must reach at least three samples back; the taps read after a whole chunk's
  // writes, so none may reach round the ring to a sample written later in the chunk.
  const uint32_t ring = branchDelay_[kBranches - 1].BufferSize();
  blocks_ = branchDelay_[kBranches - 1].DelaySamples() >= 3.0f;
  for (int k = 0; k < kThickTaps / 2; ++k) {
    leftTaps_[k] = tap(kLeftTaps[k]);
    rightTaps_[k] = tap(kRightTaps[k]);
    if (std::max(leftTaps_[k].whole, rightTaps_[k].whole) + kChunk > ring) blocks_ = false;
  }

  feedback_ = Clamp01(params_.kRT);
  wetGain_ = std::pow(10.0f, params_.wetDb / 20.0f);
  dryGain_ = std::pow(10.0f, params_.dryDb / 20.0f);
}

bool CReverb::ProcessInternal(const float* inputFrame, float* outputFrame, uint32_t inputChannels,
                              uint32_t outputChannels) {
  const float inL = inputChannels > 0 ? inputFrame[0] : 0.0f;
  const float inR = inputChannels > 1 ? inputFrame[1] : 0.0f;
  const float input = inputChannels > 0 ? (inL + inR) / static_cast<float>(inputChannels) : 0.0f;

  // The last branch's output closes the loop into the first, read before its write.
  const SimpleDelay& last = branchDelay_[kBranches - 1];
  float feedback = feedback_ * last.Read(last.DelaySamples());

  const float p = preDelay_.ProcessSample(input);
  for (int i = 0; i < kBranches; ++i) {
    float y = branchAllPass_[i].ProcessSample(p + feedback);
    y = damping_[i].ProcessSample(y);
    feedback = feedback_ * branchDelay_[i].ProcessSample(y);
  }

  float left = 0.0f, right = 0.0f;
  for (int k = 0; k < tapsPerSide_; ++k) {
    left += leftTaps_[k].weight * branchDelay_[leftTaps_[k].branch].Read(leftTaps_[k].delaySamples);
    right += rightTaps_[k].weight * branchDelay_[rightTaps_[k].branch].Read(rightTaps_[k].delaySamples);
  }
  left = shelf_[0].ProcessSample(left);
  right = shelf_[1].ProcessSample(right);

  if (outputChannels >= 2) {
    outputFrame[0] = wetGain_ * left + dryGain_ * inL;
    outputFrame[1] = wetGain_ * right + dryGain_ * inR;
  } else if (outputChannels == 1) {
    outputFrame[0] = dryGain_ * inL + wetGain_ * (left + right) / 2.0f;
  }
  return true;
}

void CReverb::Process(float** in, float** out, int frames, float level) {
  int n = 0;
  if (blocks_) {
    using namespace v4;
    const f4 wet = Set1(wetGain_), dry = Set1(dryGain_), gain = Set1(level);
    while (frames - n >= 4) {
      const int count = std::min(kChunk, (frames - n) & ~3);
      for (int k = 0; k < count; k += 4) RunTank(in[0] + n + k, in[1] + n + k);
      // The taps of every frame, read after the last frame's writes (see Apply).
      alignas(16) float wetL[kChunk] = {}, wetR[kChunk] = {};
      for (int k = 0; k < tapsPerSide_; ++k) {
        const Tap& a = leftTaps_[k];
        const Tap& b = rightTaps_[k];
        branchDelay_[a.branch].AddScaled(a.whole + count, count, a.weight, wetL);
        branchDelay_[b.branch].AddScaled(b.whole + count, count, b.weight, wetR);
      }
      ShelveBoth(wetL, wetR, count);
      for (int k = 0; k < count; k += 4) {
        const int i = n + k;
        Store(out[0] + i, Mul(Add(Mul(wet, Load(wetL + k)), Mul(dry, Load(in[0] + i))), gain));
        Store(out[1] + i, Mul(Add(Mul(wet, Load(wetR + k)), Mul(dry, Load(in[1] + i))), gain));
      }
      n += count;
    }
  }
  float* rest[2] = {in[0] + n, in[1] + n};
  float* restOut[2] = {out[0] + n, out[1] + n};
  ProcessReference(rest, restOut, frames - n, level);
}

void CReverb::ProcessReference(float** in, float** out, int frames, float level) {
  for (int n = 0; n < frames; ++n) {
    const float frameIn[2] = {in[0][n], in[1][n]};
    float frameOut[2];
    ProcessInternal(frameIn, frameOut, 2, 2);
    out[0][n] = frameOut[0] * level;
    out[1][n] = frameOut[1] * level;
  }
}

// The same operations as four ProcessInternal calls up to the taps; each branch runs its four
// frames before the next, which sees the same inputs because every branch line is at least
// four frames long.
void CReverb::RunTank(const float* inL, const float* inR) {
  using namespace v4;
  const f4 input = Mul(Add(Load(inL), Load(inR)), Set1(0.5f));  // exactly the frame's (L + R) / 2
  const f4 loopGain = Set1(feedback_);

  const SimpleDelay& last = branchDelay_[kBranches - 1];
  f4 feedback = Mul(loopGain, last.Load4(static_cast<uint32_t>(last.DelaySamples()) + 1u));
  const f4 p = preDelay_.Process4(input);
  for (int i = 0; i < kBranches; ++i) {
    f4 y = branchAllPass_[i].Process4(Add(p, feedback));
    y = damping_[i].Process4(y);
    feedback = Mul(loopGain, branchDelay_[i].Process4(y));
  }
}

// Both channels' shelves, both sections, in four lanes (left low, right low, left high, right
// high): the sections' transposed canonical step and the filters' wet/dry mix, operation for
// operation. The high lanes run one frame behind the low ones, whose output they take.
void CReverb::ShelveBoth(float* left, float* right, int frames) {
  const AudioFilter* sections[4] = {&shelf_[0].LowShelf(), &shelf_[1].LowShelf(), &shelf_[0].HighShelf(),
                                    &shelf_[1].HighShelf()};
  for (const AudioFilter* f : sections) {
    if (f->Section().GetRealisation() != Biquad::kTransposedCanonical) {
      for (int n = 0; n < frames; ++n) {
        left[n] = shelf_[0].ProcessSample(left[n]);
        right[n] = shelf_[1].ProcessSample(right[n]);
      }
      return;
    }
  }
  using namespace v4;
  auto lanes = [&sections](auto value) {
    return Set(value(*sections[0]), value(*sections[1]), value(*sections[2]), value(*sections[3]));
  };
  auto coef = [&lanes](Biquad::CoefIndex i) { return lanes([i](const AudioFilter& f) { return f.Coefficient(i); }); };
  auto state = [&lanes](int i) { return lanes([i](const AudioFilter& f) { return f.Section().State()[i]; }); };
  const f4 a0 = coef(Biquad::kA0), a1 = coef(Biquad::kA1), a2 = coef(Biquad::kA2), b1 = coef(Biquad::kB1),
           b2 = coef(Biquad::kB2), c0 = coef(Biquad::kC0), d0 = coef(Biquad::kD0);
  f4 s0 = state(0), s1 = state(1);
  const f4 zero = Set1(0.0f), smallest = Set1(FLT_MIN);
  // The first and last steps of a run leave one pair of lanes as it is.
  const u4 low = CmpGt(Set(1.0f, 1.0f, 0.0f, 0.0f), zero);
  const u4 high = CmpGt(Set(0.0f, 0.0f, 1.0f, 1.0f), zero);
  auto step = [&](f4 x, const u4* only) {
    f4 y = MulAdd(s0, a0, x);
    // Subnormal results become exactly 0, as in the section's own step.
    const f4 a = Abs(y);
    y = Select(AndU(CmpLt(a, smallest), CmpGt(a, zero)), zero, y);
    const f4 next0 = Add(Sub(Mul(a1, x), Mul(b1, y)), s1);
    const f4 next1 = Sub(Mul(a2, x), Mul(b2, y));
    s0 = only ? Select(*only, next0, s0) : next0;
    s1 = only ? Select(*only, next1, s1) : next1;
    return MulAdd(Mul(d0, x), c0, y);
  };
  alignas(16) float out[4];
  Store(out, step(Set(left[0], right[0], 0.0f, 0.0f), &low));
  for (int n = 1; n < frames; ++n) {
    Store(out, step(Set(left[n], right[n], out[0], out[1]), nullptr));
    left[n - 1] = out[2];
    right[n - 1] = out[3];
  }
  Store(out, step(Set(0.0f, 0.0f, out[0], out[1]), &high));
  left[frames - 1] = out[2];
  right[frames - 1] = out[3];

  AudioFilter* owners[4] = {&shelf_[0].MutableLowShelf(), &shelf_[1].MutableLowShelf(),
                            &shelf_[0].MutableHighShelf(), &shelf_[1].MutableHighShelf()};
  for (int i = 0; i < 4; ++i) {
    float* st = owners[i]->MutableSection().MutableState();
    st[0] = Lane(s0, i);
    st[1] = Lane(s1, i);
  }
}

void CReverb::ClearState() {
  // At the rate they were made for, the lines' Resets reuse their storage.
  preDelay_.Reset(sampleRate_);
  for (int i = 0; i < kBranches; ++i) {
    branchDelay_[i].Reset(sampleRate_);
    branchAllPass_[i].Reset(sampleRate_);
    damping_[i].Reset(sampleRate_);
  }
  for (TwoBandShelvingFilter& s : shelf_) s.ClearState();
}
