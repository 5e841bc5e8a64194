#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <limits>
#include <vector>

#include "numeric/MathTables.h"
#include "platform/Simd4.h"
#include "tests/engine/SpectralWaveOscFixture.h"

namespace {

using wtosc_test::Increment;
using wtosc_test::kFrames;
using wtosc_test::kTwo32;
using wtosc_test::Read;
using wtosc_test::SpectralWaveOscFixture;
using wtosc_test::Stereo;
constexpr float kNaN = std::numeric_limits<float>::quiet_NaN();

std::vector<float> Constant(float v) { return std::vector<float>(kFrames, v); }

class SpectralWaveOscRender : public SpectralWaveOscFixture {
 protected:
  // A settled oscillator of `mode` (count = mode + 1) at the table's start (a unit sine)
  // after `blocks` blocks at f: from then on each build gives the table it replaces, so
  // the block fade is invisible. Returns the phase accumulator's sample count.
  int32_t Start(SpectralWaveOsc& osc, int32_t mode, float f, int32_t blocks = 3) {
    osc.SetUnison(mode, 1.0f);
    osc.SetPosition(0.0f);
    Settle(osc);
    for (int32_t b = 0; b < blocks; ++b) Block(osc, f);
    return blocks * kFrames;
  }
  // The table the voices of `osc` play now.
  static const float* Playing(const SpectralWaveOsc& osc) { return osc.NewTable(osc.TableIndex(0)); }
};

TEST_F(SpectralWaveOscRender, OneVoiceAtCentreIsAQuarterOfTheTableOnBothSides) {
  const int32_t t0 = Start(osc_, 0, 440.0f);
  const uint32_t inc = Increment(440.0f);
  const Stereo out = Block(440.0f);
  const float* table = Playing(osc_);
  for (int32_t n = 0; n < kFrames; ++n) {
    const uint32_t raw = static_cast<uint32_t>(t0 + n + 1) * inc;
    ASSERT_NEAR(out.left[n], 0.25f * Read(table, raw), 1e-6f) << n;
    ASSERT_EQ(out.left[n], out.right[n]) << n;
  }
}

TEST_F(SpectralWaveOscRender, AUnitSineVariantPlaysAtUnitAmplitudeAndItsPitch) {
  Start(osc_, 0, 375.0f);
  float peak = 0.0f;
  int32_t rising = 0;
  float last = 0.0f;
  for (int32_t b = 0; b < 100; ++b) {  // 12800 samples: 100 cycles at 375 Hz
    const Stereo out = Block(375.0f);
    for (float s : out.left) {
      peak = std::max(peak, std::fabs(s));
      if (last < 0.0f && s >= 0.0f) ++rising;
      last = s;
    }
  }
  EXPECT_NEAR(peak, 1.0f, 0.005f);
  EXPECT_NEAR(rising, 100, 1);
}

TEST_F(SpectralWaveOscRender, TwoVoicesSplitBySpread) {
  struct Case {
    float spread;
    float leftOf0, leftOf1, rightOf0, rightOf1;  // weights of voice 0 and 1 on each side
  };
  const Case cases[] = {
      {1.0f, 0.0f, 0.225f, 0.225f, 0.0f},                // WTOSC Spread 50
      {0.0f, 0.1125f, 0.1125f, 0.1125f, 0.1125f},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.spread);
    SpectralWaveOsc osc;
    Prepare(osc);
    osc.SetSpread(c.spread);
    const int32_t t0 = Start(osc, 1, 500.0f);
    const Stereo out = Block(osc, 500.0f);
    const uint32_t inc0 = Increment(osc.UnisonFrequency(0));
    const uint32_t inc1 = Increment(osc.UnisonFrequency(1));
    ASSERT_LT(osc.UnisonFrequency(0), 500.0f);
    ASSERT_GT(osc.UnisonFrequency(1), 500.0f);
    for (int32_t n = 0; n < kFrames; ++n) {
      const float v0 = Read(Playing(osc), static_cast<uint32_t>(t0 + n + 1) * inc0);
      const float v1 = Read(Playing(osc), static_cast<uint32_t>(t0 + n + 1) * inc1);
      ASSERT_NEAR(out.left[n], c.leftOf0 * v0 + c.leftOf1 * v1, 2e-6f) << n;
      ASSERT_NEAR(out.right[n], c.rightOf0 * v0 + c.rightOf1 * v1, 2e-6f) << n;
    }
  }
}

