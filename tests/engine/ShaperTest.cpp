#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "engine/Shaper.h"
#include "math_neon.h"
#include "tests/support/AllocCounter.h"
#include "tests/support/LogCapture.h"

namespace {

std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> lines;
  std::istringstream stream(text);
  for (std::string line; std::getline(stream, line);) lines.push_back(line);
  return lines;
}

TEST(Shaper, SelfTestPrintsTheFastFunctionsAndTheConstructorNothing) {
  testing_support::LogCapture capture;
  [[maybe_unused]] Shaper silent;
  EXPECT_EQ(capture.Text(), "");
  Shaper::SelfTest();
  // Five lines per input (atanf_neon, atanf, fastAtan, sinf_neon, expf_neon), then the end
  // line. The smallest denormal prints as 0: fastAtan gives exactly 0, the library keeps its
  // sign.
  const std::string expected =
      "atanf_neon(340282346638528859811704183484516925440.000000) = 1.570796\n"
      "atanf(340282346638528859811704183484516925440.000000) = 1.570796\n"
      "fastAtan(340282346638528859811704183484516925440.000000) = 1.570796\n"
      "sinf_neon(340282346638528859811704183484516925440.000000) = -0.521877\n"
      "expf_neon(340282346638528859811704183484516925440.000000) = inf\n"
      "atanf_neon(100.000000) = 1.560797\n"
      "atanf(100.000000) = 1.560797\n"
      "fastAtan(100.000000) = 1.560797\n"
      "sinf_neon(100.000000) = -0.506366\n"
      "expf_neon(100.000000) = inf\n"
      "atanf_neon(20.000000) = 1.520838\n"
      "atanf(20.000000) = 1.520838\n"
      "fastAtan(20.000000) = 1.520838\n"
      "sinf_neon(20.000000) = 0.912945\n"
      "expf_neon(20.000000) = 485165184.000000\n"
      "atanf_neon(10.000000) = 1.471128\n"
      "atanf(10.000000) = 1.471128\n"
      "fastAtan(10.000000) = 1.471128\n"
      "sinf_neon(10.000000) = -0.544021\n"
      "expf_neon(10.000000) = 22026.464844\n"
      "atanf_neon(1.000000) = 0.785398\n"
      "atanf(1.000000) = 0.785398\n"
      "fastAtan(1.000000) = 0.785398\n"
      "sinf_neon(1.000000) = 0.841471\n"
      "expf_neon(1.000000) = 2.718282\n"
      "atanf_neon(0.000000) = 0.000000\n"
      "atanf(0.000000) = 0.000000\n"
      "fastAtan(0.000000) = 0.000000\n"
      "sinf_neon(0.000000) = 0.000000\n"
      "expf_neon(0.000000) = 1.000000\n"
      "atanf_neon(0.000000) = 0.000000\n"
      "atanf(0.000000) = 0.000000\n"
      "fastAtan(0.000000) = 0.000000\n"
      "sinf_neon(0.000000) = 0.000000\n"
      "expf_neon(0.000000) = 1.000000\n"
      "atanf_neon(-0.000000) = -0.000000\n"
      "atanf(-0.000000) = -0.000000\n"
      "fastAtan(-0.000000) = 0.000000\n"
      "sinf_neon(-0.000000) = -0.000000\n"
      "expf_neon(-0.000000) = 1.000000\n"
      "atanf_neon(-1.000000) = -0.785398\n"
      "atanf(-1.000000) = -0.785398\n"
      "fastAtan(-1.000000) = -0.785398\n"
      "sinf_neon(-1.000000) = -0.841471\n"
      "expf_neon(-1.000000) = 0.367879\n"
      "test finished\n";
  const std::string text = capture.Text();
  EXPECT_EQ(Lines(text).size(), 46u);
  EXPECT_EQ(text, expected);
}

class ShaperCurves : public ::testing::Test {
 protected:
  ShaperCurves() {
    testing_support::LogCapture quiet;
    shaper_ = std::make_unique<Shaper>();
  }
  float Shape(int type, float x, float s) {
    shaper_->SetType(type);
    return shaper_->ShapeSample(x, s);
  }
  std::unique_ptr<Shaper> shaper_;
};

