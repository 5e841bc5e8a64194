#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "math_neon.h"

namespace {

struct Fn {
  const char* name;
  float (*approx)(float);
  float (*libm)(float);
  bool relative;  // exp and tanh are compared relative to the value
};

float Sin(float x) { return std::sin(x); }
float Exp(float x) { return std::exp(x); }
float Atan(float x) { return std::atan(x); }
float Tanh(float x) { return std::tanh(x); }

const Fn kFns[] = {
    {"sinf_neon", sinf_neon, Sin, false},
    {"expf_neon", expf_neon, Exp, true},
    {"atanf_neon", atanf_neon, Atan, false},
    {"tanhf_neon", tanhf_neon, Tanh, true},
};

TEST(MathNeon, AgreesWithTheLibraryToFiveDecimals) {
  for (const Fn& f : kFns) {
    SCOPED_TRACE(f.name);
    for (float x = -80.0f; x <= 80.0f; x += 0.0173f) {
      const float ref = f.libm(x);
      const float tol = f.relative ? 1e-5f * std::fabs(ref) : 1e-5f;
      ASSERT_NEAR(f.approx(x), ref, tol) << "x = " << x;
    }
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