// Spread 1 crosses the sides: the left output carries what was routed right and the right
// output what was routed left, each at the count's level.
TEST_F(SpectralWaveOscRender, ThreeAndFourVoicesReachTheirSidesAtTheCountsLevel) {
  struct Case {
    int32_t mode;
    float left[4];   // weight of each voice in the left output
    float right[4];
  };
  const Case cases[] = {
      {2, {0.2f, 0.0f, 0.2f, 0.0f}, {0.2f, 0.2f, 0.0f, 0.0f}},        // routed: L 0,1  R 0,2
      {3, {0.0f, 0.175f, 0.175f, 0.0f}, {0.175f, 0.0f, 0.0f, 0.175f}},  // routed: L 0,3  R 1,2
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.mode);
    SpectralWaveOsc osc;
    Prepare(osc);
    osc.SetSpread(1.0f);
    const int32_t t0 = Start(osc, c.mode, 500.0f);
    const Stereo out = Block(osc, 500.0f);
    const int32_t count = c.mode + 1;
    ASSERT_EQ(osc.UnisonCount(), count);
    for (int32_t n = 0; n < kFrames; ++n) {
      float left = 0.0f;
      float right = 0.0f;
      for (int32_t v = 0; v < count; ++v) {
        const float value =
            Read(Playing(osc), static_cast<uint32_t>(t0 + n + 1) * Increment(osc.UnisonFrequency(v)));
        left += c.left[v] * value;
        right += c.right[v] * value;
      }
      ASSERT_NEAR(out.left[n], left, 4e-6f) << n;
      ASSERT_NEAR(out.right[n], right, 4e-6f) << n;
    }
  }
}

TEST_F(SpectralWaveOscRender, PanAndMuteSetTheSideGains) {
  struct Case {
    float pan;
    bool mute;
    float left;
    float right;
  };
  const Case cases[] = {
      {1.0f, false, 0.0f, 0.25f},
      {-1.0f, false, 0.25f, 0.0f},
      {0.5f, false, 0.125f, 0.25f},
      {0.0f, true, 0.0f, 0.0f},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.pan);
    SpectralWaveOsc osc;
    Prepare(osc);
    osc.SetPan(c.pan);
    osc.SetMute(c.mute);
    const int32_t t0 = Start(osc, 0, 440.0f);
    const Stereo out = Block(osc, 440.0f);
    for (int32_t n = 0; n < kFrames; ++n) {
      const float v = Read(Playing(osc), static_cast<uint32_t>(t0 + n + 1) * Increment(440.0f));
      ASSERT_NEAR(out.left[n], c.left * v, 2e-6f) << n;
      ASSERT_NEAR(out.right[n], c.right * v, 2e-6f) << n;
    }
  }
}

TEST_F(SpectralWaveOscRender, MutedBlocksRunThePhasesAndHandOversOn) {
  SpectralWaveOsc reference;
  Prepare(reference);
  for (SpectralWaveOsc* osc : {&osc_, &reference}) {
    osc->SetPhaseReset(true);
    osc->SetUnison(2, 0.5f);
  }
  osc_.SetMute(true);
  // A new table every block and a restart in the last muted block.
  for (int32_t block = 0; block < 4; ++block) {
    for (SpectralWaveOsc* osc : {&osc_, &reference}) {
      osc->SetMorphAlgorithm(block + 1);
      osc->SetSpectralMorph(0.3f);
      if (block == 3) osc->ArmRestart();
    }
    const Stereo muted = Block(osc_, 700.0f);
    Block(reference, 700.0f);
    for (int32_t n = 0; n < kFrames; ++n) ASSERT_EQ(muted.left[n] + muted.right[n], 0.0f);
  }
  osc_.SetMute(false);
  for (int32_t block = 0; block < 2; ++block) {
    const Stereo a = Block(osc_, 700.0f);
    const Stereo b = Block(reference, 700.0f);
    for (int32_t n = 0; n < kFrames; ++n) {
      ASSERT_EQ(a.left[n], b.left[n]) << n;
      ASSERT_EQ(a.right[n], b.right[n]) << n;
    }
  }
}

