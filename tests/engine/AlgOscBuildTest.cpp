#include <gtest/gtest.h>

#include <cmath>
#include <complex>
#include <functional>
#include <vector>

#include "engine/AlgWaveforms.h"
#include "tests/engine/AlgOscFixture.h"
#include "tests/support/AllocCounter.h"

namespace {

using algosc_test::AlgOscFixture;
constexpr int32_t kN = AlgOsc::kN;

std::vector<float> Cycle(int32_t algorithm, float b, float p2 = 0.0f) {
  std::vector<float> out(kN, 123.0f);
  EXPECT_TRUE(algwave::Generate(algorithm, out.data(), kN, b, p2));
  return out;
}

int CountHigh(const std::vector<float>& v, int from, int to) {
  int n = 0;
  for (int j = from; j < to; ++j) n += v[j] > 0.0f;
  return n;
}

// Magnitude of harmonic h of a table, by a plain double-precision DFT.
double Harmonic(const float* table, int h) {
  std::complex<double> sum = 0.0;
  for (int j = 0; j < kN; ++j) sum += static_cast<double>(table[j]) * std::polar(1.0, -2.0 * M_PI * h * j / kN);
  return std::abs(sum) / kN;
}

struct CycleCase {
  const char* what;
  int32_t algorithm;
  float b;
  std::function<void(const std::vector<float>&)> check;
};

TEST(AlgWaveforms, EdgeCasesOfTheGenerators) {
  const float pi = static_cast<float>(M_PI);
  const CycleCase cases[] = {
      {"saw runs from -1 to 1 - 2/N", 0, 0.5f,
       [](const std::vector<float>& v) {
         EXPECT_EQ(v[0], -1.0f);
         EXPECT_FLOAT_EQ(v[kN - 1], 1.0f - 2.0f / kN);
         EXPECT_FLOAT_EQ(v[kN / 2], 0.0f);
       }},
      {"pwm at b = 0: first N/2 + 1 points low", 4, 0.0f,
       [](const std::vector<float>& v) {
         EXPECT_EQ(CountHigh(v, 0, kN / 2 + 1), 0);
         EXPECT_EQ(CountHigh(v, kN / 2 + 1, kN), kN / 2 - 1);
       }},
      {"pwm at b = 1: almost all low", 4, 1.0f,
       [](const std::vector<float>& v) { EXPECT_EQ(CountHigh(v, 0, kN), 2); }},
      {"va sweep at b = 0 is one sine cycle", 1, 0.0f,
       [pi](const std::vector<float>& v) {
         for (int j = 0; j < kN; ++j) EXPECT_NEAR(v[j], std::sin(pi * (j / 128.0f - 1.0f)), 1e-6f) << j;
       }},
      {"va sweep just above 0.75 is a square", 1, 0.7501f,
       [](const std::vector<float>& v) {
         EXPECT_EQ(CountHigh(v, 0, kN / 2 + 1), 0);
         EXPECT_EQ(CountHigh(v, kN / 2 + 1, kN), kN / 2 - 1);
       }},
      {"va sweep at 1 is a narrow pulse", 1, 1.0f,
       [](const std::vector<float>& v) {
         EXPECT_EQ(CountHigh(v, 0, kN), 3);
         EXPECT_GT(v[kN - 1], 0.0f);
       }},
      {"va sweep at 0.375 halfway from triangle to saw", 1, 0.375f,
       [](const std::vector<float>& v) {
         const float x = 64 / 128.0f - 1.0f;  // point 64
         EXPECT_NEAR(v[64], 0.5f * x + 0.5f * (1.0f - std::fabs(2.0f * x)), 1e-6f);
       }},
      {"dual pwm at b = 0: two quarter-cycle pulses", 2, 0.0f,
       [](const std::vector<float>& v) {
         EXPECT_EQ(CountHigh(v, 0, 64), 64);
         EXPECT_EQ(CountHigh(v, 64, 128), 0);
         EXPECT_EQ(CountHigh(v, 128, 192), 64);
         EXPECT_EQ(CountHigh(v, 192, 256), 0);
       }},
      {"hard-sync saw at b = 0: two slave cycles", 3, 0.0f,
       [](const std::vector<float>& v) {
         EXPECT_FLOAT_EQ(v[0], 2.0f * (2.0f / kN) - 1.0f);
         EXPECT_LT(v[127], v[126]);  // the slave wrapped at the middle of the table
         EXPECT_FLOAT_EQ(v[127], -1.0f);
       }},
      {"fract pwm at b = 0: first and third quarters high", 7, 0.0f,
       [](const std::vector<float>& v) {
         EXPECT_EQ(CountHigh(v, 0, 64), 64);
         EXPECT_EQ(CountHigh(v, 64, 128), 0);
         EXPECT_EQ(CountHigh(v, 128, 192), 64);
         EXPECT_EQ(CountHigh(v, 192, 256), 0);
       }},
      {"fract pwm at b = 1: four pulses of 8 points per quarter", 7, 1.0f,
       [](const std::vector<float>& v) {
         for (int q : {0, 128})
           for (int p = 0; p < 4; ++p) {
             EXPECT_EQ(CountHigh(v, q + 16 * p, q + 16 * p + 8), 8) << q << " " << p;
             EXPECT_EQ(CountHigh(v, q + 16 * p + 8, q + 16 * p + 16), 0) << q << " " << p;
           }
       }},
      {"pd sin at b = 0.02 is a plain sine", 6, 0.02f,
       [pi](const std::vector<float>& v) {
         for (int j = 0; j < kN; ++j) EXPECT_NEAR(v[j], std::sin(2.0f * pi * j / kN), 1e-5f) << j;
       }},
  };
  for (const CycleCase& c : cases) {
    SCOPED_TRACE(c.what);
    c.check(Cycle(c.algorithm, c.b));
  }
}

TEST(AlgWaveforms, FormantSineMultipliesTwoSines) {
  const std::vector<float> v = Cycle(5, 0.5f, 0.25f);
  for (int j : {0, 37, 100, 200}) {
    const double x = j / 128.0 - 1.0;
    EXPECT_NEAR(v[j], std::sin(0.25 * 4 * M_PI * x) * std::sin(0.5 * 64 * M_PI * x), 1e-6) << j;
  }
}

TEST(AlgWaveforms, UnknownAlgorithmLeavesTheBufferAndHasNoName) {
  std::vector<float> v(kN, 7.0f);
  for (int32_t a : {-1, 8, 1000}) {
    EXPECT_FALSE(algwave::Generate(a, v.data(), kN, 0.5f, 0.5f));
    EXPECT_EQ(algwave::Name(a), nullptr);
  }
  EXPECT_EQ(v, std::vector<float>(kN, 7.0f));
  EXPECT_STREQ(algwave::Name(4), " PWM ");
}

using AlgOscBuild = AlgOscFixture;

TEST_F(AlgOscBuild, AtOrBelow130HzTheTableIsTheCycleTimes055WithGuardPoints) {
  osc_.SetAlgorithm(0);
  Block(100.0f);  // first build (frequency still 0) into table 1, taken at once after Reset
  // Nothing at or below 130 Hz depends on the frequency: the played table stands for 100 Hz.
  osc_.BuildTable(fft_);
  const AlgOsc::BuildRecord& rec = osc_.LastBuild();
  ASSERT_EQ(rec.length, kN);
  EXPECT_EQ(rec.frequency, 100.0f);
  const float* t = osc_.Table(1);
  for (int j = 0; j < kN; ++j) EXPECT_NEAR(t[j], 0.55f * rec.timeBuffer[j], 1e-5f) << j;
  EXPECT_EQ(t[kN], t[0]);
  EXPECT_EQ(t[kN + 1], t[1]);
}

// Tables are built only when something that shapes them changed; after any change the
// oscillator must play what a fresh one with the final settings plays.
TEST_F(AlgOscBuild, AfterAChangeThePlayedTableIsTheOneAFreshBuildGives) {
  struct Settings {
    int32_t algorithm = 0;
    float shapeInput = 0.0f;
    float p2 = 0.0f;
    float frequency = 200.0f;
    int32_t unison = 1;
  };
  struct Case {
    const char* what;
    Settings to;
    bool reset;
  };
  const Case cases[] = {
      {"nothing", {}, false},
      {"algorithm", {.algorithm = 4}, false},
      {"shape input", {.shapeInput = 0.4f}, false},
      {"second parameter", {.algorithm = 7, .p2 = 0.6f}, false},
      {"frequency within the band-limited range", {.frequency = 1000.0f}, false},
      {"frequency into the unfiltered range", {.frequency = 100.0f}, false},
      {"unison count", {.unison = 3}, false},
      {"reset", {}, true},
  };
  auto apply = [](AlgOsc& osc, const Settings& s, float& shape) {
    osc.SetAlgorithm(s.algorithm);
    osc.SetP2(s.p2);
    osc.SetUnison(s.unison);
    shape = s.shapeInput;
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    float shape = 0.0f;
    AlgOsc osc;
    Prepare(osc);
    osc.SetInput(AlgOsc::kInputShape, &shape);
    apply(osc, Settings{}, shape);
    for (int b = 0; b < 20; ++b) Block(osc, 200.0f);
    apply(osc, c.to, shape);
    if (c.reset) osc.Reset();
    for (int b = 0; b < 40; ++b) Block(osc, c.to.frequency);

    float freshShape = 0.0f;
    AlgOsc fresh;
    Prepare(fresh);
    fresh.SetInput(AlgOsc::kInputShape, &freshShape);
    apply(fresh, c.to, freshShape);
    for (int b = 0; b < 40; ++b) Block(fresh, c.to.frequency);
    for (int j = 0; j < kN; ++j) ASSERT_EQ(osc.DisplayTable()[j], fresh.DisplayTable()[j]) << j;
  }
}

TEST_F(AlgOscBuild, Above130HzNoEnergyAboveTheCutoffHarmonic) {
  struct Case {
    float frequency;
    int firstSilent;  // int(24000 / f + 1) is scaled by its fraction, everything above cleared
  };
  for (const Case c : {Case{200.0f, 121}, Case{1000.0f, 25}, Case{3000.0f, 9}, Case{7000.0f, 5}}) {
    SCOPED_TRACE(c.frequency);
    AlgOsc osc;
    Prepare(osc);
    osc.SetAlgorithm(0);
    Block(osc, c.frequency);
    osc.Reset();  // take the next table at once, whatever the phase
    Block(osc, c.frequency);
    Block(osc, c.frequency);  // hands over the table built for c.frequency
    const float* t = osc.DisplayTable();
    ASSERT_EQ(osc.LastBuild().frequency, c.frequency);
    for (int k = c.firstSilent; k < kN; ++k) {
      EXPECT_EQ(osc.LastBuild().spectrum[k].r, 0.0f) << k;
      EXPECT_EQ(osc.LastBuild().spectrum[k].i, 0.0f) << k;
    }
    // Keeping one side of the spectrum leaves half of each harmonic below the cutoff...
    const double sawHarmonic1 = 1.0 / M_PI;
    EXPECT_NEAR(Harmonic(t, 1), 0.5 * sawHarmonic1, 2e-3);
    // ...and nothing from the cutoff up to the mirror of the last kept harmonic.
    for (int h = c.firstSilent; h <= kN - c.firstSilent; ++h) EXPECT_LT(Harmonic(t, h), 1e-5) << h;
  }
}

// A bend or glide moves the pitch every block; the table changes with it only where the
// highest kept harmonic could be heard. Up to 4 kHz that harmonic lies above 20 kHz and its
// fade is held to half steps: a move within a step keeps the table (no transforms), and
// every table differs from the exact fade only in that harmonic, by at most a quarter of it.
TEST_F(AlgOscBuild, AMovingPitchRebuildsOnlyWhenTheHeldFadeMoves) {
  struct Case {
    float from, to;
    bool kept;
  };
  const Case cases[] = {
      {440.0f, 440.2f, true},     // 54.55 to 54.52 bins: one half step
      {440.0f, 443.0f, false},    // to 54.18: the next step
      {1000.0f, 1000.5f, true},   // exactly 24 bins to 23.99
      {3000.0f, 3001.0f, true},   // 8 bins to 7.997
      {150.0f, 185.0f, true},     // below 187.5 Hz every harmonic up to bin 128 is kept
      {5000.0f, 5000.5f, false},  // 4.8 bins: the fade is exact where it can be heard
      {220.0f, 3900.0f, false},
  };
  std::vector<ne10_fft_cpx_float32_t> exact(kN);
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.from << " to " << c.to << " Hz");
    AlgOsc osc;
    Prepare(osc);
    osc.SetAlgorithm(0);
    for (int b = 0; b < 20; ++b) Block(osc, c.from);
    const std::vector<ne10_fft_cpx_float32_t> before(osc.LastBuild().spectrum, osc.LastBuild().spectrum + kN);
    const std::vector<float> table(osc.DisplayTable(), osc.DisplayTable() + kN);
    for (int b = 0; b < 20; ++b) Block(osc, c.to);
    const ne10_fft_cpx_float32_t* built = osc.LastBuild().spectrum;
    bool same = true;
    for (int k = 0; k < kN; ++k) same = same && built[k].r == before[k].r && built[k].i == before[k].i;
    EXPECT_EQ(same, c.kept);
    if (c.kept) {
      for (int j = 0; j < kN; ++j) ASSERT_EQ(osc.DisplayTable()[j], table[j]) << j;
    }
    // The table against the exact fade at the final pitch.
    fft_.Forward(exact.data(), osc.LastBuild().timeBuffer);
    std::vector<ne10_fft_cpx_float32_t> whole = exact;
    FftProcessor::BandLimit(kN, exact.data(), c.to, 24000.0f);
    for (int k = 0; k < kN; ++k) {
      const double diff = std::hypot(built[k].r - exact[k].r, built[k].i - exact[k].i);
      const double bound = c.to <= 4000.0f ? std::hypot(whole[k].r, whole[k].i) / 4.0 + 1e-6 : 0.0;
      ASSERT_LE(diff, bound) << "bin " << k;
      if (diff > 0.0) {
        ASSERT_GE(k * c.to, 20000.0f) << "bin " << k;
      }
    }
  }
}

