#include <gtest/gtest.h>

#include <bit>
#include <algorithm>
#include <cfloat>
#include <cmath>
#include <cstring>
#include <iomanip>
#include <limits>

#include "platform/ArmConvert.h"
#include "platform/Denormals.h"
#include "platform/Simd4.h"

namespace {

const float kNaN = std::numeric_limits<float>::quiet_NaN();
const float kDenormal = 1.0e-40f;

struct ConvCase {
  float in;
  int32_t s32;
  uint32_t u32;
};

// The answers of the target's VCVT instructions.
const ConvCase kCases[] = {
    {kNaN, 0, 0u},
    {0.0f, 0, 0u},
    {-0.0f, 0, 0u},
    {-1.0f, -1, 0u},
    {0.999f, 0, 0u},
    {-2.5f, -2, 0u},
    {2147483648.0f, INT32_MAX, 2147483648u},
    {-2147483648.0f, INT32_MIN, 0u},
    {4294967040.0f, INT32_MAX, 4294967040u},
    {4294967296.0f, INT32_MAX, UINT32_MAX},
    {1e30f, INT32_MAX, UINT32_MAX},
    {-1e30f, INT32_MIN, 0u},
    {std::numeric_limits<float>::infinity(), INT32_MAX, UINT32_MAX},
    {-std::numeric_limits<float>::infinity(), INT32_MIN, 0u},
    {kDenormal, 0, 0u},
    {-kDenormal, 0, 0u},
};

// The same for doubles, which keep fractions where floats cannot: values that truncate
// into range just beyond the limits, and the last fraction before the next integer.
struct ConvCaseD {
  double in;
  int32_t s32;
  uint32_t u32;
};
const ConvCaseD kCasesD[] = {
    {std::numeric_limits<double>::quiet_NaN(), 0, 0u},
    {0.0, 0, 0u},
    {-0.0, 0, 0u},
    {-0.5, 0, 0u},
    {0.9999999999, 0, 0u},
    {-2.5, -2, 0u},
    {2147483647.0, INT32_MAX, 2147483647u},
    {2147483647.9999, INT32_MAX, 2147483647u},
    {2147483648.0, INT32_MAX, 2147483648u},
    {-2147483648.0, INT32_MIN, 0u},
    {-2147483648.9999, INT32_MIN, 0u},
    {-2147483649.0, INT32_MIN, 0u},
    {-2147483647.5, -2147483647, 0u},
    {4294967295.0, INT32_MAX, 4294967295u},
    {4294967295.9999, INT32_MAX, 4294967295u},
    {4294967296.0, INT32_MAX, UINT32_MAX},
    {1e300, INT32_MAX, UINT32_MAX},
    {-1e300, INT32_MIN, 0u},
    {std::numeric_limits<double>::infinity(), INT32_MAX, UINT32_MAX},
    {-std::numeric_limits<double>::infinity(), INT32_MIN, 0u},
    {std::numeric_limits<double>::denorm_min(), 0, 0u},
    {-std::numeric_limits<double>::denorm_min(), 0, 0u},
};

#if defined(__arm__)
// The target's own VFP conversions, so that on the board (and under its emulation) the
// tables are checked against the instructions as well as the helpers.
int32_t VcvtS32(float v) {
  float r;
  asm("vcvt.s32.f32 %0, %1" : "=t"(r) : "t"(v));
  return std::bit_cast<int32_t>(r);
}
uint32_t VcvtU32(float v) {
  float r;
  asm("vcvt.u32.f32 %0, %1" : "=t"(r) : "t"(v));
  return std::bit_cast<uint32_t>(r);
}
int32_t VcvtS32(double v) {
  float r;
  asm("vcvt.s32.f64 %0, %P1" : "=t"(r) : "w"(v));
  return std::bit_cast<int32_t>(r);
}
uint32_t VcvtU32(double v) {
  float r;
  asm("vcvt.u32.f64 %0, %P1" : "=t"(r) : "w"(v));
  return std::bit_cast<uint32_t>(r);
}
#endif

template <class Case>
void ExpectConversions(const Case& c) {
  SCOPED_TRACE(testing::Message() << std::setprecision(17) << c.in);
  EXPECT_EQ(arm::ToInt32(c.in), c.s32);
  EXPECT_EQ(arm::ToUint32(c.in), c.u32);
#if defined(__arm__)
  EXPECT_EQ(VcvtS32(c.in), c.s32);
  EXPECT_EQ(VcvtU32(c.in), c.u32);
#endif
}

TEST(ArmConvert, ScalarHelpersSaturateTruncateAndZeroNaN) {
  for (const ConvCase& c : kCases) ExpectConversions(c);
  for (const ConvCaseD& c : kCasesD) ExpectConversions(c);
}

TEST(Simd4, ConversionsGiveTheNeonAnswerOnEveryLane) {
  for (const ConvCase& c : kCases) {
    SCOPED_TRACE(c.in);
    const v4::f4 v = v4::Set(c.in, 1.0f, c.in, 3.5f);
    alignas(16) int32_t s[4];
    alignas(16) uint32_t u[4];
    v4::StoreI(s, v4::ToInt32Sat(v));
    v4::StoreU(u, v4::ToUint32Sat(v));
    EXPECT_EQ(s[0], c.s32);
    EXPECT_EQ(s[2], c.s32);
    EXPECT_EQ(s[1], 1);
    EXPECT_EQ(s[3], 3);
    EXPECT_EQ(u[0], c.u32);
    EXPECT_EQ(u[2], c.u32);
    EXPECT_EQ(u[3], 3u);
    EXPECT_EQ(v4::ToInt32SatRef(c.in), c.s32);
    EXPECT_EQ(v4::ToUint32SatRef(c.in), c.u32);
  }
}

uint32_t BitsOf(float f) {
  uint32_t b;
  std::memcpy(&b, &f, 4);
  return b;
}

TEST(Simd4, RecipEstimateMatchesTheReferenceBitForBit) {
  const float inputs[] = {1.0f, 2.0f, 3.0f, 0.75f, -5.5f, 1e-3f, 1e30f, 3e38f, 0.0f, -0.0f, kNaN,
                          std::numeric_limits<float>::infinity(), 1.17549435e-38f, 123456.7f};
  for (float x : inputs) {
    SCOPED_TRACE(x);
    const float vec = v4::Lane(v4::RecipEstimate(v4::Set1(x)), 0);
    const float ref = v4::RecipEstimateRef(x);
    if (std::isnan(ref)) {
      EXPECT_TRUE(std::isnan(vec));
    } else {
      EXPECT_EQ(BitsOf(vec), BitsOf(ref));
    }
  }
  // An 8-bit estimate: close to, but not exactly, the reciprocal.
  EXPECT_EQ(v4::RecipEstimateRef(1.0f), 0.998046875f);
  EXPECT_NEAR(v4::RecipEstimateRef(3.0f), 1.0f / 3.0f, 1.0f / 3.0f / 256.0f);
  EXPECT_EQ(v4::RecipEstimateRef(0.0f), std::numeric_limits<float>::infinity());
  EXPECT_EQ(v4::RecipEstimateRef(3e38f), 0.0f);
}

// Every step of the 8-bit estimate table, at the exponents where the result changes
// class (denormal inputs, the smallest and largest normal results, flushed results), in
// both signs. On the target this compares the unit's VRECPE with the reference.
TEST(Simd4, RecipEstimateMatchesTheReferenceOnEveryTableStep) {
  const uint32_t exponents[] = {0, 1, 2, 126, 127, 128, 200, 252, 253, 254};
  for (uint32_t sign : {0u, 0x80000000u}) {
    for (uint32_t exp : exponents) {
      for (uint32_t step = 0; step < 256; ++step) {
        for (uint32_t low : {0u, 0x7FFFu}) {
          const uint32_t bits = sign | (exp << 23) | (step << 15) | low;
          float x;
          std::memcpy(&x, &bits, 4);
          const float vec = v4::Lane(v4::RecipEstimate(v4::Set1(x)), 0);
          ASSERT_EQ(BitsOf(vec), BitsOf(v4::RecipEstimateRef(x))) << std::hex << "input bits 0x" << bits;
        }
      }
    }
  }
}

// The lanes of one vector in different classes (normal, zero, flushed result, NaN,
// infinity, each sign): no lane takes another's table step or special case.
TEST(Simd4, RecipEstimateTreatsEachLaneOnItsOwn) {
  const float inputs[] = {3.0f, -0.0f, 3e38f, kNaN, -7.25f, std::numeric_limits<float>::infinity(), 0.75f,
                          -1e-3f, 1.17549435e-38f, 0.0f, 1.5f, -123456.7f};
  constexpr int kCount = sizeof(inputs) / sizeof(inputs[0]);
  for (int first = 0; first < kCount; ++first) {
    const float x[4] = {inputs[first], inputs[(first + 5) % kCount], inputs[(first + 7) % kCount],
                        inputs[(first + 10) % kCount]};
    const v4::f4 r = v4::RecipEstimate(v4::Set(x[0], x[1], x[2], x[3]));
    for (int lane = 0; lane < 4; ++lane) {
      const float ref = v4::RecipEstimateRef(x[lane]);
      if (std::isnan(ref)) {
        EXPECT_TRUE(std::isnan(v4::Lane(r, lane))) << x[lane];
      } else {
        EXPECT_EQ(BitsOf(v4::Lane(r, lane)), BitsOf(ref)) << x[lane];
      }
    }
  }
}

TEST(Simd4, GatherPairsReadEachLanesPointAndTheNextOne) {
  float table[260];
  for (int i = 0; i < 260; ++i) table[i] = static_cast<float>(i * i) * 0.5f - 3.0f;
  const int32_t cases[][4] = {{0, 1, 2, 3}, {258, 0, 100, 7}, {5, 5, 5, 5}, {200, 13, 258, 1}};
  for (const auto& c : cases) {
    v4::f4 at;
    v4::f4 next;
    v4::GatherPairs(table, v4::LoadI(c), at, next);
    for (int lane = 0; lane < 4; ++lane) {
      EXPECT_EQ(v4::Lane(at, lane), table[c[lane]]) << c[lane];
      EXPECT_EQ(v4::Lane(next, lane), table[c[lane] + 1]) << c[lane];
    }
  }
}

TEST(Simd4, UnsignedLaneOperationsMatchTheirScalarMeaning) {
  const uint32_t a[4] = {0u, 0x7FFFFFFFu, 0x80000000u, 0xFFFFFFFFu};
  const uint32_t b[4] = {1u, 0x80000000u, 0x7FFFFFFFu, 0xFFFFFFFEu};
  const v4::u4 va = v4::LoadU(a);
  const v4::u4 vb = v4::LoadU(b);
  alignas(16) uint32_t lanes[4];
  auto lane = [&](v4::u4 v, int l) {
    v4::StoreU(lanes, v);
    return lanes[l];
  };
  for (int l = 0; l < 4; ++l) {
    EXPECT_EQ(lane(v4::CmpLtU(va, vb), l), a[l] < b[l] ? ~0u : 0u) << l;
    EXPECT_EQ(lane(v4::CmpLtU(vb, va), l), b[l] < a[l] ? ~0u : 0u) << l;
    EXPECT_EQ(lane(v4::OrU(va, vb), l), a[l] | b[l]) << l;
    EXPECT_EQ(lane(v4::BroadcastLastU(va), l), a[3]) << l;
    // Lanes N..3 of a, then lanes 0..N-1 of b.
    EXPECT_EQ(lane(v4::ExtractU<1>(va, vb), l), l < 3 ? a[l + 1] : b[l - 3]) << l;
    EXPECT_EQ(lane(v4::ExtractU<2>(va, vb), l), l < 2 ? a[l + 2] : b[l - 2]) << l;
    EXPECT_EQ(lane(v4::ExtractU<3>(va, vb), l), l < 1 ? a[l + 3] : b[l - 1]) << l;
  }
}

TEST(Simd4, PairsLoadAndStoreLanesZeroAndOne) {
  const float a = 1.5f, b = -2.25f;
  const v4::f4 v = v4::LoadPair(&a, &b);
  EXPECT_EQ(v4::Lane(v, 0), a);
  EXPECT_EQ(v4::Lane(v, 1), b);
  EXPECT_EQ(v4::Lane(v, 2), 0.0f);
  EXPECT_EQ(v4::Lane(v, 3), 0.0f);
  float out[3] = {7.0f, 7.0f, 7.0f};
  v4::StorePair(&out[0], &out[2], v4::Set(3.0f, 4.0f, 5.0f, 6.0f));
  EXPECT_EQ(out[0], 3.0f);
  EXPECT_EQ(out[1], 7.0f);  // only the two addresses are written
  EXPECT_EQ(out[2], 4.0f);
}

TEST(Simd4, SinStaysWithinTwoTenMillionthsOfTheExactSine) {
  platform::ScopedFlushToZero ftz;
  double worst = 0.0;
  auto check = [&](float x) {
    const float got = v4::Lane(v4::Sin(v4::Set1(x)), 0);
    worst = std::max(worst, std::fabs(static_cast<double>(got) - std::sin(static_cast<double>(x))));
    // Odd to the last bit.
    ASSERT_EQ(BitsOf(v4::Lane(v4::Sin(v4::Set1(-x)), 0)), BitsOf(got) ^ 0x80000000u) << x;
  };
  for (float x = 0.0f; x <= v4::kSinLimit; x += 0.01731f) check(x);
  // Both sides of every quarter turn up to the limit, where the reduction changes branch.
  for (int j = 1; j <= 5215; ++j) {
    const float edge = static_cast<float>((j + 0.5) * M_PI / 2.0);
    check(std::nextafter(edge, 0.0f));
    check(edge);
    check(std::nextafter(edge, v4::kSinLimit));
  }
  EXPECT_LE(worst, 2e-7);
  EXPECT_EQ(BitsOf(v4::Lane(v4::Sin(v4::Set1(-0.0f)), 0)), 0x80000000u);
  EXPECT_EQ(v4::Lane(v4::Sin(v4::Set1(0.0f)), 0), 0.0f);
}

TEST(Simd4, FromUintRoundsOnceToNearestEven) {
  // Exact values, ties to even across 2^24 and 2^31, and the round up to 2^32.
  const uint32_t inputs[] = {0u,          1u,          16777216u,   16777217u,   16777219u,   0x7FFFFFFFu,
                             0x80000000u, 0x80000080u, 0x80000081u, 0x80000180u, 4294967040u, 0xFFFFFF7Fu,
                             0xFFFFFF80u, 0xFFFFFFFFu};
  for (uint32_t u : inputs) {
    EXPECT_EQ(BitsOf(v4::Lane(v4::FromUint(v4::Set1U(u)), 0)), BitsOf(static_cast<float>(u))) << std::hex << u;
  }
}

TEST(Simd4, MulAddRoundsTheProductBeforeTheSum) {
  // (1 + 2^-23)(1 - 2^-23) = 1 - 2^-46: a fused multiply-add would leave -2^-46.
  const float b = 1.0f + 0x1p-23f, c = 1.0f - 0x1p-23f;
  EXPECT_EQ(v4::Lane(v4::MulAdd(v4::Set1(-1.0f), v4::Set1(b), v4::Set1(c)), 0), 0.0f);
}

// The moves the FFT's passes are built from: (a, b) pairs split into two vectors and back,
// pairs taken from four places, and a 4 x 4 transpose, each float where the scalar
// description puts it.
TEST(Simd4, PairsAndTransposePutEveryFloatInItsPlace) {
  float pairs[8];
  for (int i = 0; i < 8; ++i) pairs[i] = static_cast<float>(i + 1);
  v4::f4 a, b;
  v4::LoadPairs(pairs, a, b);
  for (int l = 0; l < 4; ++l) {
    EXPECT_EQ(v4::Lane(a, l), pairs[2 * l]) << l;
    EXPECT_EQ(v4::Lane(b, l), pairs[2 * l + 1]) << l;
  }
  float back[9] = {};
  v4::StorePairs(back + 1, a, b);  // not 16-byte aligned
  for (int i = 0; i < 8; ++i) EXPECT_EQ(back[i + 1], pairs[i]) << i;

  const float p[4][2] = {{10, 11}, {20, 21}, {30, 31}, {40, 41}};
  v4::GatherPairs(p[2], p[0], p[3], p[1], a, b);
  const int order[4] = {2, 0, 3, 1};
  for (int l = 0; l < 4; ++l) {
    EXPECT_EQ(v4::Lane(a, l), p[order[l]][0]) << l;
    EXPECT_EQ(v4::Lane(b, l), p[order[l]][1]) << l;
  }

  v4::f4 rows[4];
  for (int r = 0; r < 4; ++r) rows[r] = v4::Set(4.0f * r, 4.0f * r + 1, 4.0f * r + 2, 4.0f * r + 3);
  v4::Transpose(rows[0], rows[1], rows[2], rows[3]);
  for (int r = 0; r < 4; ++r) {
    for (int c = 0; c < 4; ++c) EXPECT_EQ(v4::Lane(rows[r], c), 4.0f * c + r) << r << "," << c;
  }
}

// What the target's VMIN/VMAX and VRECPS give, bit for bit: a NaN operand gives the
// default NaN in either position, -0 is below +0, and zero times infinity steps to 2.
TEST(Simd4, MinMaxAndRecipStepGiveTheNeonBits) {
  const float inf = std::numeric_limits<float>::infinity();
  const float kDefaultNaN = std::bit_cast<float>(0x7FC00000u);
  struct Case {
    float a, b, min, max;
  };
  const Case cases[] = {
      {1.0f, 2.0f, 1.0f, 2.0f},
      {2.0f, -3.0f, -3.0f, 2.0f},
      {-inf, 3.0f, -inf, 3.0f},
      {-0.0f, 0.0f, -0.0f, 0.0f},
      {0.0f, -0.0f, -0.0f, 0.0f},
      {kNaN, 1.0f, kDefaultNaN, kDefaultNaN},
      {1.0f, kNaN, kDefaultNaN, kDefaultNaN},
      {-kNaN, -0.0f, kDefaultNaN, kDefaultNaN},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.a << ", " << c.b);
    const v4::f4 a = v4::Set(c.a, c.b, c.a, 5.0f), b = v4::Set(c.b, c.a, c.b, 4.0f);
    EXPECT_EQ(BitsOf(v4::Lane(v4::Min(a, b), 0)), BitsOf(c.min));
    EXPECT_EQ(BitsOf(v4::Lane(v4::Min(a, b), 1)), BitsOf(c.min));
    EXPECT_EQ(BitsOf(v4::Lane(v4::Max(a, b), 0)), BitsOf(c.max));
    EXPECT_EQ(BitsOf(v4::Lane(v4::Max(a, b), 1)), BitsOf(c.max));
    EXPECT_EQ(v4::Lane(v4::Min(a, b), 3), 4.0f);
    EXPECT_EQ(v4::Lane(v4::Max(a, b), 3), 5.0f);
  }

