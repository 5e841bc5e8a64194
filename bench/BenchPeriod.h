#pragma once
// Every benchmark figure is also reported as a share of one audio period (128 frames at
// 48 kHz = 2666.7 us): a benchmark states how many periods one iteration stands for, and
// the binary's reporter (BenchMain.cpp) turns the measured CPU time into the share.
#include <benchmark/benchmark.h>

namespace bench {

constexpr double kPeriodSeconds = 128.0 / 48000.0;
constexpr const char* kPeriodsCounter = "periods_per_iteration";

// Call after the timing loop: `periodsPerIteration` is how many periods one iteration
// stands for (1 for one 128-frame block, 1/16 for one voice of sixteen, ...).
// White noise in [-1, 1) from a fixed linear congruential sequence, so every run and every
// benchmark feeds the same signal.
inline float NextNoise(unsigned& seed) {
  seed = seed * 1664525u + 1013904223u;
  return static_cast<float>(seed >> 8) / 8388608.0f - 1.0f;
}

inline void ReportPeriodShare(benchmark::State& state, double periodsPerIteration = 1.0) {
  state.counters[kPeriodsCounter] = benchmark::Counter(periodsPerIteration);
}

// Marks the work that scripts/perf counts, apart from set-up and the benchmark loop: callgrind
// collects inside CountedRegion (--toggle-collect='*CountedRegion*'), and the emulator's
// instruction counter counts from CountBegin to CountEnd. Both stay out of line so their
// symbols exist in the Release build.
__attribute__((noinline)) inline void CountBegin() { asm volatile(""); }
__attribute__((noinline)) inline void CountEnd() { asm volatile(""); }
template <class Work>
__attribute__((noinline)) void CountedRegion(Work&& work) {
  CountBegin();
  work();
  CountEnd();
}

}  // namespace bench
