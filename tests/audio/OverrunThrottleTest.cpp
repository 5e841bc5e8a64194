#include "audio/OverrunThrottle.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

constexpr int64_t kMs = 1'000'000;

struct Case {
  int64_t atMs;
  bool printed;
  uint32_t skipped;  // when printed
};

TEST(OverrunThrottle, OneLineASecondCarryingTheOverrunsLeftOut) {
  // Starts at an arbitrary monotonic time: the first overrun always prints.
  const std::vector<Case> cases = {
      {5000, true, 0},   {5001, false, 0}, {5500, false, 0}, {5999, false, 0},
      {6000, true, 3},   {6003, false, 0}, {9000, true, 1},  {9999, false, 0},
      {10000, true, 1},  {12000, true, 0},
  };
  OverrunThrottle throttle;
  for (const Case& c : cases) {
    uint32_t skipped = 12345;
    const bool printed = throttle.Note(c.atMs * kMs, &skipped);
    EXPECT_EQ(printed, c.printed) << "at " << c.atMs << " ms";
    if (c.printed) {
      EXPECT_EQ(skipped, c.skipped) << "at " << c.atMs << " ms";
    }
  }
}

TEST(OverrunThrottle, AClockStartingAtZeroStillPrintsTheFirstOverrun) {
  OverrunThrottle throttle;
  uint32_t skipped = 7;
  EXPECT_TRUE(throttle.Note(0, &skipped));
  EXPECT_EQ(skipped, 0u);
  EXPECT_FALSE(throttle.Note(10 * kMs, &skipped));
}

}  // namespace