TEST_F(AlgOscBuild, ABuildWhileATableIsPendingDoesNothing) {
  osc_.SetAlgorithm(0);
  osc_.BuildTable(fft_);
  const std::vector<float> first(osc_.LastBuild().timeBuffer, osc_.LastBuild().timeBuffer + kN);
  osc_.SetAlgorithm(4);
  osc_.BuildTable(fft_);  // nothing has rendered: the flags are still up
  EXPECT_EQ(std::vector<float>(osc_.LastBuild().timeBuffer, osc_.LastBuild().timeBuffer + kN), first);
  RenderOnly(osc_, 100.0f);  // takes the table at the first sample after Reset
  osc_.BuildTable(fft_);
  EXPECT_EQ(osc_.LastBuild().timeBuffer[0], -1.0f);
  EXPECT_EQ(osc_.LastBuild().timeBuffer[kN - 1], 1.0f);  // now the pulse
}

TEST_F(AlgOscBuild, ChangingTheUnisonCountDropsAPendingTable) {
  osc_.SetAlgorithm(0);
  osc_.BuildTable(fft_);
  osc_.SetUnison(2);
  osc_.SetAlgorithm(4);
  osc_.BuildTable(fft_);  // no longer waits for the dropped table
  EXPECT_EQ(osc_.LastBuild().timeBuffer[AlgOsc::kN - 1], 1.0f);
}

