#include "engine/EnvGen.h"

#include <gtest/gtest.h>

#include <cmath>

#include "platform/Denormals.h"
#include "tests/support/AllocCounter.h"

namespace {

constexpr float kRate = 48000.0f;

class EnvGenTest : public ::testing::Test {
 protected:
  EnvGenTest() {
    env.SetSampleRate(kRate);
    env.SetAttackCurve(50);
    env.SetDecayReleaseCurve(50);
    env.SetAttack(10.0f);
    env.SetDecay(10.0f);
    env.SetRelease(10.0f);
    env.SetRelease2(10.0f);
  }

  float Step() { return env.Process(nullptr, nullptr); }
  // Steps until the state changes (or `limit` samples); returns the samples spent.
  int RunWhile(int32_t state, int limit = 1000000) {
    int n = 0;
    while (env.state() == state && n < limit) {
      Step();
      ++n;
    }
    return n;
  }
  void Run(int samples) {
    for (int i = 0; i < samples; ++i) Step();
  }

  platform::ScopedFlushToZero ftz;
  EnvGen env;
};

TEST_F(EnvGenTest, CurveTableRisesFrom0005To99999AndIndexesAreClamped) {
  ASSERT_EQ(EnvGen::kCurveCount, 101);
  EXPECT_FLOAT_EQ(EnvGen::kCurveTable[0], 0.005f);
  EXPECT_FLOAT_EQ(EnvGen::kCurveTable[100], 99.999f);
  for (int i = 1; i < EnvGen::kCurveCount; ++i) EXPECT_GT(EnvGen::kCurveTable[i], EnvGen::kCurveTable[i - 1]) << i;

  // Out-of-range curve indexes behave as the nearest end of the table: same trajectory.
  auto attackTrace = [&](int curve) {
    EnvGen e;
    e.SetSampleRate(kRate);
    e.SetAttackCurve(curve);
    e.SetAttack(5.0f);
    e.Trigger(1.0f);
    double sum = 0.0;
    for (int i = 0; i < 100; ++i) sum += e.Process(nullptr, nullptr);
    return sum;
  };
  EXPECT_EQ(attackTrace(1000), attackTrace(100));
  EXPECT_EQ(attackTrace(-7), attackTrace(0));
  EXPECT_NE(attackTrace(0), attackTrace(100));
}

// Every segment aims past its end point so that it arrives after exactly its time, whatever
// the curve: T ms take T x 48 samples.
TEST_F(EnvGenTest, SegmentsTakeTheirTimeForEveryCurve) {
  for (int curve : {0, 1, 25, 50, 75, 100}) {
    for (float ms : {1.0f, 10.0f, 250.0f}) {
      SCOPED_TRACE(::testing::Message() << "curve " << curve << ", " << ms << " ms");
      const int n = static_cast<int>(ms * 48.0f);
      EnvGen& e = env;
      e.SetMode(0);
      e.Reset();
      e.SetAttackCurve(curve);
      e.SetDecayReleaseCurve(curve);
      e.SetAttack(ms);
      e.SetDecay(ms);
      e.SetRelease(ms);
      e.SetSustain(0.0f);
      e.Trigger(1.0f);
      EXPECT_NEAR(RunWhile(EnvGen::kAttack), n, 2);
      EXPECT_NEAR(RunWhile(EnvGen::kDecay), n, 2);
      EXPECT_EQ(e.state(), EnvGen::kSustain);

      // A release from full level.
      e.SetSustain(1.0f);
      e.Release();
      EXPECT_EQ(e.state(), EnvGen::kRelease);
      EXPECT_NEAR(RunWhile(EnvGen::kRelease), n, 2);
      EXPECT_EQ(e.state(), EnvGen::kIdle);
      EXPECT_EQ(e.level(), 0.0);
    }
  }
}

// Halfway through a segment of N samples aiming at a target r beyond its end, c^(N/2) =
// sqrt(r / (1 + r)). The attack takes 5 % of the curve value as r, decay and release 1 %;
// the curve values below are taken from the table as published, not from the code.
TEST_F(EnvGenTest, CurveSettingsBendSegmentsByTheirRatios) {
  struct Case {
    int index;
    double curve;
  };
  const Case cases[] = {{0, 0.005}, {17, 0.996}, {50, 8.126}, {69, 21.529}, {84, 46.2}, {100, 99.999}};
  constexpr int kHalf = 480;  // of 20 ms
  auto levelAfterHalf = [&]() {
    float level = 0.0f;
    for (int i = 0; i < kHalf; ++i) env.Process(nullptr, &level);
    return static_cast<double>(level);
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.index);
    const double ra = c.curve * 0.05;
    const double rdr = c.curve * 0.01;
    const double attackHalf = (1.0 + ra) * (1.0 - std::sqrt(ra / (1.0 + ra)));
    const double fallHalf = std::sqrt(rdr * (1.0 + rdr)) - rdr;  // from 1.0 towards 0

    env.SetMode(0);
    env.Reset();
    env.SetAttackCurve(c.index);
    env.SetDecayReleaseCurve(c.index);
    env.SetAttack(20.0f);
    env.SetDecay(20.0f);
    env.SetRelease(20.0f);
    env.SetSustain(0.0f);
    env.Trigger(1.0f);
    EXPECT_NEAR(levelAfterHalf(), attackHalf, 1e-4);
    RunWhile(EnvGen::kAttack);
    ASSERT_EQ(env.state(), EnvGen::kDecay);
    EXPECT_NEAR(levelAfterHalf(), fallHalf, 1e-4);
    RunWhile(EnvGen::kDecay);
    env.SetSustain(1.0f);  // in sustain: the level follows at once
    env.Release();
    EXPECT_NEAR(levelAfterHalf(), fallHalf, 1e-4);
  }
}

