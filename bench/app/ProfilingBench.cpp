// The profiling trace's costs on the real-time side and the main thread's: one mark written
// while three threads write at once (the two engine threads and the audio thread) and a
// dumper passes meanwhile, and one dump pass of a full buffer (1024 marks) to a file.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <atomic>
#include <climits>
#include <cstdio>
#include <string>
#include <thread>

#include "app/ProfilingDumper.h"
#include "platform/ProfilingBuffer.h"
#include "bench/BenchPeriod.h"
#include "platform/LogSink.h"

namespace {

void Quiet(const char*, void*) {}

std::atomic<bool> g_dumping{false};
std::thread g_dumper;

void BM_MarkUnderThreeWriters(benchmark::State& state) {
  if (state.thread_index() == 0) {
    platform::SetLogSink(&Quiet, nullptr);
    ProfilingBuffer::SetEnabled(true);
    g_dumping = true;
    g_dumper = std::thread([] {
      ProfilingDumper dumper("/dev/null", LONG_MAX);
      while (g_dumping.load()) {
        dumper.Pass();
        std::this_thread::yield();
      }
    });
  }
  int64_t dropped = 0;
  uint16_t n = 0;
  for (auto _ : state) {
    if (!ProfilingBuffer::Write(1, 0, n++, 0, static_cast<uint16_t>(state.thread_index()))) ++dropped;
  }
  state.counters["dropped"] = benchmark::Counter(static_cast<double>(dropped), benchmark::Counter::kAvgIterations);
  bench::ReportPeriodShare(state);
  if (state.thread_index() == 0) {
    g_dumping = false;
    g_dumper.join();
    ProfilingBuffer::SetEnabled(false);
    platform::SetLogSink(nullptr, nullptr);
  }
}
BENCHMARK(BM_MarkUnderThreeWriters)->Threads(3)->UseRealTime();

void BM_DumpPassOfAFullBuffer(benchmark::State& state) {
  platform::SetLogSink(&Quiet, nullptr);
  char dir[] = "/tmp/profiling-bench-XXXXXX";
  if (mkdtemp(dir) == nullptr) {
    state.SkipWithError("no temporary directory");
    return;
  }
  const std::string path = std::string(dir) + "/profiling2.data";
  ProfilingBuffer::SetEnabled(true);
  {
    ProfilingDumper dumper(path, LONG_MAX);
    for (auto _ : state) {
      state.PauseTiming();
      // Truncating keeps the file from growing over a long run; the dumper appends at its end.
      truncate(path.c_str(), 0);
      for (int i = 0; i < ProfilingBuffer::kRecords; ++i) ProfilingBuffer::Write(10, 0, 1, 0, 0);
      state.ResumeTiming();
      dumper.Pass();
    }
  }
  ProfilingBuffer::SetEnabled(false);
  std::remove(path.c_str());
  rmdir(dir);
  platform::SetLogSink(nullptr, nullptr);
  state.SetItemsProcessed(state.iterations() * ProfilingBuffer::kRecords);
  bench::ReportPeriodShare(state);
}
BENCHMARK(BM_DumpPassOfAFullBuffer);

}  // namespace
