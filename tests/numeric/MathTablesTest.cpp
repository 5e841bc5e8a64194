#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>

#include "numeric/MathTables.h"
#include "platform/ArmConvert.h"
#include "platform/Denormals.h"

namespace {

const float kInf = std::numeric_limits<float>::infinity();
const double kNaN = std::numeric_limits<double>::quiet_NaN();

class MathTables : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { initMathTables(); }
  platform::ScopedFlushToZero ftz_;
};

TEST_F(MathTables, TablesAreFilledToTheirLastEntry) {
  EXPECT_EQ(expTable()[0], std::exp(-20.0));
  EXPECT_EQ(expTable()[20000], 1.0);
  EXPECT_EQ(expTable()[40000], std::exp(20.0));
  EXPECT_EQ(pow2Table()[0], 1.0);
  EXPECT_EQ(pow2Table()[1000], 2.0);
  EXPECT_EQ(pow2Table()[20000], 1048576.0);
}

struct LookupCase {
  const char* name;
  float (*fn)(double);
  double x;
  float expected;
};

// The first entry below 20 whose table position rounds to the last entry.
const double kJustBelow20 = std::nextafter(20.0, 0.0);

TEST_F(MathTables, LookupsAtTheEdgesOfTheTables) {
  const double p0 = pow2Table()[0];
  const double p1 = pow2Table()[1];
  const LookupCase cases[] = {
      {"exp(0)", lookupExp, 0.0, 1.0f},
      {"exp(-21)", lookupExp, -21.0, 0.0f},
      {"exp(21)", lookupExp, 21.0, kInf},
      {"exp(-inf)", lookupExp, -HUGE_VAL, 0.0f},
      {"exp(+inf)", lookupExp, HUGE_VAL, kInf},
      {"exp(20)", lookupExp, 20.0, static_cast<float>(std::exp(20.0))},
      {"exp(-20)", lookupExp, -20.0, static_cast<float>(std::exp(-20.0))},
      {"exp(just below 20)", lookupExp, kJustBelow20, static_cast<float>(std::exp(20.0))},
      {"pow2(1)", lookupPow2, 1.0, 2.0f},
      {"pow2(-1)", lookupPow2, -1.0, 0.5f},
      {"pow2(0)", lookupPow2, 0.0, 1.0f},
      {"pow2(0.0005)", lookupPow2, 0.0005, static_cast<float>(p0 + (p1 - p0) * 0.5)},
      {"pow2(20)", lookupPow2, 20.0, 1048576.0f},
      {"pow2(-20)", lookupPow2, -20.0, 1.0f / 1048576.0f},
      {"pow2(just below 20)", lookupPow2, kJustBelow20, 1048576.0f},
      {"pow2(just above -20)", lookupPow2, -kJustBelow20, 1.0f / 1048576.0f},
      {"pow2(21)", lookupPow2, 21.0, kInf},
      {"pow2(-21)", lookupPow2, -21.0, 0.0f},
  };
  for (const LookupCase& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(c.fn(c.x), c.expected);
  }
}

TEST_F(MathTables, NaNGivesNaNWithoutIndexingTheTable) {
  EXPECT_TRUE(std::isnan(lookupExp(kNaN)));
  EXPECT_TRUE(std::isnan(lookupPow2(kNaN)));
  EXPECT_TRUE(std::isnan(lookupPow2(-kNaN)));
}

TEST_F(MathTables, InterpolatedLookupsFollowTheLibraryFunctions) {
  // Linear interpolation over steps of 0.001 is good to about 1.3e-7 relative, which a
  // wrong index or fraction would exceed by orders of magnitude.
  for (double x = -19.9993; x < 20.0; x += 0.0137) {
    const double e = std::exp(x);
    ASSERT_NEAR(lookupExp(x), e, e * 3e-7) << "x = " << x;
    const double p = std::pow(2.0, x);
    ASSERT_NEAR(lookupPow2(x), p, p * 3e-7) << "x = " << x;
  }
}

TEST_F(MathTables, ClampInPlaceStoresAndReturnsTheLimitedValue) {
  struct Case {
    float v, lo, hi, expected;
  };
  const Case cases[] = {
      {5.0f, -1.0f, 1.0f, 1.0f},
      {-5.0f, -1.0f, 1.0f, -1.0f},
      {0.25f, -1.0f, 1.0f, 0.25f},
      {kInf, 0.0f, 100.0f, 100.0f},
  };
  for (const Case& c : cases) {
    float v = c.v;
    EXPECT_EQ(clampInPlace(&v, c.lo, c.hi), c.expected);
    EXPECT_EQ(v, c.expected);
  }
}

