#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <complex>
#include <functional>
#include <vector>

#include "tests/engine/SpectralWaveOscFixture.h"
#include "tests/support/AllocCounter.h"

namespace {

using wtosc_test::SharedTable;
using wtosc_test::SpectralWaveOscFixture;
using Cpx = std::complex<double>;

Cpx C(ne10_fft_cpx_float32_t c) { return {c.r, c.i}; }
double W(double t) { return 0.4892 * t * t - 0.4969 * t + 0.9935; }

class SpectralWaveOscBuild : public SpectralWaveOscFixture {
 protected:
  // A fresh count-1 oscillator at variant `variant` (through the unsmoothed position
  // input), morph amount x through the morph input, rendered once at `frequency` so the
  // next build band-limits for it; then that build (offered `twin`'s table).
  const ne10_fft_cpx_float32_t* BuildAt(SpectralWaveOsc& osc, int32_t algorithm, float x, int32_t variant,
                                        float frequency, const SpectralWaveOsc* twin = nullptr) {
    Prepare(osc);
    osc.SetUnison(0, 1.0f);
    osc.SetPosition(0.0f);
    osc.SetMorphAlgorithm(algorithm);
    morphIn_ = x;
    positionIn_ = (static_cast<float>(variant) + 0.5f) / 255.0f;
    osc.SetInput(SpectralWaveOsc::kInputMorph, &morphIn_);
    osc.SetInput(SpectralWaveOsc::kInputPosition, &positionIn_);
    Settle(osc);
    Block(osc, frequency);
    osc.BuildTable(fft_, twin);
    return osc.Spectrum();
  }

  float morphIn_ = 0.0f;
  float positionIn_ = 0.0f;
};

TEST_F(SpectralWaveOscBuild, PositionPicksTheVariant) {
  struct Case {
    float position;
    float modulation;
    int32_t variant;
  };
  const Case cases[] = {
      {100.7f / 255.0f, 0.0f, 100},  // P = 100.7
      {255.0f / 256.0f, 0.0f, 254},  // WTPos at 255: P = 254.0
      {0.9f, 0.5f, 255},             // modulation beyond the end
      {0.2f, -0.5f, 0},              // below the start
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.variant);
    SpectralWaveOsc osc;
    Prepare(osc);
    float modulation = c.modulation;
    osc.SetInput(SpectralWaveOsc::kInputPosition, &modulation);
    osc.SetPosition(c.position);
    Settle(osc);
    Block(osc, 100.0f);
    osc.BuildTable(fft_);
    const WaveVariant& v = SharedTable().Variant(c.variant);
    // A 256-point table holds harmonics up to 127 however low the note.
    for (int32_t j = 0; j < SpectralWaveOsc::kTableLength; ++j) {
      ASSERT_EQ(osc.Spectrum()[j].r, j < 128 ? v.spectrum[j].r : 0.0f) << j;
      ASSERT_EQ(osc.Spectrum()[j].i, j < 128 ? v.spectrum[j].i : 0.0f) << j;
    }
  }
}

