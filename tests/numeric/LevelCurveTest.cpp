#include <gtest/gtest.h>

#include <cmath>

#include "numeric/LevelCurve.h"

namespace {

TEST(LevelCurve, IntegerPartIndexesAndEndsHold) {
  struct Case {
    float v;
    float expected;
  };
  const Case cases[] = {
      {0.0f, 0.0f},      {1.0f, 0.00100091f}, {2.9f, 0.00203892f}, {50.0f, 0.13964f}, {99.99f, 0.964716f},
      {100.0f, 1.0f},    {250.0f, 1.0f},      {-0.5f, 0.0f},       {-40.0f, 0.0f},    {std::nanf(""), 0.0f},
      {INFINITY, 1.0f},  {-INFINITY, 0.0f},
  };
  for (const Case& c : cases) EXPECT_FLOAT_EQ(LevelCurve(c.v), c.expected) << c.v;
}

TEST(LevelCurve, RisesFromSilenceToUnity) {
  for (int i = 1; i < kLevelCurvePoints; ++i) EXPECT_GT(kLevelCurve[i], kLevelCurve[i - 1]) << i;
}

}  // namespace
