#include "engine/LfoFade.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

constexpr float kBlockRate = 48000.0f / 128.0f;  // 375 blocks a second: a 10 ms fade is 3.75 blocks

TEST(LfoFadeTest, NoDelayAlwaysGivesFullLevel) {
  LfoFade fade;
  fade.SetBlockRate(kBlockRate);
  for (float delay : {0.0f, -1.0f}) {
    fade.SetDelay(delay);
    fade.Trigger();
    for (int i = 0; i < 20; ++i) {
      EXPECT_EQ(fade.Process(), 1.0f);
      if (i == 5) fade.Release();
    }
    EXPECT_EQ(fade.state(), LfoFade::kFull);
  }
}

// A note on: fade out over 10 ms, hold zero for the delay, fade back in over 10 ms.
TEST(LfoFadeTest, TriggerFadesOutWaitsTheDelayAndFadesIn) {
  LfoFade fade;
  fade.SetBlockRate(kBlockRate);
  fade.SetDelay(0.1f);  // 37 whole blocks
  EXPECT_EQ(fade.Value(), 1.0f);
  fade.Trigger();
  std::vector<float> v;
  for (int i = 0; i < 60; ++i) v.push_back(fade.Process());

  int firstZero = 0;
  while (v[firstZero] > 0.0f) ++firstZero;
  EXPECT_EQ(firstZero, 3);  // 1.0 - 4 x 0.2667 reaches zero on the fourth block
  for (int i = 1; i < firstZero; ++i) EXPECT_LT(v[i], v[i - 1]);
  int zeros = 0;
  while (v[firstZero + zeros] == 0.0f) ++zeros;
  EXPECT_EQ(zeros, 1 + 37);
  const int rise = firstZero + zeros;
  EXPECT_NEAR(v[rise], 0.2667f, 1e-3f);
  EXPECT_EQ(v[rise + 3], 1.0f);
  EXPECT_LT(v[rise + 2], 1.0f);
  EXPECT_EQ(v.back(), 1.0f);
  EXPECT_EQ(fade.state(), LfoFade::kFull);
}

TEST(LfoFadeTest, AReleasedFadeSitsAtZeroReArming) {
  LfoFade fade;
  fade.SetBlockRate(kBlockRate);
  fade.SetDelay(0.02f);  // 7 blocks
  fade.Trigger();
  for (int i = 0; i < 6; ++i) fade.Process();
  fade.Release();
  for (int i = 0; i < 200; ++i) ASSERT_EQ(fade.Process(), 0.0f) << i;
  // The next note starts the wait again.
  fade.Trigger();
  float last = 0.0f;
  for (int i = 0; i < 30; ++i) last = fade.Process();
  EXPECT_EQ(last, 1.0f);
}

TEST(LfoFadeTest, AHugeDelayNeverOverflowsTheCountdown) {
  LfoFade fade;
  fade.SetBlockRate(kBlockRate);
  fade.SetDelay(1e30f);
  fade.Trigger();
  for (int i = 0; i < 100; ++i) EXPECT_LE(fade.Process(), 1.0f);
  EXPECT_EQ(fade.Value(), 0.0f);
}

}  // namespace
