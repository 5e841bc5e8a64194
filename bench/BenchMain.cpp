// main of every benchmark binary: the console output gains "% of period" for the
// benchmarks that stated how many audio periods an iteration stands for.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <string>
#include <vector>

#include "NE10.h"
#include "bench/BenchPeriod.h"

namespace {

class PeriodShareReporter : public benchmark::ConsoleReporter {
 public:
  void ReportRuns(const std::vector<Run>& runs) override {
    std::vector<Run> shown = runs;
    for (Run& run : shown) {
      auto it = run.counters.find(bench::kPeriodsCounter);
      if (it == run.counters.end()) continue;
      const double periods = it->second.value;
      run.counters.erase(it);
      if (run.run_type != Run::RT_Iteration && run.aggregate_unit != benchmark::kTime) continue;
      const double seconds = run.GetAdjustedCPUTime() / benchmark::GetTimeUnitMultiplier(run.time_unit);
      if (!(periods > 0.0)) continue;
      char text[64];
      std::snprintf(text, sizeof text, "%.3f%% of period", 100.0 * seconds / (periods * bench::kPeriodSeconds));
      run.report_label = run.report_label.empty() ? text : run.report_label + " " + text;
    }
    ConsoleReporter::ReportRuns(shown);
  }
};

}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  if (ne10_init() != NE10_OK) return 2;  // as the instrument's start-up, before any FFT
  PeriodShareReporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  benchmark::Shutdown();
  return 0;
}