TEST_F(SpectralWaveOscRender, PhaseModulationIsASaturatedOffset) {
  struct Case {
    float pm;
    uint32_t offset;
  };
  const Case cases[] = {{-0.5f, 0u}, {0.25f, 1u << 30}, {1.0f, 0xFFFFFFFFu}, {6.5f, 0xFFFFFFFFu}, {kNaN, 0u}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.pm);
    SpectralWaveOsc osc;
    Prepare(osc);
    const int32_t t0 = Start(osc, 0, 440.0f);
    const std::vector<float> pm = Constant(c.pm);
    const Stereo out = Block(osc, 440.0f, pm.data());
    for (int32_t n = 0; n < kFrames; ++n) {
      const uint32_t raw = static_cast<uint32_t>(t0 + n + 1) * Increment(440.0f) + c.offset;
      ASSERT_NEAR(out.left[n], 0.25f * Read(Playing(osc), raw), 2e-6f) << n;
    }
  }
}

TEST_F(SpectralWaveOscRender, AnFmProductOfMinusOneHoldsThePhase) {
  const int32_t t0 = Start(osc_, 0, 440.0f);
  std::vector<float> fm = Constant(0.0f);
  for (int32_t n = 40; n < 80; ++n) fm[static_cast<std::size_t>(n)] = n < 60 ? -0.5f : -1.5f;  // x 2 below
  const Stereo out = Block(osc_, 440.0f, nullptr, fm.data(), 2.0f);
  for (int32_t n = 40; n < 80; ++n) ASSERT_EQ(out.left[n], out.left[39]) << n;
  const uint32_t inc = Increment(440.0f);
  const uint32_t raw = static_cast<uint32_t>(t0 + kFrames - 40) * inc;  // 40 samples stood still
  EXPECT_NEAR(out.left[kFrames - 1], 0.25f * Read(Playing(osc_), raw), 2e-6f);
}

// The bent phase against a scalar reference of the same arithmetic: the reciprocal
// estimate of 1.02 - min(1, |b|) as exponent, x^e for b > 0, 1 - (1 - x)^e for b < 0.
TEST_F(SpectralWaveOscRender, PhaseBendFollowsThePowerCurve) {
  EXPECT_NEAR(v4::RecipEstimateRef(1.02f - 1.0f), 50.0f, 0.25f);
  struct Case {
    float bend;
    float bm;
    float bmAmount;
    bool ramp = false;  // bm runs from -bm to bm over the block
  };
  const Case cases[] = {{1.0f, 0.0f, 0.0f},        {0.5f, 0.0f, 0.0f},  {-0.5f, 0.0f, 0.0f}, {-1.0f, 0.0f, 0.0f},
                        {0.0f, 2.0f, 0.5f},        {0.2f, -1.0f, 0.7f}, {0.0f, 0.0f, 0.0f},
                        {0.1f, 1.0f, 0.6f, true},  // both ways and through 0 within a block
                        {0.0f, 1.0f, 0.0f, true}};
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.bend << " + " << c.bm << " x " << c.bmAmount << (c.ramp ? " ramp" : ""));
    SpectralWaveOsc osc;
    Prepare(osc);
    osc.SetBend(c.bend);
    std::vector<float> bm = Constant(c.bm);
    if (c.ramp) {
      for (int32_t n = 0; n < kFrames; ++n) {
        bm[static_cast<std::size_t>(n)] = c.bm * (static_cast<float>(2 * n - kFrames + 1) / (kFrames - 1));
      }
    }
    osc.SetUnison(0, 1.0f);
    osc.SetPosition(0.0f);
    Settle(osc);
    for (int32_t b = 0; b < 3; ++b) Block(osc, 330.0f, nullptr, nullptr, 0.0f, bm.data(), c.bmAmount);
    const Stereo out = Block(osc, 330.0f, nullptr, nullptr, 0.0f, bm.data(), c.bmAmount);
    int32_t nearStart = 0;
    for (int32_t n = 0; n < kFrames; ++n) {
      const float b = c.bend + bm[static_cast<std::size_t>(n)] * c.bmAmount;
      const float e = v4::RecipEstimateRef(1.02f - std::min(1.0f, std::fabs(b)));
      const uint32_t raw = static_cast<uint32_t>(3 * kFrames + n + 1) * Increment(330.0f);
      const float x = static_cast<float>(raw) * (1.0f / kTwo32);
      const float y = b > 0.0f ? fastPow4Ref(x, e) : b < 0.0f ? 1.0f - fastPow4Ref(1.0f - x, e) : x;
      const uint32_t bent = arm::ToUint32(y * kTwo32);
      const float* t = Playing(osc);
      const float frac = static_cast<float>(bent & 0xFFFFFFu) * (1.0f / 16777216.0f);
      const float v = t[bent >> 24] + (t[(bent >> 24) + 1] - t[bent >> 24]) * frac;
      ASSERT_NEAR(out.left[n], 0.25f * v, 2e-6f) << n;
      if ((bent >> 24) < 2) ++nearStart;
    }
    // A full positive bend stays at the table's start for most of the cycle.
    if (!c.ramp && c.bend + c.bm * c.bmAmount >= 1.0f) {
      EXPECT_GT(nearStart, kFrames * 3 / 4);
    }
  }
}