TEST_F(EnvGenTest, ZeroOrNegativeTimesJumpAtOnce) {
  for (float ms : {0.0f, -3.0f}) {
    SCOPED_TRACE(ms);
    env.SetMode(0);
    env.Reset();
    env.SetAttack(ms);
    env.SetDecay(ms);
    env.SetRelease(ms);
    env.SetSustain(0.4f);
    env.Trigger(1.0f);
    float level = 0.0f;
    env.Process(nullptr, &level);
    EXPECT_EQ(level, 1.0f);
    env.Process(nullptr, &level);
    EXPECT_EQ(level, 0.4f);
    EXPECT_EQ(env.state(), EnvGen::kSustain);
    env.Release();
    env.Process(nullptr, &level);
    EXPECT_EQ(level, 0.0f);
    EXPECT_EQ(env.state(), EnvGen::kIdle);
  }
}

TEST_F(EnvGenTest, ArSustainsAtFullLevelWhateverTheSustainSetting) {
  for (int mode : {1, 5}) {
    env.SetMode(mode);
    env.Reset();
    env.SetSustain(0.3f);
    env.Trigger(1.0f);
    RunWhile(EnvGen::kAttack);
    EXPECT_EQ(env.state(), EnvGen::kSustain);
    Run(1000);
    EXPECT_EQ(env.level(), 1.0);
    env.Release();
    EXPECT_EQ(env.state(), EnvGen::kRelease);
  }
}

TEST_F(EnvGenTest, AdIgnoresNoteOffAndEndsAfterAttackPlusDecay) {
  for (int mode : {2, 6}) {
    SCOPED_TRACE(mode);
    auto lengthWithRelease = [&](bool releaseEarly) {
      env.SetMode(mode);
      env.Reset();
      env.SetSustain(0.8f);  // AD has no sustain
      env.Trigger(1.0f);
      Run(10);
      if (releaseEarly) env.Release();
      return 10 + RunWhile(EnvGen::kAttack) + RunWhile(EnvGen::kDecay);
    };
    const int held = lengthWithRelease(false);
    EXPECT_NEAR(held, 960, 4);
    EXPECT_EQ(env.state(), EnvGen::kIdle);
    EXPECT_EQ(lengthWithRelease(true), held);
  }
}

TEST_F(EnvGenTest, AdLoopRepeatsWhileTheKeyIsHeldAndStopsAtTheEndOfTheCycle) {
  env.SetMode(3);
  env.Trigger(1.0f);
  int attacks = 0;
  int32_t last = env.state();
  for (int i = 0; i < 960 * 3 + 100; ++i) {
    Step();
    if (env.state() == EnvGen::kAttack && last != EnvGen::kAttack) ++attacks;
    last = env.state();
  }
  EXPECT_EQ(attacks, 3);  // the first attack started with Trigger
  env.Release();
  EXPECT_NE(env.state(), EnvGen::kIdle);
  Run(960);
  EXPECT_EQ(env.state(), EnvGen::kIdle);
  EXPECT_EQ(env.level(), 0.0);
}

TEST_F(EnvGenTest, RetriggerInReleaseResumesTheAttackWithoutAJump) {
  env.SetSustain(0.6f);
  env.Trigger(1.0f);
  Run(2000);
  env.Release();
  Run(100);
  const double before = env.level();
  ASSERT_GT(before, 0.05);
  env.Trigger(1.0f);
  EXPECT_EQ(env.state(), EnvGen::kAttack);
  float level = 0.0f;
  env.Process(nullptr, &level);
  EXPECT_GT(level, before);
  EXPECT_LT(level, before + 0.02);
}

