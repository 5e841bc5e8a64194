#include <gtest/gtest.h>

#include <vector>

#include "engine/PartNoteStack.h"

namespace {

std::vector<int> Ascending(const PartNoteStack& s) {
  std::vector<int> v;
  for (int i = 0; i < s.Count(); ++i) v.push_back(s.Ascending(i));
  return v;
}

TEST(PartNoteStack, KeepsPressOrderAndPitchOrder) {
  struct Case {
    const char* name;
    std::vector<int> ops;  // positive: press, negative: release (-note - 1)
    int head;
    std::vector<int> ascending;
  };
  const Case cases[] = {
      {"three keys", {60, 64, 67}, 67, {60, 64, 67}},
      {"release the top", {60, 64, 67, -68}, 64, {60, 64}},
      {"release the middle", {60, 64, 67, -65}, 67, {60, 67}},
      {"release the oldest", {60, 64, 67, -61}, 67, {64, 67}},
      {"press a held key again", {60, 64, 60}, 60, {60, 64}},
      {"release a key not held", {60, -71}, 60, {60}},
      {"descending presses", {72, 48, 60}, 60, {48, 60, 72}},
      {"all released", {60, 64, -61, -65}, PartNoteStack::kEmpty, {}},
  };
  for (const Case& c : cases) {
    PartNoteStack s;
    for (int op : c.ops) {
      if (op >= 0) s.Push(static_cast<uint8_t>(op), 0.5f);
      else s.Remove(static_cast<uint8_t>(-op - 1));
    }
    EXPECT_EQ(s.HeadNote(), c.head) << c.name;
    EXPECT_EQ(Ascending(s), c.ascending) << c.name;
  }
}

TEST(PartNoteStack, SeventeenthKeyPushesOutTheOldest) {
  PartNoteStack s;
  for (int n = 0; n < 17; ++n) s.Push(static_cast<uint8_t>(40 + n), 1.0f);
  EXPECT_EQ(s.Count(), 16);
  EXPECT_EQ(s.Ascending(0), 41);  // 40 went
  // Releasing from the top walks back down the chain to the second key, never to the first.
  for (int n = 56; n > 41; --n) {
    s.Remove(static_cast<uint8_t>(n));
    EXPECT_EQ(s.HeadNote(), n - 1);
  }
  s.Remove(41);
  EXPECT_TRUE(s.Empty());
}

// A velocity kept as a byte must come back as the velocity, not as 0 or 1.
TEST(PartNoteStack, VelocitySurvivesTheStack) {
  for (float v : {0.0f, 0.3f, 0.5f, 0.8f, 1.0f}) {
    PartNoteStack s;
    s.Push(60, v);
    EXPECT_NEAR(s.HeadVelocity(), v, 0.5f / 127.0f) << v;
  }
}

}  // namespace
