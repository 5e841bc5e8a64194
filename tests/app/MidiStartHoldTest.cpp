#include "app/MidiStartHold.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

using Message = MidiStartHold::Message;

Message Note(int note) { return {1, 0, 0, 0x90, static_cast<uint8_t>(note), 100}; }

void Collect(void* context, const Message& m) { static_cast<std::vector<int>*>(context)->push_back(m.data1); }

TEST(MidiStartHold, KeepsNothingUntilAskedToHold) {
  MidiStartHold hold;
  EXPECT_FALSE(hold.Keep(Note(60)));
  std::vector<int> got;
  EXPECT_EQ(hold.Release(&Collect, &got), 0);
  EXPECT_TRUE(got.empty());
}

TEST(MidiStartHold, ReleaseDeliversInArrivalOrderThenLetsEverythingThrough) {
  MidiStartHold hold;
  hold.Hold();
  for (int n : {60, 64, 67}) EXPECT_TRUE(hold.Keep(Note(n)));
  EXPECT_TRUE(hold.Keep({1, 0, 0, 0xF8, 0, 0})) << "a clock tick is taken but not kept";
  EXPECT_TRUE(hold.Keep({1, 0, 0, 0x80, 60, 0}));
  std::vector<int> got;
  EXPECT_EQ(hold.Release(&Collect, &got), 0);
  EXPECT_EQ(got, (std::vector<int>{60, 64, 67, 60}));
  EXPECT_FALSE(hold.Keep(Note(72)));
  got.clear();
  hold.Release(&Collect, &got);
  EXPECT_TRUE(got.empty()) << "nothing is delivered twice";
}

TEST(MidiStartHold, AFullStoreKeepsTheFirstMessagesAndCountsTheRest) {
  MidiStartHold hold;
  hold.Hold();
  for (int i = 0; i < MidiStartHold::kCapacity + 5; ++i) EXPECT_TRUE(hold.Keep(Note(i & 0x7F)));
  std::vector<int> got;
  EXPECT_EQ(hold.Release(&Collect, &got), 5);
  ASSERT_EQ(got.size(), static_cast<std::size_t>(MidiStartHold::kCapacity));
  EXPECT_EQ(got.front(), 0);
  EXPECT_EQ(got.back(), (MidiStartHold::kCapacity - 1) & 0x7F);
}

}  // namespace
