#include "engine/Shaper.h"

#include <atomic>
#include <cmath>

#include "numeric/MathTables.h"
#include "math_neon.h"
#include "platform/LogSink.h"
#include "platform/Simd4.h"

namespace {

template <int C>
inline float Shape(float x, float s) {
  if constexpr (C == Shaper::kSine) {
    const float y = sinClamped(4.0f * (1.0f + s) * x);
    return s > 0.0f ? y : (1.0f + s) * y - s * x;
  } else if constexpr (C == Shaper::kClip) {
    const float sign = x > 0.0f ? 1.0f : (x < 0.0f ? -1.0f : 0.0f);
    return sign * std::fmin(std::fabs(x), -s);
  } else if constexpr (C == Shaper::kAtan) {
    const float v = (2.0f - s) * x;
    if (v == 0.0f) return 0.0f;
    return static_cast<float>(fastAtan(v) * 0.6366197723675814 * 1.2799999713897705);
  } else if constexpr (C == Shaper::kSineWrap) {
    return sinf_neon(static_cast<float>((static_cast<double>(s) + 1.0 + 0.08) * M_PI * 8.0 * x));
  } else if constexpr (C == Shaper::kTanh) {
    const float e = expClamped(-8.0f * x * s);
    return 2.0f / (e + 1.0f) - 1.0f;
  } else if constexpr (C == Shaper::kQuantise) {
    const double q = 0.5 + 0.42 * s;
    const double steps = q * 16;
    // At q = 0 the step is infinitely wide: everything quantises to 0 (not 0/0).
    if (steps == 0.0) return 0.0f;
    return static_cast<float>(std::rint(steps * x) / steps);
  } else {
    return 0.0f;
  }
}

template <int C>
void ShapeBlock(int count, float* left, float* right, const float* cm, const float* pgm,
                float curve, float density) {
  for (int i = 0; i < count; ++i) {
    const float s = cm[i] + curve;
    const float g = pgm[i] + density;
    left[i] = Shape<C>(g * left[i], s);
    right[i] = Shape<C>(g * right[i], s);
  }
}

// The sine wrap four samples at a time: the arguments formed as the sample curve forms them
// (in double precision), their sines on four lanes, which is what sinf_neon gives lane by
// lane. A group with an argument beyond the four-lane sine's range (or not finite) takes
// sinf_neon sample by sample.
template <>
void ShapeBlock<Shaper::kSineWrap>(int count, float* left, float* right, const float* cm, const float* pgm,
                                   float curve, float density) {
  int i = 0;
  for (; i + 4 <= count; i += 4) {
    alignas(16) float argLeft[4];
    alignas(16) float argRight[4];
    bool inRange = true;
    for (int l = 0; l < 4; ++l) {
      const double scale = (static_cast<double>(cm[i + l] + curve) + 1.0 + 0.08) * M_PI * 8.0;
      const float g = pgm[i + l] + density;
      argLeft[l] = static_cast<float>(scale * (g * left[i + l]));
      argRight[l] = static_cast<float>(scale * (g * right[i + l]));
      inRange = inRange && std::fabs(argLeft[l]) <= v4::kSinLimit && std::fabs(argRight[l]) <= v4::kSinLimit;
    }
    if (inRange) {
      v4::Store(left + i, v4::Sin(v4::Load(argLeft)));
      v4::Store(right + i, v4::Sin(v4::Load(argRight)));
    } else {
      for (int l = 0; l < 4; ++l) {
        left[i + l] = sinf_neon(argLeft[l]);
        right[i + l] = sinf_neon(argRight[l]);
      }
    }
  }
  for (; i < count; ++i) {
    const float s = cm[i] + curve;
    const float g = pgm[i] + density;
    left[i] = Shape<Shaper::kSineWrap>(g * left[i], s);
    right[i] = Shape<Shaper::kSineWrap>(g * right[i], s);
  }
}

void PrintSelfTest() {
  static constexpr float kInputs[] = {3.4028235e38f, 100.0f, 20.0f, 10.0f, 1.0f,
                                      1.401298e-45f, 0.0f, -1.401298e-45f, -1.0f};
  for (float x : kInputs) {
    platform::LogPrintf("atanf_neon(%f) = %f\n", x, atanf_neon(x));
    platform::LogPrintf("atanf(%f) = %f\n", x, std::atan(x));
    platform::LogPrintf("fastAtan(%f) = %f\n", x, fastAtan(x));
    platform::LogPrintf("sinf_neon(%f) = %f\n", x, sinf_neon(x));
    platform::LogPrintf("expf_neon(%f) = %f\n", x, expf_neon(x));
  }
  platform::LogPrintf("test finished\n");
}

// A NaN (from the input or the curve) would reach the effects' feedback lines: it becomes 0.
// The sum of a block is NaN when one of its samples is, so a clean block costs one vector
// pass.
void SilenceNaN(float* left, float* right, int count) {
  v4::f4 sum = v4::Set1(0.0f);
  int i = 0;
  for (; i + 4 <= count; i += 4) sum = v4::Add(sum, v4::Add(v4::Load(left + i), v4::Load(right + i)));
  alignas(16) float lanes[4];
  v4::Store(lanes, sum);
  float total = (lanes[0] + lanes[1]) + (lanes[2] + lanes[3]);
  for (; i < count; ++i) total += left[i] + right[i];
  if (total == total) return;
  for (i = 0; i < count; ++i) {
    if (left[i] != left[i]) left[i] = 0.0f;
    if (right[i] != right[i]) right[i] = 0.0f;
  }
}

std::atomic<bool> g_selfTestLines{true};

}  // namespace

void Shaper::SelfTest() {
  if (g_selfTestLines.load(std::memory_order_relaxed)) PrintSelfTest();
}

void Shaper::SetSelfTestLines(bool on) { g_selfTestLines.store(on, std::memory_order_relaxed); }

float Shaper::ShapeSample(float x, float s) const {
  switch (type_) {
    case kSine: return Shape<kSine>(x, s);
    case kClip: return Shape<kClip>(x, s);
    case kAtan: return Shape<kAtan>(x, s);
    case kSineWrap: return Shape<kSineWrap>(x, s);
    case kTanh: return Shape<kTanh>(x, s);
    case kQuantise: return Shape<kQuantise>(x, s);
    default: return 0.0f;
  }
}

void Shaper::Process(float* left, float* right, const float* cm, const float* pgm, float curve,
                     float density) const {
  const int n = count_;
  switch (type_) {
    case kSine: ShapeBlock<kSine>(n, left, right, cm, pgm, curve, density); break;
    case kClip: ShapeBlock<kClip>(n, left, right, cm, pgm, curve, density); break;
    case kAtan: ShapeBlock<kAtan>(n, left, right, cm, pgm, curve, density); break;
    case kSineWrap: ShapeBlock<kSineWrap>(n, left, right, cm, pgm, curve, density); break;
    case kTanh: ShapeBlock<kTanh>(n, left, right, cm, pgm, curve, density); break;
    case kQuantise: ShapeBlock<kQuantise>(n, left, right, cm, pgm, curve, density); break;
    default: ShapeBlock<-1>(n, left, right, cm, pgm, curve, density); break;
  }
  SilenceNaN(left, right, n);
}
