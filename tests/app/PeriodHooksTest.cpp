#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <vector>

#include "app/HeadphoneLevel.h"
#include "app/MidiClockTempo.h"
#include "app/OutputCapture.h"
#include "tests/support/LogCapture.h"

namespace {

std::vector<float> Sine(int count, float phase, float step) {
  std::vector<float> s(static_cast<size_t>(count));
  for (int i = 0; i < count; ++i) s[static_cast<size_t>(i)] = std::sin(phase + step * static_cast<float>(i));
  return s;
}

TEST(ScopeCapture, WaitsForNegativeThenRisingCrossingAndHoldsUntilReset) {
  ScopeChannel ch;
  ch.SetLength(8);
  // Positive samples alone never arm it.
  const float high[4] = {0.5f, 0.6f, 0.0f, 0.7f};
  ch.Feed(high, 4);
  EXPECT_EQ(ch.GetState(), ScopeChannel::kWait);
  const float dip[3] = {0.2f, -0.1f, 0.0f};
  ch.Feed(dip, 3);
  EXPECT_EQ(ch.GetState(), ScopeChannel::kArmed);
  // The crossing and capture continue into the next period: 0.25 starts it, then 8 samples.
  const float rise[5] = {0.25f, 0.1f, 0.2f, 0.3f, 0.4f};
  ch.Feed(rise, 5);
  EXPECT_EQ(ch.GetState(), ScopeChannel::kCapturing);
  const float more[6] = {-0.1f, -0.2f, -0.3f, -0.4f, 0.9f, 0.8f};
  ch.Feed(more, 6);
  ASSERT_EQ(ch.GetState(), ScopeChannel::kFull);
  const float expected[8] = {0.2f, 0.4f, 0.6f, 0.8f, -0.2f, -0.4f, -0.6f, -0.8f};
  for (int i = 0; i < 8; ++i) EXPECT_FLOAT_EQ(ch.Samples()[i], expected[i]) << i;

  // Full stays full and untouched until the display resets it.
  const std::vector<float> wave = Sine(128, 0.0f, 0.3f);
  ch.Feed(wave.data(), 128);
  EXPECT_EQ(ch.GetState(), ScopeChannel::kFull);
  EXPECT_FLOAT_EQ(ch.Samples()[0], 0.2f);
  ch.Reset();
  ch.Feed(wave.data(), 128);
  EXPECT_EQ(ch.GetState(), ScopeChannel::kFull);
  EXPECT_GT(ch.Samples()[0], 0.0f);  // starts just after a rising crossing
}

TEST(ScopeCapture, LengthIsHeldToTheBuffer) {
  ScopeChannel ch;
  for (const auto& [asked, held] : {std::pair{0, 1}, {-5, 1}, {100000, ScopeChannel::kMaxLength}, {300, 300}}) {
    ch.SetLength(asked);
    EXPECT_EQ(ch.Length(), held) << asked;
  }
  // A capture at the largest length fills over several periods without running past it.
  ch.SetLength(ScopeChannel::kMaxLength);
  ch.Reset();
  const std::vector<float> wave = Sine(128, 0.0f, 0.05f);
  for (int period = 0; period < 20; ++period) ch.Feed(wave.data(), 128);
  EXPECT_EQ(ch.GetState(), ScopeChannel::kFull);
  EXPECT_EQ(ch.Samples()[ScopeChannel::kMaxLength], 0.0f);
}

TEST(MidiClockTempo, TwelveIntervalsGiveTheTempoAndAnIncompleteRingKeepsIt) {
  MidiClockTempo ring;
  double tempo = 97.0;
  const int64_t interval = 20833333;  // 24 clocks a beat at 120 beats a minute
  for (int i = 0; i < MidiClockTempo::kSlots; ++i) EXPECT_FALSE(ring.Add(i * interval, tempo)) << i;
  EXPECT_EQ(tempo, 97.0);
  EXPECT_TRUE(ring.Add(12 * interval, tempo));
  EXPECT_NEAR(tempo, 120.0, 0.001);
  // Twice as fast from now on: the span covers the change only after twelve new clocks.
  int64_t t = 12 * interval;
  for (int i = 0; i < 12; ++i) ring.Add(t += interval / 2, tempo);
  EXPECT_NEAR(tempo, 240.0, 0.01);
  // Clocks with no time between them (a burst) measure nothing rather than divide by zero.
  ring.Clear();
  for (int i = 0; i < 13; ++i) ring.Add(t, tempo);
  EXPECT_NEAR(tempo, 240.0, 0.01);
}

TEST(HeadphoneLevel, VolumeIsMaximumOver100TimesWholePercent) {
  struct Case {
    long maximum;
    float percent;
    long volume;
  };
  const Case cases[] = {
      {127, 50.0f, 63},   {127, 50.9f, 63},  {127, 100.0f, 127}, {127, 0.0f, 0}, {400, 33.3f, 132},
      {127, 150.0f, 127}, {127, -3.0f, 0},   {0, 80.0f, 0},
  };
  for (const Case& c : cases) EXPECT_EQ(HeadphoneVolume(c.maximum, c.percent), c.volume) << c.percent;
  EXPECT_EQ(HeadphoneVolume(127, std::numeric_limits<float>::quiet_NaN()), -1);
  EXPECT_EQ(HeadphoneVolume(127, std::numeric_limits<float>::infinity()), -1);
}

TEST(HeadphoneLevel, WithoutTheCodecCardNothingIsSet) {
  testing_support::LogCapture log;
  SetHeadphoneLevel(std::numeric_limits<float>::quiet_NaN());
  EXPECT_EQ(log.Text(), "");
  // This machine has no "snd_rpi_proto" card (and may have no card at all).
  SetHeadphoneLevel(40.0f);
  EXPECT_EQ(log.Text(), "Alsa Mixer no sound card found \n");
}

}  // namespace