TEST_F(SpectralWaveOscRender, ANewTableFadesInOverTheBlock) {
  float position = 0.0f;
  osc_.SetInput(SpectralWaveOsc::kInputPosition, &position);
  const int32_t t0 = Start(osc_, 0, 440.0f);
  const int32_t before = osc_.TableIndex(0);
  position = 0.6f;
  const Stereo out = Block(440.0f);
  const int32_t k = osc_.TableIndex(0);
  EXPECT_EQ(k, 1 - before);
  const float* old = osc_.PreviousTable(k);
  const float* now = osc_.NewTable(k);
  for (int32_t n = 0; n < kFrames; ++n) {
    const uint32_t raw = static_cast<uint32_t>(t0 + n + 1) * Increment(440.0f);
    const float a = Read(old, raw);
    const float b = Read(now, raw);
    ASSERT_NEAR(out.left[n], 0.25f * (a + (b - a) * (static_cast<float>(n) / kFrames)), 2e-6f) << n;
  }
  EXPECT_NE(Read(old, 0x10000000u), Read(now, 0x10000000u));
}

// A build is skipped while nothing that shapes the table moves, and a pitch change alone
// band-limits the kept spectrum again. Against an oscillator that builds everything every
// block (its morph algorithm alternates between two names of the same reshaping, none and
// an unknown value), the samples are the same through settled blocks, position moves, a
// restart, a pitch step and a glide, with unison, bend, FM and PM at work.
TEST_F(SpectralWaveOscRender, ASkippedBuildPlaysWhatAFullBuildWould) {
  SpectralWaveOsc rebuilt;
  Prepare(rebuilt);
  float position = 0.2f;
  std::vector<float> fm(kFrames), pm(kFrames), bm(kFrames);
  for (int32_t n = 0; n < kFrames; ++n) {
    fm[static_cast<std::size_t>(n)] = 0.2f * std::sin(0.05f * static_cast<float>(n));
    pm[static_cast<std::size_t>(n)] = 0.1f * std::cos(0.03f * static_cast<float>(n));
    bm[static_cast<std::size_t>(n)] = static_cast<float>(n) / kFrames;
  }
  for (SpectralWaveOsc* osc : {&osc_, &rebuilt}) {
    osc->SetUnison(3, 0.5f);
    osc->SetBend(0.3f);
    osc->SetSpread(1.0f);
    osc->SetRandomDeviation(0.0f);
    osc->SetPhaseReset(true);
    osc->SetInput(SpectralWaveOsc::kInputPosition, &position);
  }
  float frequency = 220.0f;
  for (int32_t b = 0; b < 60; ++b) {
    if (b == 20) position = 0.5f;
    if (b >= 30 && b < 34) position += 0.01f;
    if (b == 40) {
      osc_.ArmRestart();
      rebuilt.ArmRestart();
    }
    if (b == 50) frequency = 1500.0f;
    if (b >= 52 && b < 58) frequency *= 1.01f;
    rebuilt.SetMorphAlgorithm(b % 2 == 0 ? SpectralWaveOsc::kNone : 7);
    const Stereo skipping = Block(osc_, frequency, pm.data(), fm.data(), 0.5f, bm.data(), 0.4f);
    const Stereo building = Block(rebuilt, frequency, pm.data(), fm.data(), 0.5f, bm.data(), 0.4f);
    ASSERT_EQ(skipping.left, building.left) << b;
    ASSERT_EQ(skipping.right, building.right) << b;
  }
}