// Each case gives the expected bin j (0..240) from the variant's analysis.
TEST_F(SpectralWaveOscBuild, MorphAlgorithmsReshapeTheSpectrum) {
  const WaveVariant& v = SharedTable().Variant(128);
  auto x = [&](int32_t j) { return C(v.spectrum[j]); };
  auto polar = [&](int32_t j) { return Cpx(v.phasors[j].r, v.phasors[j].i) * static_cast<double>(v.magnitudes[j]); };
  const Cpx zero(0.0, 0.0);
  const double lowPass = std::pow(2.0f, 3.5f);  // c at x = 0.35
  struct Case {
    const char* name;
    int32_t algorithm;
    float x;
    std::function<Cpx(int32_t)> expected;
  };
  const std::vector<Case> cases = {
      {"None", 0, 0.7f, x},
      {"unknown algorithm", 7, 0.7f, x},
      {"negative algorithm", -3, 0.7f, x},
      {"H-SHIFT by 0: each bin plus its upper neighbour", 1, 0.5f,
       [&](int32_t j) { return j < 2 ? x(j) : 0.9935 * x(j) + 0.9858 * x(j + 1); }},
      {"H-SHIFT 50 bins up", 1, 1.0f,
       [&](int32_t j) {
         if (j < 2) return x(j);
         if (j <= 50) return zero;
         if (j == 51) return 0.9858 * x(2);
         return 0.9935 * x(j - 50) + 0.9858 * x(j - 49);
       }},
      {"IH-STRETCH at 0 clears all from bin 2", 2, 0.0f, [&](int32_t j) { return j < 2 ? x(j) : zero; }},
      {"IH-STRETCH at 0.5 halves positions", 2, 0.5f,
       [&](int32_t j) {
         if (j < 2) return x(j);
         if (j == 2) return W(1.0) * x(2);  // position 1: the upper neighbour alone
         if (j == 3) return W(0.5) * x(2);
         const int32_t k = j / 2;
         return j % 2 == 0 ? W(0.0) * x(k) + W(1.0) * x(k + 1) : W(0.5) * x(k) + W(0.5) * x(k + 1);
       }},
      {"SMEAR at 0 keeps the magnitudes", 3, 0.0f, [&](int32_t j) { return j == 0 ? x(0) : polar(j); }},
      {"LOW-PASS at 0 keeps harmonic 1", 4, 0.0f, [&](int32_t j) { return j < 2 ? (j == 0 ? x(0) : polar(1)) : zero; }},
      {"LOW-PASS at 0.35 fades harmonic 12", 4, 0.35f,
       [&](int32_t j) {
         if (j == 0) return x(0);
         if (j <= 11) return polar(j);
         if (j == 12) return polar(12) * (lowPass - 11.0);
         return zero;
       }},
      {"HP-PASS at 0 clears bin 0 only", 5, 0.0f, [&](int32_t j) { return j == 0 ? zero : polar(j); }},
      {"HP-PASS at 0.5 starts at harmonic 32", 5, 0.5f, [&](int32_t j) { return j < 32 ? zero : polar(j); }},
      {"variant scan at 0 takes every bin from the variant", 6, 0.0f, polar},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    SpectralWaveOsc osc;
    const ne10_fft_cpx_float32_t* s = BuildAt(osc, c.algorithm, c.x, 128, 100.0f);
    for (int32_t j = 0; j <= 240; ++j) {
      const Cpx e = c.expected(j);
      ASSERT_NEAR(s[j].r, e.real(), 1e-4 * std::abs(e) + 1e-3) << j;
      ASSERT_NEAR(s[j].i, e.imag(), 1e-4 * std::abs(e) + 1e-3) << j;
    }
  }
}

TEST_F(SpectralWaveOscBuild, SmearMovesEachMagnitudeTowardTheRaisedPreviousOne) {
  const WaveVariant& v = SharedTable().Variant(128);
  const ne10_fft_cpx_float32_t* s = BuildAt(osc_, 3, 0.5f, 128, 100.0f);
  double p = 0.5 * v.magnitudes[1];
  for (int32_t j = 1; j <= 8; ++j) {
    const double m = j == 1 ? p : 0.5 * v.magnitudes[j] + 0.5 * p;
    if (j > 1) p = m * (j / 2 + 0.25) / (j / 2);
    EXPECT_NEAR(s[j].r, m * v.phasors[j].r, 1e-3) << j;
    EXPECT_NEAR(s[j].i, m * v.phasors[j].i, 1e-3) << j;
  }
}

TEST_F(SpectralWaveOscBuild, VariantScanTakesHigherHarmonicsFromFurtherAlongTheTable) {
  // x = 1, variant 128, bin 2: t = 0.5 (0.5 + 16 x 1/10) = 1.05, u = 25.6: variants 25
  // and 26 blended by 0.6, magnitude and phasor alike.
  const ne10_fft_cpx_float32_t* s = BuildAt(osc_, 6, 1.0f, 128, 100.0f);
  const WaveVariant& a = SharedTable().Variant(25);
  const WaveVariant& b = SharedTable().Variant(26);
  const double g = 256.0 * (1.0 - std::fabs(1.0 - 2.0 * 0.05)) - 25.0;
  const double m = a.magnitudes[2] + (b.magnitudes[2] - a.magnitudes[2]) * g;
  EXPECT_NEAR(s[2].r, m * (a.phasors[2].r + (b.phasors[2].r - a.phasors[2].r) * g), 1e-2);
  EXPECT_NEAR(s[2].i, m * (a.phasors[2].i + (b.phasors[2].i - a.phasors[2].i) * g), 1e-2);
}

