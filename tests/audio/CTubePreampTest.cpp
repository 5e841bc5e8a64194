// The triode shapers against their formulas (computed in double), and the preamp measured
// from its outputs: polarity through four inverting stages, symmetry, the gains that the
// first SetParam brings in, the record the pages read.
#include <gtest/gtest.h>

#include <algorithm>
#include <cfloat>
#include <cmath>
#include <cstring>
#include <vector>

#include "audio/CTubePreamp.h"
#include "audio/TriodeClassA.h"
#include "platform/Denormals.h"
#include "tests/audio/EffectBuffers.h"
#include "tests/audio/VtableSlot.h"
#include "tests/support/AllocCounter.h"

namespace {

constexpr float kRate = 48000.0f;

double ExpShape(double k, double x) { return (x > 0 ? 1 : (x < 0 ? -1 : 0)) * (1.0 - std::exp(-std::fabs(k * x))); }

TEST(TriodeClassATest, VirtualOperationsKeepTheirSlots) {
  EXPECT_EQ(vtable_test::SlotOf(&TriodeClassA::Reset), 0);
  EXPECT_EQ(vtable_test::SlotOf(&TriodeClassA::CanProcessFrame), 1);
  EXPECT_EQ(vtable_test::SlotOf(&TriodeClassA::ProcessSample), 2);
}

TEST(TriodeClassATest, ShapersFollowTheirFormulas) {
  struct Case {
    int32_t type;
    float k, asymmetry, x;
    double expected;
  };
  const double k3 = 2.0 * (1.0 + 4.0 * 0.5);  // the hard side of asymmetry 0.5
  const Case cases[] = {
      {0, 2.0f, 0.0f, 0.0f, 0.0},
      {1, 2.0f, 0.0f, 0.0f, 0.0},
      {2, 2.0f, 0.5f, 0.0f, 0.0},
      {0, 2.0f, 0.0f, 0.3f, ExpShape(2, 0.3)},
      {0, 2.0f, 0.0f, -0.7f, ExpShape(2, -0.7)},
      {1, 2.0f, 0.0f, 0.3f, std::atan(2 * 0.3) / std::atan(2.0)},
      {1, 2.0f, 0.0f, -1.0f, -1.0},
      {2, 2.0f, 0.0f, 0.3f, ExpShape(2, 0.3) / (1.0 - std::exp(-2.0))},
      {2, 2.0f, 0.0f, -1.0f, -1.0},
      {2, 2.0f, 0.5f, 0.3f, ExpShape(k3, 0.3) / (1.0 - std::exp(-k3))},     // hard side
      {2, 2.0f, 0.5f, -0.3f, ExpShape(2, -0.3) / (1.0 - std::exp(-2.0))},  // gentle side
      {2, 2.0f, -0.5f, -0.3f, ExpShape(k3, -0.3) / (1.0 - std::exp(-k3))},
      {3, 2.0f, 0.0f, 0.3f, 0.0},
      {-1, 2.0f, 0.0f, 0.3f, 0.0},
  };
  for (const Case& c : cases) {
    TriodeClassA t;
    TriodeParams p;
    p.type = c.type;
    p.saturation = c.k;
    p.asymmetry = c.asymmetry;
    t.SetParameters(p);
    EXPECT_NEAR(t.Shape(c.x), c.expected, 2e-6) << c.type << " a=" << c.asymmetry << " x=" << c.x;
  }
}

// The vector exponential against std::exp, over the range the shapers feed it and its edges.
TEST(TriodeClassATest, VectorExponentialFollowsStdExp) {
  auto exp4 = [](float x) { return v4::Lane(TriodeClassA::ExpNonPositive(v4::Set1(x)), 0); };
  EXPECT_EQ(exp4(0.0f), 1.0f);
  EXPECT_EQ(exp4(-0.0f), 1.0f);
  for (float x : {-87.4f, -100.0f, -1e30f, -INFINITY}) EXPECT_NEAR(exp4(x), FLT_MIN, FLT_MIN * 1e-5f) << x;
  EXPECT_TRUE(std::isnan(exp4(NAN)));
  double worst = 0.0;
  for (int i = 0; i <= 873360; ++i) {
    const float x = -0.0001f * static_cast<float>(i);
    const double exact = std::exp(static_cast<double>(x));
    worst = std::max(worst, std::fabs(exp4(x) - exact) / exact);
  }
  EXPECT_LT(worst, 3.0 * FLT_EPSILON);
}

// Four differently set stages side by side against each one's Shape and inversion.
TEST(TriodeClassATest, LaneShapersMatchEachStagesShaper) {
  struct Lane {
    float k, asymmetry;
    uint8_t invert;
  };
  const Lane lanes[4] = {{1.0f, 0.0f, 1}, {5.0f, 0.5f, 0}, {0.5f, -1.0f, 1}, {2.0f, -0.25f, 0}};
  TriodeClassA stages[4];
  TriodeClassA::LaneConstants c[4];
  for (int n = 0; n < 4; ++n) {
    TriodeParams p;
    p.type = TriodeParams::kAsymmetricExponential;
    p.saturation = lanes[n].k;
    p.asymmetry = lanes[n].asymmetry;
    p.invert = lanes[n].invert;
    stages[n].SetParameters(p);
    ASSERT_TRUE(stages[n].GetLaneConstants(c[n]));
  }
  auto set = [&](float TriodeClassA::LaneConstants::*f) { return v4::Set(c[0].*f, c[1].*f, c[2].*f, c[3].*f); };
  using C = TriodeClassA::LaneConstants;
  for (float x : {-30.0f, -3.0f, -0.7f, -0.01f, -1e-7f, 0.0f, 1e-7f, 0.2f, 1.0f, 4.0f, 30.0f}) {
    const v4::f4 y = TriodeClassA::ShapeLanes(v4::Set1(x), set(&C::kPositive), set(&C::kNegative),
                                              set(&C::normPositive), set(&C::normNegative));
    for (int n = 0; n < 4; ++n) {
      const float expected = stages[n].Shape(x) * (lanes[n].invert ? -1.0f : 1.0f);
      EXPECT_NEAR(v4::Lane(y, n), expected, 4e-7f) << "lane " << n << " x " << x;
    }
  }
  TriodeParams p;
  p.type = TriodeParams::kArcTangent;
  stages[0].SetParameters(p);
  EXPECT_FALSE(stages[0].GetLaneConstants(c[0]));
}

// Saturation 0 makes the normalised shapers 0/0; they take their limit y = x instead.
TEST(TriodeClassATest, ZeroSaturationIsLinearNotNaN) {
  for (int32_t type : {1, 2}) {
    TriodeClassA t;
    TriodeParams p;
    p.type = type;
    p.saturation = 0.0f;
    p.asymmetry = 0.3f;
    t.SetParameters(p);
    for (float x : {-0.8f, -0.1f, 0.0f, 0.25f, 1.0f}) EXPECT_EQ(t.Shape(x), x) << type;
  }
  TriodeClassA t;
  TriodeParams p;
  p.saturation = 0.0f;
  t.SetParameters(p);
  EXPECT_EQ(t.Shape(0.5f), 0.0f);  // the plain exponential shaper has no normalisation: silence
}

TEST(TriodeClassATest, StageInvertsFiltersAndScales) {
  platform::ScopedFlushToZero ftz;
  TriodeClassA t;
  TriodeParams p;
  p.type = 1;
  p.saturation = 1.0f;
  p.highPassEnable = 0;
  p.outputGain = 0.5f;
  t.SetParameters(p);
  t.Reset(kRate);
  EXPECT_FLOAT_EQ(t.ProcessSample(1.0f), -0.5f);
  p.invert = 0;
  t.SetParameters(p);
  EXPECT_FLOAT_EQ(t.ProcessSample(1.0f), 0.5f);
  // The 1 Hz high-pass removes DC.
  p.highPassEnable = 1;
  t.SetParameters(p);
  t.Reset(kRate);
  float y = 0.0f;
  for (int n = 0; n < 5 * 48000; ++n) y = t.ProcessSample(0.5f);
  EXPECT_NEAR(y, 0.0f, 1e-3f);
}

struct Buffers {
  std::vector<float> left, right, sc;
  float* ptrs[4];
  explicit Buffers(int n) : left(n, 0.0f), right(n, 0.0f), sc(n, 0.0f) {
    ptrs[0] = left.data();
    ptrs[1] = right.data();
    ptrs[2] = sc.data();
    ptrs[3] = sc.data();
  }
};

Buffers Sine(int n, float amplitude, float hz = 1000.0f) {
  Buffers b(n);
  for (int i = 0; i < n; ++i) {
    b.left[i] = amplitude * std::sin(2.0f * 3.1415927f * hz * i / kRate);
    b.right[i] = -0.5f * b.left[i];
  }
  return b;
}

class CTubePreampTest : public ::testing::Test {
 protected:
  void SetUp() override { preamp_.Reset(kRate); }
  platform::ScopedFlushToZero ftz_;
  CTubePreamp preamp_;
};

TEST_F(CTubePreampTest, ResetSetsEveryStageToTheInvertingAsymmetricTriode) {
  for (int c = 0; c < 2; ++c) {
    for (int s = 0; s < CTubePreamp::kStagesPerChannel; ++s) {
      const TriodeParams& p = preamp_.Stage(c, s).Parameters();
      EXPECT_EQ(p.type, TriodeParams::kAsymmetricExponential);
      EXPECT_EQ(p.invert, 1);
      EXPECT_EQ(p.highPassEnable, 1);
      EXPECT_EQ(p.lowShelfEnable, 1);
      EXPECT_EQ(p.highPassHz, 1.0f);
      EXPECT_EQ(p.lowShelfHz, 88.0f);
      EXPECT_EQ(p.lowShelfDb, -12.0f);
      EXPECT_EQ(p.outputGain, 1.0f);
      EXPECT_EQ(p.saturation, 1.0f);
      EXPECT_EQ(preamp_.Stage(c, s).LowShelf().SampleRate(), kRate);
    }
  }
  EXPECT_EQ(preamp_.Params().saturation, 1.0f);
  EXPECT_EQ(preamp_.RightParams().saturation, 1.0f);
}

TEST_F(CTubePreampTest, SetParamStoresEachIdInItsFieldWithItsScaling) {
  struct Case {
    int id;
    float value;
    int field;
    float stored;
  };
  const Case cases[] = {
      {0, -6.0f, 5, -6.0f}, {1, 500.0f, 4, 500.0f}, {2, 3.0f, 7, 3.0f},
      {3, 2000.0f, 6, 2000.0f}, {4, -4.7f, 3, -4.7f}, {5, 4.0f, 1, 2.0f},  // drive 4 = saturation 2
  };
  for (const Case& c : cases) {
    preamp_.SetParam(c.id, c.value);
    EXPECT_EQ(static_cast<const float*>(preamp_.GetParamBlock())[c.field], c.stored) << "id " << c.id;
  }
  EXPECT_EQ(std::memcmp(&preamp_.Params(), &preamp_.RightParams(), sizeof(TubePreampParams)), 0);
  for (int s = 0; s < CTubePreamp::kStagesPerChannel; ++s) EXPECT_EQ(preamp_.Stage(1, s).Parameters().saturation, 2.0f);

  const TubePreampParams before = preamp_.Params();
  for (int id : {6, 7, -1, 0x0F0}) preamp_.SetParam(id, 9.0f);
  EXPECT_EQ(std::memcmp(&before, &preamp_.Params(), sizeof before), 0);
}

// Four inverting stages: the output keeps the input's polarity; with asymmetry 0 the chain
// is an odd function of its input.
TEST_F(CTubePreampTest, FourInvertingStagesKeepPolarityAndSymmetry) {
  CTubePreamp negated;
  negated.Reset(kRate);
  Buffers a = Sine(4800, 0.5f), b = Sine(4800, -0.5f);
  preamp_.Process(a.ptrs, a.ptrs, 4800, 1.0f);
  negated.Process(b.ptrs, b.ptrs, 4800, 1.0f);
  double correlation = 0.0;
  const Buffers in = Sine(4800, 0.5f);
  for (int n = 0; n < 4800; ++n) {
    ASSERT_EQ(a.left[n], -b.left[n]) << n;
    ASSERT_EQ(a.right[n], -b.right[n]) << n;
    correlation += static_cast<double>(a.left[n]) * in.left[n];
  }
  EXPECT_GT(correlation, 0.0);
  EXPECT_GT(a.left[1], 0.0f);  // the first rising sample comes out rising
}

// Until the first SetParam the gains are 1; then the record's output level of -9 dB counts.
TEST_F(CTubePreampTest, ConstructionOutputLevelTakesEffectAtTheFirstSetParam) {
  CTubePreamp applied;
  applied.Reset(kRate);
  applied.SetParam(0, 0.0f);  // the low shelf gain it already has: only Apply's effect shows
  Buffers a = Sine(2400, 0.3f), b = Sine(2400, 0.3f);
  preamp_.Process(a.ptrs, a.ptrs, 2400, 1.0f);
  applied.Process(b.ptrs, b.ptrs, 2400, 1.0f);
  const float gain = std::pow(10.0f, -9.0f / 20.0f);
  for (int n = 0; n < 2400; ++n) {
    ASSERT_NEAR(b.left[n], a.left[n] * gain, 1e-6f) << n;
    ASSERT_NEAR(b.right[n], a.right[n] * gain, 1e-6f) << n;
  }
}

TEST_F(CTubePreampTest, DriveSaturatesAndLevelScales) {
  preamp_.SetParam(4, 0.0f);
  auto peak = [](CTubePreamp& p, float amplitude, float level) {
    Buffers b = Sine(9600, amplitude);
    p.Process(b.ptrs, b.ptrs, 9600, level);
    float m = 0.0f;
    for (int n = 4800; n < 9600; ++n) m = std::max(m, std::fabs(b.left[n]));
    return m;
  };
  // Drive 10 (k 5): a quiet and a loud input come out much closer than 20 dB apart.
  preamp_.SetParam(5, 10.0f);
  CTubePreamp loud;
  loud.Reset(kRate);
  loud.SetParam(4, 0.0f);
  loud.SetParam(5, 10.0f);
  const float quiet = peak(preamp_, 0.05f, 1.0f);
  const float hot = peak(loud, 0.5f, 1.0f);
  EXPECT_LT(hot / quiet, 3.0f);
  EXPECT_GT(hot / quiet, 1.0f);
  // The level of the slot's fade multiplies the whole output.
  CTubePreamp x, y;
  for (CTubePreamp* p : {&x, &y}) {
    p->Reset(kRate);
    p->SetParam(5, 4.0f);
  }
  EXPECT_FLOAT_EQ(peak(y, 0.3f, 0.25f), 0.25f * peak(x, 0.3f, 1.0f));
}

TEST_F(CTubePreampTest, ZeroDriveStaysFiniteAndProcessAllocatesNothing) {
  preamp_.SetParam(5, 0.0f);
  Buffers b = Sine(4800, 0.8f);
  {
    testing_support::AllocGuard guard;
    preamp_.Process(b.ptrs, b.ptrs, 4800, 1.0f);
    preamp_.Reset(kRate);
    EXPECT_EQ(guard.Count(), 0u);
  }
  for (float v : b.left) ASSERT_TRUE(std::isfinite(v));
  float m = 0.0f;
  for (float v : b.left) m = std::max(m, std::fabs(v));
  EXPECT_GT(m, 0.1f);
}

// The vector form (a channel's four stages side by side in four lanes, the shapers through
// the vector exponential) against each channel's sample-by-sample stages: not the same bits,
// but within float rounding, period after period, so the filter states carried over agree as
// well. The difference grows with the output gain: up to +3 dB it stays within 1e-5 of full
// scale, at the page's +12 dB (the output twice full scale with full drive) it reaches 4.2e-5.
// Periods shorter than the lanes' skew and longer than the form's internal block included.
TEST(CTubePreampLanes, VectorFormMatchesTheSampleBySampleStages) {
  platform::ScopedFlushToZero ftz;
  struct Case {
    const char* what;
    std::vector<std::pair<int, float>> params;
    float level;
    int frames;
    float amplitude;
    float asymmetry = 0.0f;  // no page sets it; written into the record as a page would
    float tolerance = 1e-5f;
  };
  const Case cases[] = {
      {"page defaults", {{1, 500.0f}, {3, 2000.0f}, {4, -4.7f}, {5, 1.0f}}, 1.0f, 128, 0.25f},
      {"full drive, shelves moved", {{0, 6.0f}, {1, 200.0f}, {2, -9.0f}, {3, 6000.0f}, {5, 10.0f}}, 1.0f, 128, 0.9f},
      {"fade level, odd period", {{5, 3.0f}, {4, 3.0f}}, 0.4f, 37, 0.25f},
      {"near silence", {{5, 1.0f}}, 1.0f, 128, 1e-36f},
      {"zero drive: the linear limit", {{5, 0.0f}, {0, 9.0f}, {1, 300.0f}}, 1.0f, 128, 0.5f},
      {"one-sample periods", {{5, 2.0f}, {2, 4.0f}, {3, 3000.0f}}, 1.0f, 1, 0.5f},
      {"three-sample periods", {{5, 6.0f}}, 0.8f, 3, 0.7f},
      {"period longer than the internal block", {{5, 1.5f}, {0, -6.0f}}, 1.0f, 300, 0.4f},
      {"asymmetric, hot input", {{5, 4.0f}}, 1.0f, 128, 3.0f, 0.6f},
      {"negative asymmetry", {{5, 2.0f}}, 1.0f, 64, 0.8f, -0.3f},
      {"output +12 dB, full drive", {{4, 12.0f}, {5, 10.0f}}, 1.0f, 128, 0.9f, 0.0f, 5e-5f},
      {"output +12 dB, light drive", {{4, 12.0f}, {5, 1.0f}, {0, 6.0f}}, 1.0f, 128, 0.5f, 0.0f, 5e-5f},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    CTubePreamp lanes, reference;
    for (CTubePreamp* fx : {&lanes, &reference}) {
      fx->Reset(48000.0f);
      static_cast<TubePreampParams*>(fx->GetParamBlock())->asymmetry = c.asymmetry;
      for (const auto& [id, value] : c.params) fx->SetParam(id, value);
    }
    ASSERT_EQ(lanes.Stage(1, 3).Parameters().asymmetry, c.asymmetry);
    const int periods = std::max(100, 2000 / c.frames);
    effect_buffers::ExpectLanesMatchReference(lanes, reference, c.frames, c.level, c.amplitude, periods, 7u,
                                              c.tolerance);
  }
}

}  // namespace