TEST_F(SpectralWaveOscRender, AResetFadesInFromSilenceAndPublishesTheNewTable) {
  const int32_t t0 = Start(osc_, 0, 440.0f);
  osc_.Reset();
  const Stereo out = Block(440.0f);
  const int32_t k = osc_.TableIndex(0);
  EXPECT_EQ(k, 1);
  EXPECT_EQ(osc_.DisplayTable(), osc_.NewTable(1));
  EXPECT_EQ(osc_.DisplayLength(), 256);
  for (int32_t n = 0; n < kFrames; ++n) {
    const uint32_t raw = static_cast<uint32_t>(t0 + n + 1) * Increment(440.0f);  // the phase runs on
    ASSERT_NEAR(out.left[n], 0.25f * Read(osc_.NewTable(1), raw) * (static_cast<float>(n) / kFrames), 2e-6f) << n;
  }
}

TEST_F(SpectralWaveOscRender, WithoutAPlayableTableTheOutputIsSilent) {
  const std::unique_ptr<WaveTable> unanalysed = wtosc_test::MakeTable(false);
  for (const WaveTable* table : {static_cast<const WaveTable*>(nullptr), static_cast<const WaveTable*>(unanalysed.get())}) {
    SpectralWaveOsc osc;
    Prepare(osc, table);
    osc.SetPosition(0.5f);
    Settle(osc);
    for (int32_t b = 0; b < 3; ++b) {
      Stereo out;
      out.left.fill(1.0f);
      out.right.fill(1.0f);
      osc.SmoothControls();
      osc.BuildTable(fft_);
      osc.Render(out.left.data(), out.right.data(), nullptr, 0.0f, 440.0f, 0.0f, nullptr, nullptr);
      for (int32_t n = 0; n < kFrames; ++n) ASSERT_EQ(out.left[n] + out.right[n], 0.0f);
    }
  }
}

// Until the voice sets a unison mode the count is 2 but only voice 0 (detuned down by half
// the detune) is routed, to both sides at the count-2 level.
TEST_F(SpectralWaveOscRender, AFreshOscillatorPlaysVoiceZeroAlone) {
  EXPECT_EQ(osc_.UnisonCount(), 2);
  osc_.SetPosition(0.0f);
  Settle(osc_);
  for (int32_t b = 0; b < 3; ++b) Block(400.0f);
  const Stereo out = Block(400.0f);
  EXPECT_NEAR(osc_.UnisonFrequency(0), 400.0 / std::pow(2.0, 0.4 / 12.0 / 2.0), 1e-3);
  const uint32_t inc = Increment(osc_.UnisonFrequency(0));
  for (int32_t n = 0; n < kFrames; ++n) {
    ASSERT_NEAR(out.left[n], 0.225f * Read(Playing(osc_), static_cast<uint32_t>(3 * kFrames + n + 1) * inc), 2e-6f);
    ASSERT_EQ(out.left[n], out.right[n]);
  }
}

TEST_F(SpectralWaveOscRender, UnisonFrequenciesFollowCountRatioAndDetune) {
  const double f = 300.0;
  const double d = (0.6 + 0.4) / 12.0;  // modulation 0.6 semitones + detune 0.4
  const double e = std::pow(2.0, d / 2.0);
  const double dd = std::pow(2.0, d / 6.0);
  const double r = 0.75;
  struct Case {
    int32_t mode;
    std::vector<double> expected;
  };
  const Case cases[] = {
      {0, {f}},
      {1, {f / e, f * r * e}},
      {6, {f * r, f / e, f * e}},  // mode & 3
      {3, {f * r / dd, f * dd, f / e, f * r * e}},
  };
  float detune = 0.6f;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.mode);
    SpectralWaveOsc osc;
    Prepare(osc);
    osc.SetInput(SpectralWaveOsc::kInputDetune, &detune);
    osc.SetUnison(c.mode, 0.75f);
    osc.SetUnisonDetune(0.4f);
    Block(osc, 300.0f);
    ASSERT_EQ(osc.UnisonCount(), static_cast<int32_t>(c.expected.size()));
    for (std::size_t v = 0; v < c.expected.size(); ++v) {
      EXPECT_NEAR(osc.UnisonFrequency(static_cast<int32_t>(v)), c.expected[v], 1e-4 * f) << v;
    }
  }
}

