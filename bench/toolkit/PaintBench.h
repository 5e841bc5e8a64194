#pragma once
// What the toolkit benchmarks share: a drawing context on a memory framebuffer, and the
// report of a figure against the 20 ms between two paints (four 5 ms GUI ticks) beside the
// usual share of one audio period.
#include <benchmark/benchmark.h>

#include "bench/BenchPeriod.h"
#include "platform/LogSink.h"
#include "platform/MemoryFrameBuffer.h"
#include "toolkit/uxDC.h"

namespace toolkit_bench {

struct Screen {
  Screen() {
    platform::SetLogSink([](const char*, void*) {}, nullptr);
    dc.Init();
    platform::SetLogSink(nullptr, nullptr);
  }
  platform::MemoryFrameBuffer fb;
  uxDC dc{&fb};
};

inline void Report(benchmark::State& state) {
  bench::ReportPeriodShare(state, 1.0);
  state.counters["paint_period_share"] =
      benchmark::Counter(0.02, benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
}

}  // namespace toolkit_bench
