#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <limits>
#include <random>
#include <vector>

#include "engine/CDualMoogLadderFilter.h"
#include "engine/CDualSEMFilter.h"
#include "engine/FilterSlot.h"
#include "platform/Denormals.h"
#include "tests/support/AllocCounter.h"

namespace {

constexpr int kFrames = 128;
constexpr float kNaN = std::numeric_limits<float>::quiet_NaN();
constexpr float kInf = std::numeric_limits<float>::infinity();

struct Stereo {
  std::vector<float> left, right;
  explicit Stereo(int n = kFrames) : left(n), right(n) {}
};

Stereo Noise(unsigned seed, float amplitude = 0.5f) {
  std::mt19937 rng(seed);
  std::uniform_real_distribution<float> dist(-amplitude, amplitude);
  Stereo s;
  for (int i = 0; i < kFrames; ++i) {
    s.left[i] = dist(rng);
    s.right[i] = dist(rng);
  }
  return s;
}

class FilterCores : public ::testing::Test {
 protected:
  static FilterSlot MakeSlot(int type) {
    FilterSlot slot;
    slot.SetSampleRate(48000.0f);
    slot.SetFrames(kFrames);
    slot.SetType(type);
    return slot;
  }
  // Runs `blocks` blocks of noise at fixed settings and returns every output sample.
  static std::vector<float> Run(FilterSlot& slot, float cutoff, float resonance, int blocks = 8) {
    std::vector<float> all;
    for (int b = 0; b < blocks; ++b) {
      const Stereo in = Noise(100 + b);
      Stereo out;
      slot.Process(in.left.data(), in.right.data(), out.left.data(), out.right.data(), cutoff,
                   resonance);
      all.insert(all.end(), out.left.begin(), out.left.end());
      all.insert(all.end(), out.right.begin(), out.right.end());
    }
    return all;
  }
  platform::ScopedFlushToZero ftz_;
};

TEST_F(FilterCores, TypeSelectsTheCoreAndItsMode) {
  // The same settings given to the core directly must give the same output.
  struct Row {
    int type;
    void (*configure)(FilterSlot&);  // sets up a reference slot by route code
  };
  const Row rows[] = {
      {1, [](FilterSlot& s) { s.SetRoute(FilterSlot::kFourPole); }},
      {2, [](FilterSlot& s) { s.SetRoute(FilterSlot::kMoogLadder); s.MoogLadder().SetMode(1); }},
      {3, [](FilterSlot& s) { s.SetRoute(FilterSlot::kMoogLadder); s.MoogLadder().SetMode(0); }},
      {4, [](FilterSlot& s) { s.SetRoute(FilterSlot::kLadderApprox); s.LadderApprox().output = 0; }},
      {5, [](FilterSlot& s) { s.SetRoute(FilterSlot::kLadderApprox); s.LadderApprox().output = 1; }},
      {6, [](FilterSlot& s) { s.SetRoute(FilterSlot::kLadderApprox); s.LadderApprox().output = 2; }},
      {7, [](FilterSlot& s) { s.SetRoute(FilterSlot::kSem); s.Sem().SetType(1); }},
      {8, [](FilterSlot& s) { s.SetRoute(FilterSlot::kSem); s.Sem().SetType(2); }},
      {9, [](FilterSlot& s) { s.SetRoute(FilterSlot::kSem); s.Sem().SetType(3); }},
      {10, [](FilterSlot& s) { s.SetRoute(FilterSlot::kSem); s.Sem().SetType(4); }},
      {11, [](FilterSlot& s) { s.SetRoute(FilterSlot::kOnePoleFeedback); }},
  };
  std::vector<std::vector<float>> outputs;
  for (const Row& row : rows) {
    FilterSlot byType = MakeSlot(row.type);
    FilterSlot byRoute = MakeSlot(0);
    row.configure(byRoute);
    const auto expected = Run(byRoute, 1200.0f, 0.6f);
    EXPECT_EQ(Run(byType, 1200.0f, 0.6f), expected) << "type " << row.type;
    for (const auto& other : outputs) EXPECT_NE(other, expected) << "type " << row.type;
    outputs.push_back(expected);
  }
  EXPECT_STREQ(FilterSlot::FindType(11)->label, "KORG35_LP");
}

TEST_F(FilterCores, BypassPassesTheSignalAndTypesOutsideTheMapAreIgnored) {
  FilterSlot slot = MakeSlot(0);
  const Stereo in = Noise(7);
  Stereo out;
  slot.Process(in.left.data(), in.right.data(), out.left.data(), out.right.data(), 500.0f, 0.5f);
  EXPECT_EQ(out.left, in.left);
  EXPECT_EQ(out.right, in.right);

  for (int bad : {12, 13, 100, -1}) {
    FilterSlot ignored = MakeSlot(9);
    EXPECT_FALSE(ignored.SetType(bad));
    FilterSlot reference = MakeSlot(9);
    EXPECT_EQ(Run(ignored, 3000.0f, 0.2f), Run(reference, 3000.0f, 0.2f)) << bad;
  }
  EXPECT_EQ(FilterSlot::FindType(12), nullptr);
}

TEST_F(FilterCores, CutoffsBeyondEachCoresBoundsBehaveAsTheBound) {
  struct Bounds {
    int type;
    float low, high;
  };
  // One-pole based cores 80..18000 Hz; the four-pole core 0.001..0.45 fs; the ladder
  // approximation 50..18000 Hz.
  const Bounds bounds[] = {{1, 48.0f, 21600.0f}, {2, 80, 18000}, {3, 80, 18000}, {4, 50, 18000},
                           {5, 50, 18000},       {6, 50, 18000}, {7, 80, 18000}, {8, 80, 18000},
                           {9, 80, 18000},       {10, 80, 18000}, {11, 80, 18000}};
  for (const Bounds& b : bounds) {
    FilterSlot atLow = MakeSlot(b.type), atHigh = MakeSlot(b.type);
    const auto low = Run(atLow, b.low, 0.7f);
    const auto high = Run(atHigh, b.high, 0.7f);
    EXPECT_NE(low, high) << b.type;
    for (float below : {b.low * 0.5f, 1.0f, 0.0f, -300.0f, -kInf}) {
      FilterSlot slot = MakeSlot(b.type);
      EXPECT_EQ(Run(slot, below, 0.7f), low) << "type " << b.type << " cutoff " << below;
    }
    for (float above : {b.high * 1.01f, 24000.0f, 96000.0f, 1e30f, kInf}) {
      FilterSlot slot = MakeSlot(b.type);
      EXPECT_EQ(Run(slot, above, 0.7f), high) << "type " << b.type << " cutoff " << above;
    }
  }
}

TEST_F(FilterCores, BadCutoffOrResonanceNeverLeavesANonFiniteState) {
  const float cutoffs[] = {0.0f, -1000.0f, kNaN, 24000.0f, 30000.0f, kInf, -kInf, 1000.0f};
  const float resonances[] = {-1.0f, -100.0f, 1.5f, 50.0f, kNaN, kInf, 0.5f};
  for (int type = 1; type < FilterSlot::kTypeCount; ++type) {
    for (float cutoff : cutoffs) {
      for (float resonance : resonances) {
        FilterSlot slot = MakeSlot(type);
        Run(slot, cutoff, resonance, 40);
        const auto after = Run(slot, 1000.0f, 0.5f, 2);
        for (float v : after) {
          ASSERT_TRUE(std::isfinite(v)) << "type " << type << " cutoff " << cutoff << " res " << resonance;
        }
      }
    }
  }
}

// One second of a full-scale square wave at the cutoff, then one second of silence; returns
// the peaks of both halves.
std::pair<float, float> DriveAtResonance(FilterSlot& slot, float cutoff, float resonance) {
  const int period = std::max(2, static_cast<int>(48000.0f / cutoff));
  float driven = 0.0f, ringing = 0.0f;
  int n = 0;
  for (int b = 0; b < 750; ++b) {
    Stereo in, out;
    if (b < 375) {
      for (int i = 0; i < kFrames; ++i, ++n) in.left[i] = in.right[i] = (n % period) < period / 2 ? 1.0f : -1.0f;
    }
    slot.Process(in.left.data(), in.right.data(), out.left.data(), out.right.data(), cutoff, resonance);
    float& peak = b < 375 ? driven : ringing;
    if (b >= 375 && b < 740) continue;  // the last blocks of the silent second
    for (int i = 0; i < kFrames; ++i) peak = std::max({peak, std::fabs(out.left[i]), std::fabs(out.right[i])});
  }
  return {driven, ringing};
}

TEST_F(FilterCores, LoudInputNearFullResonanceStaysBoundedAndDecays) {
  for (int type = 1; type < FilterSlot::kTypeCount; ++type) {
    for (float cutoff : {80.0f, 1000.0f, 18000.0f}) {
      FilterSlot slot = MakeSlot(type);
      const auto [driven, ringing] = DriveAtResonance(slot, cutoff, 0.95f);
      EXPECT_LT(driven, 100.0f) << "type " << type << " cutoff " << cutoff;
      EXPECT_LT(ringing, 1e-3f) << "type " << type << " cutoff " << cutoff;
    }
  }
}

TEST_F(FilterCores, FullResonanceSelfOscillatesOnlyInTheSoftLimitedLadderApproximation) {
  // At resonance 1 the ladder approximation self-oscillates at a level its soft limit holds;
  // every other core, including the two whose loops are held inside their edge, still
  // decays. Nothing turns non-finite.
  for (int type = 1; type < FilterSlot::kTypeCount; ++type) {
    FilterSlot slot = MakeSlot(type);
    const auto [driven, ringing] = DriveAtResonance(slot, 1000.0f, 1.0f);
    EXPECT_TRUE(std::isfinite(driven)) << type;
    if (type >= 4 && type <= 6) {
      EXPECT_LT(driven, 100.0f) << type;
      EXPECT_GT(ringing, 0.01f) << type;
      EXPECT_LT(ringing, 10.0f) << type;
    } else {
      EXPECT_LT(driven, 100.0f) << type;
      EXPECT_LT(ringing, 1e-3f) << type;
    }
  }
}

// Peak of the last second of `seconds` of a 0.1 sine at the cutoff, and how many cycles of
// the cutoff the filter then rings before it falls 40 dB below that peak.
std::pair<float, float> HoldToneAtCutoff(FilterSlot& slot, float cutoff, float resonance, int seconds) {
  const int blocks = seconds * 375;
  const double w = 2.0 * M_PI * cutoff / 48000.0;
  float peak = 0.0f;
  long n = 0;
  for (int b = 0; b < blocks; ++b) {
    Stereo in, out;
    for (int i = 0; i < kFrames; ++i, ++n) in.left[i] = in.right[i] = static_cast<float>(0.1 * std::sin(w * n));
    slot.Process(in.left.data(), in.right.data(), out.left.data(), out.right.data(), cutoff, resonance);
    if (b >= blocks - 375) {
      for (int i = 0; i < kFrames; ++i) peak = std::max({peak, std::fabs(out.left[i]), std::fabs(out.right[i])});
    }
  }
  long last = 0;
  for (int b = 0; b < 375; ++b) {
    Stereo silence, out;
    slot.Process(silence.left.data(), silence.right.data(), out.left.data(), out.right.data(), cutoff, resonance);
    for (int i = 0; i < kFrames; ++i) {
      if (std::fabs(out.left[i]) > 0.01f * peak) last = b * kFrames + i;
    }
  }
  return {peak, static_cast<float>(last * cutoff / 48000.0)};
}

TEST_F(FilterCores, HeldToneAtTheCutoffStaysBoundedAtAnyResonanceAndFullResonanceRings) {
  // The two cores whose loops reach their oscillation edge at resonance 1 without a
  // saturation: a held tone there must neither run away nor lose the resonance.
  for (int type : {2, 11}) {
    for (float cutoff : {200.0f, 1000.0f, 8000.0f}) {
      float ringAtZero = 0.0f;
      for (float resonance : {0.0f, 0.5f, 0.9f, 0.97f, 1.0f}) {
        FilterSlot slot = MakeSlot(type);
        const auto [peak, ringCycles] = HoldToneAtCutoff(slot, cutoff, resonance, 20);
        const std::string what = "type " + std::to_string(type) + " cutoff " + std::to_string(cutoff) +
                                 " resonance " + std::to_string(resonance);
        EXPECT_LT(peak, 2.0f) << what;
        if (resonance == 0.0f) ringAtZero = ringCycles;
        if (resonance == 1.0f) {
          EXPECT_GT(peak, 0.5f) << what;
          EXPECT_GT(ringCycles, 10.0f) << what;
          EXPECT_GT(ringCycles, 5.0f * ringAtZero) << what;
        }
      }
    }
  }
}

TEST_F(FilterCores, ModesOutsideTheirRange) {
  const Stereo in = Noise(3);
  // A ladder in a mode it does not know leaves the outputs as they were.
  {
    FilterSlot slot = MakeSlot(2);
    slot.MoogLadder().SetMode(5);
    Stereo out;
    std::fill(out.left.begin(), out.left.end(), 7.0f);
    std::fill(out.right.begin(), out.right.end(), 7.0f);
    slot.Process(in.left.data(), in.right.data(), out.left.data(), out.right.data(), 1000.0f, 0.5f);
    EXPECT_EQ(out.left, std::vector<float>(kFrames, 7.0f));
    EXPECT_EQ(out.right, std::vector<float>(kFrames, 7.0f));
  }
  // The state-variable core outside 1..4 passes its input.
  for (int t : {0, 5, -2}) {
    FilterSlot slot = MakeSlot(7);
    slot.Sem().SetType(t);
    Stereo out;
    slot.Process(in.left.data(), in.right.data(), out.left.data(), out.right.data(), 1000.0f, 0.5f);
    EXPECT_EQ(out.left, in.left);
    EXPECT_EQ(out.right, in.right);
  }
  // The ladder approximation outside 0..2 gives its (limited) stage input times 1.1; at
  // resonance 0 that is the input.
  {
    FilterSlot slot = MakeSlot(4);
    slot.LadderApprox().output = 9;
    Stereo loud, out;
    for (int i = 0; i < kFrames; ++i) loud.left[i] = loud.right[i] = 3.0f * in.left[i];
    slot.Process(loud.left.data(), loud.right.data(), out.left.data(), out.right.data(), 1000.0f, 0.0f);
    for (int i = 0; i < kFrames; ++i) {
      EXPECT_FLOAT_EQ(out.left[i], 1.1f * std::clamp(loud.left[i], -1.0f, 1.0f)) << i;
    }
  }
}

TEST_F(FilterCores, LadderApproximationOutputsSplitTheStageInput) {
  // At resonance 0 the stage input is the input: high-pass = 1.1 x input - low-pass.
  FilterSlot lp = MakeSlot(4), hp = MakeSlot(6);
  const auto low = Run(lp, 2000.0f, 0.0f);
  const auto high = Run(hp, 2000.0f, 0.0f);
  std::vector<float> input;
  for (int b = 0; b < 8; ++b) {
    const Stereo in = Noise(100 + b);
    input.insert(input.end(), in.left.begin(), in.left.end());
    input.insert(input.end(), in.right.begin(), in.right.end());
  }
  for (std::size_t i = 0; i < input.size(); ++i) ASSERT_NEAR(low[i] + high[i], 1.1f * input[i], 1e-6f) << i;
}

TEST_F(FilterCores, SemCoreResonanceSpansQ05ToAbout458) {
  // Q shows in the band-pass output: s / (s^2 + s/Q + 1) has gain Q at the cutoff.
  for (float r : {0.0f, 1.0f}) {
    CDualSEMFilter sem;
    sem.SetSampleRate(48000.0f);
    sem.SetType(CDualSEMFilter::kBandPass);
    std::vector<float> in(48000), out(48000), right(128);
    sem.SetFrames(128);
    for (int n = 0; n < 48000; ++n) in[n] = std::sin(2.0 * M_PI * 3000.0 * n / 48000.0);
    for (int b = 0; b < 375; ++b) sem.Process(&in[b * 128], &in[b * 128], &out[b * 128], 3000.0f, r, right.data());
    const float peak = *std::max_element(out.begin() + 24000, out.end());
    EXPECT_NEAR(peak, r == 0.0f ? 0.5f : 4.5833f, 0.01f) << r;
  }
}

TEST_F(FilterCores, FeedbackCoreKeepsAMinimumFeedbackAtResonanceZero) {
  // K = 2 x resonance, at least 0.05: resonance 0 and 0.02 (K 0.04) both run at 0.05.
  FilterSlot a = MakeSlot(11), b = MakeSlot(11), c = MakeSlot(11);
  const auto zero = Run(a, 1500.0f, 0.0f);
  EXPECT_EQ(Run(b, 1500.0f, 0.02f), zero);
  EXPECT_NE(Run(c, 1500.0f, 0.05f), zero);
}

TEST_F(FilterCores, ModeChangeAndResetClearTheLadder) {
  FilterSlot slot = MakeSlot(3);
  Run(slot, 800.0f, 0.9f);
  slot.MoogLadder().SetMode(CDualMoogLadderFilter::kFourPole);
  const Stereo silence;
  Stereo out;
  slot.Process(silence.left.data(), silence.right.data(), out.left.data(), out.right.data(), 800.0f, 0.9f);
  EXPECT_EQ(out.left, silence.left);

  for (int type = 1; type < FilterSlot::kTypeCount; ++type) {
    FilterSlot s = MakeSlot(type);
    Run(s, 800.0f, 0.9f);
    s.Reset();
    s.Process(silence.left.data(), silence.right.data(), out.left.data(), out.right.data(), 800.0f, 0.9f);
    EXPECT_EQ(out.left, silence.left) << type;
    EXPECT_EQ(out.right, silence.right) << type;
  }
  // A reset keeps the type's output of the ladder approximation.
  FilterSlot hp = MakeSlot(6), fresh = MakeSlot(6);
  hp.Reset();
  EXPECT_EQ(Run(hp, 900.0f, 0.3f), Run(fresh, 900.0f, 0.3f));
}

TEST_F(FilterCores, ProcessingAllocatesNothing) {
  std::vector<FilterSlot> slots;
  for (int type = 0; type < FilterSlot::kTypeCount; ++type) slots.push_back(MakeSlot(type));
  const Stereo in = Noise(11);
  Stereo out;
  testing_support::AllocGuard guard;
  for (int b = 0; b < 16; ++b) {
    for (FilterSlot& s : slots) {
      s.Process(in.left.data(), in.right.data(), out.left.data(), out.right.data(), 200.0f + 500.0f * b, 0.4f);
    }
  }
  EXPECT_EQ(guard.Count(), 0u);
}

}  // namespace