TEST_F(AlgOscBuild, AnUnknownAlgorithmBuildsFromThePreviousCycle) {
  osc_.SetAlgorithm(6);
  osc_.SetShape(0.5f);
  AlgOscFixture::Settle(osc_);
  Block(100.0f);
  const std::vector<float> pd(osc_.LastBuild().timeBuffer, osc_.LastBuild().timeBuffer + kN);
  osc_.SetAlgorithm(42);
  osc_.Reset();
  Block(100.0f);
  Block(100.0f);
  EXPECT_EQ(std::vector<float>(osc_.LastBuild().timeBuffer, osc_.LastBuild().timeBuffer + kN), pd);
  for (int j = 0; j < kN; ++j) EXPECT_NEAR(osc_.DisplayTable()[j], 0.55f * pd[j], 1e-5f);
}

TEST_F(AlgOscBuild, ShapeInputIsAddedAndTheSumLimitedToOne) {
  float shapeInput = 0.5f;
  osc_.SetInput(AlgOsc::kInputShape, &shapeInput);
  osc_.SetShape(0.8f);
  osc_.SetAlgorithm(4);
  AlgOscFixture::Settle(osc_);
  osc_.BuildTable(fft_);
  EXPECT_EQ(std::vector<float>(osc_.LastBuild().timeBuffer, osc_.LastBuild().timeBuffer + kN), Cycle(4, 1.0f));
}

