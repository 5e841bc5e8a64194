#pragma once
// How long the clip launcher's clock waits while other threads work on the clip set: a
// clock thread ticks as fast as it can, and the longest tick seen while the work runs is
// the longest wait for the clip master's lock (a tick alone costs a few microseconds).
#include <pthread.h>
#include <sched.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <thread>

#include <benchmark/benchmark.h>

#include "bench/BenchPeriod.h"
#include "midi/CClipCore.h"

namespace bench {

// Runs `work` on this thread while a clock thread ticks `core`; the longest tick in seconds.
template <class Work>
double LongestClockTick(CClipCore& core, Work&& work) {
  std::atomic<bool> stop{false};
  std::atomic<bool> ticking{false};
  double longest = 0;
  std::thread clock([&] {
    // Scheduled as the audio thread is where the system allows it, so that being put aside
    // for other work on the machine does not count as waiting.
    sched_param fifo{};
    fifo.sched_priority = 80;
    pthread_setschedparam(pthread_self(), SCHED_FIFO, &fifo);
    for (int t = 1; !stop.load(std::memory_order_relaxed); ++t) {
      const auto start = std::chrono::steady_clock::now();
      core.OnClockTick(t, 0);
      const std::chrono::duration<double> took = std::chrono::steady_clock::now() - start;
      longest = std::max(longest, took.count());
      ticking.store(true, std::memory_order_relaxed);
    }
  });
  while (!ticking.load(std::memory_order_relaxed)) std::this_thread::yield();
  work();
  stop = true;
  clock.join();
  return longest;
}

// The longest wait over all iterations, in microseconds and as a share of the audio period.
inline void ReportClockWait(benchmark::State& state, double longestSeconds) {
  state.counters["clock_wait_us"] = longestSeconds * 1e6;
  state.counters["clock_wait_pct_period"] = 100.0 * longestSeconds / kPeriodSeconds;
}

}  // namespace bench