TEST_F(ShaperCurves, CurvesFollowTheirTransferFunctions) {
  // Expected values from independent double-precision forms of each curve.
  struct Case {
    int type;
    double x, s, expected;
  };
  const double kAtanScale = 2.0 / M_PI * 1.28;
  const Case cases[] = {
      {0, 0.2, 0.5, std::sin(4 * 1.5 * 0.2)},
      {0, 0.2, -0.5, 0.5 * std::sin(4 * 0.5 * 0.2) + 0.5 * 0.2},
      {0, 1.0, 0.0, 1.0},    // 4 x beyond pi: the fold saturates
      {0, -1.0, 0.0, -1.0},
      {1, 0.3, -0.5, 0.3},
      {1, 0.9, -0.5, 0.5},
      {1, -0.9, -0.5, -0.5},
      {1, 0.0, -0.5, 0.0},
      {2, 0.5, 0.0, std::atan(1.0) * kAtanScale},
      {2, -0.25, -2.0, std::atan(-1.0) * kAtanScale},
      {2, 0.0, 0.7, 0.0},
      {3, 0.1, 0.0, std::sin(1.08 * M_PI * 8 * 0.1)},
      {3, -0.05, 0.5, std::sin(1.58 * M_PI * 8 * -0.05)},
      {4, 0.5, 0.5, std::tanh(4 * 0.5 * 0.5)},
      {4, -0.3, 0.8, std::tanh(4 * -0.3 * 0.8)},
      {4, 0.7, 0.0, 0.0},
      {4, 10.0, 1.0, 1.0},   // exponent limited to -20
      {5, 0.3, 0.0, 0.25},
      {5, 0.1875, 0.0, 0.25},  // 1.5 steps rounds to the even 2
      {5, 0.0625, 0.0, 0.0},   // 0.5 steps rounds to the even 0
      {5, 0.3, 1.0, std::rint(0.92 * 16 * 0.3) / (0.92 * 16)},
      {6, 0.5, 0.5, 0.0},
      {9, 0.5, 0.5, 0.0},
      {-1, 0.5, 0.5, 0.0},
  };
  for (const Case& c : cases) {
    EXPECT_NEAR(Shape(c.type, static_cast<float>(c.x), static_cast<float>(c.s)), c.expected, 2e-6)
        << "type " << c.type << " x " << c.x << " s " << c.s;
  }
}

TEST_F(ShaperCurves, EdgeSettingsOfTheCurves) {
  for (int i = -200; i <= 200; ++i) {
    const float x = i * 0.01f;
    // Clip at s = -0.5 limits to +-0.5; s = 0.5 turns every non-zero input into -0.5 sign(x).
    EXPECT_FLOAT_EQ(Shape(1, x, -0.5f), std::clamp(x, -0.5f, 0.5f)) << x;
    EXPECT_FLOAT_EQ(Shape(1, x, 0.5f), x == 0.0f ? 0.0f : (x > 0 ? -0.5f : 0.5f)) << x;
    // The sine fold at s = -1 is the identity.
    EXPECT_FLOAT_EQ(Shape(0, x, -1.0f), x) << x;
    // The quantiser at s = 0 lands on eighths.
    const float q = Shape(5, x, 0.0f);
    EXPECT_FLOAT_EQ(q * 8.0f, std::round(q * 8.0f)) << x;
    EXPECT_LE(std::fabs(q - x), 0.0625f + 1e-6f) << x;
  }
}

TEST_F(ShaperCurves, SineWrapFormsItsWholeArgumentInDoublePrecision) {
  // (s + 1 + 0.08) pi 8 x in double, rounded once before the fast sine; a single-precision
  // s + 1 loses the low bits of s and moves the argument by an ulp here and there.
  int mismatches = 0;
  for (int i = -50; i <= 50; ++i) {
    const float s = 0.0173f * static_cast<float>(i) + 1e-7f;
    for (int j = -20; j <= 20; ++j) {
      const float x = 0.0931f * static_cast<float>(j);
      const float expected =
          sinf_neon(static_cast<float>((static_cast<double>(s) + 1.0 + 0.08) * M_PI * 8.0 * x));
      if (Shape(3, x, s) != expected) ++mismatches;
    }
  }
  EXPECT_EQ(mismatches, 0);
}