// The +R modes first fall to zero in 2 ms (96 samples) and only then attack again.
TEST_F(EnvGenTest, PlusRModesFadeToZeroBeforeARetrigger) {
  for (int mode : {4, 5, 6}) {
    SCOPED_TRACE(mode);
    env.SetMode(mode);
    env.Reset();
    env.SetSustain(0.5f);
    env.Trigger(1.0f);
    Run(300);
    ASSERT_GT(env.level(), 0.1);
    env.Trigger(1.0f);
    EXPECT_EQ(env.state(), EnvGen::kRetriggerFade);
    const int fade = RunWhile(EnvGen::kRetriggerFade);
    EXPECT_NEAR(fade, 96, 1);
    EXPECT_EQ(env.level(), 0.0);
    EXPECT_EQ(env.state(), EnvGen::kAttack);

    // From silence there is nothing to fade.
    env.Kill();
    RunWhile(EnvGen::kKillFade);
    env.Trigger(1.0f);
    EXPECT_EQ(env.state(), EnvGen::kAttack);
  }
}

TEST_F(EnvGenTest, KillFadesIn50MsAndANoteOnDuringTheFadeStaysSilent) {
  env.SetSustain(1.0f);
  env.Trigger(1.0f);
  Run(2000);
  env.Kill();
  EXPECT_EQ(env.state(), EnvGen::kKillFade);
  EXPECT_FALSE(env.gate());
  Run(1000);
  env.Trigger(1.0f);
  EXPECT_EQ(env.state(), EnvGen::kKillFade);
  EXPECT_NEAR(1000 + RunWhile(EnvGen::kKillFade), 2400, 1);
  Run(1000);
  EXPECT_EQ(env.state(), EnvGen::kIdle);
  EXPECT_EQ(env.level(), 0.0);
}

TEST_F(EnvGenTest, SetModeEndsWithKillAndRestoresTheSustainSetting) {
  env.SetSustain(0.7f);
  env.SetMode(2);
  EXPECT_EQ(env.sustainLevel(), 0.0f);
  env.Trigger(1.0f);
  Run(200);
  env.SetMode(0);
  EXPECT_EQ(env.state(), EnvGen::kKillFade);
  EXPECT_EQ(env.sustainLevel(), 0.7f);
  // A mode outside the table still kills and reads nothing out of range.
  env.SetMode(42);
  EXPECT_NE(env.state(), EnvGen::kAttack);
}

TEST_F(EnvGenTest, SustainChangeInSustainMovesTheLevelAtOnce) {
  env.SetSustain(0.5f);
  env.Trigger(1.0f);
  Run(2000);
  ASSERT_EQ(env.state(), EnvGen::kSustain);
  env.SetSustain(0.2f);
  EXPECT_EQ(env.level(), static_cast<double>(0.2f));
}

TEST_F(EnvGenTest, PedalHoldKeepsTheSustainAndReleaseTwoSelectsTheSecondTime) {
  env.SetSustain(0.5f);
  env.SetPedalFunction(1);
  env.SetHold(true);
  env.Trigger(1.0f);
  Run(2000);
  env.Release();
  EXPECT_EQ(env.state(), EnvGen::kHeld);
  Run(5000);
  EXPECT_EQ(env.level(), static_cast<double>(0.5f));
  env.SetHold(false);
  Step();
  EXPECT_EQ(env.state(), EnvGen::kRelease);

  // A held note off during the attack lets the envelope reach its sustain and stay there.
  env.Reset();
  env.SetHold(true);
  env.Trigger(1.0f);
  Run(10);
  env.Release();
  EXPECT_EQ(env.state(), EnvGen::kAttack);
  Run(2000);
  EXPECT_EQ(env.state(), EnvGen::kSustain);
  // Changing the pedal function drops the hold.
  env.SetPedalFunction(2);
  Step();
  EXPECT_EQ(env.state(), EnvGen::kRelease);

  env.SetRelease2(100.0f);
  env.SetUseRelease2(true);
  env.Reset();
  env.Trigger(1.0f);
  Run(2000);
  env.SetSustain(1.0f);
  env.Release();
  EXPECT_NEAR(RunWhile(EnvGen::kRelease), 4800, 2);
}

TEST_F(EnvGenTest, VelocityAmountScalesTheOutput) {
  struct Case {
    float amount;
    float expected;  // at a sustain of 1.0, velocity 0.5
  };
  for (const Case& c : {Case{0.0f, 1.0f}, Case{1.0f, 0.5f}, Case{0.5f, 0.75f}}) {
    env.Reset();
    env.SetVelocityAmount(c.amount);
    env.Trigger(0.5f);
    Run(2000);
    float level = 0.0f;
    EXPECT_FLOAT_EQ(env.Process(nullptr, &level), c.expected) << c.amount;
    EXPECT_EQ(level, 1.0f);
  }
}

