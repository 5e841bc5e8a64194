#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "engine/ScopeCapture.h"

namespace {

constexpr int kN = ScopeCapture::kHalf;

// A sine of `period` samples whose rising crossings fall between samples: sample k x period
// is the first at or above zero of each cycle.
std::vector<float> Sine(int blocks, int period) {
  std::vector<float> s(static_cast<std::size_t>(blocks * kN));
  for (std::size_t n = 0; n < s.size(); ++n)
    s[n] = static_cast<float>(std::sin(2.0 * 3.14159265358979 * (static_cast<double>(n) + 0.5) / period));
  return s;
}

TEST(ScopeCapture, LastRisingCrossingOfTheBlockStartsTwoHundredFiftySixSamples) {
  const std::vector<float> s = Sine(4, 50);  // crossings at 0, 50, 100 in the first block
  ScopeCapture scope;
  scope.Process(s.data());
  EXPECT_EQ(scope.state(), ScopeCapture::kFirstPart);
  EXPECT_EQ(scope.count(), 100);
  scope.Process(s.data() + kN);
  EXPECT_FALSE(scope.Complete());
  scope.Process(s.data() + 2 * kN);
  ASSERT_TRUE(scope.Complete());
  for (int k = 0; k < kN; ++k) {
    ASSERT_EQ(scope.First()[k], s[static_cast<std::size_t>(100 + k)]) << k;
    ASSERT_EQ(scope.Second()[k], s[static_cast<std::size_t>(100 + kN + k)]) << k;
  }
}

TEST(ScopeCapture, CrossingsAtTheBlockEdges) {
  struct Case {
    const char* what;
    std::vector<float> first;   // a block before without a crossing, or empty
    std::vector<float> block;
    int state;
    int count;
  };
  std::vector<float> negative(kN, -0.5f), positive(kN, 0.5f), lastOnly(kN, -0.5f), edge(kN, -0.5f);
  lastOnly[kN - 1] = 0.5f;  // sample 127 is never a start: no sample follows it in the block
  edge[0] = 0.5f;
  const Case cases[] = {
      {"no crossing stays armed", {}, negative, ScopeCapture::kArmed, 0},
      {"a first non-negative sample counts", {}, positive, ScopeCapture::kFirstPart, 0},
      {"sign carried from the block before", negative, edge, ScopeCapture::kFirstPart, 0},
      {"the last sample is not scanned", {}, lastOnly, ScopeCapture::kArmed, 0},
  };
  for (const Case& c : cases) {
    ScopeCapture scope;
    if (!c.first.empty()) scope.Process(c.first.data());
    scope.Process(c.block.data());
    EXPECT_EQ(scope.state(), c.state) << c.what;
    if (c.state == ScopeCapture::kFirstPart) {
      EXPECT_EQ(scope.count(), c.count) << c.what;
    }
  }
}

TEST(ScopeCapture, CompleteCaptureIsHeldUntilReleased) {
  const std::vector<float> s = Sine(10, 64);
  ScopeCapture scope;
  for (int b = 0; b < 3; ++b) scope.Process(s.data() + b * kN);
  ASSERT_TRUE(scope.Complete());
  const std::vector<float> held(scope.First(), scope.First() + kN);
  const std::vector<float> other(kN, -0.25f);
  for (int b = 0; b < 5; ++b) scope.Process(other.data());
  EXPECT_TRUE(scope.Complete());
  EXPECT_EQ(std::vector<float>(scope.First(), scope.First() + kN), held);
  scope.Release();
  scope.Process(other.data());
  EXPECT_EQ(scope.state(), ScopeCapture::kArmed);
  scope.Process(s.data());
  EXPECT_EQ(scope.state(), ScopeCapture::kFirstPart) << "armed again";
}

}  // namespace
