#include <gtest/gtest.h>
#include <time.h>

#include <atomic>
#include <set>
#include <thread>
#include <utility>
#include <vector>

#include "platform/ProfilingBuffer.h"
#include "tests/platform/ProfilingDrain.h"
#include "tests/support/AllocCounter.h"

namespace {

using Records = std::vector<ProfilingRecord>;

Records Drain() {
  Records r(ProfilingBuffer::kRecords);
  r.resize(static_cast<size_t>(testing_support::DrainProfiling(r.data())));
  return r;
}

// A writer thread's mark: its number in `slot`, its sequence number in stage/subStage.
bool WriteMark(int thread, uint32_t seq) {
  return ProfilingBuffer::Write(1, 0, static_cast<uint16_t>(seq & 0xFFFF), static_cast<uint16_t>(seq >> 16),
                                static_cast<uint16_t>(thread));
}
std::pair<int, uint32_t> MarkOf(const ProfilingRecord& r) {
  return {r.slot, static_cast<uint32_t>(r.stage) | (static_cast<uint32_t>(r.subStage) << 16)};
}

class ProfilingBufferTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ProfilingBuffer::SetEnabled(true);
    testing_support::DrainProfiling(nullptr);  // start on an empty buffer
  }
  void TearDown() override {
    ProfilingBuffer::SetEnabled(false);
    testing_support::DrainProfiling(nullptr);
  }
};

TEST_F(ProfilingBufferTest, WritesOnlyWhileSwitchedOn) {
  ProfilingBuffer::SetEnabled(false);
  EXPECT_FALSE(ProfilingBuffer::Write(1, 2, 3, 4, 5));
  EXPECT_TRUE(Drain().empty());

  ProfilingBuffer::SetEnabled(true);
  timespec before;
  clock_gettime(CLOCK_MONOTONIC, &before);
  {
    testing_support::AllocGuard guard;
    EXPECT_TRUE(ProfilingBuffer::Write(10, 2, 1, 4, 5));
    EXPECT_EQ(guard.Count(), 0u);
  }
  const Records r = Drain();
  ASSERT_EQ(r.size(), 1u);
  EXPECT_EQ(r[0].event, 10);
  EXPECT_EQ(r[0].cpu, 2);
  EXPECT_EQ(r[0].stage, 1);
  EXPECT_EQ(r[0].subStage, 4);
  EXPECT_EQ(r[0].slot, 5);
  const double stamped = r[0].seconds + r[0].nanoseconds * 1e-9;
  const double start = static_cast<double>(before.tv_sec) + before.tv_nsec * 1e-9;
  EXPECT_GE(stamped, start);
  EXPECT_LT(stamped, start + 10.0);
}

TEST_F(ProfilingBufferTest, TheRecordAfterAFullBufferIsDropped) {
  for (uint32_t i = 0; i < 1024; ++i) ASSERT_TRUE(WriteMark(0, i)) << i;
  EXPECT_FALSE(WriteMark(0, 1024));
  const Records r = Drain();
  ASSERT_EQ(r.size(), 1024u);
  for (uint32_t i = 0; i < 1024; ++i) ASSERT_EQ(MarkOf(r[i]).second, i);
  // The exchange made the other, empty buffer current.
  EXPECT_TRUE(WriteMark(0, 0));
  EXPECT_EQ(Drain().size(), 1u);
}

using ProfilingBufferThreads = ProfilingBufferTest;

// Threads writing at once: every mark that was accepted is in the buffer exactly once,
// and below the limit every mark is accepted.
TEST_F(ProfilingBufferThreads, ConcurrentWritersLoseNothing) {
  struct Case {
    int threads, perThread;
    size_t expected;
  };
  for (const Case c : {Case{8, 128, 1024}, Case{4, 200, 800}, Case{8, 300, 1024}}) {
    SCOPED_TRACE(testing::Message() << c.threads << " x " << c.perThread);
    std::vector<std::set<std::pair<int, uint32_t>>> accepted(c.threads);
    std::atomic<bool> go{false};
    std::vector<std::thread> threads;
    for (int t = 0; t < c.threads; ++t) {
      threads.emplace_back([&, t] {
        while (!go.load()) std::this_thread::yield();
        for (int i = 0; i < c.perThread; ++i) {
          if (WriteMark(t, static_cast<uint32_t>(i))) accepted[t].insert({t, static_cast<uint32_t>(i)});
        }
      });
    }
    go = true;
    for (auto& th : threads) th.join();
    std::set<std::pair<int, uint32_t>> all;
    for (const auto& s : accepted) all.insert(s.begin(), s.end());
    const Records r = Drain();
    std::set<std::pair<int, uint32_t>> stored;
    for (const ProfilingRecord& rec : r) EXPECT_TRUE(stored.insert(MarkOf(rec)).second);
    EXPECT_EQ(r.size(), c.expected);
    EXPECT_EQ(stored, all);
  }
}

TEST_F(ProfilingBufferThreads, ExchangingWhileThreadsWriteLosesNoAcceptedMark) {
  constexpr int kThreads = 4;
  constexpr int kPerThread = 5000;
  std::vector<std::set<std::pair<int, uint32_t>>> accepted(kThreads);
  std::atomic<int> running{kThreads};
  std::vector<std::thread> threads;
  for (int t = 0; t < kThreads; ++t) {
    threads.emplace_back([&, t] {
      for (int i = 0; i < kPerThread; ++i) {
        if (WriteMark(t, static_cast<uint32_t>(i))) accepted[t].insert({t, static_cast<uint32_t>(i)});
        if (i % 64 == 0) std::this_thread::yield();
      }
      running.fetch_sub(1);
    });
  }
  std::set<std::pair<int, uint32_t>> stored;
  bool duplicate = false;
  auto collect = [&] {
    for (const ProfilingRecord& rec : Drain()) duplicate |= !stored.insert(MarkOf(rec)).second;
  };
  while (running.load() > 0) collect();
  for (auto& th : threads) th.join();
  collect();
  collect();
  std::set<std::pair<int, uint32_t>> all;
  for (const auto& s : accepted) all.insert(s.begin(), s.end());
  EXPECT_FALSE(duplicate);
  EXPECT_EQ(stored, all);
  EXPECT_GT(all.size(), 0u);
}

}  // namespace