// OscReset on, deviation 1.0: voice 0 fades over samples 0-11 from its running waveform
// (read plainly from the table it fades from) to the table value where it restarts, which
// is the phase control plus the phase modulation of sample 12, and restarts there at
// sample 12. Voice 1 runs on undisturbed.
TEST_F(SpectralWaveOscRender, APhaseResetRestartsVoiceZeroBehindATwelveSampleCrossfade) {
  SpectralWaveOsc reference;
  for (SpectralWaveOsc* osc : {&osc_, &reference}) {
    if (osc != &osc_) Prepare(*osc);
    osc->SetPhaseReset(true);
    osc->SetPhase(0.25f);
    osc->SetSpread(1.0f);  // left carries voice 1, right voice 0
    Start(*osc, 1, 440.0f);
  }
  std::vector<float> pm = Constant(0.0f);
  pm[12] = 0.1f;
  osc_.ArmRestart();
  const Stereo out = Block(osc_, 440.0f, pm.data());
  const Stereo free = Block(reference, 440.0f, pm.data());
  // Voice 1 comes out of the mid/side sum with voice 0, so rounding differs by a few ulps.
  for (int32_t n = 0; n < kFrames; ++n) ASSERT_NEAR(out.left[n], free.left[n], 3e-6f) << n;

  const int32_t k = osc_.TableIndex(0);
  const float* a = osc_.PreviousTable(k);
  const float* b = osc_.NewTable(k);
  const uint32_t inc = Increment(osc_.UnisonFrequency(0));
  const uint32_t phi = 1u << 30;
  const float restartValue = b[static_cast<int32_t>(256.0f * (0.25f + 0.1f))];
  for (int32_t s = 0; s < 12; ++s) {
    const uint32_t running = static_cast<uint32_t>(3 * kFrames + s + 1) * inc + phi;
    const float expected = a[running >> 24] * (1.0f - s / 12.0f) + restartValue * (s / 12.0f);
    ASSERT_NEAR(out.right[s], 0.225f * expected, 4e-6f) << s;
  }
  for (int32_t n = 12; n < kFrames; ++n) {
    const uint32_t raw = static_cast<uint32_t>(n - 12) * inc + phi + (n == 12 ? arm::ToUint32(0.1f * kTwo32) : 0u);
    ASSERT_NEAR(out.right[n], 0.225f * Read(b, raw), 4e-6f) << n;
  }
  // The next block plays on without a crossfade.
  const Stereo next = Block(osc_, 440.0f);
  const uint32_t raw = static_cast<uint32_t>(kFrames - 12) * inc + phi;
  EXPECT_NEAR(next.right[0], 0.225f * Read(Playing(osc_), raw), 4e-6f);
}

TEST_F(SpectralWaveOscRender, RandomDeviationSpreadsTheRestartOffsets) {
  std::srand(7);
  osc_.SetRandomDeviation(0.5f);
  osc_.SetUnison(3, 1.0f);
  for (int32_t round = 0; round < 50; ++round) {
    osc_.ArmRestart();
    const float first = osc_.RestartOffset(1);
    osc_.ArmRestart();  // still pending: changes nothing
    ASSERT_EQ(osc_.RestartOffset(1), first);
    Block(300.0f);
    EXPECT_EQ(osc_.RestartOffset(0), 0.0f);
    for (int32_t v = 1; v < 4; ++v) {
      const float o = osc_.RestartOffset(v);
      ASSERT_TRUE((o >= 0.0f && o < 0.25f) || (o >= 0.75f && o < 1.0f)) << o;
    }
  }
}

}  // namespace

