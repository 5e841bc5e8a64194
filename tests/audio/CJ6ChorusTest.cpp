#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "audio/CJ6Chorus.h"
#include "platform/Denormals.h"
#include "tests/audio/EffectBuffers.h"
#include "tests/audio/StereoRun.h"
#include "tests/support/AllocCounter.h"

namespace {

constexpr float kRate = 48000.0f;
constexpr int kBlock = 128;

using stereo_run::Play;
using stereo_run::Silence;
using stereo_run::Stereo;

Stereo Noise(int n, unsigned seed) {
  Stereo s = Silence(n);
  for (int i = 0; i < n; ++i) {
    seed = seed * 1664525u + 1013904223u;
    s.l[i] = static_cast<float>(seed >> 8) / 8388608.0f - 1.0f;
    seed = seed * 1664525u + 1013904223u;
    s.r[i] = static_cast<float>(seed >> 8) / 8388608.0f - 1.0f;
  }
  return s;
}

std::vector<float> Wet(const std::vector<float>& out, const std::vector<float>& in) {
  std::vector<float> w(out.size());
  for (std::size_t i = 0; i < out.size(); ++i) w[i] = out[i] - in[i];
  return w;
}

// Centre of mass of h[from, to): the group delay at DC when h is an impulse response.
double Centroid(const std::vector<float>& h, int from, int to, double* sum = nullptr) {
  double s = 0.0, m = 0.0;
  for (int i = from; i < to; ++i) {
    s += h[i];
    m += static_cast<double>(i - from) * h[i];
  }
  if (sum) *sum = s;
  return m / s;
}

class CJ6ChorusTest : public ::testing::Test {
 protected:
  platform::ScopedFlushToZero ftz_;
};

TEST_F(CJ6ChorusTest, LinesAreBuiltOnceAndKeepTheirContentsAcrossResets) {
  CJ6Chorus fx;
  EXPECT_EQ(fx.GetLine(0), nullptr);
  Stereo imp = Silence(512);
  imp.l[0] = 1.0f;
  EXPECT_EQ(Play(fx, imp).l, imp.l) << "no lines yet: the dry signal passes";
  fx.Reset(0.0f);
  EXPECT_EQ(fx.GetLine(0), nullptr) << "no line for a rate of 0";

  fx.Reset(kRate);
  const chorus::Line* first = fx.GetLine(CJ6Chorus::kModeIILeft);
  for (int i = 0; i < CJ6Chorus::kLineCount; ++i) EXPECT_EQ(fx.GetLine(i)->Length(), 672u);

  // An impulse goes in; a Reset in between (the type chosen again) neither reallocates nor
  // clears, so the impulse still comes out about 4.9 ms later (mode I left).
  fx.SetParam(CJ6Chorus::kParamMode, 0.0f);
  fx.SetParam(CJ6Chorus::kParamRateI, 0.0f);
  Stereo head = Play(fx, [] { Stereo s = Silence(kBlock); s.l[0] = 1.0f; return s; }());
  {
    testing_support::AllocGuard guard;
    fx.Reset(kRate);
    fx.Reset(44100.0f);
    EXPECT_EQ(guard.Count(), 0u);
  }
  EXPECT_EQ(fx.GetLine(CJ6Chorus::kModeIILeft), first);
  EXPECT_EQ(fx.GetLine(0)->Length(), 672u) << "a later rate changes nothing";
  const Stereo tail = Play(fx, Silence(512));
  double sum = 0.0;
  for (float v : tail.l) sum += v;
  EXPECT_NEAR(sum, 1.0, 1e-3);

  CJ6Chorus at44;
  at44.Reset(44100.0f);
  EXPECT_EQ(at44.GetLine(0)->Length(), 616u);  // 2 x floor(308.7)
}

// With the sweep stopped at its start each line is a fixed delay: the all-pass read of
// D = (0.4 + 0.3 v) x 7 ms gives floor(D) + (1 - eta) / (1 + eta) samples at low
// frequencies and the one-pole adds e / (1 - e); the wet response sums to 1.
TEST_F(CJ6ChorusTest, AStoppedSweepDelaysEachLineByItsStartPositionAndTheToneAddsItsLag) {
  struct Case {
    float mode;
    float tone;       // value for the sounding mode; NAN leaves the start tone
    double leftMs;    // 4.9 ms at +1, 0.7 ms at -1
    double rightMs;
  };
  const Case cases[] = {
      {0.0f, NAN, 4.9, 0.7},  // mode I: left starts at +1, right at -1
      {1.0f, NAN, 0.7, 4.9},  // mode II the other way round
      {0.0f, 0.0f, 4.9, 0.7},
      {1.0f, 95.0f, 0.7, 4.9},
  };
  for (const Case& c : cases) {
    CJ6Chorus fx;
    fx.Reset(kRate);
    fx.SetParam(CJ6Chorus::kParamMode, c.mode);
    fx.SetParam(CJ6Chorus::kParamRateI, 0.0f);
    fx.SetParam(CJ6Chorus::kParamRateII, 0.0f);
    const bool modeI = c.mode == 0.0f;
    if (!std::isnan(c.tone)) fx.SetParam(modeI ? CJ6Chorus::kParamToneI : CJ6Chorus::kParamToneII, c.tone);
    const double e = std::exp(-2.0 * M_PI * (std::isnan(c.tone) ? 0.05 : std::max(c.tone * 0.01, 0.01)));
    Stereo in = Silence(1024);
    in.l[0] = in.r[0] = 1.0f;
    const Stereo out = Play(fx, in);
    const std::vector<float> wets[2] = {Wet(out.l, in.l), Wet(out.r, in.r)};
    const double ms[2] = {c.leftMs, c.rightMs};
    for (int ch = 0; ch < 2; ++ch) {
      const double d = ms[ch] * 48.0;
      const double t = std::floor(d + 1e-4);
      const double eta = 1.0 - (d - t);
      double sum = 0.0;
      const double delay = Centroid(wets[ch], 0, 1024, &sum);
      EXPECT_NEAR(sum, 1.0, 1e-4) << "mode " << c.mode << " channel " << ch;
      EXPECT_NEAR(delay, t + (1.0 - eta) / (1.0 + eta) + e / (1.0 - e), 2e-3)
          << "mode " << c.mode << " tone " << c.tone << " channel " << ch;
      for (int i = 0; i < static_cast<int>(t); ++i) ASSERT_EQ(wets[ch][i], 0.0f) << i;
    }
  }
}

// Smooth pulses every 20 ms measure each channel's delay as the sweep runs: mode I at its
// 0.5 Hz start rate swings between 0.7 and 4.9 ms with a 2 s period, left and right in
// opposite directions.
TEST_F(CJ6ChorusTest, TheSweepSpansItsRangeAtItsRateWithLeftAndRightInOpposition) {
  constexpr int kPulse = 33, kSpacing = 960, kSeconds = 5;
  CJ6Chorus fx;
  fx.Reset(kRate);
  fx.SetParam(CJ6Chorus::kParamMode, 0.0f);
  fx.SetParam(CJ6Chorus::kParamRateI, 50.0f);  // 0.5 Hz, as at the start
  Stereo in = Silence(kSeconds * 48000);
  for (int k = 0; k + kSpacing <= static_cast<int>(in.l.size()); k += kSpacing) {
    for (int j = 0; j < kPulse; ++j) {
      in.l[k + j] = in.r[k + j] = static_cast<float>(0.5 - 0.5 * std::cos(2.0 * M_PI * (j + 1) / (kPulse + 1)));
    }
  }
  const Stereo out = Play(fx, in);
  const std::vector<float> wl = Wet(out.l, in.l), wr = Wet(out.r, in.r);
  const double lag = 0.7304 / (1.0 - 0.7304) + (kPulse - 1) / 2.0;  // tone + pulse centre
  std::vector<double> dl, dr;
  for (int k = 0; k + kSpacing <= static_cast<int>(wl.size()); k += kSpacing) {
    dl.push_back((Centroid(wl, k, k + kSpacing) - lag) / 48.0);
    dr.push_back((Centroid(wr, k, k + kSpacing) - lag) / 48.0);
  }
  // The first turning points: the shortest delay within the first 1.5 s, then the longest.
  const auto minL = std::min_element(dl.begin(), dl.begin() + 75) - dl.begin();
  const auto maxL = std::max_element(dl.begin() + 75, dl.begin() + 125) - dl.begin();
  EXPECT_NEAR(dl[0], 4.9, 0.05) << "left starts at its longest delay";
  EXPECT_NEAR(dr[0], 0.7, 0.05) << "right at its shortest";
  EXPECT_NEAR(dl[minL], 0.7, 0.05);
  EXPECT_NEAR(dl[maxL], 4.9, 0.05);
  // Reached about 4.9 ms later than the pulse went in; 50 pulses per second.
  EXPECT_NEAR(minL * 0.02, 1.0 - 0.0049, 0.03) << "half a cycle of 0.5 Hz";
  EXPECT_NEAR(maxL * 0.02, 2.0 - 0.0007, 0.03) << "a whole cycle";
  for (std::size_t i = 0; i < dl.size(); ++i) {
    ASSERT_NEAR(dl[i] + dr[i], 5.6, 0.03) << "pulse " << i << ": the two sides mirror each other";
  }
}

TEST_F(CJ6ChorusTest, ModeValuesChooseTheLinesAndBothModesAddUp) {
  const Stereo in = Noise(4096, 7u);
  auto runMode = [&](float mode) {
    CJ6Chorus fx;
    fx.Reset(kRate);
    fx.SetParam(CJ6Chorus::kParamMode, mode);
    return Play(fx, in);
  };
  const Stereo onlyI = runMode(0.0f);
  const Stereo onlyII = runMode(1.0f);
  CJ6Chorus untouched;  // both modes from the start
  untouched.Reset(kRate);
  const Stereo fresh = Play(untouched, in);
  for (float mode : {2.0f, 7.0f, -3.0f}) {
    const Stereo both = runMode(mode);
    EXPECT_EQ(both.l, fresh.l) << mode;
    EXPECT_EQ(both.r, fresh.r) << mode;
  }
  EXPECT_NE(onlyI.l, onlyII.l);
  for (std::size_t i = 0; i < in.l.size(); ++i) {
    ASSERT_NEAR(fresh.l[i] - in.l[i], (onlyI.l[i] - in.l[i]) + (onlyII.l[i] - in.l[i]), 1e-5) << i;
    ASSERT_NEAR(fresh.r[i] - in.r[i], (onlyI.r[i] - in.r[i]) + (onlyII.r[i] - in.r[i]), 1e-5) << i;
  }
}

// Half a second of mode II alone, then mode I: the mode I lines took no input and did not
// sweep, so they sound exactly as those of a chorus that starts in mode I.
TEST_F(CJ6ChorusTest, AModeThatIsOffNeitherSweepsNorTakesInput) {
  const Stereo before = Noise(24000, 3u), after = Noise(24000, 9u);
  CJ6Chorus resumed;
  resumed.Reset(kRate);
  resumed.SetParam(CJ6Chorus::kParamMode, 1.0f);
  Play(resumed, before);
  resumed.SetParam(CJ6Chorus::kParamMode, 0.0f);
  CJ6Chorus fresh;
  fresh.Reset(kRate);
  fresh.SetParam(CJ6Chorus::kParamMode, 0.0f);
  EXPECT_EQ(Play(resumed, after).l, Play(fresh, after).l);
}

TEST_F(CJ6ChorusTest, RateAndToneValuesMapAsThePagesExpect) {
  const Stereo in = Noise(9600, 5u);
  auto runWith = [&](int id, float value) {
    CJ6Chorus fx;
    fx.Reset(kRate);
    if (id >= 0) fx.SetParam(id, value);
    return Play(fx, in);
  };
  const Stereo start = runWith(-1, 0.0f);
  EXPECT_EQ(runWith(CJ6Chorus::kParamRateI, 50.0f).l, start.l) << "50 is the 0.5 Hz of the start";
  EXPECT_EQ(runWith(CJ6Chorus::kParamToneI, 5.0f).l, start.l) << "5 is the start tone";
  // A negative rate sweeps at its magnitude instead of running off the line.
  EXPECT_EQ(runWith(CJ6Chorus::kParamRateII, -120.0f).r, runWith(CJ6Chorus::kParamRateII, 120.0f).r);
  // Tone values of 1 and below all give the pole exp(-2 pi 0.01).
  const Stereo toneOne = runWith(CJ6Chorus::kParamToneII, 1.0f);
  EXPECT_EQ(runWith(CJ6Chorus::kParamToneII, 0.0f).r, toneOne.r);
  EXPECT_EQ(runWith(CJ6Chorus::kParamToneII, -40.0f).r, toneOne.r);
  EXPECT_NE(toneOne.r, start.r);
  // Values that are not numbers and unknown ids change nothing.
  for (int id : {0, 1, 3, 4, 5}) EXPECT_EQ(runWith(id, NAN).l, start.l) << id;
  for (int id : {2, 6, 0xF0}) EXPECT_EQ(runWith(id, 3.0f).l, start.l) << id;

  // Rate 0 stops the sweep where it stands: two impulses 0.1 s apart come out alike.
  CJ6Chorus frozen;
  frozen.Reset(kRate);
  Play(frozen, Noise(1000, 1u));
  frozen.SetParam(CJ6Chorus::kParamRateI, 0.0f);
  frozen.SetParam(CJ6Chorus::kParamRateII, 0.0f);
  Stereo imp = Silence(9600);
  imp.l[1000] = imp.l[5800] = 1.0f;
  const std::vector<float> w = Wet(Play(frozen, imp).l, imp.l);
  for (int i = 0; i < 4800; ++i) ASSERT_NEAR(w[5800 + i - 4800], w[1000 + i], 1e-6) << i;
}

TEST_F(CJ6ChorusTest, LevelIsIgnoredAndEmptyPeriodsChangeNothing) {
  const Stereo in = Noise(2048, 11u);
  CJ6Chorus a, b;
  a.Reset(kRate);
  b.Reset(kRate);
  EXPECT_EQ(Play(a, in, 0.0f).l, Play(b, in, 1.0f).l);

  Stereo s = Noise(8, 2u);
  const Stereo kept = s;
  float* bufs[4] = {s.l.data(), s.r.data(), s.l.data(), s.r.data()};
  a.Process(bufs, bufs, 0, 1.0f);
  a.Process(bufs, bufs, -4, 1.0f);
  EXPECT_EQ(s.l, kept.l);
  EXPECT_EQ(s.r, kept.r);
}

TEST_F(CJ6ChorusTest, ExtremeRatesStayInsideTheLinesAndFinite) {
  CJ6Chorus fx;
  fx.Reset(kRate);
  for (float rate : {1.0e6f, -3.0e7f, 2.0e5f}) {
    fx.SetParam(CJ6Chorus::kParamRateI, rate);
    fx.SetParam(CJ6Chorus::kParamRateII, rate);
    const Stereo out = Play(fx, Noise(4096, 13u));
    for (std::size_t i = 0; i < out.l.size(); ++i) {
      ASSERT_TRUE(std::isfinite(out.l[i]) && std::fabs(out.l[i]) < 4.0f) << rate << " " << i;
    }
  }
}

TEST_F(CJ6ChorusTest, ProcessingAndParameterChangesAllocateNothing) {
  CJ6Chorus fx;
  fx.Reset(kRate);
  Stereo s = Noise(kBlock, 4u);
  std::vector<float> sc(kBlock, 0.0f);
  float* bufs[4] = {s.l.data(), s.r.data(), sc.data(), sc.data()};
  testing_support::AllocGuard guard;
  for (int p = 0; p < 100; ++p) {
    fx.SetParam(p % 6, static_cast<float>(p));
    fx.Process(bufs, bufs, kBlock, 1.0f);
  }
  EXPECT_EQ(guard.Count(), 0u);
}

// The four lines run in four vector lanes; every output sample, and what each line carries
// into the next period, must be what stepping each line on its own gives. The second mode
// of each case starts from the state the first left, so a mode that was off resumes as it was.
TEST(CJ6ChorusLanes, FourLaneFormMatchesTheLinesSteppedOneByOne) {
  platform::ScopedFlushToZero ftz;
  struct Case {
    const char* what;
    float sampleRate;
    int frames;
    float firstMode, secondMode;
    float rateI, rateII, toneI, toneII;
  };
  const Case cases[] = {
      {"start settings", 48000.0f, 128, 2.0f, 2.0f, 50.0f, 83.0f, 5.0f, 5.0f},
      {"mode I then both", 48000.0f, 128, 0.0f, 2.0f, 50.0f, 83.0f, 0.0f, 95.0f},
      {"mode II then mode I", 44100.0f, 100, 1.0f, 0.0f, 700.0f, -250.0f, 30.0f, 1.0f},
      {"odd period, line wraps mid-period", 48000.0f, 37, 2.0f, 1.0f, 120.0f, 10.0f, 5.0f, 60.0f},
      {"sweep beyond the line", 48000.0f, 128, 2.0f, 0.0f, 1.0e6f, -3.0e7f, 5.0f, 5.0f},
      {"sweep stopped", 8000.0f, 128, 2.0f, 2.0f, 0.0f, 0.0f, 5.0f, 5.0f},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    CJ6Chorus lanes, reference;
    for (CJ6Chorus* fx : {&lanes, &reference}) {
      fx->Reset(c.sampleRate);
      fx->SetParam(CJ6Chorus::kParamMode, c.firstMode);
      fx->SetParam(CJ6Chorus::kParamRateI, c.rateI);
      fx->SetParam(CJ6Chorus::kParamRateII, c.rateII);
      fx->SetParam(CJ6Chorus::kParamToneI, c.toneI);
      fx->SetParam(CJ6Chorus::kParamToneII, c.toneII);
    }
    effect_buffers::ExpectLanesMatchReference(lanes, reference, c.frames, 1.0f, 0.5f, 60, 17u, 0.0f);
    for (CJ6Chorus* fx : {&lanes, &reference}) fx->SetParam(CJ6Chorus::kParamMode, c.secondMode);
    effect_buffers::ExpectLanesMatchReference(lanes, reference, c.frames, 1.0f, 0.5f, 60, 23u, 0.0f);
  }
}

}  // namespace
