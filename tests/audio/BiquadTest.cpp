#include <gtest/gtest.h>

#include <cfloat>
#include <cmath>
#include <cstdint>
#include <vector>

#include "audio/Biquad.h"
#include "platform/Denormals.h"
#include "tests/audio/VtableSlot.h"

namespace {

using vtable_test::SlotOf;

constexpr int32_t kRealisations[] = {Biquad::kDirect, Biquad::kCanonical,
                                     Biquad::kTransposedDirect, Biquad::kTransposedCanonical};

// A resonant low-pass (poles at radius 0.95), a0..a2, b1, b2, then c0, d0.
constexpr float kResonant[Biquad::kNumCoefficients] = {0.2f, 0.4f, 0.2f, -1.8f, 0.9025f,
                                                       1.0f, 0.0f};

// Impulse, a step and deterministic noise in one input.
std::vector<float> TestInput() {
  std::vector<float> x(3000, 0.0f);
  x[0] = 1.0f;
  for (int i = 1000; i < 2000; ++i) x[i] = 0.5f;
  uint32_t seed = 12345u;
  for (int i = 2000; i < 3000; ++i) {
    seed = seed * 1664525u + 1013904223u;
    x[i] = static_cast<float>(seed >> 8) / 8388608.0f - 1.0f;
  }
  return x;
}

// y[n] = a0 x[n] + a1 x[n-1] + a2 x[n-2] - b1 y[n-1] - b2 y[n-2], in double.
std::vector<double> Reference(const float (&c)[Biquad::kNumCoefficients], const std::vector<float>& x) {
  std::vector<double> y(x.size());
  double x1 = 0, x2 = 0, y1 = 0, y2 = 0;
  for (std::size_t n = 0; n < x.size(); ++n) {
    y[n] = c[0] * double(x[n]) + c[1] * x1 + c[2] * x2 - c[3] * y1 - c[4] * y2;
    x2 = x1;
    x1 = x[n];
    y2 = y1;
    y1 = y[n];
  }
  return y;
}

class BiquadTest : public ::testing::Test {
 protected:
  platform::ScopedFlushToZero ftz_;
};

TEST_F(BiquadTest, EveryRealisationComputesTheSameDifferenceEquation) {
  const std::vector<float> x = TestInput();
  const std::vector<double> ref = Reference(kResonant, x);
  double peak = 0.0;
  for (double v : ref) peak = std::max(peak, std::fabs(v));
  ASSERT_GT(peak, 1.0);  // the section rings, so a wrong state update shows

  std::vector<std::vector<float>> outputs;
  for (int32_t form : kRealisations) {
    Biquad b;
    b.SetRealisation(form);
    b.SetCoefficients(kResonant);
    std::vector<float> y;
    for (float v : x) y.push_back(b.ProcessSample(v));
    for (std::size_t n = 0; n < x.size(); ++n) {
      ASSERT_NEAR(y[n], ref[n], 2e-5 * peak) << "form " << form << " sample " << n;
    }
    outputs.push_back(y);
  }
  // Rounding differs between the forms, but only at the level of float precision.
  for (std::size_t f = 1; f < outputs.size(); ++f) {
    for (std::size_t n = 0; n < x.size(); ++n) {
      ASSERT_NEAR(outputs[f][n], outputs[0][n], 2e-5 * peak) << "form " << f << " sample " << n;
    }
  }
}

TEST_F(BiquadTest, ResetClearsTheStateOfEveryRealisation) {
  for (int32_t form : kRealisations) {
    Biquad fresh, used;
    for (Biquad* b : {&fresh, &used}) {
      b->SetRealisation(form);
      b->SetCoefficients(kResonant);
    }
    for (int i = 0; i < 50; ++i) used.ProcessSample(1.0f);
    EXPECT_TRUE(used.Reset(48000.0f));
    for (int i = 0; i < Biquad::kNumStates; ++i) EXPECT_EQ(used.State()[i], 0.0f) << form;
    for (int i = 0; i < 20; ++i) {
      const float v = i == 0 ? 1.0f : 0.0f;
      EXPECT_EQ(used.ProcessSample(v), fresh.ProcessSample(v)) << form;
    }
    EXPECT_FALSE(used.CanProcessFrame());
  }
}

TEST_F(BiquadTest, UnknownRealisationPassesTheInputThrough) {
  for (int32_t form : {-1, 4, 1000}) {
    Biquad b;
    b.SetRealisation(form);
    b.SetCoefficients(kResonant);
    for (float v : {1.0f, -0.25f, 3.5f}) EXPECT_EQ(b.ProcessSample(v), v) << form;
    EXPECT_EQ(b.GetStorageValue(), 0.0f);
  }
}

// Runs without flush-to-zero so that the products really are subnormal.
TEST(BiquadSubnormal, SubnormalResultBecomesExactlyZeroAndEntersTheStateAsZero) {
  ASSERT_FALSE(platform::FlushToZeroEnabled());
  volatile float tiny = 1e-30f, x = 1e-10f;
  ASSERT_NE(tiny * x, 0.0f);
  ASSERT_LT(std::fabs(tiny * x), FLT_MIN);

  // a0 makes a subnormal output; b1 copies half of it into a state value.
  const float c[Biquad::kNumCoefficients] = {1e-30f, 0.0f, 0.0f, -0.5f, 0.0f, 1.0f, 0.0f};
  for (int32_t form : kRealisations) {
    for (float in : {1e-10f, -1e-10f}) {
      Biquad b;
      b.SetRealisation(form);
      b.SetCoefficients(c);
      EXPECT_EQ(b.ProcessSample(in), 0.0f) << form;
      if (form == Biquad::kDirect) {
        EXPECT_EQ(b.State()[2], 0.0f);  // y[n-1]
      }
      if (form == Biquad::kTransposedCanonical) {
        EXPECT_EQ(b.State()[0], 0.0f);  // -b1*y
      }
    }
  }
  // The smallest normal float itself is kept.
  const float unity[Biquad::kNumCoefficients] = {1.0f, 0.0f, 0.0f, 0.0f, 0.0f, 1.0f, 0.0f};
  for (int32_t form : kRealisations) {
    Biquad b;
    b.SetRealisation(form);
    b.SetCoefficients(unity);
    EXPECT_EQ(b.ProcessSample(FLT_MIN), FLT_MIN) << form;
    EXPECT_EQ(b.ProcessSample(-FLT_MIN), -FLT_MIN) << form;
  }
}

TEST_F(BiquadTest, StorageValueIsTheNextOutputLessItsInputTerm) {
  const std::vector<float> x = TestInput();
  for (int32_t form : {Biquad::kDirect, Biquad::kTransposedCanonical}) {
    Biquad b;
    b.SetRealisation(form);
    b.SetCoefficients(kResonant);
    for (std::size_t n = 0; n < 1200; ++n) {
      const float s = b.GetStorageValue();
      EXPECT_EQ(b.StorageValue(), s);
      const float y = b.ProcessSample(x[n]);
      ASSERT_NEAR(y, kResonant[Biquad::kA0] * x[n] + s, 1e-5f * (1.0f + std::fabs(y)))
          << "form " << form << " sample " << n;
    }
  }
  for (int32_t form : {Biquad::kCanonical, Biquad::kTransposedDirect}) {
    Biquad b;
    b.SetRealisation(form);
    b.SetCoefficients(kResonant);
    for (int n = 0; n < 10; ++n) b.ProcessSample(1.0f);
    EXPECT_EQ(b.GetStorageValue(), 0.0f) << form;
    EXPECT_EQ(b.StorageValue(), 0.0f) << form;
  }
}

TEST(BiquadLayout, OperationsSitInTheirFixedSlots) {
  EXPECT_EQ(SlotOf(&Biquad::Reset), 0);
  EXPECT_EQ(SlotOf(&Biquad::CanProcessFrame), 1);
  EXPECT_EQ(SlotOf(&Biquad::ProcessSample), 2);
  EXPECT_EQ(SlotOf(&Biquad::GetStorageValue), -1);
  // Nothing after them, no destructor entries either.
  struct Derived : Biquad {
    virtual void Extra() {}
  };
  EXPECT_EQ(SlotOf(&Derived::Extra), 3);
}

}  // namespace