TEST_F(AlgOscBuild, AHelperOfAnotherSizeBuildsNothingAndTheRenderStaysSilent) {
  FftProcessor other;
  other.InitForward(512);
  other.InitInverse(512);
  osc_.BuildTable(other);
  EXPECT_FALSE(osc_.TablesBuilt());
  algosc_test::Stereo out;
  out.left.fill(9.0f);
  out.right.fill(9.0f);
  osc_.OscDetune(out.left.data(), out.right.data(), nullptr, 0.0f, 440.0f, nullptr);
  for (int n = 0; n < algosc_test::kFrames; ++n) {
    EXPECT_EQ(out.left[n], 0.0f);
    EXPECT_EQ(out.right[n], 0.0f);
  }
}

TEST_F(AlgOscBuild, BuildAndRenderAllocateNothing) {
  float pm[algosc_test::kFrames] = {};
  float fm[algosc_test::kFrames] = {};
  testing_support::AllocGuard guard;
  for (int block = 0; block < 200; ++block) {
    if (block % 20 == 0) {
      osc_.SetAlgorithm(block / 20 % 8);
      osc_.SetUnison(block / 20 % 4 + 1);
      osc_.ArmRestart();
    }
    Block(osc_, 200.0f + block * 30.0f, pm, fm, 0.1f);
  }
  EXPECT_EQ(guard.Count(), 0u);
}

}  // namespace
