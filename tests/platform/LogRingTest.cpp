#include "platform/LogRing.h"

#include <gtest/gtest.h>
#include <pthread.h>
#include <sched.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "platform/LogSink.h"
#include "platform/RtThread.h"

namespace {

TEST(LogRing, KeepsTheOrderRefusesAFullRingAndCutsLongLines) {
  auto ring = std::make_unique<platform::LogRing>();
  std::vector<std::string> popped;
  auto take = [&popped](const char* text) { popped.emplace_back(text); };
  // Several laps, so the positions wrap around the cells.
  for (int lap = 0; lap < 3; ++lap) {
    for (uint32_t i = 0; i < platform::LogRing::kLines; ++i)
      ASSERT_TRUE(ring->Push(("line " + std::to_string(lap) + "." + std::to_string(i) + "\n").c_str()));
    EXPECT_FALSE(ring->Push("one too many\n"));
    popped.clear();
    while (ring->Pop(take)) {
    }
    ASSERT_EQ(popped.size(), platform::LogRing::kLines);
    for (uint32_t i = 0; i < platform::LogRing::kLines; ++i)
      ASSERT_EQ(popped[i], "line " + std::to_string(lap) + "." + std::to_string(i) + "\n");
  }
  EXPECT_EQ(ring->Dropped(), 3u);

  const std::string longLine(3000, 'x');
  ASSERT_TRUE(ring->Push(longLine.c_str()));
  popped.clear();
  ASSERT_TRUE(ring->Pop(take));
  EXPECT_EQ(popped[0], longLine.substr(0, platform::LogRing::kLineBytes - 1));
  EXPECT_FALSE(ring->Pop(take));
}

// What the sink saw: each line with the thread that called the sink.
struct SinkRecord {
  std::mutex mutex;
  std::vector<std::pair<pthread_t, std::string>> lines;
  static void Sink(const char* text, void* self) {
    auto* r = static_cast<SinkRecord*>(self);
    std::lock_guard<std::mutex> lock(r->mutex);
    r->lines.emplace_back(pthread_self(), text);
  }
  size_t Count(const std::string& prefix) {
    std::lock_guard<std::mutex> lock(mutex);
    size_t n = 0;
    for (const auto& l : lines) n += l.second.rfind(prefix, 0) == 0;
    return n;
  }
  bool WaitFor(const std::string& prefix, size_t n) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    while (Count(prefix) < n) {
      if (std::chrono::steady_clock::now() > deadline) return false;
      std::this_thread::sleep_for(std::chrono::microseconds(200));
    }
    return true;
  }
};

// Real-time threads never run the sink (no write, no flush on them); the background thread
// hands on every line, each thread's lines in their order.
TEST(LogRingThreads, DeferredThreadsLinesArriveInOrderFromAnotherThread) {
  constexpr int kThreads = 4;
  constexpr int kLines = 40;
  SinkRecord record;
  platform::SetLogSink(&SinkRecord::Sink, &record);
  std::vector<pthread_t> loggers(kThreads);
  std::vector<std::thread> threads;
  std::atomic<int> failures{0};
  for (int t = 0; t < kThreads; ++t) {
    threads.emplace_back([t, &record, &loggers, &failures] {
      loggers[t] = pthread_self();
      platform::DeferThreadLog();
      char prefix[8];
      std::snprintf(prefix, sizeof prefix, "T%d ", t);
      for (int i = 0; i < kLines; ++i) {
        platform::LogPrintf("T%d %02d\n", t, i);
        // Paced by delivery, so the test never depends on how fast the ring is emptied.
        if (!record.WaitFor(prefix, static_cast<size_t>(i + 1))) ++failures;
      }
    });
  }
  for (auto& th : threads) th.join();
  platform::SetLogSink(nullptr, nullptr);
  ASSERT_EQ(failures.load(), 0);
  ASSERT_EQ(record.lines.size(), static_cast<size_t>(kThreads * kLines));
  std::vector<int> next(kThreads, 0);
  for (const auto& [caller, text] : record.lines) {
    int t = -1, i = -1;
    ASSERT_EQ(std::sscanf(text.c_str(), "T%d %d", &t, &i), 2) << text;
    EXPECT_EQ(i, next[t]++) << text;
    EXPECT_FALSE(pthread_equal(caller, loggers[t])) << text;
  }
}

// A burst faster than the drain loses lines to the full ring, and the log says how many:
// every line is either delivered or counted in a "N lines dropped" line.
TEST(LogRingThreads, LinesAFullRingRefusedAreCountedInTheLog) {
  constexpr int kLines = 5000;
  SinkRecord record;
  platform::SetLogSink(&SinkRecord::Sink, &record);
  std::thread([] {
    platform::DeferThreadLog();
    for (int i = 0; i < kLines; ++i) platform::LogPrintf("burst %d\n", i);
  }).join();
  platform::FlushLog();
  platform::SetLogSink(nullptr, nullptr);
  unsigned long long dropped = 0;
  for (const auto& [caller, text] : record.lines) {
    unsigned long long n = 0;
    if (std::sscanf(text.c_str(), "%llu lines dropped", &n) == 1) dropped += n;
  }
  EXPECT_EQ(record.Count("burst ") + dropped, static_cast<unsigned long long>(kLines));
}

// A sink change hands the queued lines to the sink that was current when they were written.
TEST(LogRingThreads, QueuedLinesReachTheSinkOfTheirTime) {
  SinkRecord first, second;
  platform::SetLogSink(&SinkRecord::Sink, &first);
  std::thread([] {
    platform::DeferThreadLog();
    for (int i = 0; i < 20; ++i) platform::LogPrintf("queued %d\n", i);
  }).join();
  platform::SetLogSink(&SinkRecord::Sink, &second);
  platform::LogWrite("after\n");
  platform::SetLogSink(nullptr, nullptr);
  EXPECT_EQ(first.Count("queued "), 20u);
  EXPECT_EQ(second.Count("queued "), 0u);
  EXPECT_EQ(second.Count("after"), 1u);
}

// Threads started for real-time scheduling queue their lines from their first one, whether
// or not this machine grants the policy.
TEST(LogRingThreads, ThreadsStartedRealTimeQueueTheirLines) {
  SinkRecord record;
  platform::SetLogSink(&SinkRecord::Sink, &record);
  struct Arg {
    pthread_t self;
  } arg{};
  pthread_t thread;
  const platform::ThreadStart start = platform::StartThread(
      thread, {"LOG_RT", SCHED_FIFO, 10, -1},
      [](void* p) -> void* {
        static_cast<Arg*>(p)->self = pthread_self();
        platform::LogWrite("from the real-time thread\n");
        return nullptr;
      },
      &arg);
  ASSERT_TRUE(start.started);
  pthread_join(thread, nullptr);
  ASSERT_TRUE(record.WaitFor("from the real-time thread", 1));
  platform::SetLogSink(nullptr, nullptr);
  EXPECT_FALSE(pthread_equal(record.lines[0].first, arg.self));
}

}  // namespace
