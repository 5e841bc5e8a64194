#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <limits>
#include <vector>

#include "engine/CDualSEMFilter.h"
#include "engine/CMoogLadderFilter.h"
#include "engine/CSEMFilter.h"
#include "engine/DualLadderApproxFilter.h"
#include "engine/DualOnePoleFeedbackFilter.h"
#include "engine/FourPoleFilter.h"
#include "engine/LadderApproxFilter.h"
#include "engine/OnePoleFeedbackFilter.h"
#include "platform/Denormals.h"

namespace {

constexpr float kNaN = std::numeric_limits<float>::quiet_NaN();

class SingleFilters : public ::testing::Test {
 protected:
  platform::ScopedFlushToZero ftz_;
};

std::vector<float> Tone(int n, double freq, float amplitude) {
  std::vector<float> v(n);
  for (int i = 0; i < n; ++i) v[i] = amplitude * static_cast<float>(std::sin(2.0 * M_PI * freq * i / 48000.0) + 0.3 * std::sin(2.0 * M_PI * 3.1 * freq * i / 48000.0));
  return v;
}

TEST_F(SingleFilters, FourPoleSettlesAtUnityForTwoEqualInputs) {
  FourPoleFilter f;
  f.SetSampleRate(48000);
  f.count = 64;
  std::vector<float> ones(64, 1.0f), out(64);
  for (int b = 0; b < 200; ++b) f.Process(ones.data(), ones.data(), out.data(), 500.0f, 0.5f);
  EXPECT_NEAR(out.back(), 1.0f, 1e-4f);  // float direct-form rounding at DC
}

TEST_F(SingleFilters, FourPoleClampsCutoffAndResonance) {
  const auto run = [](float cutoff, float resonance, float* wa = nullptr) {
    FourPoleFilter f;
    f.SetSampleRate(48000);
    f.count = 256;
    const auto in = Tone(256, 300.0, 0.5f);
    std::vector<float> out(256);
    const float w = f.Process(in.data(), in.data(), out.data(), cutoff, resonance);
    if (wa != nullptr) *wa = w;
    return out;
  };
  float waLow = 0, waZero = 0, waHigh = 0, waAbove = 0;
  EXPECT_EQ(run(0.0f, 0.5f, &waZero), run(48.0f, 0.5f, &waLow));
  EXPECT_EQ(run(-5.0f, 0.5f), run(48.0f, 0.5f));
  EXPECT_EQ(run(kNaN, 0.5f), run(48.0f, 0.5f));
  EXPECT_EQ(run(30000.0f, 0.5f, &waAbove), run(21600.0f, 0.5f, &waHigh));
  EXPECT_EQ(waZero, waLow);
  EXPECT_EQ(waAbove, waHigh);
  EXPECT_NEAR(waLow, 2.0 * 48000.0 * std::tan(M_PI * 0.001), 0.01);
  EXPECT_EQ(run(1000.0f, 2.0f), run(1000.0f, 1.0f));
  EXPECT_EQ(run(1000.0f, -1.0f), run(1000.0f, 0.0f));
  EXPECT_EQ(run(1000.0f, kNaN), run(1000.0f, 0.0f));
}

TEST_F(SingleFilters, FourPoleCountZeroOnlyUpdatesAndTheDefaultRateIsReady) {
  // Constructed filters run at 44100 without a SetSampleRate call.
  FourPoleFilter unset, set;
  set.SetSampleRate(44100);
  unset.count = set.count = 128;
  const auto in = Tone(128, 440.0, 0.5f);
  std::vector<float> a(128), b(128);
  EXPECT_EQ(unset.Process(in.data(), in.data(), a.data(), 2000.0f, 0.2f),
            set.Process(in.data(), in.data(), b.data(), 2000.0f, 0.2f));
  EXPECT_EQ(a, b);
  for (float v : a) ASSERT_TRUE(std::isfinite(v));

  FourPoleFilter f;
  f.count = 0;
  std::vector<float> out(4, 9.0f);
  EXPECT_NEAR(f.Process(in.data(), in.data(), out.data(), 1000.0f, 0.0f), 2.0 * 44100.0 * std::tan(M_PI * 1000.0 / 44100.0), 0.5);
  EXPECT_EQ(out, std::vector<float>(4, 9.0f));
}

// The per-sample forms equal a block of one with the single input and a silent second input.
TEST_F(SingleFilters, PerSampleFormMatchesTheBlockForm) {
  const auto in = Tone(512, 700.0, 0.4f);
  const float zero[1] = {0.0f};
  struct Case {
    const char* name;
    std::function<float(float, float, float)> sample;
    std::function<float(float, float, float)> block;
  };
  FourPoleFilter fpA, fpB;
  fpB.count = 1;
  CMoogLadderFilter mA, mB;
  mA.SetMode(0);
  mB.SetMode(0);
  CSEMFilter sA, sB;
  sA.SetType(2);
  sB.SetType(2);
  LadderApproxFilter lA, lB;
  lA.output = lB.output = 2;
  OnePoleFeedbackFilter oA, oB;
  const Case cases[] = {
      {"FourPoleFilter", [&](float x, float c, float r) { return fpA.ProcessSample(x, c, r); },
       [&](float x, float c, float r) { float o; fpB.Process(&x, zero, &o, c, r); return o; }},
      {"CMoogLadderFilter", [&](float x, float c, float r) { return mA.ProcessSample(x, c, r); },
       [&](float x, float c, float r) { float o; mB.Process(&x, zero, &o, c, r); return o; }},
      {"CSEMFilter", [&](float x, float c, float r) { return sA.ProcessSample(x, c, r); },
       [&](float x, float c, float r) { float o; sB.Process(&x, zero, &o, c, r); return o; }},
      {"LadderApproxFilter", [&](float x, float c, float r) { return lA.ProcessSample(x, c, r); },
       [&](float x, float c, float r) { float o; lB.Process(&x, zero, &o, c, r); return o; }},
      {"OnePoleFeedbackFilter", [&](float x, float c, float r) { return oA.ProcessSample(x, c, r); },
       [&](float x, float c, float r) { float o; oB.Process(&x, &o, c, r); return o; }},
  };
  for (const Case& c : cases) {
    for (int i = 0; i < 512; ++i) {
      const float cutoff = 300.0f + 20.0f * i;  // moving every sample, as the editor may
      ASSERT_EQ(c.sample(in[i], cutoff, 0.4f), c.block(in[i], cutoff, 0.4f)) << c.name << " " << i;
    }
  }
}

TEST_F(SingleFilters, MoogModeSwitchTakesEffectAtAnUnchangedCutoff) {
  // Switching from the two-pole to the four-pole loop must bring the four-pole coefficients
  // even when cutoff and resonance stay as they were.
  CMoogLadderFilter switched, fresh;
  switched.SetFrames(128);
  fresh.SetFrames(128);
  fresh.SetMode(CMoogLadderFilter::kFourPole);
  const std::vector<float> silence(128, 0.0f);
  std::vector<float> out(128);
  switched.Process(silence.data(), silence.data(), out.data(), 900.0f, 0.4f);
  switched.SetMode(CMoogLadderFilter::kFourPole);
  const auto in = Tone(128, 300.0, 0.5f);
  std::vector<float> a(128), b(128);
  switched.Process(in.data(), silence.data(), a.data(), 900.0f, 0.4f);
  fresh.Process(in.data(), silence.data(), b.data(), 900.0f, 0.4f);
  EXPECT_EQ(a, b);

  // A mode other than 0 and 1 writes nothing.
  CMoogLadderFilter other;
  other.SetFrames(128);
  other.SetMode(3);
  std::vector<float> untouched(128, 5.0f);
  other.Process(in.data(), silence.data(), untouched.data(), 900.0f, 0.4f);
  EXPECT_EQ(untouched, std::vector<float>(128, 5.0f));
}

TEST_F(SingleFilters, SemAtResonanceZeroMatchesTheStereoCore) {
  for (int type = 1; type <= 4; ++type) {
    CSEMFilter mono;
    mono.sampleRate = 48000.0f;
    mono.frames = 128;
    mono.SetType(type);
    CDualSEMFilter dual;
    dual.SetSampleRate(48000.0f);
    dual.SetType(type);
    const auto in = Tone(128, 500.0, 0.5f);
    const std::vector<float> silence(128, 0.0f);
    std::vector<float> a(128), b(128), right(128);
    for (int block = 0; block < 4; ++block) {
      mono.Process(in.data(), silence.data(), a.data(), 1500.0f, 0.0f);
      dual.Process(in.data(), in.data(), b.data(), 1500.0f, 0.0f, right.data());
      ASSERT_EQ(a, b) << type;
    }
  }
}

// Peak of the ringing between 0.5 s and 1 s after an impulse.
float LateRinging(float resonance) {
  CSEMFilter f;
  f.sampleRate = 48000.0f;
  f.frames = 1;
  f.SetType(CSEMFilter::kBandPass);
  float peak = 0.0f;
  for (int i = 0; i < 48000; ++i) {
    const float y = f.ProcessSample(i == 0 ? 1.0f : 0.0f, 5000.0f, resonance);
    if (i >= 24000) peak = std::max(peak, std::fabs(y));
  }
  return peak;
}

TEST_F(SingleFilters, SemRunsWithoutDampingExactlyAtQ25) {
  // Resonance 0.9 gives Q 25: the impulse rings on; just below and above it decays.
  EXPECT_GT(LateRinging(0.9f), 0.01f);
  EXPECT_LT(LateRinging(0.89f), 1e-6f);
  EXPECT_LT(LateRinging(0.91f), 1e-6f);
}

TEST_F(SingleFilters, LadderApproxClampsAt80HzAndDoesNotLimitItsInput) {
  const auto in = Tone(1024, 200.0, 0.3f);
  const std::vector<float> silence(1024, 0.0f);
  const auto run = [&](float cutoff, int output, const std::vector<float>& input) {
    LadderApproxFilter f;
    f.sampleRate = 48000.0f;
    f.frames = 1024;
    f.output = output;
    std::vector<float> out(1024);
    f.Process(input.data(), silence.data(), out.data(), cutoff, 0.5f);
    return out;
  };
  EXPECT_EQ(run(60.0f, 0, in), run(80.0f, 0, in));
  EXPECT_EQ(run(kNaN, 0, in), run(80.0f, 0, in));
  EXPECT_EQ(run(20000.0f, 0, in), run(18000.0f, 0, in));

  // Small signals: the mono filter is the stereo one without its 1.1 output gain.
  DualLadderApproxFilter dual;
  dual.SetSampleRate(48000.0f);
  dual.SetFrames(1024);
  std::vector<float> left(1024), right(1024);
  dual.Process(in.data(), in.data(), left.data(), 1000.0f, 0.5f, right.data());
  const auto mono = run(1000.0f, 0, in);
  for (int i = 0; i < 1024; ++i) ASSERT_NEAR(mono[i], left[i] / 1.1f, 1e-4f) << i;

  // Input beyond 1 passes unlimited to the stage input (output 3 shows it; resonance 0.5
  // subtracts the feedback, which is 0 on the first sample).
  std::vector<float> two(1024, 2.0f);
  EXPECT_FLOAT_EQ(run(1000.0f, 3, two)[0], 2.0f);

  // Before a rate is written the filter is silent, not NaN.
  LadderApproxFilter unset;
  unset.Init();
  float o = 1.0f;
  unset.Process(in.data(), silence.data(), &o, 1000.0f, 0.5f);
  EXPECT_EQ(o, 0.0f);
}

TEST_F(SingleFilters, OnePoleFeedbackFeedbackIs14TimesResonanceAtLeast005) {
  // Small signals keep the node's tanh linear, so the mono filter matches the stereo core
  // at the same K: resonance 1 here (K 1.4) against 0.7 there, and 0 (K 0.05) against 0.
  const auto in = Tone(2048, 900.0, 1e-4f);
  const auto mono = [&](float r) {
    OnePoleFeedbackFilter f;
    f.sampleRate = 48000.0f;
    f.frames = 2048;
    std::vector<float> out(2048);
    f.Process(in.data(), out.data(), 1500.0f, r);
    return out;
  };
  const auto dual = [&](float r) {
    DualOnePoleFeedbackFilter f;
    f.SetSampleRate(48000.0f);
    f.SetFrames(2048);
    std::vector<float> left(2048), right(2048);
    f.Process(in.data(), in.data(), left.data(), 1500.0f, r, right.data());
    return left;
  };
  const std::pair<float, float> pairs[] = {{1.0f, 0.7f}, {0.0f, 0.0f}};
  for (auto [monoR, dualR] : pairs) {
    const auto a = mono(monoR), b = dual(dualR);
    for (int i = 0; i < 2048; ++i) ASSERT_NEAR(a[i], b[i], 1e-8f) << monoR << " " << i;
  }
  EXPECT_EQ(mono(0.0f), mono(0.03f));  // 1.4 x 0.03 = 0.042, raised to 0.05
  EXPECT_NE(mono(0.0f), mono(0.05f));
}

TEST_F(SingleFilters, BadSettingsNeverLeaveANonFiniteState) {
  const float cutoffs[] = {0.0f, -100.0f, kNaN, 30000.0f, 1e30f};
  const float resonances[] = {-1.0f, 3.0f, kNaN};
  const auto in = Tone(256, 440.0, 0.8f);
  const std::vector<float> silence(256, 0.0f);
  for (float c : cutoffs) {
    for (float r : resonances) {
      FourPoleFilter fp;
      fp.count = 256;
      CMoogLadderFilter m;
      m.SetFrames(256);
      CSEMFilter s;
      s.frames = 256;
      LadderApproxFilter l;
      l.frames = 256;
      OnePoleFeedbackFilter o;
      o.frames = 256;
      std::vector<float> out[5];
      for (int pass = 0; pass < 2; ++pass) {
        const float cutoff = pass == 0 ? c : 1000.0f, res = pass == 0 ? r : 0.5f;
        for (auto& v : out) v.assign(256, 0.0f);
        fp.Process(in.data(), silence.data(), out[0].data(), cutoff, res);
        m.Process(in.data(), silence.data(), out[1].data(), cutoff, res);
        s.Process(in.data(), silence.data(), out[2].data(), cutoff, res);
        l.Process(in.data(), silence.data(), out[3].data(), cutoff, res);
        o.Process(in.data(), out[4].data(), cutoff, res);
      }
      for (int k = 0; k < 5; ++k) {
        for (float v : out[k]) ASSERT_TRUE(std::isfinite(v)) << "filter " << k << " cutoff " << c << " res " << r;
      }
    }
  }
}

}  // namespace

