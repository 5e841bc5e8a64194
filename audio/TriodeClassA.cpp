#include "audio/TriodeClassA.h"

#include <cmath>

namespace {

constexpr float kFilterQ = 0.707f;


}  // namespace

TriodeClassA::TriodeClassA() { SetParameters(params_); }

bool TriodeClassA::Reset(float sampleRate) {
  highPass_.Reset(sampleRate);
  lowShelf_.Reset(sampleRate);
  // Values that do not change afterwards would otherwise keep the previous rate's design.
  highPass_.SetSampleRate(sampleRate);
  lowShelf_.SetSampleRate(sampleRate);
  return true;
}

bool TriodeClassA::CanProcessFrame() { return false; }

void TriodeClassA::SetParameters(const TriodeParams& p) {
  params_ = p;
  highPass_.SetParameters(AudioFilter::kHighPass1, p.highPassHz, kFilterQ, 0.0f);
  lowShelf_.SetParameters(AudioFilter::kLowShelf1, p.lowShelfHz, kFilterQ, p.lowShelfDb);
  const float k = p.saturation;
  kHard_ = k * (1.0f + 4.0f * std::fabs(p.asymmetry));
  normGentle_ = 1.0f / (1.0f - std::exp(-k));
  normHard_ = 1.0f / (1.0f - std::exp(-kHard_));
}

void TriodeClassA::ShapeBlock(float* x, int count) const {
  using namespace v4;
  const float k = params_.saturation;
  if (params_.type != TriodeParams::kAsymmetricExponential || std::fabs(k) <= kLinearSaturation) {
    for (int i = 0; i < count; ++i) x[i] = Shape(x[i]);
    return;
  }
  // The hard side is x >= 0 for a positive asymmetry and x < 0 for a negative one.
  const float a = params_.asymmetry;
  const f4 kPositive = Set1(a > 0.0f ? kHard_ : k), kNegative = Set1(a < 0.0f ? kHard_ : k);
  const f4 normPositive = Set1(a > 0.0f ? normHard_ : normGentle_);
  const f4 normNegative = Set1(a < 0.0f ? normHard_ : normGentle_);
  const f4 zero = Set1(0.0f), one = Set1(1.0f), minusOne = Set1(-1.0f);
  for (int i = 0; i < count; i += 4) {
    const f4 v = Load(x + i);
    const u4 nonNegative = CmpGe(v, zero);
    const f4 kk = Select(nonNegative, kPositive, kNegative);
    const f4 norm = Select(nonNegative, normPositive, normNegative);
    const f4 sign = Select(CmpGt(v, zero), one, Select(CmpLt(v, zero), minusOne, zero));
    const f4 e = Exp(Sub(zero, Abs(Mul(kk, v))));
    Store(x + i, Mul(Mul(sign, Sub(one, e)), norm));
  }
}

float TriodeClassA::ProcessSample(float x) {
  float y = Shape(x);
  if (params_.invert) y = -y;
  if (params_.highPassEnable) y = highPass_.ProcessSample(y);
  if (params_.lowShelfEnable) y = lowShelf_.ProcessSample(y);
  return y * params_.outputGain;
}