// Every bin of the scan against a scalar reference of its arithmetic in double precision,
// over positions and amounts that fold the scan back from the table's end several times (no
// band limit: the fundamental is 0 Hz). The scan finds each bin's place along the table in
// floats, within about a thousandth of a variant: the bin lies where the reference puts a
// place that close.
TEST_F(SpectralWaveOscBuild, VariantScanMatchesItsScalarReference) {
  const WaveTable& table = SharedTable();
  for (const int32_t variant : {0, 1, 100, 128, 254, 255}) {
    for (const float x : {0.0f, 0.13f, 0.4f, 0.77f, 1.0f}) {
      SCOPED_TRACE(testing::Message() << "variant " << variant << " x " << x);
      SpectralWaveOsc osc;
      const ne10_fft_cpx_float32_t* s = BuildAt(osc, 6, x, variant, 0.0f);
      const WaveVariant& v = table.Variant(variant);
      ASSERT_EQ(s[0].r, v.magnitudes[0] * v.phasors[0].r);
      ASSERT_EQ(s[0].i, v.magnitudes[0] * v.phasors[0].i);
      for (int32_t j = 1; j < SpectralWaveOsc::kTableLength; ++j) {
        const double t = 0.5 * (static_cast<double>(static_cast<float>(variant) / 256.0f) +
                                static_cast<double>(16.0f * x) * std::log2(static_cast<double>(j)) / 10.0);
        const double exact = 256.0 * (1.0 - std::fabs(1.0 - 2.0 * (t - std::floor(t))));
        auto at = [&](double place) {
          const float u = static_cast<float>(std::clamp(place, 0.0, 256.0));
          const int32_t lo = std::min(static_cast<int32_t>(u), 254);
          const float g = std::min(u - static_cast<float>(lo), 1.0f);
          const WaveVariant& a = table.Variant(lo);
          const WaveVariant& b = table.Variant(lo + 1);
          const float m = a.magnitudes[j] + (b.magnitudes[j] - a.magnitudes[j]) * g;
          return Cpx(m * (a.phasors[j].r + (b.phasors[j].r - a.phasors[j].r) * g),
                     m * (a.phasors[j].i + (b.phasors[j].i - a.phasors[j].i) * g));
        };
        const Cpx expected = at(exact);
        const double tolerance = std::max(std::abs(at(exact + 2e-3) - expected), std::abs(at(exact - 2e-3) - expected)) +
                                 1e-6 * std::abs(expected);
        ASSERT_LE(std::abs(C(s[j]) - expected), tolerance) << j;
      }
    }
  }
}

// The voice's other oscillator lends its newest table only where this one's own build would
// give the same, bit for bit: notes up to 187.5 Hz share one cutoff, other amounts or cutoffs
// do not.
TEST_F(SpectralWaveOscBuild, ATwinsTableIsTakenOnlyWhereTheOwnBuildWouldGiveIt) {
  struct Case {
    const char* what;
    int32_t algorithm;
    float twinX, x, twinHz, hz;
  };
  const Case cases[] = {
      {"the same inputs", 6, 0.4f, 0.4f, 440.0f, 440.0f},
      {"two notes below the band limit's reach", 0, 0.0f, 0.0f, 100.0f, 150.0f},
      {"another amount", 6, 0.4f, 0.1f, 440.0f, 440.0f},
      {"another cutoff", 6, 0.4f, 0.4f, 440.0f, 660.0f},
      {"another cutoff, no band limit", 0, 0.0f, 0.0f, 100.0f, 0.0f},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    SpectralWaveOsc twin, osc, own;
    BuildAt(twin, c.algorithm, c.twinX, 100, c.twinHz);
    BuildAt(own, c.algorithm, c.x, 100, c.hz);
    BuildAt(osc, c.algorithm, c.x, 100, c.hz, &twin);
    const float* taken = osc.NewTable(1 - osc.TableIndex(0));
    const float* built = own.NewTable(1 - own.TableIndex(0));
    for (int32_t n = 0; n < SpectralWaveOsc::kTableLength + 2; ++n) ASSERT_EQ(taken[n], built[n]) << n;
    for (int32_t j = 0; j < SpectralWaveOsc::kTableLength; ++j) {
      ASSERT_EQ(osc.Spectrum()[j].r, own.Spectrum()[j].r) << j;
      ASSERT_EQ(osc.Spectrum()[j].i, own.Spectrum()[j].i) << j;
    }
  }
}

TEST_F(SpectralWaveOscBuild, HighPassNeverStartsAboveTheBandLimit) {
  // At 1000 Hz the band limit keeps 25 harmonics; the high-pass at full amount would start
  // at 1024 but stops at 26, so nothing is left rather than anything aliasing.
  const ne10_fft_cpx_float32_t* s = BuildAt(osc_, 5, 1.0f, 128, 1000.0f);
  for (int32_t j = 0; j < SpectralWaveOsc::kTableLength; ++j) {
    ASSERT_EQ(s[j].r, 0.0f) << j;
    ASSERT_EQ(s[j].i, 0.0f) << j;
  }
  const float* table = osc_.NewTable(1 - osc_.TableIndex(0));
  for (int32_t n = 0; n < SpectralWaveOsc::kTableLength + 2; ++n) ASSERT_EQ(table[n], 0.0f);
}

