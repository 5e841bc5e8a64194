#include "app/MidiStartHold.h"

#include <gtest/gtest.h>

#include <mutex>
#include <thread>
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

// Two input threads play while start-up ends: each one's messages arrive complete and in the
// order it sent them, whether they were kept or went straight through.
TEST(MidiStartHoldThreads, MessagesKeepTheirOrderAcrossTheRelease) {
  constexpr int kEach = 200;  // both together fit the store
  MidiStartHold hold;
  hold.Hold();
  std::mutex outMutex;
  std::vector<Message> out;
  auto deliver = [&](const Message& m) {
    std::lock_guard<std::mutex> lock(outMutex);
    out.push_back(m);
  };
  auto input = [&](int port) {
    for (int i = 0; i < kEach; ++i) {
      const Message m{1, port, i / 128, 0x90, static_cast<uint8_t>(i % 128), 1};
      if (!hold.Keep(m)) deliver(m);
    }
  };
  std::thread a(input, 0);
  std::thread b(input, 1);
  std::this_thread::yield();
  hold.Release([](void* context, const Message& m) { (*static_cast<decltype(deliver)*>(context))(m); }, &deliver);
  a.join();
  b.join();
  for (int port : {0, 1}) {
    std::vector<int> seen;
    for (const Message& m : out)
      if (m.port == port) seen.push_back(m.channel * 128 + m.data1);
    ASSERT_EQ(seen.size(), static_cast<std::size_t>(kEach)) << port;
    for (int i = 0; i < kEach; ++i) ASSERT_EQ(seen[i], i) << port;
  }
}

}  // namespace
