#pragma once
// Reports a benchmark's time per iteration also as a share of one audio period
// (128 frames at 48 kHz = 2666.7 us).
#include <benchmark/benchmark.h>

namespace bench {

constexpr double kPeriodSeconds = 128.0 / 48000.0;

// Call after the timing loop: `periodsPerIteration` is how many periods one iteration
// stands for (e.g. 1 for one 128-frame block, 1/16 for one voice of sixteen).
inline void ReportPeriodShare(benchmark::State& state, double periodsPerIteration = 1.0) {
  state.counters["period_share"] = benchmark::Counter(
      static_cast<double>(state.iterations()) * periodsPerIteration * kPeriodSeconds,
      benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}

}  // namespace bench
