// The reverb's building blocks: line sizing and whole-sample reads of the delay line, and the
// nested all-pass, measured from impulse responses.
#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "audio/DelayAPF.h"
#include "audio/NestedDelayAPF.h"
#include "audio/SimpleDelay.h"
#include "audio/SimpleLPF.h"
#include "audio/TwoBandShelvingFilter.h"
#include "platform/Denormals.h"
#include "tests/audio/VtableSlot.h"
#include "tests/support/AllocCounter.h"
#include "tests/support/FilterResponse.h"

namespace {

using vtable_test::SlotOf;

constexpr float kRate = 48000.0f;

template <typename Block>
std::vector<float> Impulse(Block& b, int length) {
  std::vector<float> h(length);
  for (int n = 0; n < length; ++n) h[n] = b.ProcessSample(n == 0 ? 1.0f : 0.0f);
  return h;
}

TEST(SimpleDelayTest, VirtualOperationsKeepTheirSlots) {
  EXPECT_EQ(SlotOf(&SimpleDelay::Reset), 0);
  EXPECT_EQ(SlotOf(&SimpleDelay::ProcessSample), 1);
  EXPECT_EQ(SlotOf(&SimpleDelay::CanProcessFrame), 2);
  EXPECT_EQ(SlotOf(&SimpleLPF::Reset), 0);
  EXPECT_EQ(SlotOf(&SimpleLPF::ProcessSample), 1);
  EXPECT_EQ(SlotOf(&DelayAPF::Reset), 0);
  EXPECT_EQ(SlotOf(&DelayAPF::ProcessSample), 1);
  EXPECT_EQ(SlotOf(&NestedDelayAPF::ProcessSample), 1);
  EXPECT_EQ(SlotOf(&TwoBandShelvingFilter::Reset), 0);
  EXPECT_EQ(SlotOf(&TwoBandShelvingFilter::CanProcessFrame), 1);
  EXPECT_EQ(SlotOf(&TwoBandShelvingFilter::ProcessSample), 2);
}

// The audio thread may still read a line while a page resets it: a Reset at the rate the
// ring was made for must reuse it.
TEST(SimpleDelayTest, HundredMsLineIsAllocatedOnceAndOnlyClearedByLaterResets) {
  SimpleDelay d(100.0f);
  const float* ring = d.Buffer();
  {
    testing_support::AllocGuard guard;
    d.Reset(kRate);
    d.SetDelayMs(1.0f);
    for (int n = 0; n < 100; ++n) d.ProcessSample(1.0f);
    d.Reset(kRate);
    EXPECT_EQ(guard.Count(), 0u);
  }
  EXPECT_EQ(d.Buffer(), ring);
  EXPECT_EQ(d.BufferLength(), 4801u);
  EXPECT_EQ(d.BufferSize(), 8192u);
  for (uint32_t i = 0; i < d.BufferSize(); ++i) ASSERT_EQ(d.Buffer()[i], 0.0f) << i;

  // A higher rate needs a longer ring; a lower one fits in the one there is.
  d.Reset(96000.0f);
  EXPECT_EQ(d.BufferSize(), 16384u);
  d.Reset(44100.0f);
  EXPECT_EQ(d.BufferLength(), 4411u);
  EXPECT_EQ(d.BufferSize(), 8192u);
}

TEST(SimpleDelayTest, ReadsWholeSamplesOrInterpolates) {
  struct Case {
    float delaySamples;
    bool interpolate;
    std::vector<std::pair<int, float>> taps;  // (index, value) of the non-zero outputs
  };
  const Case cases[] = {
      {0.0f, false, {{0, 1.0f}}},               // pass-through
      {10.0f, false, {{11, 1.0f}}},             // the read sits one behind the write
      {10.75f, false, {{11, 1.0f}}},            // fraction dropped
      {10.75f, true, {{11, 0.25f}, {12, 0.75f}}},
  };
  for (const Case& c : cases) {
    SimpleDelay d(100.0f);
    d.Reset(kRate);
    d.SetInterpolate(c.interpolate);
    d.SetDelayMs(c.delaySamples / 48.0f);
    const std::vector<float> h = Impulse(d, 64);
    std::vector<float> expected(64, 0.0f);
    for (auto [i, v] : c.taps) expected[i] = v;
    for (int n = 0; n < 64; ++n) EXPECT_NEAR(h[n], expected[n], 1e-5f) << c.delaySamples << " n=" << n;
  }
}

TEST(SimpleDelayTest, DelaysBeyondTheRingAreLimitedNotWrapped) {
  SimpleDelay d(100.0f);
  d.Reset(kRate);
  d.SetDelayMs(1000.0f);
  EXPECT_EQ(d.DelaySamples(), 8190.0f);
  d.SetDelayMs(-5.0f);
  EXPECT_EQ(d.DelaySamples(), 0.0f);
  d.SetDelayMs(NAN);
  EXPECT_EQ(d.DelaySamples(), 0.0f);
}

// With a delay of zero the ring still takes the input, so a tap or feedback read inside it
// sees the present signal rather than a sample left from a longer delay.
TEST(SimpleDelayTest, PassThroughKeepsTheRingCurrent) {
  SimpleDelay d(100.0f);
  d.Reset(kRate);
  d.SetDelayMs(0.0f);
  for (float x : {0.25f, 0.5f, -0.75f}) {
    EXPECT_EQ(d.ProcessSample(x), x);
    EXPECT_EQ(d.Read(0.0f), x);
  }
}

// Nested all-passes of all-passes stay all-pass; the outer LFO, at rest, keeps the nominal
// delay, so enabling it changes nothing.
TEST(DelayAPFTest, NestedAllPassIsFlatAndTheRestingLfoKeepsTheNominalDelay) {
  platform::ScopedFlushToZero ftz;
  NestedApfParams p;
  p.outerDelayMs = 3.0f;
  p.innerDelayMs = 1.1f;
  p.outerG = 0.5f;
  p.innerG = -0.5f;
  p.lfoDepth = 1.0f;
  p.maxModulationMs = 0.3f;
  p.lfoRateHz = 0.15f;

  NestedDelayAPF plain, modulated;
  plain.Reset(kRate);
  modulated.Reset(kRate);
  plain.SetParameters(p);
  p.lfoEnable = 1;
  modulated.SetParameters(p);

  constexpr int kLength = 32768;
  const std::vector<float> h = Impulse(plain, kLength);
  EXPECT_EQ(h, Impulse(modulated, kLength));
  EXPECT_EQ(h[0], -0.5f);  // the outer all-pass's direct path -g
  for (double f : {50.0, 300.0, 1000.0, 3333.0, 9000.0, 20000.0}) {
    EXPECT_NEAR(std::abs(filter_test::Dft(h, f)), 1.0, 1e-3) << f;
  }
}

TEST(DelayAPFTest, ZeroDelayPassesTheInput) {
  DelayAPF apf;
  apf.Reset(kRate);
  DelayApfParams p;
  p.g = 0.5f;
  apf.SetParameters(p);
  for (float x : {1.0f, -0.5f, 0.25f}) EXPECT_EQ(apf.ProcessSample(x), x);
}

// A shelf whose values stay the same over a rate change must not keep the old rate's design.
TEST(TwoBandShelvingFilterTest, ResetDesignsBothShelvesForTheNewRate) {
  TwoBandShelvingFilter f;  // designed at 44100 Hz until a Reset
  f.SetParameters({150.0f, -20.0f, 4000.0f, 6.0f});
  f.Reset(kRate);
  AudioFilter low, high;
  low.Reset(kRate);
  high.Reset(kRate);
  low.SetParameters(AudioFilter::kLowShelf1, 150.0f, 0.707f, -20.0f);
  high.SetParameters(AudioFilter::kHighShelf1, 4000.0f, 0.707f, 6.0f);
  for (int c = 0; c < Biquad::kNumCoefficients; ++c) {
    EXPECT_EQ(f.LowShelf().Coefficient(c), low.Coefficient(c)) << c;
    EXPECT_EQ(f.HighShelf().Coefficient(c), high.Coefficient(c)) << c;
  }
  // Low shelf -20 dB, high shelf +6 dB: the gains at DC and at Nyquist.
  const std::vector<float> h = Impulse(f, 48000);
  EXPECT_NEAR(std::abs(filter_test::Dft(h, 0.0)), 0.1, 1e-3);
  EXPECT_NEAR(std::abs(filter_test::Dft(h, 24000.0)), std::pow(10.0, 6.0 / 20.0), 1e-3);
}

}  // namespace
