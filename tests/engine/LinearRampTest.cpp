#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "engine/LinearRamp.h"

namespace {

constexpr float kPeriod = 0.0026666667f;  // 128 frames at 48 kHz

// Ticks until the ramp stops (or `limit` ticks).
int TicksToArrive(LinearRamp& ramp, int limit = 100000) {
  int ticks = 0;
  while (ramp.Running() && ticks < limit) {
    ramp.Tick();
    ++ticks;
  }
  return ticks;
}

TEST(LinearRamp, MovesInEqualStepsAndLandsOnTheGoal) {
  struct Case {
    float from, goal;
  };
  for (const Case c : {Case{0.0f, 1.0f}, Case{1.0f, 0.0f}}) {
    SCOPED_TRACE(c.from);
    LinearRamp ramp;
    ramp.SetTickPeriod(kPeriod);
    float value = c.from;
    ramp.SetTarget(&value, c.goal, 1.0f, 0.35f);
    ramp.Tick();
    EXPECT_NEAR(std::fabs(value - c.from), 0.0076190f, 1e-7f);
    for (int t = 2; t <= 131; ++t) ramp.Tick();
    EXPECT_TRUE(ramp.Running());
    EXPECT_NE(value, c.goal);
    ramp.Tick();  // tick 132
    EXPECT_FALSE(ramp.Running());
    EXPECT_EQ(value, c.goal);
    for (int t = 0; t < 10; ++t) ramp.Tick();
    EXPECT_EQ(value, c.goal);
  }
}

TEST(LinearRamp, NullTargetChangesNothing) {
  LinearRamp ramp;
  ramp.SetTickPeriod(kPeriod);
  ramp.SetTarget(nullptr, 1.0f, 1.0f, 0.35f);
  ramp.SetImmediate(nullptr, 3.0f);
  EXPECT_FALSE(ramp.Running());
  EXPECT_EQ(ramp.target, nullptr);
  EXPECT_EQ(ramp.step, 1.0f);
  ramp.Tick();  // no target: must not dereference

  // A null SetTarget leaves a running move alone.
  float value = 0.0f;
  ramp.SetTarget(&value, 1.0f, 1.0f, 0.35f);
  ramp.SetTarget(nullptr, -5.0f, 1.0f, 0.01f);
  EXPECT_EQ(TicksToArrive(ramp), 132);
  EXPECT_EQ(value, 1.0f);
}

TEST(LinearRamp, TargetAlreadyOnTheGoalDoesNotMove) {
  LinearRamp ramp;
  ramp.SetTickPeriod(kPeriod);
  float value = 0.5f;
  ramp.SetTarget(&value, 0.5f, 1.0f, 0.35f);
  EXPECT_FALSE(ramp.Running());
  ramp.Tick();
  EXPECT_EQ(value, 0.5f);
}

TEST(LinearRamp, SetImmediateJumpsAndStopsARunningMove) {
  LinearRamp ramp;
  ramp.SetTickPeriod(kPeriod);
  float value = 0.0f;
  ramp.SetTarget(&value, 1.0f, 1.0f, 0.35f);
  ramp.Tick();
  ramp.SetImmediate(&value, 0.25f);
  EXPECT_FALSE(ramp.Running());
  ramp.Tick();
  EXPECT_EQ(value, 0.25f);
}

// A zero time, zero range or negative range would leave a ramp stepping by NaN, by
// nothing or away from its goal forever; such moves arrive on the next tick instead.
TEST(LinearRamp, DegenerateMovesArriveOnTheNextTick) {
  struct Case {
    const char* name;
    float range, time;
  };
  const Case cases[] = {
      {"time 0", 1.0f, 0.0f},
      {"range 0, time 0", 0.0f, 0.0f},
      {"range 0", 0.0f, 0.35f},
      {"negative range", -1.0f, 0.35f},
      {"NaN range", std::numeric_limits<float>::quiet_NaN(), 0.35f},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    for (float goal : {1.0f, -1.0f}) {
      LinearRamp ramp;
      ramp.SetTickPeriod(kPeriod);
      float value = 0.0f;
      ramp.SetTarget(&value, goal, c.range, c.time);
      EXPECT_EQ(TicksToArrive(ramp), 1);
      EXPECT_EQ(value, goal);
    }
  }
}

}  // namespace