  struct StepCase {
    float a, est, expected;
  };
  const StepCase steps[] = {
      {3.0f, 0.3f, 2.0f - 3.0f * 0.3f},
      {0.0f, inf, 2.0f},
      {-inf, 0.0f, 2.0f},
      {-0.0f, -inf, 2.0f},
      {2.0f, inf, -inf},
      {kNaN, 1.0f, kNaN},
  };
  for (const StepCase& c : steps) {
    SCOPED_TRACE(testing::Message() << c.a << " step " << c.est);
    const float r = v4::Lane(v4::RecipStep(v4::Set1(c.a), v4::Set1(c.est)), 0);
    if (std::isnan(c.expected)) {
      EXPECT_TRUE(std::isnan(r));
    } else {
      EXPECT_EQ(BitsOf(r), BitsOf(c.expected));
    }
  }
}

TEST(Denormals, ScopedFlushToZeroFlushesAndRestores) {
  const bool before = platform::FlushToZeroEnabled();
  {
    platform::ScopedFlushToZero ftz;
    EXPECT_TRUE(platform::FlushToZeroEnabled());
    volatile float tiny = 1e-30f;
    volatile float product = tiny * 1e-10f;  // a denormal without flushing
    EXPECT_EQ(product, 0.0f);
  }
  EXPECT_EQ(platform::FlushToZeroEnabled(), before);
}