namespace {

// The feedback filter written out from its equations: K is a double, so K x y is formed in
// double precision before it drives the high-pass, and (K y) / K gives y back exactly.
std::vector<float> FeedbackReference(const std::vector<float>& in, double cutoff, double K,
                                     bool saturate, float drive = 1.0f) {
  const filt::FeedbackCoefficients c = filt::ComputeFeedback(48000.0f, cutoff, K);
  float z1 = 0.0f, z2 = 0.0f, zHP = 0.0f;
  const auto stage = [&](float x, float& z) {
    const float v = (x - z) * c.G;
    const float lp = v + z;
    z = lp + v;
    return lp;
  };
  std::vector<float> out(in.size());
  for (std::size_t i = 0; i < in.size(); ++i) {
    const float y1 = stage(in[i], z1);
    const float sum = (y1 + c.betaHP * zHP + c.betaLP2 * z2) * c.alpha0;
    const float y = stage(saturate ? std::tanh(sum * drive) : sum, z2);
    stage(static_cast<float>(K * y), zHP);
    out[i] = static_cast<float>(K * y / K);
  }
  return out;
}

TEST_F(SingleFilters, FeedbackFiltersFormTheirLoopGainInDoublePrecision) {
  const auto in = Tone(4096, 700.0, 0.6f);
  struct Case {
    float resonance;
    double monoK, dualK;
  };
  const Case cases[] = {
      {0.0f, 0.05, 0.05},
      {0.3f, 1.4 * 0.3f, 2.0 * 0.3f},
      {0.77f, 1.4 * 0.77f, 2.0 * 0.77f},
  };
  for (const Case& c : cases) {
    OnePoleFeedbackFilter mono;
    mono.sampleRate = 48000.0f;
    mono.frames = 4096;
    std::vector<float> out(4096);
    mono.Process(in.data(), out.data(), 1500.0f, c.resonance);
    EXPECT_EQ(out, FeedbackReference(in, 1500.0, c.monoK, true)) << "mono " << c.resonance;
    // The drive scales the node after alpha0.
    OnePoleFeedbackFilter driven;
    driven.sampleRate = 48000.0f;
    driven.frames = 4096;
    driven.drive = 1.7f;
    driven.Process(in.data(), out.data(), 1500.0f, c.resonance);
    EXPECT_EQ(out, FeedbackReference(in, 1500.0, c.monoK, true, 1.7f)) << "driven " << c.resonance;

    DualOnePoleFeedbackFilter dual;
    dual.SetSampleRate(48000.0f);
    dual.SetFrames(4096);
    std::vector<float> right(4096);
    dual.Process(in.data(), in.data(), out.data(), 1500.0f, c.resonance, right.data());
    EXPECT_EQ(out, FeedbackReference(in, 1500.0, c.dualK, false)) << "dual " << c.resonance;
  }
}

}  // namespace