// The block form skips the steps of a level that stands still; every sample must still be
// what the per-sample form gives, through every state and event between blocks.
TEST(EnvGenBlock, BlocksMatchSampleBySampleThroughEveryStateAndEvent) {
  platform::ScopedFlushToZero ftz;
  enum Event { kNone, kTrigger, kRelease, kHoldOn, kHoldOff, kKill, kSustainDown, kUseRelease2 };
  struct Case {
    const char* what;
    int32_t mode;
    int32_t pedal;
    float velocityAmount;
    Event events[12];  // one per block, before it
    float attackMs = 3.0f;
  };
  const Case cases[] = {
      {"ADSR note", 0, 0, 0.5f, {kTrigger, kNone, kNone, kNone, kNone, kNone, kRelease, kNone, kNone, kTrigger}},
      {"retrigger in sustain", 0, 0, 1.0f, {kTrigger, kNone, kNone, kNone, kNone, kTrigger, kNone, kNone, kRelease}},
      {"held by the pedal", 0, 1, 0.3f, {kTrigger, kHoldOn, kNone, kNone, kNone, kNone, kRelease, kNone, kHoldOff}},
      {"second release", 0, 2, 0.0f, {kTrigger, kUseRelease2, kNone, kNone, kNone, kNone, kNone, kRelease}},
      {"sustain moved", 0, 0, 0.7f, {kTrigger, kNone, kNone, kNone, kNone, kNone, kSustainDown, kNone, kRelease}},
      {"AR", 1, 0, 0.5f, {kTrigger, kNone, kNone, kNone, kNone, kNone, kNone, kRelease}},
      {"AD", 2, 0, 0.5f, {kTrigger, kNone, kNone, kNone, kRelease}},
      {"AD loop", 3, 0, 0.5f, {kTrigger, kNone, kNone, kNone, kNone, kNone, kNone, kRelease}},
      {"ADSR+R retrigger", 4, 0, 0.5f, {kTrigger, kNone, kNone, kNone, kNone, kNone, kTrigger, kNone, kRelease}},
      {"kill", 0, 0, 0.5f, {kTrigger, kNone, kNone, kNone, kNone, kNone, kKill, kTrigger}},
      // A note during the kill fade only moves the velocity, which is still moving once the
      // envelope is idle again.
      {"velocity moving while idle", 0, 0, 0.5f, {kTrigger, kNone, kNone, kNone, kNone, kNone, kKill, kTrigger}, 90.0f},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    EnvGen envs[2];
    for (EnvGen& e : envs) {
      e.SetSampleRate(kRate);
      e.SetMode(c.mode);
      e.SetPedalFunction(c.pedal);
      e.SetVelocityAmount(c.velocityAmount);
      e.SetAttack(c.attackMs);
      e.SetDecay(4.0f);
      e.SetSustain(0.6f);
      e.SetRelease(3.0f);
      e.SetRelease2(6.0f);
    }
    EnvGen& block = envs[0];
    EnvGen& sample = envs[1];
    for (int b = 0; b < 60; ++b) {
      const Event event = b % 5 == 0 && b / 5 < 12 ? c.events[b / 5] : (b == 31 && c.attackMs > 50.0f ? kTrigger : kNone);
      for (EnvGen& e : envs) {
        switch (event) {
          case kTrigger: e.Trigger(0.8f); break;
          case kRelease: e.Release(); break;
          case kHoldOn: e.SetHold(true); break;
          case kHoldOff: e.SetHold(false); break;
          case kKill: e.Kill(); break;
          case kSustainDown: e.ApplySustain(0.2f); break;
          case kUseRelease2: e.SetUseRelease2(true); break;
          case kNone: break;
        }
      }
      float out[128];
      block.ProcessBlock(out, 128);
      for (int i = 0; i < 128; ++i) ASSERT_EQ(out[i], sample.Process(nullptr, nullptr)) << "block " << b << " sample " << i;
      ASSERT_EQ(block.state(), sample.state());
    }
  }
}

TEST_F(EnvGenTest, ProcessingAllocatesNothing) {
  EnvGen envs[4];
  for (EnvGen& e : envs) {
    e.SetSampleRate(kRate);
    e.SetAttack(1.0f);
  }
  testing_support::AllocGuard guard;
  for (int block = 0; block < 50; ++block) {
    for (EnvGen& e : envs) {
      if (block % 10 == 0) e.Trigger(0.8f);
      if (block % 10 == 5) e.Release();
      float rel = 0.0f, lvl = 0.0f;
      for (int i = 0; i < 128; ++i) e.Process(&rel, &lvl);
    }
  }
  EXPECT_EQ(guard.Count(), 0u);
}

}  // namespace