// The vector exponential against the library's, over its whole range in fine steps, and at
// its edges.
TEST(Simd4, ExpStaysWithinAFewUlpOfTheLibrary) {
  platform::ScopedFlushToZero ftz;
  float worst = 0.0f;
  for (float x = -87.0f; x < 88.0f; x += 0.000731f) {
    const float got = v4::Lane(v4::Exp(v4::Set1(x)), 0);
    const float want = std::exp(x);
    const float ulp = std::nextafter(want, std::numeric_limits<float>::infinity()) - want;
    worst = std::max(worst, std::fabs(got - want) / ulp);
  }
  EXPECT_LE(worst, 3.0f);
  struct Edge {
    float x;
    float want;
  };
  const Edge edges[] = {{0.0f, 1.0f}, {-1000.0f, FLT_MIN}, {-std::numeric_limits<float>::infinity(), FLT_MIN}};
  for (const Edge& e : edges) EXPECT_NEAR(v4::Lane(v4::Exp(v4::Set1(e.x)), 0) / e.want, 1.0f, 1e-5f) << e.x;
  EXPECT_TRUE(std::isnan(v4::Lane(v4::Exp(v4::Set1(std::numeric_limits<float>::quiet_NaN())), 0)));
  EXPECT_TRUE(std::isfinite(v4::Lane(v4::Exp(v4::Set1(1000.0f)), 0)));
}

}  // namespace