// The sine wrap runs four samples at a time up to the four-lane sine's range and sample by
// sample for a group that leaves it: either way each sample is the sample curve's.
TEST_F(ShaperCurves, SineWrapBlocksMatchTheSampleCurveInAndBeyondTheVectorRange) {
  constexpr int kCount = 22;  // five groups and a tail
  std::vector<float> left(kCount), right(kCount), cm(kCount, 0.1f), pgm(kCount, 0.0f);
  for (int i = 0; i < kCount; ++i) {
    left[i] = 0.09f * static_cast<float>(i) - 1.0f;
    right[i] = 0.5f - 0.04f * static_cast<float>(i);
  }
  left[9] = 400.0f;    // 400 x 1.18 x 8 pi: beyond the vector sine; its group goes sample by sample
  right[14] = -1e30f;  // far beyond
  shaper_->SetType(Shaper::kSineWrap);
  shaper_->SetBlockSize(kCount);
  std::vector<float> l = left, r = right;
  shaper_->Process(l.data(), r.data(), cm.data(), pgm.data(), 0.0f, 1.0f);
  for (int i = 0; i < kCount; ++i) {
    ASSERT_EQ(l[i], shaper_->ShapeSample(left[i], 0.1f)) << i;
    ASSERT_EQ(r[i], shaper_->ShapeSample(right[i], 0.1f)) << i;
    // Within a few parts in ten million of the exact sine of the argument the curve forms.
    const float argument = static_cast<float>((static_cast<double>(0.1f) + 1.0 + 0.08) * M_PI * 8.0 * left[i]);
    ASSERT_NEAR(l[i], std::sin(static_cast<double>(argument)), 3e-7) << i;
  }
}

TEST_F(ShaperCurves, FiniteInputsGiveFiniteOutputsForEveryCurve) {
  for (int type = 0; type <= 6; ++type) {
    for (float s = -3.0f; s <= 3.0f; s += 0.0625f) {
      for (float x : {-8.0f, -1.0f, -0.01f, 0.0f, 1e-40f, 0.3f, 1.0f, 8.0f}) {
        ASSERT_TRUE(std::isfinite(Shape(type, x, s))) << type << " " << x << " " << s;
      }
    }
    // The quantiser step is 0 where 0.5 + 0.42 s vanishes.
    ASSERT_TRUE(std::isfinite(Shape(5, 0.4f, -0.5f / 0.42f)));
  }
}

TEST_F(ShaperCurves, BlockShapesBothChannelsWithModulatedCurveAndGain) {
  constexpr int kCount = 64;
  std::vector<float> left(kCount), right(kCount), cm(kCount), pgm(kCount);
  for (int i = 0; i < kCount; ++i) {
    left[i] = 0.02f * (i - 32);
    right[i] = -0.5f * left[i] + 0.1f;
    cm[i] = 0.01f * i - 0.3f;
    pgm[i] = 0.5f - 0.005f * i;
  }
  for (int type = 0; type <= 6; ++type) {
    shaper_->SetType(type);
    shaper_->SetBlockSize(kCount);
    std::vector<float> l = left, r = right;
    testing_support::AllocGuard guard;
    shaper_->Process(l.data(), r.data(), cm.data(), pgm.data(), 0.2f, 1.5f);
    EXPECT_EQ(guard.Count(), 0u);
    for (int i = 0; i < kCount; ++i) {
      const float s = cm[i] + 0.2f, g = pgm[i] + 1.5f;
      ASSERT_EQ(l[i], shaper_->ShapeSample(g * left[i], s)) << type << " " << i;
      ASSERT_EQ(r[i], shaper_->ShapeSample(g * right[i], s)) << type << " " << i;
    }
  }
  // A count below 1 leaves the buffers alone.
  shaper_->SetType(1);
  shaper_->SetBlockSize(0);
  std::vector<float> l = left;
  shaper_->Process(l.data(), l.data(), cm.data(), pgm.data(), -0.1f, 1.0f);
  EXPECT_EQ(l, left);
}

}  // namespace
