// The reverb measured from its outputs: where the taps of the tank come out, what the
// loop feedback and the density change, the parameter record the pages and presets fill, and
// what bad preset values and repeated Resets must not do.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <memory>
#include <utility>
#include <vector>

#include "audio/CReverb.h"
#include "platform/Denormals.h"
#include "tests/audio/EffectBuffers.h"
#include "tests/audio/VtableSlot.h"
#include "tests/support/AllocCounter.h"

namespace {

constexpr float kRate = 48000.0f;
constexpr int kBlock = 128;

struct Stereo {
  std::vector<float> left, right;
};

// Runs `in` (left, right) through Process in blocks; returns the outputs.
Stereo RunReverb(CReverb& r, const Stereo& in, float level = 1.0f) {
  Stereo out{in.left, in.right};
  const int n = static_cast<int>(in.left.size());
  std::vector<float> sc(kBlock, 0.0f);
  for (int i = 0; i < n; i += kBlock) {
    float* bufs[4] = {out.left.data() + i, out.right.data() + i, sc.data(), sc.data()};
    r.Process(bufs, bufs, std::min(kBlock, n - i), level);
  }
  return out;
}

Stereo ImpulseIn(int length) {
  Stereo in{std::vector<float>(length, 0.0f), std::vector<float>(length, 0.0f)};
  in.left[0] = 1.0f;
  in.right[0] = 1.0f;
  return in;
}

Stereo NoiseIn(int length) {
  Stereo in{std::vector<float>(length), std::vector<float>(length)};
  unsigned seed = 7u;
  for (int i = 0; i < length; ++i) {
    seed = seed * 1664525u + 1013904223u;
    in.left[i] = static_cast<float>(seed >> 8) / 8388608.0f - 1.0f;
    in.right[i] = -0.5f * in.left[i];
  }
  return in;
}

// The first index after `from` with a non-zero sample, or -1.
int FirstNonZero(const std::vector<float>& y, int from) {
  for (int i = from; i < static_cast<int>(y.size()); ++i) {
    if (y[i] != 0.0f) return i;
  }
  return -1;
}

std::vector<std::pair<int, float>> NonZero(const std::vector<float>& y, int from) {
  std::vector<std::pair<int, float>> v;
  for (int i = from; i < static_cast<int>(y.size()); ++i) {
    if (y[i] != 0.0f) v.push_back({i, y[i]});
  }
  return v;
}

// The tank reduced to its taps: no pre-delay, all-passes, damping, loop feedback or shelf
// gain; full wet, no dry.
void MakeTransparent(CReverb& r) {
  r.SetParam(1, 0.0f);     // pre-delay
  r.SetParam(2, 0.0f);     // kRT
  r.SetParam(3, 0.0f);     // damping
  r.SetParam(4, 0.0f);     // wet dB
  r.SetParam(5, -400.0f);  // dry dB (gain 0)
  r.SetParam(7, 0.0f);     // low shelf dB
  r.SetParam(9, 0.0f);     // high shelf dB
  r.SetParam(10, 0.0f);    // all-pass maximum delay
}

class CReverbTest : public ::testing::Test {
 protected:
  void SetUp() override { reverb_.Reset(kRate); }
  platform::ScopedFlushToZero ftz_;
  CReverb reverb_;
};

const float* Block(CReverb& r) { return static_cast<const float*>(r.GetParamBlock()); }
int32_t Density(CReverb& r) {
  int32_t d;
  std::memcpy(&d, r.GetParamBlock(), sizeof d);
  return d;
}

TEST(CReverbLayoutTest, ProcessInternalIsTheTwelfthVirtualOperation) {
  EXPECT_EQ(vtable_test::SlotOf(&CReverb::ProcessInternal), 11);
}

TEST(CReverbLayoutTest, ConstructionRecordIsThickUntilTheFirstReset) {
  CReverb r;
  EXPECT_EQ(r.GetParamBlock(), static_cast<const void*>(&r.Params()));
  EXPECT_EQ(Density(r), CReverb::kThick);
  const float expected[] = {5.0f, 100.0f, 50.0f, 100.0f, 0, 0, 0, 0, 0, 0, 0, -3.0f, 0};
  for (int i = 0; i < 13; ++i) EXPECT_EQ(Block(r)[i + 1], expected[i]) << i + 1;
}

TEST_F(CReverbTest, ResetLoadsTheDefaultRecordInItsFieldOrder) {
  EXPECT_EQ(Density(reverb_), CReverb::kThin);
  const float expected[] = {37.0f, 23.27f, 87.5f, 100.0f, 30.000002f, 0.27f, 0.619981f,
                            150.0f, -20.0f, 4000.0f, 0.0f, -12.0f, 0.0f};
  for (int i = 0; i < 13; ++i) EXPECT_EQ(Block(reverb_)[i + 1], expected[i]) << i + 1;
  // Every line holds 100 ms; the longest default delay (branch 0, 87.5 ms) fits.
  EXPECT_EQ(reverb_.PreDelay().BufferSize(), 8192u);
  EXPECT_EQ(reverb_.BranchDelay(0).DelaySamples(), 4200.0f);
  EXPECT_EQ(reverb_.BranchAllPass(3).Line().BufferSize(), 8192u);
}

TEST_F(CReverbTest, SetParamStoresEachIdInItsFieldWithItsScaling) {
  struct Case {
    int id;
    float value;
    int field;  // float index in the record
    float stored;
  };
  const Case cases[] = {
      {1, 12.5f, 5, 12.5f},   {2, 0.8f, 7, 0.8f},     {3, 50.0f, 6, 0.5f},    {4, -6.0f, 12, -6.0f},
      {5, -3.0f, 13, -3.0f},  {6, 220.0f, 8, 220.0f}, {7, -9.0f, 9, -9.0f},   {8, 6000.0f, 10, 6000.0f},
      {9, 3.0f, 11, 3.0f},    {10, 40.0f, 1, 40.0f},  {11, 50.0f, 2, 50.0f},  {12, 60.0f, 3, 60.0f},
      {13, 90.0f, 4, 90.0f},
  };
  for (const Case& c : cases) {
    reverb_.SetParam(c.id, c.value);
    EXPECT_EQ(Block(reverb_)[c.field], c.stored) << "id " << c.id;
  }
  // Density: 0 selects thin, anything else thick.
  const std::pair<float, int32_t> density[] = {{1.0f, CReverb::kThick}, {0.0f, CReverb::kThin}, {0.5f, CReverb::kThick}};
  for (auto [value, stored] : density) {
    reverb_.SetParam(14, value);
    EXPECT_EQ(Density(reverb_), stored) << value;
  }
  // The engine sends id 0 when it chooses the reverb; it and other unknown ids change nothing.
  const ReverbParams before = reverb_.Params();
  for (int id : {0, 15, -1, 0x0F0}) reverb_.SetParam(id, 4.0f);
  EXPECT_EQ(std::memcmp(&before, &reverb_.Params(), sizeof before), 0);
}

// Each branch's taps come out at int(D x fraction) samples with +-0.707: four per side when
// thin, eight when thick.
TEST_F(CReverbTest, DensitySetsTheTapsOfEachSide) {
  using Taps = std::vector<std::pair<int, float>>;
  const float w = 0.707f;
  const Taps thinLeft = {{966, w}, {1503, -w}, {1751, w}, {2045, -w}};
  const Taps thinRight = {{1218, -w}, {1576, w}, {1811, -w}, {2213, w}};
  const Taps thickLeft = {{966, w}, {1302, w}, {1503, -w}, {1723, -w}, {1751, w}, {1989, w}, {2045, -w}, {2325, -w}};
  const Taps thickRight = {{1218, -w}, {1554, -w}, {1576, w}, {1811, -w}, {1943, w}, {2108, -w}, {2213, w}, {2493, w}};
  struct Case {
    float densityValue;
    const Taps& left;
    const Taps& right;
  };
  for (const Case& c : {Case{0.0f, thinLeft, thinRight}, Case{1.0f, thickLeft, thickRight}}) {
    CReverb r;
    r.Reset(kRate);
    MakeTransparent(r);
    r.SetParam(14, c.densityValue);
    const Stereo out = RunReverb(r, ImpulseIn(6000));
    auto near = [](const Taps& got, const Taps& want) {
      ASSERT_EQ(got.size(), want.size());
      for (size_t i = 0; i < got.size(); ++i) {
        EXPECT_EQ(got[i].first, want[i].first);
        EXPECT_NEAR(got[i].second, want[i].second, 1e-6f) << got[i].first;
      }
    };
    // Sample 0 holds the (inaudible) dry impulse.
    near(NonZero(out.left, 1), c.left);
    near(NonZero(out.right, 1), c.right);
  }
}

// The first reflection: the pre-delay (read one sample behind its write) plus branch 0's
// first tap (left) or its first right tap; a pre-delay of 0 feeds the tank at once.
TEST_F(CReverbTest, FirstReflectionArrivesAfterPreDelayAndTap) {
  struct Case {
    float preDelayMs;
    int left, right;
  };
  const Case cases[] = {
      {30.000002f, 1441 + 966, 1441 + 1218},  // the default record
      {10.0f, 481 + 966, 481 + 1218},
      {0.0f, 966, 1218},
  };
  for (const Case& c : cases) {
    CReverb r;
    r.Reset(kRate);
    r.SetParam(1, c.preDelayMs);
    const Stereo out = RunReverb(r, ImpulseIn(4096));
    EXPECT_EQ(out.left[0], 1.0f);  // dry 0 dB
    EXPECT_EQ(FirstNonZero(out.left, 1), c.left) << c.preDelayMs;
    EXPECT_EQ(FirstNonZero(out.right, 1), c.right) << c.preDelayMs;
  }
}

// kRT 0: one pass through each branch, so nothing after the last tap; kRT > 0: the loop
// keeps the sound going.
TEST_F(CReverbTest, LoopFeedbackDecidesWhetherTheTankRecirculates) {
  for (float kRT : {0.0f, 0.5f}) {
    CReverb r;
    r.Reset(kRate);
    MakeTransparent(r);
    r.SetParam(14, 1.0f);
    r.SetParam(2, kRT);
    const Stereo out = RunReverb(r, ImpulseIn(24000));
    const int tail = FirstNonZero(out.left, 2500);
    if (kRT == 0.0f) {
      EXPECT_EQ(tail, -1);
      EXPECT_EQ(FirstNonZero(out.right, 2494), -1);
    } else {
      EXPECT_GT(tail, 2500);
    }
  }
}

// Each pass round the tank's four branches scales the signal by kRT^4 and takes, averaged over
// frequency, the four fixed delays plus the eight all-pass delays. With no damping and flat
// shelves the decay is the same at every frequency, so the time to fall 60 dB is
// 3 T / (-4 log10 kRT). Measured from the output's backward-integrated energy (-5 to -35 dB).
TEST_F(CReverbTest, TheTailDecaysInTheTimeItsLoopGainAndLengthGive) {
  const double fixedMs = 87.5 * (1.0 + 0.873 + 0.707 + 0.667);
  const double allPassMs = 37.0 * 0.2327 * (0.317 + 0.873 + 0.477 + 0.291 + 0.993 + 0.757 + 0.179 + 0.575);
  const double loopSeconds = (fixedMs + allPassMs) / 1000.0;
  for (float kRT : {0.5f, 0.619981f, 0.8f}) {
    CReverb r;
    r.Reset(kRate);
    r.SetParam(2, kRT);
    r.SetParam(3, 0.0f);     // no damping
    r.SetParam(5, -400.0f);  // wet only
    r.SetParam(7, 0.0f);     // flat shelves
    r.SetParam(9, 0.0f);
    const double expected = 3.0 * loopSeconds / (-4.0 * std::log10(kRT));
    const int n = static_cast<int>(kRate * (expected * 1.5 + 0.5));
    const Stereo out = RunReverb(r, ImpulseIn(n));
    std::vector<double> energy(n + 1, 0.0);  // energy from each sample to the end
    for (int i = n - 1; i >= 0; --i)
      energy[i] = energy[i + 1] + double{out.left[i]} * out.left[i] + double{out.right[i]} * out.right[i];
    auto when = [&](double db) {
      int i = 0;
      while (i < n && 10.0 * std::log10(energy[i] / energy[0]) > db) ++i;
      return i / double{kRate};
    };
    const double rt60 = 2.0 * (when(-35.0) - when(-5.0));
    EXPECT_NEAR(rt60, expected, 0.1 * expected) << "kRT " << kRT;
  }
}

// Presets may carry any number: kRT and damping are held to 0..1 and every delay to its
// line, so the tank stays finite and behaves as at the limit.
TEST_F(CReverbTest, OutOfRangePresetValuesAreHeldToTheirLimits) {
  struct Case {
    int id;
    float bad, limit;
  };
  const Case cases[] = {
      {2, 5.0f, 1.0f},        // kRT
      {2, -2.0f, 0.0f},       //
      {3, 150.0f, 100.0f},    // damping %
      {3, -100.0f, 0.0f},     //
      // Delays: both values put every line concerned beyond its 8190-sample limit.
      {12, 1000.0f, 300.0f},     // fixed maximum (shortest branch weight 0.667)
      {1, 500.0f, 200.0f},       // pre-delay
      {10, 1.0e6f, 50000.0f},    // all-pass maximum (23.27 %, shortest weight 0.179)
  };
  const Stereo in = NoiseIn(48000);
  for (const Case& c : cases) {
    CReverb bad, limit;
    bad.Reset(kRate);
    limit.Reset(kRate);
    bad.SetParam(c.id, c.bad);
    limit.SetParam(c.id, c.limit);
    const Stereo a = RunReverb(bad, in);
    const Stereo b = RunReverb(limit, in);
    float peak = 0.0f;
    for (float v : a.left) {
      ASSERT_TRUE(std::isfinite(v)) << c.id << " " << c.bad;
      peak = std::max(peak, std::fabs(v));
    }
    EXPECT_LT(peak, 20.0f) << c.id << " " << c.bad;
    EXPECT_EQ(a.left, b.left) << c.id << " " << c.bad;
    EXPECT_EQ(a.right, b.right) << c.id << " " << c.bad;
  }
}

// One input channel: the tank hears the left input alone (R counts 0); one output channel:
// dry x L + wet x (left + right) / 2.
TEST_F(CReverbTest, ChannelCountsOfProcessInternal) {
  CReverb mono, stereo, single;
  for (CReverb* r : {&mono, &stereo, &single}) r->Reset(kRate);
  const Stereo in = NoiseIn(6000);
  for (size_t n = 0; n < in.left.size(); ++n) {
    const float monoIn[2] = {in.left[n], 123.0f};  // the second value must not be read
    const float stereoIn[2] = {in.left[n], in.left[n]};
    float a[2], b[2], c[2] = {0.0f, 99.0f};
    mono.ProcessInternal(monoIn, a, 1, 2);
    stereo.ProcessInternal(stereoIn, b, 2, 2);
    single.ProcessInternal(stereoIn, c, 2, 1);
    ASSERT_EQ(a[0], b[0]) << n;
    const float wetL = b[0] - in.left[n], wetR = b[1] - in.left[n];  // dry 0 dB
    ASSERT_NEAR(c[0], in.left[n] + (wetL + wetR) / 2.0f, 1e-5f) << n;
    ASSERT_EQ(c[1], 99.0f);
  }
}

TEST_F(CReverbTest, LevelScalesTheWholeOutput) {
  CReverb half;
  half.Reset(kRate);
  const Stereo in = NoiseIn(4096);
  const Stereo full = RunReverb(reverb_, in, 1.0f);
  const Stereo h = RunReverb(half, in, 0.5f);
  for (size_t n = 0; n < in.left.size(); ++n) {
    ASSERT_EQ(h.left[n], full.left[n] * 0.5f);
    ASSERT_EQ(h.right[n], full.right[n] * 0.5f);
  }
}

// Choosing the reverb again resets it: same rate, no allocation, and the tank starts empty.
TEST_F(CReverbTest, ResetAtTheSameRateOnlyClearsAndProcessAllocatesNothing) {
  Stereo io = NoiseIn(9600);
  std::vector<float> sc(9600, 0.0f);
  float* bufs[4] = {io.left.data(), io.right.data(), sc.data(), sc.data()};
  {
    testing_support::AllocGuard guard;
    reverb_.Process(bufs, bufs, 9600, 1.0f);
    reverb_.Reset(kRate);
    EXPECT_EQ(guard.Count(), 0u);
  }
  CReverb fresh;
  fresh.Reset(kRate);
  const Stereo impulse = ImpulseIn(9600);
  EXPECT_EQ(RunReverb(reverb_, impulse).left, RunReverb(fresh, impulse).left);
}

// Process runs four frames at a time where the lines allow it and falls back to single frames
// where they do not; either way the output is that of ProcessInternal frame by frame, to the
// bit. The settings put each line on both sides of that limit, the call lengths put the
// blocks at every alignment to the rings, and the runs go round every ring several times.
TEST(CReverbBlocksTest, FourFrameBlocksMatchTheFrameByFrameReference) {
  platform::ScopedFlushToZero ftz;
  struct Case {
    const char* what;
    std::vector<std::pair<int, float>> params;
    int frames;
    float rate = kRate;
  };
  const Case cases[] = {
      {"defaults", {}, 128},
      {"thick, long loop, no damping", {{14, 1.0f}, {2, 0.95f}, {3, 0.0f}}, 128},
      {"odd call length", {{14, 1.0f}}, 7},
      {"pre-delay 0", {{1, 0.0f}}, 5},
      {"pre-delay 1 sample, all-passes off", {{1, 1.0f / 48.0f}, {10, 0.0f}}, 128},
      {"all-passes 1..9 samples", {{10, 0.2f}, {11, 100.0f}}, 128},
      {"all-passes 5..28 samples", {{10, 0.6f}, {11, 100.0f}}, 64},
      {"branch lines 0", {{13, 0.0f}}, 128},
      {"last branch line 2 samples", {{12, 4.0f / 48.0f}}, 33},
      {"last branch line 3 samples", {{12, 4.5f / 48.0f}}, 128},
      {"longest lines, shelves and levels", {{12, 200.0f}, {1, 200.0f}, {7, 6.0f}, {9, -6.0f}, {5, -10.0f}}, 128},
      // 64-sample rings: the longest taps reach round to samples a block writes later.
      {"rings of 64 samples", {{12, 200.0f}, {14, 1.0f}}, 128, 500.0f},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    CReverb blocks, reference;
    for (CReverb* r : {&blocks, &reference}) {
      r->Reset(c.rate);
      for (auto [id, value] : c.params) r->SetParam(id, value);
    }
    const int periods = 3 * 8192 / c.frames + 1;
    effect_buffers::ExpectLanesMatchReference(blocks, reference, c.frames, 0.75f, 0.5f, periods, 11u, 0.0f);
  }
}

}  // namespace