TEST_F(SpectralWaveOscBuild, NothingIsBuiltWhileANewTableWaitsForTheRender) {
  BuildAt(osc_, 0, 0.0f, 10, 200.0f);
  ASSERT_TRUE(osc_.NewTablePending(0));
  auto tables = [&] {
    std::vector<float> all;
    for (int32_t k = 0; k < 2; ++k) {
      all.insert(all.end(), osc_.PreviousTable(k), osc_.PreviousTable(k) + 258);
      all.insert(all.end(), osc_.NewTable(k), osc_.NewTable(k) + 258);
    }
    return all;
  };
  const std::vector<float> before = tables();
  const std::vector<ne10_fft_cpx_float32_t> spectrum(osc_.Spectrum(), osc_.Spectrum() + 256);
  positionIn_ = 0.8f;
  osc_.BuildTable(fft_);
  EXPECT_EQ(tables(), before);
  for (int32_t j = 0; j < 256; ++j) ASSERT_EQ(osc_.Spectrum()[j].r, spectrum[static_cast<std::size_t>(j)].r);
}

TEST_F(SpectralWaveOscBuild, TheOutgoingTableGoesToThePairTheBuildFills) {
  BuildAt(osc_, 0, 0.0f, 10, 200.0f);
  Block(200.0f);
  const int32_t c = osc_.TableIndex(0);
  const std::vector<float> playing(osc_.NewTable(c), osc_.NewTable(c) + 258);
  positionIn_ = 0.8f;
  osc_.BuildTable(fft_);
  EXPECT_EQ(osc_.TableIndex(0), c);  // the render switches, not the build
  EXPECT_EQ(std::vector<float>(osc_.PreviousTable(1 - c), osc_.PreviousTable(1 - c) + 258), playing);
  const float* built = osc_.NewTable(1 - c);
  EXPECT_NE(std::vector<float>(built, built + 258), playing);
  EXPECT_EQ(built[256], built[0]);
  EXPECT_EQ(built[257], built[1]);
}

// An unanalysed variant has no spectrum to offer: the oscillator plays on with the table
// it had, and the table it fades from is the one that was playing, not an older one.
TEST_F(SpectralWaveOscBuild, AnUnanalysedVariantKeepsTheTablePlaying) {
  const std::unique_ptr<WaveTable> half = wtosc_test::MakeTable(false);
  for (int32_t v = 0; v < 128; ++v) half->AnalyseVariant(v);
  BuildAt(osc_, 0, 0.0f, 100, 200.0f);
  osc_.SetWavetable(half.get());
  Block(200.0f);
  Block(200.0f);
  osc_.SetMorphAlgorithm(4);  // LOW-PASS at 0: a different table for one block
  Block(200.0f);
  const int32_t c = osc_.TableIndex(0);
  const std::vector<float> lowPassed(osc_.NewTable(c), osc_.NewTable(c) + 258);
  positionIn_ = 0.9f;  // variant 229: never analysed
  Block(200.0f);
  const int32_t k = osc_.TableIndex(0);
  EXPECT_NE(k, c);
  EXPECT_EQ(std::vector<float>(osc_.PreviousTable(k), osc_.PreviousTable(k) + 258), lowPassed);
  const float* now = osc_.NewTable(k);
  for (int32_t n = 0; n < 258; ++n) ASSERT_NEAR(now[n], lowPassed[static_cast<std::size_t>(n)], 1e-6f) << n;
}

TEST_F(SpectralWaveOscBuild, BuildAndRenderAllocateNothing) {
  float pm[wtosc_test::kFrames] = {};
  float fm[wtosc_test::kFrames] = {};
  float bm[wtosc_test::kFrames] = {};
  osc_.SetUnison(3, 0.5f);
  osc_.SetBend(0.3f);
  Block(osc_, 300.0f);
  testing_support::AllocGuard guard;
  for (int32_t block = 0; block < 16; ++block) {
    osc_.SetMorphAlgorithm(block % 8);
    osc_.SetSpectralMorph(static_cast<float>(block) / 16.0f);
    if (block % 4 == 0) osc_.ArmRestart();
    Block(osc_, 300.0f, pm, fm, 0.5f, bm, 0.5f);
  }
  EXPECT_EQ(guard.Count(), 0u);
}

}  // namespace