namespace {

// The stereo ladder runs its channels side by side in vector lanes: against the scalar
// ladder step, channel by channel, bit for bit, through coefficient changes between blocks.
TEST(DualLadderLanes, EachChannelIsTheScalarLadder) {
  platform::ScopedFlushToZero ftz;
  struct Setting {
    float cutoff, resonance;
  };
  const Setting settings[] = {{300.0f, 0.0f}, {2500.0f, 0.7f}, {12000.0f, 1.0f}, {50.0f, 0.4f}, {40000.0f, 0.95f}};
  for (int mode : {CDualMoogLadderFilter::kFourPole, CDualMoogLadderFilter::kTwoPole}) {
    SCOPED_TRACE(mode);
    CDualMoogLadderFilter dual;
    dual.SetSampleRate(48000.0f);
    dual.SetFrames(kFrames);
    dual.SetMode(mode);
    CVAOnePoleFilter stages[2][5];
    for (auto& channel : stages) channel[4].SetMode(CVAOnePoleFilter::kAllPass);
    for (int block = 0; block < 10; ++block) {
      const Setting& set = settings[block % 5];
      const Stereo in = Noise(40u + static_cast<unsigned>(block), 2.0f);
      Stereo out;
      dual.Process(in.left.data(), in.right.data(), out.left.data(), set.cutoff, set.resonance, out.right.data());
      const float k = 2.0f * filt::ClampResonance(set.resonance);
      filt::LadderCoefficients c;
      ASSERT_TRUE(filt::ComputeLadder(48000.0f, filt::Clamp(set.cutoff, filt::kMinCutoffHz, filt::kMaxCutoffHz), k, mode, &c));
      for (int ch = 0; ch < 2; ++ch) {
        for (int s : filt::LadderLoopStages(mode)) {
          stages[ch][s].SetG(c.G);
          stages[ch][s].SetBeta(c.beta[s]);
        }
        const std::vector<float>& x = ch == 0 ? in.left : in.right;
        const std::vector<float>& y = ch == 0 ? out.left : out.right;
        for (int i = 0; i < kFrames; ++i) {
          const float expected = 1.1f * (mode == CDualMoogLadderFilter::kFourPole
                                             ? filt::LadderTick<CDualMoogLadderFilter::kFourPole>(x[i], k, c.alpha0, stages[ch])
                                             : filt::LadderTick<CDualMoogLadderFilter::kTwoPole>(x[i], k, c.alpha0, stages[ch]));
          ASSERT_EQ(y[i], expected) << "block " << block << " channel " << ch << " sample " << i;
        }
      }
    }
  }
}

// The same for the stereo state-variable filter, every output type and the pass-through.
TEST(DualSemLanes, EachChannelIsTheScalarFilter) {
  platform::ScopedFlushToZero ftz;
  const float settings[][2] = {{300.0f, 0.0f}, {2500.0f, 0.7f}, {12000.0f, 1.0f}, {50.0f, 0.4f}};
  for (int type : {0, 1, 2, 3, 4}) {
    SCOPED_TRACE(type);
    CDualSEMFilter dual;
    dual.SetSampleRate(48000.0f);
    dual.SetFrames(kFrames);
    dual.SetType(type);
    float s1[2] = {}, s2[2] = {};
    for (int block = 0; block < 8; ++block) {
      const float cutoff = settings[block % 4][0], resonance = settings[block % 4][1];
      const Stereo in = Noise(70u + static_cast<unsigned>(block), 2.0f);
      Stereo out;
      dual.Process(in.left.data(), in.right.data(), out.left.data(), cutoff, resonance, out.right.data());
      const float q = static_cast<float>(filt::ClampResonance(resonance) * 0.15 * 24.5 / 0.9 + 0.5);
      const filt::SemCoefficients c = filt::ComputeSem(48000.0f, cutoff, q);
      for (int ch = 0; ch < 2; ++ch) {
        const std::vector<float>& x = ch == 0 ? in.left : in.right;
        const std::vector<float>& y = ch == 0 ? out.left : out.right;
        for (int i = 0; i < kFrames; ++i) {
          float expected = 0.0f;
          switch (type) {
            case 1: expected = filt::SemTick<1>(x[i], s1[ch], s2[ch], c, 0.5f); break;
            case 2: expected = filt::SemTick<2>(x[i], s1[ch], s2[ch], c, 0.5f); break;
            case 3: expected = filt::SemTick<3>(x[i], s1[ch], s2[ch], c, 0.5f); break;
            case 4: expected = filt::SemTick<4>(x[i], s1[ch], s2[ch], c, 0.5f); break;
            default: expected = filt::SemTick<0>(x[i], s1[ch], s2[ch], c, 0.5f); break;
          }
          ASSERT_EQ(y[i], expected) << "block " << block << " channel " << ch << " sample " << i;
        }
      }
    }
  }
}

TEST(OnePoleStage, UnclampedCutoffsOutsideTheAudioBandStayFinite) {
  // The stage alone does not clamp; 0 Hz and below hold, Nyquist and above pass (36 kHz
  // is where tan turns to -1 and g / (1 + g) would divide by zero).
  for (float cutoff : {0.0f, -50.0f, kNaN, 24000.0f, 30000.0f, 36000.0f, kInf}) {
    for (int mode : {0, 1, 2}) {
      CVAOnePoleFilter stage;
      stage.SetSampleRate(48000.0f);
      stage.SetCutoff(cutoff);
      stage.SetMode(mode);
      stage.UpdateCoefficients();
      EXPECT_GE(stage.G(), 0.0f) << cutoff;
      EXPECT_LE(stage.G(), 1.0f) << cutoff;
      const Stereo in = Noise(5);
      for (float x : in.left) ASSERT_TRUE(std::isfinite(stage.ProcessSample(x))) << cutoff << " " << mode;
    }
  }
}

}  // namespace

namespace {

TEST(Prewarp, BothPrecisionsTakeTwoPiAsRoundedToSinglePrecision) {
  // wd = 6.2831855f x fc in either precision; only T, tan and the products are double in
  // the double form.
  const double twoPi = static_cast<double>(6.2831855f);
  for (float fc : {80.0f, 440.0f, 1234.5f, 9000.0f, 18000.0f}) {
    const double t = 1.0 / 48000.0;
    const double expected = (2.0 / t) * std::tan(twoPi * fc * t / 2.0) * t / 2.0;
    EXPECT_EQ(filt::PrewarpGDouble(48000.0, fc), expected) << fc;
    EXPECT_NEAR(filt::PrewarpG(48000.0f, fc), expected, 1e-6 * expected) << fc;
  }
}

}  // namespace
