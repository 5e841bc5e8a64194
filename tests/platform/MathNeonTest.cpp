#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <cstdint>
#include <limits>

#include "math_neon.h"

namespace {

// What the engine relies on, measured against double-precision references, so the tests
// hold for any implementation (the library's NEON polynomials as much as the C library):
// accuracy where the callers evaluate each function, a bounded result everywhere.
struct Fn {
  const char* name;
  float (*approx)(float);
  double (*reference)(double);
  float lo, hi;      // where the callers need the accuracy
  double absTol;     // error allowed, plus relTol times the value
  double relTol;
  float outLo, outHi;  // every finite argument gives a result in here
};

double Sin(double x) { return std::sin(x); }
double Exp(double x) { return std::exp(x); }
double Atan(double x) { return std::atan(x); }
double Tanh(double x) { return std::tanh(x); }

constexpr float kMax = std::numeric_limits<float>::max();
constexpr float kInf = std::numeric_limits<float>::infinity();
constexpr float kHalfPi = 1.57079637f;  // pi/2 rounded up to float

const Fn kFns[] = {
    // The clamped sine takes [-pi, pi]; the wrapping shaper passes any argument.
    {"sinf_neon", sinf_neon, Sin, -3.14159274f, 3.14159274f, 1e-5, 0.0, -1.0f, 1.0f},
    // The clamped exponential takes [0, 20]; beyond 88.7 it overflows.
    {"expf_neon", expf_neon, Exp, -87.0f, 88.7f, 0.0, 1e-5, 0.0f, kInf},
    {"atanf_neon", atanf_neon, Atan, -kMax, kMax, 1e-5, 0.0, -kHalfPi, kHalfPi},
    {"tanhf_neon", tanhf_neon, Tanh, -kMax, kMax, 1e-7, 1e-5, -1.0f, 1.0f},
};

// Floats spread over every binade (a stride through the bit patterns), both signs.
template <class F>
void ForSampledFloats(F f) {
  for (uint32_t sign : {0u, 0x80000000u})
    for (uint32_t bits = 0; bits < 0x7F800000u; bits += 4099) f(std::bit_cast<float>(sign | bits));
}

TEST(MathNeon, AccurateAgainstADoubleReferenceWhereCallersUseIt) {
  for (const Fn& fn : kFns) {
    SCOPED_TRACE(fn.name);
    int checked = 0;
    auto check = [&](float x) {
      if (x < fn.lo || x > fn.hi) return;
      const double ref = fn.reference(x);
      ASSERT_NEAR(fn.approx(x), ref, fn.absTol + fn.relTol * std::fabs(ref)) << "x = " << x;
      ++checked;
    };
    ForSampledFloats(check);
    for (float x = fn.lo; x < fn.hi && std::isfinite(x); x += (fn.hi - fn.lo) / 20011.0f) check(x);
    EXPECT_GT(checked, 20000);
  }
}

TEST(MathNeon, EveryFiniteArgumentGivesABoundedResult) {
  for (const Fn& fn : kFns) {
    SCOPED_TRACE(fn.name);
    ForSampledFloats([&](float x) {
      const float y = fn.approx(x);
      ASSERT_TRUE(y >= fn.outLo && y <= fn.outHi) << fn.name << "(" << x << ") = " << y;
    });
  }
}

TEST(MathNeon, NaNGivesNaN) {
  for (const Fn& f : kFns) EXPECT_TRUE(std::isnan(f.approx(std::numeric_limits<float>::quiet_NaN()))) << f.name;
}

TEST(MathNeon, EdgesOfTheRange) {
  for (float x : {1e10f, -1e10f, 1e30f, -3.4028235e38f, 3.4028235e38f, 8388609.5f}) {
    const float s = sinf_neon(x);
    EXPECT_TRUE(s >= -1.0f && s <= 1.0f) << x << " -> " << s;
  }
  EXPECT_EQ(expf_neon(89.0f), std::numeric_limits<float>::infinity());
  EXPECT_EQ(expf_neon(-104.0f), 0.0f);
  EXPECT_NEAR(atanf_neon(3.4028235e38f), static_cast<float>(M_PI / 2), 1e-6f);
  EXPECT_NEAR(atanf_neon(-3.4028235e38f), static_cast<float>(-M_PI / 2), 1e-6f);
  EXPECT_EQ(tanhf_neon(50.0f), 1.0f);
  EXPECT_EQ(tanhf_neon(-50.0f), -1.0f);
}

}  // namespace