// Unbounded modulation, a note start whose restart point comes from a huge phase
// modulation, odd block sizes and unusable frequencies: the output stays finite and nothing
// is written past the block.
TEST_F(SpectralWaveOscRender, BadInputGivesFiniteOutputWithinTheBlock) {
  constexpr float kInf = std::numeric_limits<float>::infinity();
  struct Case {
    float frequency;
    float fm;
    float pm;
    float bm;
  };
  const Case cases[] = {
      {0.0f, 0.0f, 0.0f, 0.0f},     {-300.0f, 0.0f, 0.0f, 0.0f}, {kNaN, 0.0f, 0.0f, 0.0f},
      {kInf, 0.0f, 0.0f, 0.0f},     {1e9f, 0.0f, 0.0f, 0.0f},    {440.0f, kNaN, kNaN, kNaN},
      {440.0f, 1e30f, 1e30f, 1e30f}, {440.0f, -1e30f, -1e30f, -1e30f}, {440.0f, kInf, kInf, -kInf},
  };
  for (const int32_t frames : {128, 130}) {
    for (int32_t mode = 0; mode < 4; ++mode) {
      for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << frames << " frames, mode " << mode << ", f " << c.frequency << ", fm "
                                        << c.fm << ", pm " << c.pm << ", bm " << c.bm);
        SpectralWaveOsc osc;
        Prepare(osc);
        osc.SetBlockSize(frames);
        osc.SetUnison(mode, 0.5f);
        osc.SetPhaseReset(true);
        osc.SetRandomDeviation(0.7f);
        osc.SetMorphAlgorithm(mode + 1);
        const std::vector<float> fm(static_cast<std::size_t>(frames), c.fm);
        const std::vector<float> pm(static_cast<std::size_t>(frames), c.pm);
        const std::vector<float> bm(static_cast<std::size_t>(frames), c.bm);
        std::vector<float> left(static_cast<std::size_t>(frames) + 4, 77.0f);
        std::vector<float> right(static_cast<std::size_t>(frames) + 4, 77.0f);
        for (int32_t block = 0; block < 3; ++block) {
          if (block == 1) osc.ArmRestart();
          osc.SmoothControls();
          osc.BuildTable(fft_);
          osc.Render(left.data(), right.data(), fm.data(), 1.0f, c.frequency, 1.0f, pm.data(), bm.data());
          for (int32_t n = 0; n < frames; ++n) {
            ASSERT_TRUE(std::isfinite(left[n]) && std::isfinite(right[n])) << n;
          }
          for (int32_t n = frames; n < frames + 4; ++n) ASSERT_EQ(left[n] + right[n], 154.0f);
        }
      }
    }
  }
}

namespace {

TEST_F(SpectralWaveOscRender, SmearKeepsItsLevelUpToTheEndOfTheControl) {
  // The RMS level of a settled note over the last tenth of the smear control, at the page's
  // steps, at pitches whose band limit keeps from 109 down to 27 harmonics: no setting falls
  // away and no step between neighbouring settings jumps.
  auto level = [&](float x, float hz) {
    SpectralWaveOsc osc;
    Prepare(osc);
    osc.SetUnison(0, 1.0f);
    osc.SetPosition(0.5f);
    osc.SetMorphAlgorithm(SpectralWaveOsc::kSmear);
    osc.SetSpectralMorph(x);
    Settle(osc);
    double sum = 0.0;
    for (int b = 0; b < 40; ++b) {
      const Stereo out = Block(osc, hz);
      if (b < 8) continue;
      for (float v : out.left) sum += static_cast<double>(v) * v;
    }
    return 10.0 * std::log10(sum / (32.0 * kFrames));
  };
  for (float hz : {220.0f, 440.0f, 880.0f}) {
    SCOPED_TRACE(testing::Message() << hz << " Hz");
    const double start = level(0.0f, hz);
    double previous = level(0.9f, hz);
    EXPECT_NEAR(previous, start, 3.0);
    double lowest = previous, highest = previous;
    for (int step = 91; step <= 100; ++step) {
      const float x = static_cast<float>(step) / 100.0f;
      const double now = level(x, hz);
      EXPECT_NEAR(now, previous, 0.5) << "smear " << x;
      lowest = std::min(lowest, now);
      highest = std::max(highest, now);
      previous = now;
    }
    EXPECT_LT(highest - lowest, 1.5);
    EXPECT_GT(lowest, start - 4.0);
  }
}

}  // namespace