TEST_F(MathTables, ClampedTranscendentals) {
  struct Case {
    const char* name;
    float (*fn)(float);
    float x;
    float expected;
  };
  const float fPi = static_cast<float>(M_PI);  // 3.14159274, just above pi as a double
  const Case cases[] = {
      {"exp(0)", expClamped, 0.0f, 1.0f},
      {"exp(1)", expClamped, 1.0f, std::exp(1.0f)},
      {"exp(-1)", expClamped, -1.0f, 1.0f / std::exp(1.0f)},
      {"exp(100) clamps at 20", expClamped, 100.0f, std::exp(20.0f)},
      {"exp(-100) clamps at -20", expClamped, -100.0f, 1.0f / std::exp(20.0f)},
      {"sin(4)", sinClamped, 4.0f, 1.0f},
      {"sin(-4)", sinClamped, -4.0f, -1.0f},
      {"sin(pi/2)", sinClamped, static_cast<float>(M_PI / 2), 1.0f},
      {"sin(float pi) is above pi", sinClamped, fPi, 1.0f},
      {"sin(-float pi) is below -pi", sinClamped, -fPi, -1.0f},
      {"sin(below float pi)", sinClamped, std::nextafter(fPi, 0.0f), std::sin(std::nextafter(fPi, 0.0f))},
      {"atan(1)", fastAtan, 1.0f, static_cast<float>(M_PI / 4)},
      {"atan(-1e30)", fastAtan, -1e30f, static_cast<float>(-M_PI / 2)},
      {"atan(smallest normal)", fastAtan, 1.17549435e-38f, 0.0f},
      {"atan(-smallest normal)", fastAtan, -1.17549435e-38f, 0.0f},
      {"atan(denormal)", fastAtan, 1e-40f, 0.0f},
      {"atan(above smallest normal)", fastAtan, 1.1754945e-38f, 1.1754945e-38f},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_NEAR(c.fn(c.x), c.expected, std::fabs(c.expected) * 1e-6f);
  }
  EXPECT_TRUE(std::isnan(sinClamped(std::nanf(""))));
  EXPECT_TRUE(std::isnan(fastAtan(std::nanf(""))));
  EXPECT_TRUE(std::isnan(expClamped(std::nanf(""))));
}

uint32_t BitsOf(float f) {
  uint32_t b;
  std::memcpy(&b, &f, 4);
  return b;
}

TEST_F(MathTables, FastPow4LanesEqualTheScalarFormulaBitForBit) {
  const float as[] = {1e-30f, 1e-3f, 0.1f, 0.5f, 0.999f, 1.0f, 1.5f, 2.0f, 10.0f, 1000.0f, 1e30f, 3.4e38f, 0.0f,
                      -1.0f, std::numeric_limits<float>::denorm_min()};
  const float bs[] = {-100.0f, -3.0f, -1.0f, -0.5f, 0.0f, 0.25f, 0.5f, 1.0f, 2.0f, 3.7f, 10.0f, 1e10f, -1e10f};
  for (float a : as) {
    for (std::size_t j = 0; j + 4 <= std::size(bs); ++j) {
      const float av[4] = {a, a, 2.0f, a};
      const float bv[4] = {bs[j], bs[j + 1], bs[j + 2], bs[j + 3]};
      float out[4];
      fastPow4(av, bv, out);
      for (int l = 0; l < 4; ++l) {
        ASSERT_EQ(BitsOf(out[l]), BitsOf(fastPow4Ref(av[l], bv[l]))) << av[l] << " ^ " << bv[l];
      }
    }
  }
}

TEST_F(MathTables, FastPow4ApproximatesPower) {
  // The bit-pattern interpolation is a piecewise-linear log2 and exp2: for exponents up to 1
  // in size it stays within 12.5 per cent (reached at exponent -1).
  double worst = 0.0;
  for (float a = 0.05f; a < 20.0f; a *= 1.07f) {
    for (float b = -1.0f; b <= 1.0f; b += 0.0625f) {
      const double exact = std::pow(static_cast<double>(a), static_cast<double>(b));
      worst = std::max(worst, std::fabs(fastPow4Ref(a, b) / exact - 1.0));
    }
  }
  EXPECT_LT(worst, 0.1251);
  EXPECT_NEAR(fastPow4Ref(2.0f, 1.0f), 2.0f, 1e-4f);
  EXPECT_NEAR(fastPow4Ref(8.0f, 1.0f / 3.0f), 2.0f, 0.1f);
}

TEST_F(MathTables, FastPow4HoldsOverThePhaseBendsExponents) {
  // The phase bend raises a phase x in 0..1 to e = 1 / (1.02 - |bend|), 0.98..50, and takes
  // the result through a saturating conversion: the bent phase must follow x^e and never
  // pass the end of the cycle before x does.
  for (float e : {0.98f, 1.0f, 1.5f, 2.0f, 3.0f, 5.0f, 10.0f, 20.0f, 35.0f, 50.0f}) {
    EXPECT_EQ(fastPow4Ref(1.0f, e), 1.0f) << e;
    double worst = 0.0;
    double previous = 0.0;
    int backwards = 0, endedEarly = 0;
    for (int i = 0; i <= 4096; ++i) {
      const float x = static_cast<float>(i) / 4096.0f;
      const uint32_t phase = arm::ToUint32(fastPow4Ref(x, e) * 4294967296.0f);
      const double bent = phase / 4294967296.0;
      worst = std::max(worst, std::fabs(bent - std::pow(static_cast<double>(x), static_cast<double>(e))));
      if (bent < previous) ++backwards;
      if (i < 4096 && phase == 0xFFFFFFFFu) ++endedEarly;
      previous = bent;
    }
    EXPECT_LT(worst, 0.12) << e;
    EXPECT_EQ(backwards, 0) << e;
    EXPECT_EQ(endedEarly, 0) << e;
  }
}

}  // namespace
